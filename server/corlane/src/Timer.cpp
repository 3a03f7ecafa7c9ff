#include "corlane/Timer.h"

#include <chrono>

std::int64_t Timer::stampOf(std::uint64_t milliseconds)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(milliseconds));
}

std::int64_t Timer::currentStamp()
{
    auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count();
    return stampOf(static_cast<std::uint64_t>(ms));
}

int Timer::hasElapsed(std::int64_t now, std::int64_t start, int interval)
{
    auto distance = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(start));
    std::int64_t magnitude = distance < 0 ? -static_cast<std::int64_t>(distance) : distance;
    return magnitude >= interval ? 1 : 0;
}

int Timer::SetTimer(int ms)
{
    start_ = clock_();
    interval_ = ms;
    active_ = 1;
    return 1;
}

int Timer::TimeOut() const
{
    if (!active_)
        return 0;
    return hasElapsed(clock_(), start_, interval_);
}

int Timer::KillTimer()
{
    active_ = 0;
    start_ = 0;
    interval_ = 0;
    return 1;
}

int Timer::RemainingMs() const
{
    if (!active_)
        return -1;
    // The distance as TimeOut measures it: on the low 32 bits, either way.
    const auto distance = static_cast<std::int32_t>(static_cast<std::uint32_t>(clock_()) -
                                                    static_cast<std::uint32_t>(start_));
    const std::int64_t magnitude = distance < 0 ? -static_cast<std::int64_t>(distance) : distance;
    return magnitude >= interval_ ? 0 : static_cast<int>(interval_ - magnitude);
}
