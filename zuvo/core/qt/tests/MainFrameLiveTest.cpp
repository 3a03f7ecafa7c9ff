// The main window hosting the real server session against the fake fax
// service: what the user sees after the server's "shutdown", and what the
// server sees when the window closes.

#include "ShellTestApp.h"

// The fake service's helpers read their scripts from the session tests' folder.
#undef ZUVO_TEST_DATA
#define ZUVO_TEST_DATA ZUVO_SOURCE_DIR "/zuvo/core/tests"
#include "../../tests/SessionFakes.h"
#include "../../tests/SessionSim.h"
#include "../../tests/TestFiles.h"

#include "compose/PageCount.h"
#include "core/frame/SilentSoundPlayer.h"
#include "core/qt/MainFrame.h"
#include "core/session/AgentHelp.h"
#include "core/session/ServerSession.h"
#include "core/session/SessionStores.h"
#include "core/stores/AccountConfig.h"

#include <QAction>

#include <gtest/gtest.h>

namespace {

using namespace sessiontest;

const char* const kAccountXml = R"(<?xml version="1.0" encoding="GB2312"?>
<Config>
  <Account Name="test" Default="yes" FaxUser="00210000012345" FaxPassword="c2VjcmV0" Directory="data">
    <Folder Name="rcvBox" Type="faxbox" Directory="faxbox"/>
  </Account>
</Config>
)";

class MainFrameLiveTest : public ShellTest {
protected:
    void SetUp() override
    {
        testfiles::writeFile(home.file("account.xml"), kAccountXml);
        AccountConfig::Close();
        ASSERT_EQ(AccountConfig::Open(home.path()), 1);
    }
    void TearDown() override
    {
        frame.reset();  // shuts the session down while the servers still listen
        servers.clear();
        AccountConfig::Close();
    }

    FaxServiceSim& Serve(const std::string& service, int port = 0)
    {
        servers.push_back(std::make_unique<FaxServiceSim>(service, home.path(), port));
        return *servers.back();
    }

    void OpenFrame(int port)
    {
        settings.server = ServerAddress{"127.0.0.1", port};
        MainFrameServices services;
        services.makeSession = [this](SessionEvents& events) {
            SessionPeriods periods;
            periods.retryMs = 100;
            periods.loginRepeatMs = 400;
            periods.reconnectMs = 50;
            return std::make_unique<ServerSession>(
                SessionContext{*AgentHelp::getInstance(), account, settings, events, sound, CountImagePages},
                periods);
        };
        MainFrameSettings frameSettings;
        frameSettings.site = {"http://127.0.0.1:9", "http://127.0.0.1:9", "fax"};
        frame = std::make_unique<CMainFrame>(frameSettings, services);
    }

    bool LoggedIn() const { return frame->Session()->IsLoggedIn(); }

    testfiles::TempDir home;
    testfiles::ScopedEnv programDir{"ZUVO_HOME", home.path()};
    AccountStoreSource account;
    FakeSettings settings;
    SilentSoundPlayer sound;
    std::vector<std::unique_ptr<FaxServiceSim>> servers;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(MainFrameLiveTest, AfterShutdownConnectIsOfferedAndReconnects)
{
    const int port = FreePort();
    FaxServiceSim& kicker = Serve(
        R"({"after_login": [{"send": "ans", "event": {"event": "shutdown"}}, {"sleep": 0.2}, {"close": true}]})", port);
    OpenFrame(port);
    ASSERT_TRUE(WaitUntil([&] { return !kicker.Requests("login").empty(); }, 8000));
    ASSERT_TRUE(WaitUntil([&] { return frame->State() == 2 && !LoggedIn(); }, 5000));
    EXPECT_EQ(kicker.WaitExit(5000), 0);
    EXPECT_TRUE(WaitUntil([&] {
        return !frame->IsTimerActive(CMainFrame::kTimeoutTimer) && !frame->IsTimerActive(CMainFrame::kAnimationTimer);
    }));
    frame->UpdateCommands();
    EXPECT_TRUE(frame->CommandAction(FrameCommandId::Connect)->isEnabled());

    FaxServiceSim& second = Serve(R"({})", port);
    WaitMs(500);
    EXPECT_TRUE(second.Requests().empty());  // nothing until the user asks
    frame->CommandAction(FrameCommandId::Connect)->trigger();
    ASSERT_TRUE(WaitUntil([&] { return LoggedIn(); }, 5000));
    EXPECT_EQ(second.Requests("login").size(), 1u);
    frame->UpdateCommands();
    EXPECT_FALSE(frame->CommandAction(FrameCommandId::Connect)->isEnabled());
    EXPECT_TRUE(WaitUntil([&] { return frame->State() == 1; }, 2000));
}

TEST_F(MainFrameLiveTest, ClosingLogsOutBeforeTheConnectionCloses)
{
    FaxServiceSim& sim = Serve(R"({})");
    OpenFrame(sim.port());
    ASSERT_TRUE(WaitUntil([&] { return LoggedIn(); }, 8000));
    frame->close();
    EXPECT_EQ(sim.WaitExit(5000), 0);  // the server saw the connection end
    std::vector<WireLine> requests = sim.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().get("command"), "logout");
    EXPECT_EQ(requests.front().get("command"), "login");
}

} // namespace
