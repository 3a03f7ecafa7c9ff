#include "core/SessionThread.h"

#include <chrono>
#include <thread>

void SharedTimer::Arm(int ms)
{
    std::lock_guard<std::mutex> hold(lock_);
    held_ = false;
    timer_.SetTimer(ms);
}

void SharedTimer::Kill()
{
    std::lock_guard<std::mutex> hold(lock_);
    timer_.KillTimer();
}

void SharedTimer::Hold()
{
    std::lock_guard<std::mutex> hold(lock_);
    held_ = true;
    timer_.KillTimer();
}

void SharedTimer::Rearm(int ms)
{
    std::lock_guard<std::mutex> hold(lock_);
    if (!held_)
        timer_.SetTimer(ms);
}

bool SharedTimer::Expired() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return timer_.TimeOut() != 0;
}

namespace {

void SleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

void SessionThread::Stop()
{
    shutdown();
    join();
}

bool SessionThread::RetryStep()
{
    if (!state_.enabled) {
        SleepMs(periods_.disabledSleepMs);
        return false;
    }
    if (!state_.connected) {
        // Marked before the attempt: a loss of the new connection reported
        // while it is being opened clears the mark, and a later pass
        // connects again.
        state_.connected = 1;
        if (!steps_.openFaxServer()) {
            state_.connected = 0;
            state_.RearmRetry(periods_.retryMs);
            return false;
        }
    }
    if (!state_.loggedIn && steps_.loginFaxServer() == 1) {
        state_.loginQueued = 1;
        state_.RearmRetry(periods_.loginRepeatMs);
        return false;
    }
    state_.RearmRetry(periods_.retryMs);
    return true;
}

void SessionThread::thread()
{
    state_.connected = 0;
    state_.loggedIn = 0;
    state_.threadDone = 0;
    state_.kicked = 0;
    state_.loginQueued = 0;
    state_.ArmRetry(periods_.startMs);
    state_.ArmFaxList(periods_.startMs);
    while (!isShutdown()) {
        if (state_.RetryExpired() && !RetryStep())
            continue;
        // The list is asked for once per run, and never before a login went out.
        if (state_.loginQueued && state_.FaxListExpired()) {
            steps_.SendQueryFaxList();
            state_.KillFaxList();
        }
        while (steps_.HandleDownload() != 0 && !isShutdown()) {
        }
        SleepMs(periods_.passSleepMs);
    }
    state_.threadDone = 1;
}
