#pragma once

#include <cstdint>

// A snapshot of the local wall-clock time with field getters and one fixed
// text form. now() takes the snapshot; until then every field is 0.
class gtTime {
public:
    // The local time as the operating system reports it.
    struct LocalTime {
        std::uint16_t year = 0;
        std::uint16_t month = 0;     // 1-12
        std::uint16_t dayOfWeek = 0; // 0 = Sunday
        std::uint16_t day = 0;       // 1-31
        std::uint16_t hour = 0;
        std::uint16_t minute = 0;
        std::uint16_t second = 0;
        std::uint16_t milliseconds = 0;
    };
    // Source of the current local time; tests pass their own.
    using Clock = LocalTime (*)();

    gtTime() = default;
    explicit gtTime(Clock clock) : clock_(clock) {}
    gtTime(const gtTime&) = default;
    gtTime& operator=(const gtTime&) = default;
    virtual ~gtTime() = default;

    // Reads the current local time into the object.
    void now();

    int getYear() const { return time_.year; }
    int getMonth() const { return time_.month; }
    int getDay() const { return time_.day; }
    int getWeek() const { return time_.dayOfWeek; }
    int getHour() const { return time_.hour; }
    int getMinute() const { return time_.minute; }
    int getSecond() const { return time_.second; }
    int getMSecond() const { return time_.milliseconds; }

    // Milliseconds since midnight of the stored time.
    std::int64_t start() const;
    // Milliseconds since midnight now, minus start(); negative across midnight.
    std::int64_t elapse() const;
    // The stored time as "YYYY-MM-DD hh:mm:ss", in storage of this object that
    // stays valid until the next call on it.
    const char* getCurTimeString();
    // Seconds since 1970 now; independent of the stored time.
    static std::int64_t getSeconds();

    static LocalTime currentLocalTime();
    static std::int64_t millisecondsSinceMidnight(const LocalTime& time);

private:
    LocalTime time_;
    char text_[256] = {};
    Clock clock_ = &gtTime::currentLocalTime;
};
