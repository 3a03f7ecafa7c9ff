#include "core/qt/ProgramMainFrame.h"

#include "compose/NotificationSoundPlayer.h"
#include "compose/PageCount.h"
#include "compose/qt/SealCommand.h"
#include "core/AccountConfig.h"
#include "core/AgentHelp.h"
#include "core/ServerSession.h"
#include "core/SessionStores.h"
#include "core/qt/CPelno1App.h"
#include "core/qt/MainFrame.h"
#include "faxbox/qt/LeftView.h"

#include <QCoreApplication>

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

bool storeFaxUser(const std::string& faxUser)
{
    const std::string account = AccountConfig::GetDefaultAccountPath();
    return !account.empty() && AccountConfig::SetAttr(account, "FaxUser", faxUser) == 1 &&
           AccountConfig::Save() == 1;
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
    services.makeSession = [](SessionEvents& events) -> std::unique_ptr<MainFrameSession> {
        return std::make_unique<ProgramSession>(std::make_shared<SessionSources>(), events);
    };
    services.outboxFaxCount = outboxFaxCount;
    services.faxUser = [] { return AccountConfig::GetFaxUser(); };
    services.setFaxUser = storeFaxUser;
    services.commandHandlers[FrameCommandId::ElectronicSeal] = [] {
        RunSealManagement(nullptr, SealContext::Current());
    };
    auto frame = std::make_unique<CMainFrame>(MainFrameSettings::Load(), std::move(services));
    QObject::connect(frame.get(), &CMainFrame::shutDownFinished, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);
    auto* folders = new CLeftView(DefaultLeftViewServices());  // the frame takes it
    folders->FillTree();
    frame->SetPaneWidget(CMainFrame::FramePane::LeftView, folders);
    return frame;
}
