// The main window's connection transitions without a window: for each input
// after a given history, the steps the window is asked to carry out, in
// order, and the state it then shows.
#include "core/frame/ConnectionMachine.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

// Steps print as "StartTimer(3000, 20ms)" in a failure's message.
void PrintTo(const ConnectionStep& step, std::ostream* out)
{
    using Kind = ConnectionStep::Kind;
    static const char* const names[] = {
        "StartTimer",   "StopTimer",         "ShowState",        "ShowAnimationFrame", "SetPaneText",
        "ShowNotice",   "ShowPage",          "NavigateAdView",   "PublishLogin",       "ClearAutoReceiveMark",
        "EnableAccountProperties", "EnableSession", "StartSession", "StopSession",     "DisconnectSession",
        "ReconnectSession", "LogInAgain",    "ClearUpdateInProgress",
    };
    *out << names[static_cast<int>(step.kind)];
    if (step.kind == Kind::StartTimer)
        *out << "(" << static_cast<int>(step.timer) << ", " << step.value << "ms)";
    else if (step.kind == Kind::StopTimer)
        *out << "(" << static_cast<int>(step.timer) << ")";
    else if (!step.text.empty())
        *out << "(" << step.value << ", \"" << step.text << "\")";
    else
        *out << "(" << step.value << ")";
}

namespace {

using Step = ConnectionStep;
using Kind = ConnectionStep::Kind;
constexpr ConnectionTimer kStart = ConnectionTimer::Start;
constexpr ConnectionTimer kTimeout = ConnectionTimer::Timeout;
constexpr ConnectionTimer kAnimation = ConnectionTimer::Animation;

// Periods that differ from each other and from the defaults, so that a timer
// started with another's period shows.
constexpr MainFrameTimings kTimings{.startMs = 20, .webStartMs = 10, .timeoutMs = 300, .animationMs = 5};

std::tm at(int hour, int minute, int second)
{
    std::tm time{};
    time.tm_year = 2024 - 1900;
    time.tm_mon = 2;  // March
    time.tm_mday = 5;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

ConnectionSettings directLogin()
{
    ConnectionSettings settings;
    settings.timings = kTimings;
    settings.site = {"http://gate.test", "http://site.test", "fax"};
    return settings;
}

ConnectionSettings webLogin()
{
    ConnectionSettings settings = directLogin();
    settings.loginMode = "WEB";
    return settings;
}

const std::string kFaxNo = "88001234";
const std::string kUnknown = "未知";

// Histories a case starts from.
void opened(ConnectionMachine& machine) { machine.Open(true, at(7, 8, 9)); }
void started(ConnectionMachine& machine)
{
    opened(machine);
    machine.StartTimerExpired(kFaxNo);
}
void online(ConnectionMachine& machine)
{
    started(machine);
    machine.StateReported(1);
    machine.LoggedIn();
}

// What the start timer asks for, before the session's start.
ConnectionSteps startSteps(bool withSession)
{
    ConnectionSteps steps{Step::StopTimer(kStart), Step::StartTimer(kAnimation, 5), Step::ShowState(0),
                          Step::Do(Kind::ClearAutoReceiveMark), Step::Do(Kind::EnableAccountProperties)};
    if (withSession) steps.push_back(Step::Do(Kind::ClearUpdateInProgress));
    steps.push_back(Step::SetPaneText(3, kUnknown));
    steps.push_back(Step::SetPaneText(2, kFaxNo));
    return steps;
}

ConnectionSteps plus(ConnectionSteps steps, const ConnectionSteps& more)
{
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}

struct Case {
    const char* name;
    std::function<void(ConnectionMachine&)> before;
    std::function<ConnectionSteps(ConnectionMachine&)> input;
    ConnectionSteps steps;
    int stateAfter;
};

void runCases(const ConnectionSettings& settings, const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConnectionMachine machine(settings);
        if (c.before) c.before(machine);
        EXPECT_EQ(c.input(machine), c.steps);
        EXPECT_EQ(machine.State(), c.stateAfter);
    }
}

TEST(ConnectionMachineTest, TransitionsOfADirectLogin)
{
    const auto startTimer = [](ConnectionMachine& m) { return m.StartTimerExpired(kFaxNo); };
    runCases(directLogin(), {
        {"created: the session may connect, and starts after the start timer unless the time-out comes first",
         nullptr, [](ConnectionMachine& m) { return m.Open(true, at(7, 8, 9)); },
         {Step::EnableSession(true), Step::StartTimer(kStart, 20), Step::StartTimer(kTimeout, 300)}, 0},
        {"created without a session", nullptr, [](ConnectionMachine& m) { return m.Open(false, at(7, 8, 9)); },
         {Step::StartTimer(kStart, 20), Step::StartTimer(kTimeout, 300)}, 0},
        {"start timer: offline, the address unknown, the animation running, the session started",
         opened, startTimer, plus(startSteps(true), {Step::Do(Kind::StartSession)}), 0},
        {"start timer again: the session is started once", started, startTimer, startSteps(true), 0},
        {"start timer without a session", [](ConnectionMachine& m) { m.Open(false, at(7, 8, 9)); }, startTimer,
         startSteps(false), 0},
        {"a reported state is shown as it is (the window shows an unknown one as offline)", started,
         [](ConnectionMachine& m) { return m.StateReported(42); }, {Step::ShowState(42)}, 42},
        {"time-out: the notice, both connection timers stop, offline",
         [](ConnectionMachine& m) { started(m); m.StateReported(2); },
         [](ConnectionMachine& m) { return m.TimeoutExpired(); },
         {Step::ShowNotice("连接传真服务器超时。"), Step::StopTimer(kAnimation), Step::StopTimer(kTimeout),
          Step::ShowState(0)}, 0},
        {"logged in: the application learns it, no time-out, the advertisement loads",
         [](ConnectionMachine& m) { started(m); m.StateReported(1); },
         [](ConnectionMachine& m) { return m.LoggedIn(); },
         {Step::PublishLogin(true), Step::StopTimer(kTimeout), Step::Do(Kind::NavigateAdView)}, 1},
        {"logged in elsewhere: nothing runs until 联机", online,
         [](ConnectionMachine& m) { return m.LoggedInElsewhere(); },
         {Step::PublishLogin(false), Step::StopTimer(kAnimation), Step::StopTimer(kTimeout)}, 1},
        {"connection lost: the animation and the time-out run again", online,
         [](ConnectionMachine& m) { return m.ConnectionLost(); },
         {Step::PublishLogin(false), Step::StartTimer(kAnimation, 5), Step::StartTimer(kTimeout, 300)}, 1},
        {"联机: the session tries at once, the animation and the time-out run again", started,
         [](ConnectionMachine& m) { return m.ConnectChosen(); },
         {Step::Do(Kind::ReconnectSession), Step::StartTimer(kAnimation, 5), Step::StartTimer(kTimeout, 300)}, 0},
        {"a new account identity: address unknown, offline, the time-out again, a new login", online,
         [](ConnectionMachine& m) { return m.AccountIdentityChanged(kFaxNo); },
         {Step::SetPaneText(3, kUnknown), Step::SetPaneText(2, kFaxNo), Step::PublishLogin(false),
          Step::StartTimer(kTimeout, 300), Step::ShowState(0), Step::Do(Kind::EnableAccountProperties),
          Step::Do(Kind::LogInAgain)}, 0},
        {"shut down before the start: nothing to stop, the connection closes", opened,
         [](ConnectionMachine& m) { return m.ShutDown(); },
         {Step::Do(Kind::DisconnectSession), Step::StopTimer(kAnimation), Step::StopTimer(kTimeout),
          Step::StopTimer(kStart)}, 0},
        {"shut down after the start: the session stops, then disconnects", online,
         [](ConnectionMachine& m) { return m.ShutDown(); },
         {Step::Do(Kind::StopSession), Step::Do(Kind::DisconnectSession), Step::StopTimer(kAnimation),
          Step::StopTimer(kTimeout), Step::StopTimer(kStart)}, 1},
        {"shut down without a session: only the timers", [](ConnectionMachine& m) { m.Open(false, at(7, 8, 9)); },
         [](ConnectionMachine& m) { return m.ShutDown(); },
         {Step::StopTimer(kAnimation), Step::StopTimer(kTimeout), Step::StopTimer(kStart)}, 0},
        {"a sign-in page finishing in direct mode enables the session and starts no timer", opened,
         [](ConnectionMachine& m) { return m.WebSignInSucceeded(); }, {Step::EnableSession(true)}, 0},
    });
}

TEST(ConnectionMachineTest, AnimationRunsWhileNotLoggedInAndRestsOnceLoggedIn)
{
    ConnectionMachine machine(directLogin());
    started(machine);
    std::vector<int> frames;
    const auto tick = [&](int times) {
        for (int i = 0; i < times; ++i) {
            ConnectionSteps steps = machine.AnimationTick(false);
            ASSERT_EQ(steps.size(), 1U);
            ASSERT_EQ(steps[0].kind, Kind::ShowAnimationFrame);
            frames.push_back(steps[0].value);
        }
    };
    tick(6);
    EXPECT_EQ(frames, (std::vector<int>{3, 4, 5, 6, 7, 3}));
    // A reported state shows its icon, and the animation goes on from its frame.
    machine.StateReported(2);
    frames.clear();
    tick(1);
    EXPECT_EQ(frames, std::vector<int>{4});
    // Logged in, the icon stands still and the timer rests.
    EXPECT_EQ(machine.AnimationTick(true), ConnectionSteps{Step::StopTimer(kAnimation)});
    // The next start of the session starts the animation at its first frame.
    machine.StartTimerExpired(kFaxNo);
    frames.clear();
    tick(1);
    EXPECT_EQ(frames, std::vector<int>{3});
}

TEST(ConnectionMachineTest, WebLoginWaitsForTheSignIn)
{
    const std::string gateway = "http://gate.test/ua/gate/UAGateServlet.do?Type=fax&ReqType=auth&Date=";
    const std::string merchant = "&MerchantUrl=http%3A%2F%2Fsite.test%2Fcallback%2Flogined.jsp";
    const auto startTimer = [](ConnectionMachine& m) { return m.StartTimerExpired(kFaxNo); };
    const auto signedIn = [](ConnectionMachine& m) { return m.WebSignInSucceeded(); };
    const auto reopened = [](ConnectionMachine& m) { return m.WebSignInReopened(at(23, 59, 58)); };
    const auto signedInAndStarted = [&](ConnectionMachine& m) {
        opened(m);
        signedIn(m);
        startTimer(m);
    };
    runCases(webLogin(), {
        {"created: the session waits, the gateway is shown with the time", nullptr,
         [](ConnectionMachine& m) { return m.Open(true, at(7, 8, 9)); },
         {Step::EnableSession(false), Step::ShowPage(gateway + "20240305070809" + merchant)}, 0},
        {"the gateway asked for again: shown afresh", opened, reopened,
         {Step::ShowPage(gateway + "20240305235958" + merchant)}, 0},
        {"signed in: the session may connect, the web start timer and the time-out run", opened, signedIn,
         {Step::EnableSession(true), Step::StartTimer(kStart, 10), Step::StartTimer(kTimeout, 300)}, 0},
        {"signed in twice before the start: the timers start over",
         [&](ConnectionMachine& m) { opened(m); signedIn(m); }, signedIn,
         {Step::EnableSession(true), Step::StartTimer(kStart, 10), Step::StartTimer(kTimeout, 300)}, 0},
        {"the gateway asked for once signed in: nothing", [&](ConnectionMachine& m) { opened(m); signedIn(m); },
         reopened, {}, 0},
        {"start timer after the sign-in starts the session",
         [&](ConnectionMachine& m) { opened(m); signedIn(m); }, startTimer,
         plus(startSteps(true), {Step::Do(Kind::StartSession)}), 0},
        {"the callback page again while the session runs changes nothing",
         [&](ConnectionMachine& m) { signedInAndStarted(m); m.StateReported(1); }, signedIn, {}, 1},
    });

    ConnectionSettings noGateway = webLogin();
    noGateway.site.gateway.clear();
    ConnectionMachine machine(noGateway);
    EXPECT_EQ(machine.Open(true, at(7, 8, 9)), ConnectionSteps{Step::EnableSession(false)});
    EXPECT_EQ(machine.SignInAddress(at(7, 8, 9)), "");
    EXPECT_EQ(machine.WebSignInReopened(at(7, 8, 9)), ConnectionSteps{});
    EXPECT_FALSE(machine.IsSessionEnabled());
}

TEST(ConnectionMachineTest, WebLoginModeIsWebInAnyCase)
{
    for (const char* mode : {"web", "WEB", "Web"}) EXPECT_TRUE(IsWebLoginMode(mode)) << mode;
    for (const char* mode : {"", "direct", "webs", " web", "we"}) EXPECT_FALSE(IsWebLoginMode(mode)) << mode;
    EXPECT_TRUE(ConnectionMachine(webLogin()).IsWebLogin());
    EXPECT_FALSE(ConnectionMachine(directLogin()).IsWebLogin());
}

// Refused, not unreachable: the connection timers stop (no time-out notice,
// no animation over the reported state), and a page explains.
TEST(ConnectionMachineTest, RefusedLoginShowsTheHelpPageElseTheApplyPage)
{
    struct Pages { const char* help; const char* apply; const char* shown; };
    const Pages cases[] = {
        {"http://127.0.0.1:9/help", "http://127.0.0.1:9/apply", "http://127.0.0.1:9/help"},
        {"", "http://127.0.0.1:9/apply", "http://127.0.0.1:9/apply?userflag=tok%2B%2F%3D"},
        {"", "", nullptr},
    };
    for (const Pages& c : cases) {
        SCOPED_TRACE(testing::Message() << "help \"" << c.help << "\", apply \"" << c.apply << "\"");
        ConnectionSettings settings = directLogin();
        settings.onlineHelpUrl = c.help;
        settings.reqAccountUrl = c.apply;
        ConnectionMachine machine(settings);
        started(machine);
        ConnectionSteps expected{Step::StopTimer(kAnimation), Step::StopTimer(kTimeout)};
        if (c.shown) expected.push_back(Step::ShowPage(c.shown));
        EXPECT_EQ(machine.LoginFailed("tok+/="), expected);
    }
}

} // namespace
