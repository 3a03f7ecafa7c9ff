#include <chrono>
#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

#include "corlane/gtTime.h"

namespace {

gtTime::LocalTime fakeNow;
gtTime::LocalTime fakeClock() { return fakeNow; }

gtTime::LocalTime at(int year, int month, int day, int hour, int minute, int second, int ms = 0, int week = 0)
{
    gtTime::LocalTime t;
    t.year = static_cast<std::uint16_t>(year);
    t.month = static_cast<std::uint16_t>(month);
    t.day = static_cast<std::uint16_t>(day);
    t.dayOfWeek = static_cast<std::uint16_t>(week);
    t.hour = static_cast<std::uint16_t>(hour);
    t.minute = static_cast<std::uint16_t>(minute);
    t.second = static_cast<std::uint16_t>(second);
    t.milliseconds = static_cast<std::uint16_t>(ms);
    return t;
}

TEST(GtTime, StartsAtZero)
{
    gtTime time(&fakeClock);
    EXPECT_EQ(time.getYear() + time.getMonth() + time.getDay() + time.getWeek() + time.getHour() + time.getMinute()
                  + time.getSecond() + time.getMSecond(),
              0);
    EXPECT_EQ(time.start(), 0);
    EXPECT_STREQ(time.getCurTimeString(), "0000-00-00 00:00:00");
}

TEST(GtTime, FixedTimeAsTextAndFields)
{
    fakeNow = at(2006, 3, 7, 9, 5, 2, 345, 2);
    gtTime time(&fakeClock);
    time.now();
    EXPECT_STREQ(time.getCurTimeString(), "2006-03-07 09:05:02");
    EXPECT_EQ(time.getYear(), 2006);
    EXPECT_EQ(time.getMonth(), 3);
    EXPECT_EQ(time.getDay(), 7);
    EXPECT_EQ(time.getWeek(), 2);
    EXPECT_EQ(time.getMSecond(), 345);
    EXPECT_EQ(time.start(), 9 * 3600000 + 5 * 60000 + 2 * 1000 + 345);

    fakeNow = at(2026, 12, 31, 23, 59, 59);
    gtTime copy = time;
    EXPECT_STREQ(copy.getCurTimeString(), "2006-03-07 09:05:02") << "the stored time is kept until now()";
}

TEST(GtTime, ElapseIsNegativeAcrossMidnight)
{
    fakeNow = at(2006, 3, 6, 23, 59, 59);
    gtTime time(&fakeClock);
    time.now();
    fakeNow = at(2006, 3, 7, 0, 0, 1);
    EXPECT_EQ(time.elapse(), -86398000);
    EXPECT_EQ(time.getHour(), 23) << "elapse leaves the stored time alone";

    fakeNow = at(2006, 3, 6, 23, 59, 59, 250);
    EXPECT_EQ(time.elapse(), 250);
}

TEST(GtTime, SystemClockMatchesTheLocalTime)
{
    // Read the wall clock the way the library does: time() may use a coarser
    // clock that lags a tick behind it.
    auto wallSeconds = [] {
        return static_cast<std::time_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                            std::chrono::system_clock::now().time_since_epoch())
                                            .count());
    };
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::time_t before = wallSeconds();
        gtTime time;
        time.now();
        std::int64_t seconds = gtTime::getSeconds();
        std::tm local{};
        localtime_r(&before, &local);
        if (wallSeconds() != before)
            continue; // a second boundary passed; try again
        EXPECT_EQ(time.getYear(), local.tm_year + 1900);
        EXPECT_EQ(time.getMonth(), local.tm_mon + 1);
        EXPECT_EQ(time.getDay(), local.tm_mday);
        EXPECT_EQ(time.getWeek(), local.tm_wday);
        EXPECT_EQ(time.getHour(), local.tm_hour);
        EXPECT_EQ(time.getMinute(), local.tm_min);
        EXPECT_EQ(time.getSecond(), local.tm_sec);
        EXPECT_LT(time.getMSecond(), 1000);
        EXPECT_EQ(seconds, static_cast<std::int64_t>(before));
        return;
    }
    FAIL() << "the clock never held still for a second";
}

} // namespace
