#include "app/ProgramMainFrame.h"

#include "app/AddressBookContact.h"
#include "app/CPelno1App.h"
#include "compose/PageCount.h"
#include "compose/qt/SendFaxFrm.h"
#include "compose/seals/qt/SealCommand.h"
#include "compose/sound/PipeNotificationSoundPlayer.h"
#include "compose/sound/qt/RecordDlg.h"
#include "compose/transfer/qt/RcvFaxDlg.h"
#include "compose/transfer/qt/SendFaxDlg.h"
#include "contacts/AddressBookConfig.h"
#include "contacts/qt/AddressFrm.h"
#include "contacts/qt/SmsFrm.h"
#include "core/WindowMessages.h"
#include "core/qt/AccountPropertiesCommand.h"
#include "core/qt/MainFrame.h"
#include "core/qt/Prompter.h"
#include "core/qt/WindowMessage.h"
#include "core/session/AgentHelp.h"
#include "core/session/ServerSession.h"
#include "core/session/SessionStores.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/ProgramPaths.h"
#include "core/stores/SysConfig.h"
#include "faxbox/qt/DocumentPanes.h"
#include "faxbox/qt/FaxListPane.h"
#include "faxbox/qt/LeftView.h"

#include <QCoreApplication>
#include <QPointer>

namespace {

// What the program's session reads and plays; it lives as long as the
// session that uses it.
struct SessionSources {
    AccountStoreSource account;
    SysConfigSource settings;
    PipeNotificationSoundPlayer sound;
};

// A session that keeps its sources alive for as long as it runs.
class ProgramSession : public ServerSession {
public:
    ProgramSession(std::shared_ptr<SessionSources> sources, SessionEvents& events)
        : ServerSession(SessionContext{*AgentHelp::getInstance(), sources->account, sources->settings, events,
                                       sources->sound, CountImagePages, AddressBookContact}),
          sources_(std::move(sources))
    {
    }
    ~ProgramSession() override
    {
        Stop();  // the thread ends before the sources go
    }

private:
    std::shared_ptr<SessionSources> sources_;
};

int outboxFaxCount(bool defaultAccount)
{
    std::string account;
    CPelno1App* app = CPelno1App::Instance();
    if (defaultAccount || !app || !app->GetCurrentAccount(account)) return AccountConfig::GetOutBoxFaxCount();
    return AccountConfig::GetFaxCount(account, "outbox");
}

// The send window's sources: the address store, the application's slots and config.xml.
SendSources programSendSources()
{
    SendSources sources;
    sources.names = [](const std::vector<std::string>& numbers) {
        return AddressBookConfig::GetInstance().FindNamesByFaxNumbers(numbers);
    };
    sources.phone = [] {
        CPelno1App* app = CPelno1App::Instance();
        return app ? app->GetPhone() : std::string();
    };
    sources.netFaxNo = [] {
        CPelno1App* app = CPelno1App::Instance();
        return app ? app->GetNetFaxNo() : std::string();
    };
    sources.loginMode = [] { return SysConfig::Instance().GetLoginMode(); };
    return sources;
}

// A transfer window over the program's agent and task queue, registered with the frame.
void fillTransferServices(TransferWindowServices& services, CPelno1App* app, CMainFrame* frame)
{
    services.agent = []() -> AgentPort& { return *AgentHelp::getInstance(); };
    services.tasks = [app]() -> TaskQueue& { return app->Tasks(); };
    services.noticeTarget = frame->Handle();
    services.addThread = [frame](QWidget* window) { frame->AddThread(window); };
}

void openSendWindow(CMainFrame* frame)
{
    CPelno1App* app = CPelno1App::Instance();
    if (!app || !frame)
        return;
    SendWindowServices services;
    fillTransferServices(services, app, frame);
    services.sources = programSendSources;
    OpenSendWindow(services);
}

// The receive command: the current account's task, then the receive window.
void openReceiveWindow(CMainFrame* frame)
{
    CPelno1App* app = CPelno1App::Instance();
    if (!app || !frame)
        return;
    ReceiveWindowServices services;
    fillTransferServices(services, app, frame);
    services.pages = CountImagePages;
    services.contacts = AddressBookContact;
    std::string account;
    app->GetCurrentAccount(account);
    OpenReceiveWindow(services, account);
}

// A compose window over the program's task queue and accounts, registered
// with the frame; the files a start of the program handed over go with it.
void openComposeWindow(CMainFrame* frame, const QStringList& handedOver)
{
    CPelno1App* app = CPelno1App::Instance();
    if (!app || !frame)
        return;
    ComposeWindowServices services;
    services.tasks = [app]() -> TaskQueue& { return app->Tasks(); };
    services.openSendWindow = [frame = QPointer<CMainFrame>(frame)] { openSendWindow(frame.data()); };
    services.currentAccount = [app] {
        std::string account;
        app->GetCurrentAccount(account);
        return account;
    };
    services.addressDirectory = QString::fromStdString(ProgramDirectory());
    services.handOverDirectory = QString::fromStdString(AccountConfig::GetDataDirectory());
    OpenComposeWindow(services, handedOver, [frame](QWidget* window) { frame->AddThread(window); });
}

std::string currentAccount()
{
    std::string account;
    if (CPelno1App* app = CPelno1App::Instance())
        app->GetCurrentAccount(account);
    return account;
}

// The voice prompt dialog of the header page, for the current account.
void openVoicePrompt(QWidget* parent)
{
    std::string account = currentAccount();
    if (account.empty())
        account = AccountConfig::GetDefaultAccountPath();
    CRecordDlg dialog(RecordDlgContext{nullptr, {}, account}, parent);
    CurrentPrompter().RunDialog(dialog);
}

// "账户属性" for the account selected in the folder tree.
void openAccountProperties(CMainFrame* frame)
{
    if (!frame)
        return;
    AccountPropertiesContext context;
    context.parent = frame;
    if (auto* tree = dynamic_cast<CLeftView*>(frame->GetLeftView())) {
        context.treeAccount = [tree] { return tree->GetCurAccountPath(); };
        context.relabelFolders = [tree] { tree->RefreshFolderCounts(); };
    }
    context.currentAccount = currentAccount;
    context.sheet.faxPrintIni = ProgramDirectory() + "/FaxPrint.ini";
    context.sheet.openVoicePrompt = openVoicePrompt;
    context.sheet.setAutoReceiveMark = [] {
        if (CPelno1App* app = CPelno1App::Instance())
            app->SetAutoReceiveMark(1);
    };
    context.identityChanged = [frame] { frame->OnAccountIdentityChanged(); };
    RunAccountProperties(context);
}

bool storeFaxUser(const std::string& faxUser)
{
    const std::string account = AccountConfig::GetDefaultAccountPath();
    return !account.empty() && AccountConfig::SetAttr(account, "FaxUser", faxUser) == 1 &&
           AccountConfig::Save() == 1;
}

// Shows a window opened by a command: a top-level window owned by the main
// window, gone when closed, and registered so that shut-down closes it.
void openWindow(CMainFrame* frame, QWidget* window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (frame)
        frame->AddThread(window);
    window->show();
}

// The application's task queue; a queue of its own while there is no
// application object (a window made without the program around it).
TaskQueue& programTasks()
{
    static TaskQueue withoutApplication;
    CPelno1App* app = CPelno1App::Instance();
    return app ? app->Tasks() : withoutApplication;
}

} // namespace

ApplicationSlots ProgramApplicationSlots()
{
    ApplicationSlots application;
    application.setLoggedIn = [](bool loggedIn) {
        if (CPelno1App* app = CPelno1App::Instance()) app->SetLoggedIn(loggedIn ? 1 : 0);
    };
    application.setLogin = [](const std::string& netFaxNo, const std::string& token) {
        if (CPelno1App* app = CPelno1App::Instance()) {
            app->SetNetFaxNo(netFaxNo);
            app->SetUserFlag(token);
        }
    };
    application.netFaxNo = [] {
        CPelno1App* app = CPelno1App::Instance();
        return app ? app->GetNetFaxNo() : std::string();
    };
    application.programDirectory = [] {
        CPelno1App* app = CPelno1App::Instance();
        return app ? app->GetAppDirectory() : QCoreApplication::applicationDirPath();
    };
    return application;
}

std::unique_ptr<MainWindowInterface> CreateProgramMainFrame()
{
    MainFrameServices services;
    services.application = ProgramApplicationSlots();
    services.makeSession = [](SessionEvents& events) -> std::unique_ptr<MainFrameSession> {
        return std::make_unique<ProgramSession>(std::make_shared<SessionSources>(), events);
    };
    services.outboxFaxCount = outboxFaxCount;
    services.faxUser = [] { return AccountConfig::GetFaxUser(); };
    services.setFaxUser = storeFaxUser;
    services.commandHandlers[FrameCommandId::ElectronicSeal] = [] {
        RunSealManagement(nullptr, SealContext{nullptr, {}, currentAccount()});
    };
    // The frame is made after its services; they reach it through this slot.
    auto frameSlot = std::make_shared<CMainFrame*>(nullptr);
    // One account: the send window sends the default account's outbox whichever was asked for.
    services.openSendWindow = [frameSlot](bool) { openSendWindow(*frameSlot); };
    services.commandHandlers[FrameCommandId::ReceiveFax] = [frameSlot] { openReceiveWindow(*frameSlot); };
    services.commandHandlers[FrameCommandId::ComposeFax] = [frameSlot] { openComposeWindow(*frameSlot, {}); };
    services.composeHandOver = [frameSlot](const QStringList& files) { openComposeWindow(*frameSlot, files); };
    // The fax list queues a reply, forward or edit task first; the window takes it from the queue.
    services.openCompose = [frameSlot] { openComposeWindow(*frameSlot, {}); };
    services.commandHandlers[FrameCommandId::AddressBook] = [frameSlot] {
        CMainFrame* frame = *frameSlot;
        openWindow(frame, new CAddressFrm(ProgramAddressFrameServices(frame ? frame->Handle() : 0), frame));
    };
    services.commandHandlers[FrameCommandId::AccountProperties] = [frameSlot] { openAccountProperties(*frameSlot); };
    services.commandHandlers[FrameCommandId::SmsNotice] = [frameSlot] {
        CMainFrame* frame = *frameSlot;
        openWindow(frame, new CSmsFrm(ProgramDirectory(), frame));
    };
    auto frame = std::make_unique<CMainFrame>(MainFrameSettings::Load(), std::move(services));
    *frameSlot = frame.get();
    const DocumentPanes panes = InstallDocumentPanes(*frame);
    InstallFaxList(*frame, panes, programTasks);
    QObject::connect(frame.get(), &CMainFrame::shutDownFinished, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);
    LeftViewServices folderServices;
    folderServices.setCurrentAccount = [](const std::string& accountPath) {
        if (CPelno1App* app = CPelno1App::Instance())
            app->SetCurrentAccount(accountPath);
    };
    CMainFrame* window = frame.get();
    folderServices.postListRefresh = [window] { WindowRegistry::Post(window->Handle(), WM_FAX_RELOAD, 0, 0); };
    folderServices.accountProperties = [frameSlot] {
        if (CMainFrame* owner = *frameSlot) owner->OnCommand(FrameCommandId::AccountProperties);
    };
    auto* folders = new CLeftView(std::move(folderServices));  // the frame takes it
    folders->FillTree();
    frame->SetPaneWidget(CMainFrame::FramePane::LeftView, folders);
    return frame;
}
