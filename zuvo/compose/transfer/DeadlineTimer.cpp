// The deadline's thread: waits for an arming, then until the deadline or a
// change, and calls the action outside the lock.
#include "compose/transfer/DeadlineTimer.h"

DeadlineTimer::DeadlineTimer(const char* threadName, Action expired) : expired_(std::move(expired))
{
    setName(threadName);
    run();
}

DeadlineTimer::~DeadlineTimer()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    stopAndJoin();
}

void DeadlineTimer::Arm(std::chrono::milliseconds after, std::uint64_t number)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        due_ = Clock::now() + after;
        number_ = number;
    }
    changed_.notify_all();
}

void DeadlineTimer::Cancel()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        due_.reset();
    }
    changed_.notify_all();
}

void DeadlineTimer::thread()
{
    std::unique_lock<std::mutex> hold(lock_);
    while (!stopping_) {
        if (!due_) {
            changed_.wait(hold);
            continue;
        }
        const Clock::time_point due = *due_;
        if (changed_.wait_until(hold, due) == std::cv_status::no_timeout || !due_ || *due_ != due)
            continue; // woken: stopping, cancelled or armed again
        if (Clock::now() < due)
            continue;
        const std::uint64_t number = number_;
        due_.reset();
        hold.unlock();
        expired_(number);
        hold.lock();
    }
}
