#include "corlane/gtTime.h"

#include <chrono>
#include <cstdio>
#include <ctime>

gtTime::LocalTime gtTime::currentLocalTime()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    LocalTime time;
    time.year = static_cast<std::uint16_t>(local.tm_year + 1900);
    time.month = static_cast<std::uint16_t>(local.tm_mon + 1);
    time.dayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
    time.day = static_cast<std::uint16_t>(local.tm_mday);
    time.hour = static_cast<std::uint16_t>(local.tm_hour);
    time.minute = static_cast<std::uint16_t>(local.tm_min);
    // A leap second shows as 60, as the local-time record allows.
    time.second = static_cast<std::uint16_t>(local.tm_sec);
    time.milliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
    return time;
}

std::int64_t gtTime::millisecondsSinceMidnight(const LocalTime& time)
{
    return time.hour * std::int64_t{3600000} + time.minute * std::int64_t{60000}
         + time.second * std::int64_t{1000} + time.milliseconds;
}

void gtTime::now() { time_ = clock_(); }

std::int64_t gtTime::start() const { return millisecondsSinceMidnight(time_); }

std::int64_t gtTime::elapse() const { return millisecondsSinceMidnight(clock_()) - start(); }

const char* gtTime::getCurTimeString()
{
    std::snprintf(text_, sizeof text_, "%04d-%02d-%02d %02d:%02d:%02d", time_.year, time_.month, time_.day,
                  time_.hour, time_.minute, time_.second);
    return text_;
}

std::int64_t gtTime::getSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}
