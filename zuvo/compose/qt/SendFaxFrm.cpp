// The compose window: commands, subject bar and page editor wired to the
// compose logic; every question and notice through the prompter.

#include "compose/qt/SendFaxFrm.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <ctime>

#include "compose/ComposeCommands.h"
#include "compose/ComposeSave.h"
#include "compose/NumberCheck.h"
#include "compose/qt/FaxSubjectBar.h"
#include "compose/qt/FaxView.h"
#include "contacts/qt/AddrSelectDlg.h"
#include "core/TaskQueue.h"
#include "core/frame/StatusTexts.h"
#include "core/qt/HandOver.h"
#include "core/qt/Prompter.h"
#include "core/qt/ResourceText.h"
#include "core/stores/FaxRecordStore.h"
#include "faxbox/AttachmentFiles.h"
#include "jotter/Jotter.h"
#include "res/StringTable.h"

namespace {

constexpr unsigned kAskSave = 61491;

// The compose logic's prompts over the prompter.
class PrompterComposePrompts : public ComposePrompts {
public:
    void Inform(const std::string& text) override { ShowMessage(QString::fromStdString(text)); }
    bool Ask(const std::string& text) override { return CurrentPrompter().Ask(QString::fromStdString(text)); }
};

std::string Utf8(const QString& text)
{
    return text.toStdString();
}

} // namespace

CSendFaxFrm::CSendFaxFrm(ComposeWindowServices services, const QStringList& handedOver, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), registered_(this)
{
    setObjectName(QStringLiteral("CSendFaxFrm"));
    setWindowTitle(LoadText(IDS_COMPOSE_FAX));
    auto* client = new QWidget(this);
    bar_ = new CFaxSubjectBar(client);
    view_ = new CFaxView(client);
    view_->SetSealContextSource([currentAccount = services_.currentAccount] {
        return SealContext{nullptr, {}, currentAccount ? currentAccount() : std::string()};
    });
    bar_->EditorToolBar()->addActions(view_->ToolbarActions());
    bar_->setFixedHeight(bar_->sizeHint().height());
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar_);
    layout->addWidget(view_, 1);
    setCentralWidget(client);
    statusBar();
    BuildCommands();

    connect(bar_, &CFaxSubjectBar::NumbersChanged, this, &CSendFaxFrm::OnNumbersChanged);
    connect(bar_, &CFaxSubjectBar::ButtonPressed, this, &CSendFaxFrm::OnBarButton);
    connect(bar_, &CFaxSubjectBar::AttachmentCommand, this, &CSendFaxFrm::OnAttachmentCommand);
    connect(static_cast<QLineEdit*>(bar_->ControlOf(CFaxSubjectBar::SubjectEdit)), &QLineEdit::textEdited, this,
            [this] { SetModified(true); });

    Fill();
    TakeHandOver(handedOver);
}

CSendFaxFrm::~CSendFaxFrm() = default;

void CSendFaxFrm::BuildCommands()
{
    QMenu* faxMenu = menuBar()->addMenu(QString::fromUtf8(ComposeText::kFaxMenu));
    QMenu* addMenu = menuBar()->addMenu(QString::fromUtf8(ComposeText::kAddMenu));
    QToolBar* toolBar = addToolBar(QString::fromUtf8(ComposeText::kToolBar));
    toolBar->setObjectName(QString::fromUtf8(ComposeText::kToolBar));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (const ComposeCommandEntry& command : ComposeCommands()) {
        const QStringList parts = QString::fromUtf8(command.text).split(QLatin1Char('\t'));
        QAction* action = (command.faxMenu ? faxMenu : addMenu)->addAction(parts.front());
        action->setData(command.id);
        if (parts.size() > 1)
            action->setShortcut(QKeySequence(parts.back()));
        toolBar->addAction(action);
        actions_.Add(command.id, action);
    }
    const QByteArray state = QSettings().value(QString::fromUtf8(ComposeText::kBarsProfile)).toByteArray();
    if (!state.isEmpty())
        restoreState(state);
    SetModified(false);
}

QAction* CSendFaxFrm::CommandAction(int id) const
{
    return actions_.Find(id);
}

void CSendFaxFrm::SetModified(bool modified)
{
    modified_ = modified;
    for (const ComposeCommandEntry& command : ComposeCommands())
        if (command.needsChange)
            actions_.Find(command.id)->setEnabled(modified);
}

void CSendFaxFrm::Fill()
{
    std::unique_ptr<CTask> task;
    if (services_.tasks)
        task = services_.tasks().PopTaskIf(IsComposeTask);
    const ComposeStart start = StartFromTask(task.get(), IsChineseLanguage(LoadString(IDS_LANGUAGE)));
    setWindowTitle(LoadText(start.titleId));
    const ComposedFax& fax = start.fax;
    bar_->SetTo(QString::fromStdString(fax.to));
    bar_->SetCc(QString::fromStdString(fax.cc));
    bar_->SetSubject(QString::fromStdString(fax.subject));
    if (start.fillsTimedSend) {
        bar_->SetSendTime(QString::fromStdString(fax.sendTime));
        bar_->SetTimerFlag(fax.timerFlag);
    }
    contactName_ = fax.name;
    company_ = fax.company;
    for (const ComposeAttachment& item : fax.attachments)
        AppendItem(QString::fromStdString(item.path), item.headFlag);
    SetModified(start.modified);
}

ComposedFax CSendFaxFrm::CollectFax() const
{
    ComposedFax fax;
    fax.to = Utf8(bar_->GetTo());
    fax.cc = Utf8(bar_->GetCc());
    fax.subject = Utf8(bar_->GetSubject());
    fax.name = contactName_;
    fax.company = company_;
    fax.sendTime = Utf8(bar_->GetSendTime());
    fax.timerFlag = bar_->GetTimerFlag();
    for (const AttachmentItem& item : bar_->GetItemEntry())
        fax.attachments.push_back({Utf8(item.path), item.headFlag});
    return fax;
}

void CSendFaxFrm::OnCommand(int id)
{
    switch (id) {
    case ComposeCommand::SendNow:
    case ComposeCommand::Express: SendNow(); break;
    case ComposeCommand::Save:
    case ComposeCommand::SaveDraft: SaveDraft(); break;
    case ComposeCommand::Close: close(); break;
    case ComposeCommand::AddAttachment: AddAttachment(); break;
    default: break;
    }
}

void CSendFaxFrm::SendNow()
{
    if (view_->SaveIfModified() == 0)
        return;
    PrompterComposePrompts prompts;
    if (!SaveToOutbox(CollectFax(), std::time(nullptr), prompts))
        return;
    SetModified(false);
    if (services_.openSendWindow)
        services_.openSendWindow();
    close();
}

void CSendFaxFrm::SaveDraft()
{
    if (view_->SaveIfModified() == 0)
        return;
    PrompterComposePrompts prompts;
    const std::string account = services_.currentAccount ? services_.currentAccount() : std::string();
    if (!SaveToDrafts(CollectFax(), account, true, std::time(nullptr), prompts))
        return;
    SetModified(false);
    close();
}

void CSendFaxFrm::closeEvent(QCloseEvent* event)
{
    if (modified_ && CurrentPrompter().Ask(LoadText(kAskSave))) {
        view_->SaveIfModified();
        PrompterComposePrompts prompts;
        const std::string account = services_.currentAccount ? services_.currentAccount() : std::string();
        SaveToDrafts(CollectFax(), account, false, std::time(nullptr), prompts);
    }
    modified_ = false;
    QSettings().setValue(QString::fromUtf8(ComposeText::kBarsProfile), saveState());
    view_->ResetPages();
    cpLog(kLogTrace, "CSendFaxFrm::OnClose()");
    event->accept();
}

void CSendFaxFrm::OnNumbersChanged(int id)
{
    if (checking_)
        return;
    SetModified(true);
    const bool to = id == CFaxSubjectBar::ToEdit;
    const NumberCheck check = CheckNumbers(Utf8(to ? bar_->GetTo() : bar_->GetCc()),
                                           Utf8(to ? bar_->GetCc() : bar_->GetTo()));
    if (check.changed) {
        checking_ = true;
        auto* edit = static_cast<QLineEdit*>(bar_->ControlOf(to ? CFaxSubjectBar::ToEdit : CFaxSubjectBar::CcEdit));
        edit->setText(QString::fromStdString(check.text));
        edit->setCursorPosition(edit->text().size());
        checking_ = false;
    }
    bar_->SetCount(QString::number(check.total));
}

void CSendFaxFrm::OnBarButton(int id)
{
    switch (id) {
    case CFaxSubjectBar::ToButton:
    case CFaxSubjectBar::CcButton: PickRecipients(); break;
    case CFaxSubjectBar::TimedSendButton: bar_->SetTimerFlag(bar_->ToggleSendTime()); SetModified(true); break;
    default: break;
    }
}

void CSendFaxFrm::PickRecipients()
{
    CAddrSelectDlg picker(services_.addressDirectory, this);
    picker.SetPrefill(bar_->GetTo(), bar_->GetCc());
    if (CurrentPrompter().RunDialog(picker) != QDialog::Accepted)
        return;
    bar_->SetTo(picker.GetToList());
    bar_->SetCc(picker.GetCcList());
    if (const std::optional<PickedContact> contact = picker.Picked()) {
        contactName_ = contact->name;
        company_ = contact->company;
    }
    view_->Editor().SetRecipient(Utf8(bar_->GetTo()), contactName_);
    SetModified(true);
}

void CSendFaxFrm::OnAttachmentCommand(int id)
{
    if (id == SubjectBarCommand::DeleteAttachment) {
        if (!bar_->GetAttachment())
            return;
        bar_->DeleteSelected();
        view_->ResetPages();
        SetModified(true);
    } else if (id == SubjectBarCommand::OpenAttachment) {
        if (const std::optional<QString> path = bar_->GetAttachment())
            view_->LoadFile(*path);
    }
}

bool CSendFaxFrm::AppendItem(const QString& path, int headFlag)
{
    std::vector<ComposeAttachment> items;
    for (const AttachmentItem& item : bar_->GetItemEntry())
        items.push_back({Utf8(item.path), item.headFlag});
    if (HasAttachmentNamed(items, Utf8(path))) {
        ShowMessage(QString::fromUtf8(ComposeText::kSameName) + QString::fromStdString(AttachFileName(Utf8(path))));
        return false;
    }
    bar_->SetListItem(path, headFlag);
    return true;
}

void CSendFaxFrm::AddAttachment()
{
    FileRequest request;
    request.filter = QString::fromUtf8(ComposeText::kAddFilter);
    const std::optional<ChosenFile> chosen = CurrentPrompter().ChooseFile(request);
    if (!chosen || chosen->path.isEmpty())
        return;
    if (IsTiffAttachment(Utf8(chosen->path))) {
        if (AppendItem(chosen->path, 0)) {
            view_->LoadFile(chosen->path);
            SetModified(true);
        }
        return;
    }
    // Other documents come back printed on the fax printer, as a file a
    // start of the program hands over.
    PrompterComposePrompts prompts;
    printer_.PrintOnFaxPrinter(Utf8(chosen->path), prompts);
}

void CSendFaxFrm::TakeHandOver(QStringList files)
{
    const QString directory = services_.handOverDirectory;
    if (files.isEmpty() && !directory.isEmpty())
        files = ReadHandOverFile(directory);
    if (!directory.isEmpty())
        QFile::remove(QDir(directory).filePath(QLatin1String(kHandOverFileName)));
    QString shown;
    for (const QString& file : files) {
        cpLog(kLogTrace, "read filename:[%s]", file.toUtf8().constData());
        if (!file.isEmpty() && AppendItem(file, 0))
            shown = file;
    }
    if (!shown.isEmpty()) {
        view_->LoadFile(shown);
        SetModified(true);
    }
    if (!files.isEmpty())
        printer_.RestorePreviousDefault();
}

bool CSendFaxFrm::event(QEvent* event)
{
    if (event->type() == WindowMessageEvent::EventType()) {
        auto* message = static_cast<WindowMessageEvent*>(event);
        if (message->Message() == WM_FAX_ADD_FILE)
            TakeHandOver(message->Files());
        return true;
    }
    return QMainWindow::event(event);
}

CSendFaxFrm* OpenComposeWindow(const ComposeWindowServices& services, const QStringList& handedOver,
                               const std::function<void(QWidget*)>& addThread)
{
    auto* window = new CSendFaxFrm(services, handedOver);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (addThread)
        addThread(window);
    window->showMaximized();
    window->raise();
    window->activateWindow();
    return window;
}
