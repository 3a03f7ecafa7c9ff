// The session loop: connect retries, the repeated login, the one fax-list
// request after the first login, the disabled session and stopping.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/session/SessionThread.h"
#include "core/tests/SessionFakes.h"

using namespace sessiontest;

namespace {

class ScriptedSteps : public SessionSteps {
public:
    int openFaxServer() override
    {
        Note("connect");
        if (onConnect)
            onConnect();
        return connects.load();
    }
    int loginFaxServer() override
    {
        Note("login");
        if (onLogin)
            onLogin();
        return 1;
    }
    int SendQueryFaxList() override
    {
        Note("list");
        return 1;
    }
    int HandleDownload() override
    {
        ++pumps;
        return 0;
    }
    int NextDownloadCheckMs() override { return downloadCheckMs.load(); }
    std::vector<std::string> Calls()
    {
        std::lock_guard<std::mutex> hold(lock);
        return calls;
    }
    int Count(const std::string& call)
    {
        int n = 0;
        for (const std::string& c : Calls())
            n += c == call;
        return n;
    }

    std::atomic<int> connects{1};
    std::atomic<int> pumps{0};
    std::atomic<int> downloadCheckMs{-1};
    // Run inside openFaxServer and loginFaxServer, as events of the agent's
    // worker would.
    std::function<void()> onConnect;
    std::function<void()> onLogin;

private:
    void Note(const char* call)
    {
        std::lock_guard<std::mutex> hold(lock);
        calls.emplace_back(call);
    }
    std::mutex lock;
    std::vector<std::string> calls;
};

SessionPeriods Fast()
{
    SessionPeriods periods;
    periods.startMs = 5;
    periods.retryMs = 40;
    periods.loginRepeatMs = 150;
    return periods;
}

} // namespace

TEST(SessionThread, LoginFirstThenTheListOnceAndLoginAgainUntilLoggedIn)
{
    ScriptedSteps steps;
    SessionState state;
    SessionThread thread(steps, state, Fast());
    thread.run();
    ASSERT_TRUE(WaitFor([&] { return steps.Count("login") >= 3; }));
    thread.Stop();
    const std::vector<std::string> calls = steps.Calls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 4),
              (std::vector<std::string>{"connect", "login", "list", "login"}));
    EXPECT_EQ(steps.Count("list"), 1);
    EXPECT_EQ(steps.Count("connect"), 1);
    EXPECT_GT(steps.pumps, 0);
    EXPECT_EQ(state.threadDone, 1);
}

TEST(SessionThread, LoginRepeatsAtItsPeriodAndStopsOnceLoggedIn)
{
    ScriptedSteps steps;
    SessionState state;
    SessionThread thread(steps, state, Fast());
    const auto start = std::chrono::steady_clock::now();
    thread.run();
    ASSERT_TRUE(WaitFor([&] { return steps.Count("login") >= 2; }));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(150));
    state.loggedIn = 1;
    const int logins = steps.Count("login");
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    thread.Stop();
    EXPECT_EQ(steps.Count("login"), logins);
}

TEST(SessionThread, AFailingConnectIsRetriedAndNoListGoesOutBeforeTheLogin)
{
    ScriptedSteps steps;
    steps.connects = 0;
    SessionState state;
    SessionThread thread(steps, state, Fast());
    thread.run();
    ASSERT_TRUE(WaitFor([&] { return steps.Count("connect") >= 3; }));
    EXPECT_EQ(steps.Count("list"), 0);
    EXPECT_EQ(steps.Count("login"), 0);
    steps.connects = 1;
    ASSERT_TRUE(WaitFor([&] { return steps.Count("list") == 1; }));
    thread.Stop();
    const std::vector<std::string> calls = steps.Calls();
    const auto login = std::find(calls.begin(), calls.end(), "login");
    const auto list = std::find(calls.begin(), calls.end(), "list");
    EXPECT_LT(login, list);
}

TEST(SessionThread, ADisabledOrKickedSessionDoesNotConnect)
{
    ScriptedSteps steps;
    SessionState state;
    state.SetEnabled(false);
    SessionThread thread(steps, state, Fast());
    thread.run();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(steps.Calls().empty());
    state.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return steps.Count("login") == 1; }));

    // Logged in elsewhere: the retry timer is killed until "联机".
    state.KillRetry();
    state.connected = 0;
    state.loggedIn = 0;
    const std::size_t before = steps.Calls().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(steps.Calls().size(), before);
    state.ArmRetry(Fast().reconnectMs);
    ASSERT_TRUE(WaitFor([&] { return steps.Count("connect") == 2; }));
    thread.Stop();
    EXPECT_EQ(steps.Count("list"), 1); // not asked again after the reconnect
}

TEST(SessionThread, AKickDuringALoginIsNotUndoneByTheLoopsReArm)
{
    ScriptedSteps steps;
    SessionState state;
    // Logged in elsewhere while this login is being sent.
    steps.onLogin = [&] {
        if (steps.Count("login") == 1)
            state.KillRetry();
    };
    SessionThread thread(steps, state, Fast());
    thread.run();
    ASSERT_TRUE(WaitFor([&] { return steps.Count("login") == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(4 * Fast().loginRepeatMs));
    EXPECT_EQ(steps.Count("login"), 1);

    state.ArmRetry(Fast().reconnectMs); // "联机"
    EXPECT_TRUE(WaitFor([&] { return steps.Count("login") >= 2; }));
    thread.Stop();
}

TEST(SessionThread, AConnectionLostWhileItOpensIsOpenedAgain)
{
    ScriptedSteps steps;
    SessionState state;
    // The first connection is reported lost before openFaxServer returns.
    steps.onConnect = [&] {
        if (steps.Count("connect") == 1)
            state.connected = 0;
    };
    SessionThread thread(steps, state, Fast());
    thread.run();
    EXPECT_TRUE(WaitFor([&] { return steps.Count("connect") == 2; }));
    thread.Stop();
}

TEST(SessionThread, IdleItWaitsForItsNextDeadlineOrPostedWork)
{
    ScriptedSteps steps;
    SessionState state;
    SessionPeriods periods = Fast();
    // Logged in, the retry timer is the only deadline, and it is far beyond
    // every wait below: only posted work can wake the thread, however
    // loaded the machine.
    periods.retryMs = 60000;
    SessionThread thread(steps, state, periods);
    thread.run();
    ASSERT_TRUE(WaitFor([&] { return steps.Count("list") == 1; }));
    state.loggedIn = 1;
    ASSERT_TRUE(WaitFor([&] { return steps.Count("login") >= 1 && steps.pumps > 0; }));
    // Once the login repeat (150 ms) has passed, nothing is due for a
    // minute: at most a late pass of that repeat, where a polling loop
    // would make hundreds.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const int idle = steps.pumps;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LE(steps.pumps - idle, 1) << "passes while idle";

    // Work for the pump wakes it long before its deadline; so does a
    // deadline of the pump's.
    const int before = steps.pumps;
    state.wake().Post();
    EXPECT_TRUE(WaitFor([&] { return steps.pumps > before; }, 10000));
    const int woken = steps.pumps;
    steps.downloadCheckMs = 50;
    state.wake().Post();
    EXPECT_TRUE(WaitFor([&] { return steps.pumps >= woken + 4; }, 10000));
    steps.downloadCheckMs = -1;

    // Stopping does not wait for a deadline.
    const auto start = std::chrono::steady_clock::now();
    thread.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20000));
}
