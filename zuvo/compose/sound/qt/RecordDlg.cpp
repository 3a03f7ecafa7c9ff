// The voice prompt dialog: choose, copy, play, upload, and have the service
// take the upload as the account's prompt.

#include "compose/sound/qt/RecordDlg.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/TextUtil.h"
#include "core/qt/Prompter.h"
#include "core/qt/WindowMessage.h"
#include "core/session/AgentEvents.h"
#include "core/session/AgentHelp.h"
#include "core/session/InvokeIds.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/NewFile.h"
#include "core/stores/WholeFiles.h"
#include "corlane/Event.h"
#include "jotter/Jotter.h"
#include "netvoy/ClientEventListener.h"

namespace {

// A voice file larger than this is not copied.
constexpr std::uintmax_t kMaxVoiceFileBytes = 256u * 1024 * 1024;

const QString kSetFailed = QStringLiteral("设置定制语音失败！");

} // namespace

const QString CRecordDlg::kWavFilter = QStringLiteral("Wav Files(*.Wav)|*.[Ww][Aa][Vv]|");

// What an event with the dialog's invoke id said, carried to its thread.
struct CRecordDlg::Reply {
    std::string event;
    std::string result;
    long taskId = 0;
};

// The dialog's agent listener. Its callbacks run on the agent's worker: they
// only hand the event's words to the dialog's thread.
class CRecordDlg::Listener : public ClientEventListener {
public:
    Listener(AgentPort& agent, long invokeId, QObject& dialog) : agent_(agent), invokeId_(invokeId), window_(&dialog)
    {
        agent_.addEventListener(this);
    }
    ~Listener() override { agent_.removeEventListener(this); }

    int onDisconnect() override { return 1; }
    int onReceive(CRL::Event* event) override
    {
        if (!event || !CarriesInvokeId(*event, invokeId_))
            return 1;
        Reply reply{event->getString("event"), event->getString("result"), event->getLong("taskid")};
        WindowRegistry::Invoke(window_.Id(), [reply](QObject& target) {
            static_cast<CRecordDlg&>(target).OnReply(reply);
        });
        return 1;
    }
    int onProcess(CRL::Event* event) override
    {
        if (!event)
            return 1;
        cpLog(kLogTrace, "SendFax onProcess , event=<%s> offset=<%ld> of length=<%ld>", event->getString("event"),
              event->getLong("offset"), event->getLong("length"));
        cpLog(kLogTrace, "invokeid=<%ld> hwnd=<%ld>", event->getLong("invokeid"), invokeId_);
        return 1;
    }

private:
    AgentPort& agent_;
    const long invokeId_;
    RegisteredWindow window_;
};

CRecordDlg::CRecordDlg(RecordDlgContext context, QWidget* parent)
    : QDialog(parent), agent_(context.agent ? *context.agent : *AgentHelp::getInstance()),
      invokeId_(NextInvokeId()), accountPath_(std::move(context.accountPath)),
      pipe_(std::make_unique<CPipe>(context.devices ? context.devices : AlsaAudioDevices(kDefaultSoundDevice)))
{
    setWindowTitle(QStringLiteral("传真彩铃"));

    auto* label = new QLabel(QStringLiteral("语音文件"), this);
    pathEdit_ = new QLineEdit(this);
    pathEdit_->setObjectName(QStringLiteral("path"));
    pathEdit_->setAccessibleName(label->text());
    label->setBuddy(pathEdit_);
    auto* choose = new QPushButton(QStringLiteral("..."), this);
    choose->setAccessibleName(QStringLiteral("选择语音文件"));
    play_ = new QPushButton(QStringLiteral("试听"), this);
    upload_ = new QPushButton(QStringLiteral("上传"), this);
    record_ = new QPushButton(QStringLiteral("录音"), this);
    stop_ = new QPushButton(QStringLiteral("停止"), this);
    record_->hide();
    stop_->hide();
    status_ = new QListWidget(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setAccessibleName(QStringLiteral("状态"));
    auto* close = new QPushButton(QStringLiteral("退出"), this);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(label);
    fileRow->addWidget(pathEdit_, 1);
    fileRow->addWidget(choose);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(play_);
    buttons->addWidget(record_);
    buttons->addWidget(upload_);
    buttons->addWidget(stop_);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addLayout(buttons);
    layout->addWidget(status_, 1);
    resize(420, 260);

    connect(choose, &QPushButton::clicked, this, &CRecordDlg::OnChoose);
    connect(play_, &QPushButton::clicked, this, &CRecordDlg::OnPlay);
    connect(upload_, &QPushButton::clicked, this, &CRecordDlg::OnUpload);
    connect(record_, &QPushButton::clicked, this, &CRecordDlg::OnRecord);
    connect(stop_, &QPushButton::clicked, this, &CRecordDlg::OnStop);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    play_->setEnabled(true);
    stop_->setEnabled(true);
    upload_->setEnabled(true);
    hasAccount_ = !accountPath_.empty() && AccountConfig::GetNodeCount(accountPath_) > 0;
    if (hasAccount_) {
        faxUser_ = AccountConfig::GetAttr(accountPath_, "FaxUser");
        listener_ = std::make_unique<Listener>(agent_, invokeId_, *this);
    }
}

CRecordDlg::~CRecordDlg()
{
    listener_.reset();
    pipe_.reset();
}

void CRecordDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Without a current account there is nothing to set: the dialog ends
    // as soon as its loop runs.
    if (!hasAccount_)
        QTimer::singleShot(0, this, &QDialog::reject);
}

QString CRecordDlg::Path() const
{
    return pathEdit_->text();
}

QPushButton* CRecordDlg::Button(const QString& text) const
{
    for (QPushButton* button : findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

void CRecordDlg::AddStatus(const QString& text)
{
    status_->addItem(text);
    status_->scrollToBottom();
}

void CRecordDlg::OnRecord()
{
    if (!pipe_->StartRecord(Path().toStdString()))
        return;
    play_->setEnabled(false);
    record_->setEnabled(false);
    upload_->setEnabled(false);
    stop_->setEnabled(true);
}

void CRecordDlg::OnStop()
{
    pipe_->StopRecord();
    play_->setEnabled(true);
    record_->setEnabled(true);
    upload_->setEnabled(true);
    stop_->setEnabled(false);
}

void CRecordDlg::OnPlay()
{
    pipe_->StartPlay(Path().toStdString());
}

void CRecordDlg::OnChoose()
{
    FileRequest request;
    request.filter = kWavFilter;
    request.defaultExtension = QStringLiteral("Wav");
    request.initialPath = QStringLiteral("*.Wav");
    const std::optional<ChosenFile> chosen = CurrentPrompter().ChooseFile(request);
    if (!chosen || chosen->path.isEmpty())
        return;
    const QString suffix = QStringLiteral(".") + QString::fromStdString(faxUser_);
    const QString copy = chosen->path + suffix;
    // The copy replaces an older one whole, or not at all.
    const std::optional<std::string> bytes = ReadWholeFile(chosen->path.toStdString(), kMaxVoiceFileBytes);
    if (!bytes || ReplaceFileWithBytes(copy.toStdString(), *bytes) != 1) {
        cpLog(kLogFailure, "voice prompt: %s could not be copied", chosen->path.toUtf8().constData());
        pathEdit_->clear();
        uploadName_.clear();
        AddStatus(QStringLiteral("复制语音文件失败！"));
        return;
    }
    pathEdit_->setText(copy);
    uploadName_ = QFileInfo(chosen->path).fileName() + suffix;
}

void CRecordDlg::OnUpload()
{
    const std::string path = Path().toStdString();
    cpLog(kLogTrace, "Upload File=<%s>", path.c_str());
    if (path.empty() || !QFileInfo(Path()).isFile())
        return;
    taskId_ = agent_.upLoadFile(invokeId_, path.c_str());
    AddStatus(taskId_ >= 1 ? QStringLiteral("正在上传... ...") : QStringLiteral("Upload Failed!"));
}

void CRecordDlg::OnReply(const Reply& reply)
{
    if (EqualsNoCase(reply.event, "upload-success")) {
        if (taskId_ < 1 || reply.taskId != taskId_)
            return;
        AddStatus(QStringLiteral("上传成功！，正在设置... ..."));
        const int sent = AgentRequest(agent_, "validatefaxprompt")
                             .arg("faxuser", faxUser_)
                             .arg("filename", uploadName_.toStdString())
                             .arg("invokeid", invokeId_)
                             .invoke();
        if (!sent)
            ShowMessage(kSetFailed);
    } else if (EqualsNoCase(reply.event, "upload-failed")) {
        if (taskId_ < 1 || reply.taskId != taskId_)
            return;
        ShowMessage(kSetFailed);
    } else if (EqualsNoCase(reply.event, "validatefaxprompt")) {
        if (EqualsNoCase(reply.result, "success")) {
            AddStatus(QStringLiteral("设置成功！"));
            ShowMessage(QStringLiteral("设置定制语音成功！"));
        } else {
            AddStatus(QStringLiteral("设置失败！"));
            ShowMessage(kSetFailed);
        }
    }
}
