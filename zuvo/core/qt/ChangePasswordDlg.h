#pragma once

#include <QDialog>
#include <QString>

#include "core/session/AgentPort.h"

class AgentReplyWait;
class QLabel;
class QLineEdit;

// "修改账户密码": asks the fax server to change a password. The opener sets
// the command ("changepassword" for the account's password,
// "changepassword-z" for the seal password), the fax user and the old
// password shown in its field, and runs the dialog modally; after OK,
// NewPassword() holds the password the server accepted.
//
// OK checks that both new fields agree (exactly), sends the request and
// waits: the dialog ends with OK only when a reply to its own invoke id
// reports success; a failed reply, and every 30 s without an answer, says
// "修改密码失败！" and the dialog stays for another try. Cancel leaves at once.
class CChangePasswordDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kResourceId = 240;
    static constexpr int kNewPasswordEditId = 1002;
    static constexpr int kConfirmEditId = 1003;
    static constexpr int kOldPasswordEditId = 1172;
    static constexpr int kStatusTextId = 1173;
    static constexpr int kDefaultReplyTimeoutMs = 30000;

    // The agent is AgentHelp's unless a test gives its own.
    explicit CChangePasswordDlg(QWidget* parent = nullptr, AgentPort* agent = nullptr);
    ~CChangePasswordDlg() override;

    // The request's command; the dialog listens for its replies from now on.
    void SetCommand(const QString& command);
    void SetFaxUser(const QString& faxUser) { faxUser_ = faxUser; }
    // Shown in the old-password field, which the user may change.
    void SetOldPassword(const QString& password);
    // Kept for the opener; never sent.
    void SetCurrentPassword(const QString& password) { currentPassword_ = password; }
    QString CurrentPassword() const { return currentPassword_; }
    QString NewPassword() const { return newPassword_; }

    // The period of the time-out notice (30 s unless a test shortens it).
    void SetReplyTimeout(int milliseconds) { replyTimeoutMs_ = milliseconds; }
    long InvokeId() const;

public slots:
    // The OK button: check the fields and send the request.
    void accept() override;

private:
    void OnReply(bool forCommand);

    QString command_;
    QString faxUser_;
    QString currentPassword_;
    QString newPassword_;
    int replyTimeoutMs_ = kDefaultReplyTimeoutMs;

    QLineEdit* oldEdit_ = nullptr;
    QLineEdit* newEdit_ = nullptr;
    QLineEdit* confirmEdit_ = nullptr;
    QLabel* status_ = nullptr;
    AgentReplyWait* wait_ = nullptr;
};
