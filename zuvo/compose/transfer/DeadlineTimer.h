#pragma once

// A deadline that does something when it passes: Arm(after, number) starts
// it, and unless it is armed again or cancelled first, the action is called
// with that number on the timer's own thread once the time is up. The
// thread blocks until it is armed or its deadline comes; it never polls.
// The number lets the action tell a deadline that is over from the one in
// force (an answer and the deadline may cross). Going away, the timer waits
// for an action in progress.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

#include "spindle/ThreadIf.h"

class DeadlineTimer : private Spindle::ThreadIf {
public:
    using Action = std::function<void(std::uint64_t number)>;

    // threadName: as `top -H` shows it (at most 15 bytes kept).
    DeadlineTimer(const char* threadName, Action expired);
    ~DeadlineTimer() override;

    void Arm(std::chrono::milliseconds after, std::uint64_t number);
    void Cancel();

private:
    using Clock = std::chrono::steady_clock;
    void thread() override;

    Action expired_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::optional<Clock::time_point> due_; // under lock_
    std::uint64_t number_ = 0;             // under lock_
    bool stopping_ = false;                // under lock_
};
