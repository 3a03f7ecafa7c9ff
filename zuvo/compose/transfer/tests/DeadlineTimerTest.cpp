// The deadline timer: a deadline armed again or cancelled never fires; the
// one in force fires once, with its number, on the timer's thread.
#include "compose/transfer/DeadlineTimer.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "core/tests/SessionFakes.h"

using sessiontest::WaitFor;
using namespace std::chrono_literals;

TEST(DeadlineTimer, OnlyTheDeadlineInForceFiresAndOnlyOnce)
{
    std::mutex lock;
    std::vector<std::uint64_t> fired;
    std::thread::id caller;
    DeadlineTimer timer("test-deadline", [&](std::uint64_t number) {
        std::lock_guard<std::mutex> hold(lock);
        fired.push_back(number);
        caller = std::this_thread::get_id();
    });
    const auto seen = [&] {
        std::lock_guard<std::mutex> hold(lock);
        return fired;
    };

    timer.Arm(30ms, 1);
    timer.Arm(60ms, 2); // replaces 1
    ASSERT_TRUE(WaitFor([&] { return !seen().empty(); }, 20000));
    timer.Arm(30ms, 3);
    timer.Cancel();
    timer.Arm(90ms, 4); // due after 3 would have been
    ASSERT_TRUE(WaitFor([&] { return seen().size() >= 2; }, 20000));
    EXPECT_EQ(seen(), (std::vector<std::uint64_t>{2, 4}));
    EXPECT_NE(caller, std::this_thread::get_id());
}

TEST(DeadlineTimer, GoingAwayWhileArmedCallsNothing)
{
    int calls = 0;
    {
        DeadlineTimer timer("test-deadline", [&](std::uint64_t) { ++calls; });
        timer.Arm(std::chrono::hours(1), 1);
    }
    EXPECT_EQ(calls, 0);
}
