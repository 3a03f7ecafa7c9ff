#include "core/SessionThread.h"

#include <chrono>
#include <thread>

void SessionState::ArmRetry(int ms)
{
    std::lock_guard<std::mutex> hold(timersLock_);
    retry_.SetTimer(ms);
}

void SessionState::KillRetry()
{
    std::lock_guard<std::mutex> hold(timersLock_);
    retry_.KillTimer();
}

bool SessionState::RetryExpired() const
{
    std::lock_guard<std::mutex> hold(timersLock_);
    return retry_.TimeOut() != 0;
}

void SessionState::ArmFaxList(int ms)
{
    std::lock_guard<std::mutex> hold(timersLock_);
    faxList_.SetTimer(ms);
}

void SessionState::KillFaxList()
{
    std::lock_guard<std::mutex> hold(timersLock_);
    faxList_.KillTimer();
}

bool SessionState::FaxListExpired() const
{
    std::lock_guard<std::mutex> hold(timersLock_);
    return faxList_.TimeOut() != 0;
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
        if (!steps_.openFaxServer()) {
            state_.ArmRetry(periods_.retryMs);
            return false;
        }
        state_.connected = 1;
    }
    if (!state_.loggedIn && steps_.loginFaxServer() == 1) {
        state_.loginQueued = 1;
        state_.ArmRetry(periods_.loginRepeatMs);
        return false;
    }
    state_.ArmRetry(periods_.retryMs);
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
