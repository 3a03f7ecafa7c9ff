#pragma once

// "传真彩铃": the account's voice prompt. The user chooses a WAV file (a
// copy named "<file>.<FaxUser>" is made beside it and used from then on),
// listens to it, and uploads it to the fax service, which is then asked to
// take it as the prompt ("validatefaxprompt"). The record and stop buttons
// exist but stay hidden.
//
// The dialog listens to the agent for its own invoke id while it is open.
// The agent's worker only posts what it heard to the dialog; the dialog
// acts on it (the status list, the request, the boxes) on its own thread,
// so an "upload-success" is always compared with the task id the upload
// returned.

#include <QDialog>
#include <QString>

#include <atomic>
#include <memory>
#include <string>

#include "compose/sound/AudioDevice.h"
#include "compose/sound/Pipe.h"
#include "core/session/AgentPort.h"

class QLineEdit;
class QListWidget;
class QPushButton;

// What the dialog needs from its opener.
struct RecordDlgContext {
    AgentPort* agent = nullptr;     // AgentHelp's when null
    AudioDeviceFactory devices;     // the sound devices of the pipe
    std::string accountPath;        // the current account, "" when none
};

class CRecordDlg : public QDialog {
    Q_OBJECT
public:
    // The filter of the file chooser; its pattern takes ".wav" in any letter case.
    static const QString kWavFilter;

    explicit CRecordDlg(RecordDlgContext context, QWidget* parent = nullptr);
    ~CRecordDlg() override;

    QString Path() const;
    QString UploadName() const { return uploadName_; }
    long InvokeId() const { return invokeId_; }
    long TaskId() const { return taskId_; }
    CPipe& Pipe() { return *pipe_; }
    QPushButton* Button(const QString& text) const;

    // The buttons' commands.
    void OnRecord();
    void OnStop();
    void OnPlay();
    void OnChoose();
    void OnUpload();

protected:
    void showEvent(QShowEvent* event) override;

private:
    class Listener;
    struct Reply;

    void OnReply(const Reply& reply);
    void AddStatus(const QString& text);

    AgentPort& agent_;
    const long invokeId_;
    std::string accountPath_;
    std::string faxUser_;
    bool hasAccount_ = false;
    QString uploadName_;
    long taskId_ = -1;

    QLineEdit* pathEdit_ = nullptr;
    QListWidget* status_ = nullptr;
    QPushButton* record_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* upload_ = nullptr;

    std::unique_ptr<CPipe> pipe_;
    std::unique_ptr<Listener> listener_; // last: removed first
};
