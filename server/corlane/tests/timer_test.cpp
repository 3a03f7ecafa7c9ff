#include <chrono>
#include <cstdint>
#include <thread>

#include <gtest/gtest.h>

#include "corlane/Timer.h"

namespace {

// A millisecond counter the tests move by hand; stamps are taken from it the
// way the system clock's are.
std::uint64_t fakeMilliseconds = 0;
std::int64_t fakeStamp() { return Timer::stampOf(fakeMilliseconds); }

class TimerAt : public ::testing::TestWithParam<std::uint64_t> {};

TEST_P(TimerAt, ExpiresAfterItsIntervalAndStaysExpired)
{
    fakeMilliseconds = GetParam();
    Timer timer(&fakeStamp);
    EXPECT_EQ(timer.TimeOut(), 0) << "a new timer is not armed";
    EXPECT_EQ(timer.RemainingMs(), -1);
    EXPECT_EQ(timer.SetTimer(2000), 1);
    EXPECT_EQ(timer.TimeOut(), 0);
    EXPECT_EQ(timer.RemainingMs(), 2000);
    fakeMilliseconds += 1999;
    EXPECT_EQ(timer.TimeOut(), 0);
    EXPECT_EQ(timer.RemainingMs(), 1);
    fakeMilliseconds += 1;
    EXPECT_EQ(timer.TimeOut(), 1);
    EXPECT_EQ(timer.RemainingMs(), 0);
    fakeMilliseconds += 60000;
    EXPECT_EQ(timer.TimeOut(), 1) << "asking does not disarm";
    EXPECT_EQ(timer.RemainingMs(), 0);

    Timer copy = timer;
    EXPECT_EQ(copy.TimeOut(), 1);

    timer.SetTimer(2000);
    EXPECT_EQ(timer.TimeOut(), 0) << "re-armed";
    fakeMilliseconds += 5000;
    EXPECT_EQ(timer.KillTimer(), 1);
    EXPECT_EQ(timer.TimeOut(), 0) << "killed";
    EXPECT_EQ(timer.RemainingMs(), -1);
}

// Ordinary stamps, and timers armed just before the stamp passes 2^31 (where
// the signed 32-bit number turns negative) and 2^32 (where it returns to 0).
INSTANTIATE_TEST_SUITE_P(Stamps, TimerAt,
                         ::testing::Values(std::uint64_t{1000000}, (std::uint64_t{1} << 31) - 500,
                                           (std::uint64_t{1} << 32) - 500, (std::uint64_t{1} << 32) * 300 - 1));

TEST(TimerStamp, KeepsTheLowThirtyTwoBitsAsASignedNumber)
{
    EXPECT_EQ(Timer::stampOf(5), 5);
    EXPECT_EQ(Timer::stampOf((std::uint64_t{1} << 31) - 1), INT32_MAX);
    EXPECT_EQ(Timer::stampOf(std::uint64_t{1} << 31), INT32_MIN);
    EXPECT_EQ(Timer::stampOf((std::uint64_t{1} << 32) + 7), 7);
    // Seconds since 1970 times 1000 in late 2026, as the wall-clock stamp would be.
    EXPECT_EQ(Timer::stampOf(1796900000000ULL), static_cast<std::int32_t>(1796900000000ULL & 0xffffffffULL));
}

TEST(TimerStamp, DistanceIsTakenEitherWay)
{
    EXPECT_EQ(Timer::hasElapsed(3000, 1000, 2000), 1);
    EXPECT_EQ(Timer::hasElapsed(1000, 3000, 2000), 1) << "a clock that went back counts too";
    EXPECT_EQ(Timer::hasElapsed(INT32_MIN + 999, INT32_MAX - 1000, 2000), 1);
    EXPECT_EQ(Timer::hasElapsed(INT32_MIN + 998, INT32_MAX - 1000, 2000), 0);
}

TEST(TimerHandle, IsStoredAndReadBack)
{
    Timer timer;
    EXPECT_EQ(timer.getHandle(), 0);
    timer.setHandle(42);
    EXPECT_EQ(timer.getHandle(), 42);
    timer.KillTimer();
    EXPECT_EQ(timer.getHandle(), 42);
}

TEST(TimerClock, RealClockExpires)
{
    using std::chrono::steady_clock;
    Timer timer;
    const auto armed = steady_clock::now();
    timer.SetTimer(40);
    const int early = timer.TimeOut();
    // A busy machine may keep this thread off the processor past the interval.
    if (steady_clock::now() - armed < std::chrono::milliseconds(38)) {
        EXPECT_EQ(early, 0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(timer.TimeOut(), 1);
}

} // namespace
