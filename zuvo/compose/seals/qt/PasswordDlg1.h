#pragma once

#include <QDialog>
#include <QString>

#include <memory>

#include "compose/seals/qt/SealContext.h"

class AgentReplyWait;
class QLineEdit;
class SealAccountFile;

// "请输入密码": the account password that guards the electronic seals. OK
// asks the server to check the typed password ("checkpassword-z") and ends
// the dialog with OK when a reply to its invoke id reports success; when
// the agent does not run, it compares the typed text with the stored
// password itself (letter case ignored). Every failure (a wrong password,
// 15 s without an answer, a lost connection, no account or fax user) says
// "密码错误" and the dialog stays; Cancel leaves.
class CPasswordDlg1 : public QDialog {
    Q_OBJECT
public:
    static constexpr int kResourceId = 241;
    static constexpr int kPasswordEditId = 1126;
    static constexpr int kDefaultReplyTimeoutMs = 15000;

    explicit CPasswordDlg1(SealContext context, QWidget* parent = nullptr);
    ~CPasswordDlg1() override;

    QLineEdit* PasswordEdit() const { return edit_; }
    // The reply time-out (15 s unless a test shortens it).
    void SetReplyTimeout(int milliseconds) { replyTimeoutMs_ = milliseconds; }
    long InvokeId() const;

public slots:
    // The OK button: verify.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    enum class Sent { Yes, NotRunning, Refused, InvokeFailed };
    Sent CheckPassword(const QString& typed);
    void CheckLocally(const QString& typed);
    void Refuse();

    SealContext context_;
    std::unique_ptr<SealAccountFile> accounts_;
    bool started_ = false;
    int replyTimeoutMs_ = kDefaultReplyTimeoutMs;
    QLineEdit* edit_ = nullptr;
    AgentReplyWait* wait_ = nullptr;
};
