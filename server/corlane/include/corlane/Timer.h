#pragma once

#include <cstdint>

// A polled millisecond deadline: no thread, no callback. The owner arms it
// with SetTimer and asks TimeOut() in its own loop.
//
// Stamps are milliseconds kept modulo 2^32 (a 32-bit signed number widened),
// and the distance between two stamps is taken on their low 32 bits, so a
// timer armed just before the stamp wraps still expires after its interval.
class Timer {
public:
    // Source of millisecond stamps; tests pass their own.
    using Clock = std::int64_t (*)();

    Timer() = default;
    explicit Timer(Clock clock) : clock_(clock) {}
    Timer(const Timer&) = default;
    Timer& operator=(const Timer&) = default;
    virtual ~Timer() = default;

    // Arms the timer for ms milliseconds from now. Returns 1.
    int SetTimer(int ms);
    // 0 when not armed; else 1 once the interval has passed (and on every
    // call after that until SetTimer or KillTimer), else 0.
    int TimeOut() const;
    // Disarms the timer. Returns 1.
    int KillTimer();
    // Milliseconds until TimeOut() turns 1: -1 when not armed, 0 once it has
    // (for a loop that blocks until its nearest deadline).
    int RemainingMs() const;

    void setHandle(int handle) { handle_ = handle; }
    int getHandle() const { return handle_; }

    // The stamp of a count of milliseconds: its low 32 bits as a signed number.
    static std::int64_t stampOf(std::uint64_t milliseconds);
    // The current stamp, from a monotonic clock.
    static std::int64_t currentStamp();
    // 1 when |now - start|, taken on the low 32 bits as a signed number, is at
    // least interval; else 0.
    static int hasElapsed(std::int64_t now, std::int64_t start, int interval);

private:
    int handle_ = 0;
    std::int64_t start_ = 0;
    int interval_ = 0;
    int active_ = 0;
    Clock clock_ = &Timer::currentStamp;
};
