#include "FakeMainFrameSession.h"
#include "ShellTestApp.h"

#include "core/WindowMessages.h"
#include "core/qt/AdView.h"
#include "core/qt/BrowserView.h"
#include "core/qt/FolderTreePane.h"
#include "core/qt/MainFrame.h"
#include "core/qt/WindowMessage.h"
#include "core/qt/XStatusBar.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QToolBar>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace FrameCommandId;

class MainFrameTest : public ShellTest {
protected:
    MainFrameTest()
    {
        QSettings(QStringLiteral("Zuvo"), QStringLiteral("Zuvo")).clear();
        settings.logoName = QStringLiteral("Zuvo网络传真");
        settings.site = {"http://127.0.0.1:9", "http://127.0.0.1:9", "fax"};
        services.makeSession = [this](SessionEvents& events) {
            log.events = &events;
            return std::make_unique<FakeSession>(log);
        };
        services.outboxFaxCount = [this](bool defaultAccount) {
            countedDefault = defaultAccount;
            return outbox;
        };
        services.openSendWindow = [this](bool) { ++sendWindows; };
    }

    std::unique_ptr<CMainFrame> makeFrame()
    {
        auto frame = std::make_unique<CMainFrame>(settings, services);
        frame->show();
        return frame;
    }

    static QString pane(CMainFrame& frame, int index) { return frame.StatusBar()->PaneText(index); }

    MainFrameSettings settings;
    MainFrameServices services;
    FakeSession::Log log;
    int outbox = 0;
    bool countedDefault = false;
    int sendWindows = 0;
};

TEST_F(MainFrameTest, LayoutHasNamedPanesAndAFivePaneStatusBar)
{
    auto frame = makeFrame();
    for (const char* name : {"CLeftView", "CAdView", "CPelno1View", "CaptionBar", "CFaxContentView",
                             "CAttachFileView", "CBrowserView"})
        EXPECT_NE(frame->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    // Placeholders are not panes yet.
    EXPECT_EQ(frame->GetLeftView(), nullptr);
    EXPECT_EQ(frame->GetFaxView(), nullptr);
    auto* tree = new QLabel(QStringLiteral("tree"));
    frame->SetPaneWidget(CMainFrame::FramePane::LeftView, tree);
    EXPECT_EQ(frame->GetLeftView(), tree);

    XStatusBar* bar = frame->StatusBar();
    ASSERT_EQ(bar->PaneCount(), 5);
    EXPECT_EQ(pane(*frame, 1), QStringLiteral("状态:脱机"));
    EXPECT_EQ(pane(*frame, 2), QStringLiteral("账号:"));
    EXPECT_EQ(pane(*frame, 4), QStringLiteral("传真状态:"));
    const int widths[] = {150, 200, 100, 300};
    for (int i = 1; i < 5; ++i) EXPECT_EQ(bar->PaneWidth(i), widths[i - 1]) << i;
    EXPECT_EQ(bar->PaneStyle(0), PaneMode::StyleStretch);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("ZUVO"));
    EXPECT_EQ(frame->ToolBar()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    // No notification area here: the window is shown instead.
    EXPECT_TRUE(WaitUntil([&] { return frame->isVisible(); }));
}

TEST_F(MainFrameTest, SplittersGiveThePanesTheirSizes)
{
    auto frame = makeFrame();
    WaitUntil([&] { return frame->isVisible(); });
    WaitMs(50);  // the splitters' first layout
    QWidget* tree = frame->findChild<QWidget*>(QStringLiteral("CLeftView"));
    QWidget* list = frame->findChild<QWidget*>(QStringLiteral("CPelno1View"));
    QWidget* content = frame->findChild<QWidget*>(QStringLiteral("CFaxContentView"));
    QWidget* attachments = frame->findChild<QWidget*>(QStringLiteral("CAttachFileView"));
    EXPECT_EQ(tree->width(), 175);
    EXPECT_EQ(tree->height(), 250);
    EXPECT_EQ(list->height(), 200);
    EXPECT_GT(content->width(), 4 * attachments->width());
    // Left column: tree above the advertisement; right: list above the caption bar.
    QPoint adAt = frame->GetAdView()->mapTo(frame.get(), QPoint(0, 0));
    EXPECT_EQ(adAt.x(), tree->mapTo(frame.get(), QPoint(0, 0)).x());
    EXPECT_GT(adAt.y(), tree->mapTo(frame.get(), QPoint(0, 0)).y());
    QWidget* caption = frame->findChild<QWidget*>(QStringLiteral("CaptionBar"));
    EXPECT_GT(caption->mapTo(frame.get(), QPoint(0, 0)).y(), list->mapTo(frame.get(), QPoint(0, 0)).y());
    // ZUVO_SCREENSHOT names a file for a picture of the window (for a look
    // under a real X server).
    if (QString path = qEnvironmentVariable("ZUVO_SCREENSHOT"); !path.isEmpty()) {
        frame->SetState(1);
        frame->SetPaneText(2, "00210000000042abc");
        frame->SetPaneText(3, "127.0.0.1");
        WaitMs(500);
        EXPECT_TRUE(frame->grab().save(path));
    }
}

TEST_F(MainFrameTest, StatePaneTextsAndTrayIcons)
{
    auto frame = makeFrame();
    struct Case { int state; const char* text; int icon; };
    const Case cases[] = {{1, "状态:联机", 1}, {2, "状态:注册失败", 2}, {0, "状态:脱机", 0}, {42, "状态:脱机", 0}};
    for (const auto& c : cases) {
        frame->SetState(c.state);
        EXPECT_EQ(pane(*frame, 1), QString::fromUtf8(c.text)) << c.state;
        EXPECT_EQ(frame->Tray().CurrentIndex(), c.icon) << c.state;  // 42 is no icon: unchanged
    }
    // Other panes carry their labels; English labels without "CN".
    frame->SetPaneText(2, "00210000000042abc");
    EXPECT_EQ(pane(*frame, 2), QStringLiteral("网络传真号:00210000000042abc"));
    settings.chinese = false;
    auto english = makeFrame();
    english->SetPaneText(4, "ok");
    english->SetState(1);
    EXPECT_EQ(pane(*english, 4), QStringLiteral("FaxState:ok"));
    EXPECT_EQ(pane(*english, 1), QStringLiteral("State:联机"));
}

TEST_F(MainFrameTest, TextsFromWorkerThreadsAreQueued)
{
    auto frame = makeFrame();
    std::thread worker([&] {
        frame->SetStatusText(QStringLiteral("worker text"));
        frame->SetState(1);
        frame->PostNotice("来自服务器");
    });
    worker.join();
    EXPECT_EQ(pane(*frame, 1), QStringLiteral("状态:脱机"));
    // Each text arrives by its own queued call: wait for all of them (a
    // loaded machine may take a while), not for the first.
    EXPECT_TRUE(WaitUntil(
        [&] {
            return pane(*frame, 0) == QStringLiteral("worker text") && pane(*frame, 1) == QStringLiteral("状态:联机") &&
                   !frame->Popup().Text().isEmpty();
        },
        15000));
    EXPECT_EQ(pane(*frame, 0), QStringLiteral("worker text"));
    EXPECT_EQ(pane(*frame, 1), QStringLiteral("状态:联机"));
    EXPECT_EQ(frame->Popup().Text(), QStringLiteral("来自服务器"));
    EXPECT_EQ(frame->Popup().Caption(), QStringLiteral("Zuvo网络传真"));
}

TEST_F(MainFrameTest, DirectLoginStartsTheSessionAfterTwoSecondsWithTheAnimation)
{
    auto frame = makeFrame();
    EXPECT_EQ(frame->TimerInterval(CMainFrame::kStartTimer), 2000);
    EXPECT_EQ(frame->TimerInterval(CMainFrame::kTimeoutTimer), 90000);
    EXPECT_TRUE(log.enabled);
    std::vector<int> frames;
    QObject::connect(frame.get(), &QWidget::windowIconChanged,
                     [&] { frames.push_back(frame->Tray().CurrentIndex()); });
    ASSERT_TRUE(WaitUntil([&] { return log.startedAtMs >= 0; }, 15000));
    EXPECT_GE(log.startedAtMs, 1900);
    EXPECT_FALSE(frame->IsTimerActive(CMainFrame::kStartTimer));
    EXPECT_EQ(frame->TimerInterval(CMainFrame::kAnimationTimer), 200);
    EXPECT_EQ(pane(*frame, 3), QStringLiteral("IP:未知"));
    ASSERT_TRUE(WaitUntil([&] { return frames.size() >= 7; }, 15000));
    EXPECT_EQ(std::vector<int>(frames.begin(), frames.begin() + 7),
              (std::vector<int>{0, 3, 4, 5, 6, 7, 3}));
    // Logged in, the animation stops moving.
    log.loggedIn = true;
    frames.clear();
    WaitMs(450);
    EXPECT_TRUE(frames.empty());
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "Start"), 1);
}

TEST_F(MainFrameTest, ConnectionTimeOutShowsTheNoticeAndStopsTheAnimation)
{
    settings.timings.startMs = 20;
    settings.timings.timeoutMs = 300;
    log.stateOnStart = 2;
    auto frame = makeFrame();
    ASSERT_TRUE(WaitUntil([&] { return !frame->IsTimerActive(CMainFrame::kTimeoutTimer); }, 15000));
    EXPECT_EQ(frame->Popup().Text(), QStringLiteral("连接传真服务器超时。"));
    EXPECT_FALSE(frame->IsTimerActive(CMainFrame::kAnimationTimer));
    EXPECT_EQ(frame->State(), 0);
    EXPECT_EQ(pane(*frame, 1), QStringLiteral("状态:脱机"));
    // A lost connection runs both again.
    frame->ConnectionLost();
    EXPECT_TRUE(frame->IsTimerActive(CMainFrame::kTimeoutTimer));
    EXPECT_TRUE(frame->IsTimerActive(CMainFrame::kAnimationTimer));
}

// A kick by another login and a refused login both end the connection
// attempt: no time-out notice and no animation over the reported state until
// the user chooses "联机".
TEST_F(MainFrameTest, KickAndRefusedLoginStopTheConnectionTimersUntilConnect)
{
    struct Case {
        const char* name;
        int state;
        void (*report)(SessionEvents&);
    };
    const Case cases[] = {
        {"kicked", 2, [](SessionEvents& events) { events.LoggedInElsewhere(); }},
        {"refused", 0, [](SessionEvents& events) { events.LoginFailed(); }},
    };
    // The time-out is far longer than any wait below, so that only the
    // report can have stopped its timer, however loaded the machine; once
    // stopped, it cannot fire (its period is checked by the time-out test).
    settings.timings.startMs = 20;
    settings.timings.timeoutMs = 60000;
    settings.timings.animationMs = 20;
    for (const Case& c : cases) {
        log = {};
        auto frame = makeFrame();
        ASSERT_TRUE(WaitUntil([&] { return log.startedAtMs >= 0; }, 15000)) << c.name;
        ASSERT_TRUE(frame->IsTimerActive(CMainFrame::kAnimationTimer)) << c.name;
        ASSERT_TRUE(frame->IsTimerActive(CMainFrame::kTimeoutTimer)) << c.name;
        std::thread agent([&] {  // the session reports from its own threads
            c.report(*log.events);
            log.events->SetState(c.state);
        });
        agent.join();
        ASSERT_TRUE(WaitUntil(
            [&] {
                return !frame->IsTimerActive(CMainFrame::kTimeoutTimer) &&
                       !frame->IsTimerActive(CMainFrame::kAnimationTimer) && frame->State() == c.state;
            },
            15000))
            << c.name;
        WaitMs(200);  // several animation periods: the icon stays where the report left it
        EXPECT_EQ(frame->Popup().Text(), QString()) << c.name;
        EXPECT_EQ(frame->Tray().CurrentIndex(), c.state) << c.name;
        EXPECT_EQ(frame->State(), c.state) << c.name;
        EXPECT_TRUE(frame->CommandAction(Connect)->isEnabled()) << c.name;

        frame->CommandAction(Connect)->trigger();
        EXPECT_EQ(log.calls.back(), "Reconnect") << c.name;
        EXPECT_TRUE(frame->IsTimerActive(CMainFrame::kAnimationTimer)) << c.name;
        EXPECT_TRUE(frame->IsTimerActive(CMainFrame::kTimeoutTimer)) << c.name;
    }
}

// The windows that send requests of their own read the login from the
// application: the frame mirrors it there as the session reports it.
TEST_F(MainFrameTest, LoginStateFaxNumberAndTokenReachTheApplication)
{
    // What the application's slots were last told, written on the GUI thread.
    struct Application {
        std::atomic<int> loggedIn{-1};
        std::string netFaxNo;
        std::string token;
    };
    auto app = std::make_shared<Application>();
    services.application.setLoggedIn = [app](bool loggedIn) { app->loggedIn = loggedIn ? 1 : 0; };
    services.application.setLogin = [app](const std::string& netFaxNo, const std::string& token) {
        app->netFaxNo = netFaxNo;
        app->token = token;
    };
    auto frame = makeFrame();
    std::thread([&] { log.events->LoggedIn(); }).join();
    ASSERT_TRUE(WaitUntil([&] { return app->loggedIn == 1; }));
    EXPECT_EQ(app->netFaxNo, "01088886666");
    EXPECT_EQ(app->token, "tok+/=");

    const std::function<void(SessionEvents&)> losses[] = {
        [](SessionEvents& events) { events.ConnectionLost(); },
        [](SessionEvents& events) { events.LoggedInElsewhere(); },
    };
    for (const auto& lose : losses) {
        log.events->LoggedIn();
        ASSERT_TRUE(WaitUntil([&] { return app->loggedIn == 1; }));
        std::thread([&] { lose(*log.events); }).join();
        EXPECT_TRUE(WaitUntil([&] { return app->loggedIn == 0; }));
    }
}

TEST_F(MainFrameTest, WebLoginModeWaitsForTheSignIn)
{
    settings.loginMode = QStringLiteral("WEB");
    auto frame = makeFrame();
    EXPECT_FALSE(log.enabled);
    EXPECT_TRUE(frame->IsBrowserViewShown());
    EXPECT_TRUE(frame->GetBrowserView()->LocationURL().contains(
        QStringLiteral("/ua/gate/UAGateServlet.do?Type=fax&ReqType=auth&Date=")));
    WaitMs(2300);
    EXPECT_EQ(log.startedAtMs, -1);
    EXPECT_FALSE(frame->IsTimerActive(CMainFrame::kStartTimer));
    EXPECT_FALSE(frame->IsTimerActive(CMainFrame::kTimeoutTimer));

    // A foreign page with the success words changes nothing.
    frame->GetBrowserView()->OnDocumentComplete(
        QStringLiteral("http://evil.test/callback/logined.jsp?Succeed=Y&UserId=42&UserName=abc"));
    EXPECT_FALSE(frame->IsSessionEnabled());

    QElapsedTimer signIn;
    signIn.start();
    frame->GetBrowserView()->OnDocumentComplete(
        QStringLiteral("http://127.0.0.1:9/callback/logined.jsp?Succeed=Y&UserId=42&UserName=abc"));
    EXPECT_TRUE(log.enabled);
    EXPECT_EQ(frame->TimerInterval(CMainFrame::kStartTimer), 1000);
    EXPECT_EQ(frame->TimerInterval(CMainFrame::kTimeoutTimer), 90000);
    ASSERT_TRUE(WaitUntil([&] { return log.startedAtMs >= 0; }, 15000));
    EXPECT_GE(signIn.elapsed(), 950);
    EXPECT_LT(signIn.elapsed(), 1800);
    WaitMs(100);
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "Start"), 1);

    // Logged in, the callback page finishing again changes nothing.
    log.loggedIn = true;
    frame->SetState(1);
    frame->SetPaneText(3, "127.0.0.1");
    frame->GetBrowserView()->OnDocumentComplete(
        QStringLiteral("http://127.0.0.1:9/callback/logined.jsp?Succeed=Y&UserId=42&UserName=abc"));
    EXPECT_FALSE(frame->IsTimerActive(CMainFrame::kStartTimer));
    WaitMs(1200);
    EXPECT_EQ(frame->State(), 1);
    EXPECT_EQ(pane(*frame, 3), QStringLiteral("IP:127.0.0.1"));
}

TEST_F(MainFrameTest, SignOnGatewayAndSiteAreDeploymentSettingsWithoutAssumedHosts)
{
    MainFrameSettings loaded = MainFrameSettings::Load();
    EXPECT_EQ(loaded.site.gateway, "");
    EXPECT_EQ(loaded.site.site, "");
    EXPECT_EQ(loaded.site.type, "");
    // Web mode without a gateway opens no made-up address and starts nothing.
    settings.site = loaded.site;
    settings.loginMode = QStringLiteral("web");
    {
        auto frame = makeFrame();
        EXPECT_EQ(frame->WebSignInAddress(), QString());
        EXPECT_FALSE(frame->IsBrowserViewShown());
        EXPECT_EQ(frame->GetBrowserView()->LocationURL(), QString());
        EXPECT_FALSE(log.enabled);
    }

    QSettings store(QStringLiteral("Zuvo"), QStringLiteral("Zuvo"));
    store.setValue(QStringLiteral("WebLogin/Gateway"), QStringLiteral(" http://127.0.0.1:9/ "));
    store.setValue(QStringLiteral("WebLogin/Site"), QStringLiteral("http://127.0.0.1:10"));
    store.setValue(QStringLiteral("WebLogin/Type"), QStringLiteral("t1"));
    store.sync();
    loaded = MainFrameSettings::Load();
    EXPECT_EQ(loaded.site.gateway, "http://127.0.0.1:9/");
    EXPECT_EQ(loaded.site.site, "http://127.0.0.1:10");
    EXPECT_EQ(loaded.site.type, "t1");
    settings.site = loaded.site;
    auto frame = makeFrame();
    EXPECT_TRUE(frame->IsBrowserViewShown());
    EXPECT_TRUE(frame->GetBrowserView()->LocationURL().startsWith(
        QStringLiteral("http://127.0.0.1:9/ua/gate/UAGateServlet.do?Type=t1&ReqType=auth&Date=")));
    EXPECT_TRUE(frame->GetBrowserView()->LocationURL().endsWith(
        QStringLiteral("&MerchantUrl=http%3A%2F%2F127.0.0.1%3A10%2Fcallback%2Flogined.jsp")));
}

TEST_F(MainFrameTest, SendWithAnEmptyOutboxShowsTheNotifierOnly)
{
    auto frame = makeFrame();
    EXPECT_FALSE(frame->CommandAction(SendFax)->isEnabled());  // offline
    log.loggedIn = true;
    frame->UpdateCommands();
    EXPECT_TRUE(frame->CommandAction(SendFax)->isEnabled());

    frame->CommandAction(SendFax)->trigger();
    EXPECT_EQ(frame->Notifier().Text(), QStringLiteral("发件箱里没有传真件"));
    EXPECT_NE(frame->Notifier().AnimationState(), CTaskbarNotifier::Idle);
    EXPECT_FALSE(countedDefault);
    EXPECT_EQ(sendWindows, 0);
    EXPECT_EQ(frame->RegisteredWindowCount(), 0);

    outbox = 2;
    frame->OnCommand(MailFax);
    EXPECT_TRUE(countedDefault);
    EXPECT_EQ(sendWindows, 1);
}

TEST_F(MainFrameTest, ClosingSavesTheCommandBarsButTrayExitDoesNot)
{
    QSettings store(QStringLiteral("Zuvo"), QStringLiteral("Zuvo"));
    store.setValue(QStringLiteral("CommandBars"), QByteArray("sentinel"));
    store.sync();
    {
        auto frame = makeFrame();
        frame->OnCommand(TrayExit);
        EXPECT_TRUE(frame->IsShutDown());
        EXPECT_FALSE(frame->isVisible());
    }
    store.sync();
    EXPECT_EQ(store.value(QStringLiteral("CommandBars")).toByteArray(), QByteArray("sentinel"));
    {
        auto frame = makeFrame();
        frame->ToolBar()->hide();
        QByteArray expected = frame->saveState();
        frame->close();
        store.sync();
        EXPECT_EQ(store.value(QStringLiteral("CommandBars")).toByteArray(), expected);
    }
    // The next window comes up with the saved layout.
    auto frame = makeFrame();
    EXPECT_TRUE(frame->ToolBar()->isHidden());
}

// A window that records the files of the hand-overs it receives.
class ComposeStandIn : public QWidget {
public:
    RegisteredWindow registered{this};
    QStringList files;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == WindowMessageEvent::EventType() &&
            static_cast<WindowMessageEvent*>(event)->Message() == WM_FAX_ADD_FILE) {
            files = static_cast<WindowMessageEvent*>(event)->Files();
            return true;
        }
        return QWidget::event(event);
    }
};

TEST_F(MainFrameTest, HandOversGoToTheComposeWindowOrOpenOne)
{
    int composed = 0;
    services.commandHandlers[ComposeFax] = [&] { ++composed; };
    auto frame = makeFrame();
    unsigned handOver = RegisterWindowMessage(QStringLiteral("ZUVO"));
    ComposeStandIn compose;
    WindowRegistry::Post(frame->Handle(), handOver, HANDOVER_TO_COMPOSE, compose.registered.Id(), {},
                         {QStringLiteral("/tmp/a.tif"), QStringLiteral("/tmp/b.tif")});
    WaitUntil([&] { return !compose.files.isEmpty(); }, 15000);
    EXPECT_EQ(compose.files, (QStringList{QStringLiteral("/tmp/a.tif"), QStringLiteral("/tmp/b.tif")}));
    EXPECT_EQ(composed, 0);
    WindowRegistry::Post(frame->Handle(), handOver, HANDOVER_OPEN_COMPOSE, 0);
    WaitUntil([&] { return composed > 0; });
    EXPECT_EQ(composed, 1);
}

TEST_F(MainFrameTest, ShutDownStopsTheSessionThenDisconnectsAndClosesWindows)
{
    auto frame = makeFrame();
    QWidget composer;
    composer.show();
    frame->AddThread(&composer);
    frame->AddThread(nullptr);
    EXPECT_EQ(frame->RegisteredWindowCount(), 1);
    ASSERT_TRUE(WaitUntil([&] { return log.startedAtMs >= 0; }, 15000));
    frame->close();
    EXPECT_EQ(log.calls, (std::vector<std::string>{"Start", "Stop", "Disconnect"}));
    EXPECT_FALSE(composer.isVisible());
    EXPECT_EQ(frame->RegisteredWindowCount(), 0);
    EXPECT_TRUE(frame->Tray().IsStopped());
    EXPECT_FALSE(frame->IsTimerActive(CMainFrame::kTimeoutTimer));
}

TEST_F(MainFrameTest, ClosingBeforeTheSessionStartedDoesNotWaitForIt)
{
    auto frame = makeFrame();
    frame->close();
    EXPECT_EQ(log.calls, (std::vector<std::string>{"Disconnect"}));
}

TEST_F(MainFrameTest, ConnectIsOfferedWhileOfflineAndReconnects)
{
    auto frame = makeFrame();
    EXPECT_TRUE(frame->CommandAction(Connect)->isEnabled());
    frame->OnCommand(Connect);
    EXPECT_EQ(log.calls.back(), "Reconnect");
    EXPECT_EQ(frame->TimerInterval(CMainFrame::kAnimationTimer), 200);
    EXPECT_EQ(frame->TimerInterval(CMainFrame::kTimeoutTimer), 90000);
    log.loggedIn = true;
    frame->UpdateCommands();
    EXPECT_FALSE(frame->CommandAction(Connect)->isEnabled());
    // Windows of later work are disabled until they are installed.
    EXPECT_FALSE(frame->CommandAction(ReceiveFax)->isEnabled());
    EXPECT_FALSE(frame->CommandAction(AddressBook)->isEnabled());
    EXPECT_TRUE(frame->CommandAction(SystemSettings)->isEnabled());
}

TEST_F(MainFrameTest, CheckUpdateNotices)
{
    auto frame = makeFrame();
    log.updateResult = 0;
    frame->OnCommand(CheckUpdate);
    EXPECT_EQ(frame->Popup().Text(), QStringLiteral("更新程序时，连接服务失败！"));
    log.updateResult = 1;
    frame->OnCommand(CheckUpdate);
    EXPECT_EQ(frame->Popup().Text(), QStringLiteral("正在检查更新...,请稍后！"));
    EXPECT_TRUE(log.updating);
    frame->OnCommand(CheckUpdate);
    EXPECT_EQ(frame->Popup().Text(), QStringLiteral("正在升级中...,请稍后！"));
}

TEST_F(MainFrameTest, ThemeCommandsAreCheckedAndTheThemeIsStored)
{
    {
        auto frame = makeFrame();
        EXPECT_TRUE(frame->CommandAction(ThemeOfficeXp)->isChecked());
        frame->CommandAction(ThemeVisualStudio2005)->trigger();
        EXPECT_EQ(frame->Theme(), 4);
        EXPECT_TRUE(frame->CommandAction(ThemeVisualStudio2005)->isChecked());
        EXPECT_FALSE(frame->CommandAction(ThemeOfficeXp)->isChecked());
    }
    QSettings store(QStringLiteral("Zuvo"), QStringLiteral("Zuvo"));
    EXPECT_EQ(store.value(QStringLiteral("Settings/Theme")).toInt(), 4);
    auto again = makeFrame();
    EXPECT_EQ(again->Theme(), 4);
    store.setValue(QStringLiteral("Settings/Theme"), 17);
    auto clamped = makeFrame();
    EXPECT_EQ(clamped->Theme(), 0);
}

TEST_F(MainFrameTest, TrayMessagesShowAndHideTheWindow)
{
    auto frame = makeFrame();
    WindowRegistry::Post(frame->Handle(), WM_FAX_HIDE_MAIN);
    WaitUntil([&] { return !frame->IsMainVisible(); });
    EXPECT_FALSE(frame->isVisible());
    EXPECT_FALSE(frame->IsMainVisible());
    WindowRegistry::Post(frame->Handle(), WM_FAX_SHOW_MAIN);
    WaitUntil([&] { return frame->IsMainVisible(); });
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->IsMainVisible());
    QStringList tray;
    for (QAction* action : frame->TrayMenu()->actions()) tray << action->text();
    EXPECT_EQ(tray, (QStringList{QStringLiteral("联机"), QStringLiteral("撰写传真"), QStringLiteral("接收传真"),
                                 QStringLiteral("启动传真管理"), QStringLiteral("退出")}));
}

TEST_F(MainFrameTest, LoginFailureShowsHelpAndApplyPagesWithEncodedToken)
{
    settings.reqAccountUrl = QStringLiteral("http://127.0.0.1:9/apply");
    auto frame = makeFrame();
    frame->LoginFailed();
    EXPECT_TRUE(frame->IsBrowserViewShown());
    EXPECT_EQ(frame->GetBrowserView()->LocationURL(),
              QStringLiteral("http://127.0.0.1:9/apply?userflag=tok%2B%2F%3D"));
    frame->ShowFaxContentView();
    EXPECT_FALSE(frame->IsBrowserViewShown());
    settings.onlineHelpUrl = QStringLiteral("http://127.0.0.1:9/help");
    auto helped = makeFrame();
    helped->LoginFailed();
    EXPECT_EQ(helped->GetBrowserView()->LocationURL(), QStringLiteral("http://127.0.0.1:9/help"));
}

} // namespace

namespace {

// A left pane that answers for the type of its selected folder and counts relabellings.
class FolderTreeStandIn : public QLabel, public FolderTreePane {
public:
    void RefreshFolderCounts() override { ++relabelled; }
    bool IsCurFolderType(const std::string& type) const override { return type == selectedType; }
    std::string selectedType;
    int relabelled = 0;
};

// A fax list that counts its refreshes.
class FaxListStandIn : public QLabel {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == WindowMessageEvent::EventType() &&
            static_cast<WindowMessageEvent*>(e)->Message() == WM_FAX_LIST_REFRESH)
            ++refreshed;
        return QLabel::event(e);
    }
    int refreshed = 0;
};

} // namespace

TEST_F(MainFrameTest, FaxRefreshRelabelsTheTreeOrRefreshesTheListAsItsKindSays)
{
    struct Case {
        WPARAM kind;
        const char* selectedType;
        int relabelled;
        int refreshed;
    };
    const Case cases[] = {
        {FAX_REFRESH_FOLDER_COUNTS, "faxbox", 1, 0},
        {FAX_REFRESH_LIST_IF_RECEIVING, "inbox", 0, 1},
        {FAX_REFRESH_LIST_IF_RECEIVING, "deposebox", 0, 1},
        {FAX_REFRESH_LIST_IF_RECEIVING, "failedbox", 0, 1},
        {FAX_REFRESH_LIST_IF_RECEIVING, "faxbox", 0, 0},
        {FAX_REFRESH_LIST, "faxbox", 0, 1},
        {7, "inbox", 0, 0},
    };
    auto frame = makeFrame();
    auto* tree = new FolderTreeStandIn;
    auto* list = new FaxListStandIn;
    frame->SetPaneWidget(CMainFrame::FramePane::LeftView, tree);
    frame->SetPaneWidget(CMainFrame::FramePane::FaxView, list);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << " " << c.selectedType);
        tree->relabelled = list->refreshed = 0;
        tree->selectedType = c.selectedType;
        WindowRegistry::Post(frame->Handle(), WM_FAX_REFRESH, c.kind, 0);
        WaitMs(50);
        EXPECT_EQ(tree->relabelled, c.relabelled);
        EXPECT_EQ(list->refreshed, c.refreshed);
    }
}

TEST_F(MainFrameTest, AHandOverToTheMainWindowOpensAComposeWindowWithItsFiles)
{
    std::vector<QStringList> opened;
    int composeCommands = 0;
    services.composeHandOver = [&](const QStringList& files) { opened.push_back(files); };
    services.commandHandlers[FrameCommandId::ComposeFax] = [&] { ++composeCommands; };
    auto frame = makeFrame();
    const QStringList files{QStringLiteral("/tmp/a.tif"), QStringLiteral("/tmp/b.tif")};
    WindowRegistry::Post(frame->Handle(), RegisterWindowMessage(QStringLiteral("ZUVO")), HANDOVER_OPEN_COMPOSE, 0, {},
                         files);
    for (int waited = 0; opened.empty() && waited < 5000; waited += 20)
        WaitMs(20);
    ASSERT_EQ(opened.size(), 1U);
    EXPECT_EQ(opened[0], files);
    EXPECT_EQ(composeCommands, 0);
}

// A new identity from the account properties: offline, the address
// unknown, the connection time-out again, and the session logs in anew.
TEST_F(MainFrameTest, ANewAccountIdentityLogsInAgainWithTheTimeOutRunning)
{
    settings.timings.startMs = 20;
    bool appLoggedIn = true;
    services.application.setLoggedIn = [&](bool loggedIn) { appLoggedIn = loggedIn; };
    services.application.netFaxNo = [] { return std::string("88001234"); };
    services.commandHandlers[AccountProperties] = [] {};
    auto frame = makeFrame();
    ASSERT_TRUE(WaitUntil([&] { return log.startedAtMs >= 0; }));
    frame->SetState(1);
    frame->SetPaneText(3, "10.1.2.3");
    ASSERT_TRUE(WaitUntil([&] { return pane(*frame, 1) == QStringLiteral("状态:联机"); }));
    frame->OnAccountIdentityChanged();
    EXPECT_EQ(log.calls.back(), "LogInAgain");
    EXPECT_EQ(frame->State(), 0);
    EXPECT_EQ(pane(*frame, 1), QStringLiteral("状态:脱机"));
    EXPECT_TRUE(pane(*frame, 3).endsWith(QStringLiteral("未知"))) << pane(*frame, 3).toStdString();
    EXPECT_TRUE(pane(*frame, 2).endsWith(QStringLiteral("88001234"))) << pane(*frame, 2).toStdString();
    EXPECT_FALSE(appLoggedIn);
    EXPECT_TRUE(frame->IsTimerActive(CMainFrame::kTimeoutTimer));
    EXPECT_EQ(frame->TimerInterval(CMainFrame::kTimeoutTimer), settings.timings.timeoutMs);
    EXPECT_TRUE(frame->CommandAction(AccountProperties)->isEnabled());
}
