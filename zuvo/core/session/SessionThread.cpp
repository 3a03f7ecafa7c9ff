#include "core/session/SessionThread.h"

#include <chrono>

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

int SharedTimer::RemainingMs() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return timer_.RemainingMs();
}

void WorkSignal::Post()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        pending_ = true;
    }
    posted_.notify_one();
}

void WorkSignal::Wait(int ms)
{
    std::unique_lock<std::mutex> hold(lock_);
    if (ms < 0)
        posted_.wait(hold, [this] { return pending_; });
    else
        posted_.wait_for(hold, std::chrono::milliseconds(ms), [this] { return pending_; });
    pending_ = false;
}

namespace {

// The nearer of two deadlines in milliseconds, where -1 is none.
int Nearer(int a, int b)
{
    if (a < 0)
        return b;
    if (b < 0)
        return a;
    return a < b ? a : b;
}

} // namespace

void SessionThread::Stop()
{
    shutdown();
    state_.wake().Post();
    join();
}

int SessionThread::NextDeadlineMs()
{
    int next = Nearer(state_.RetryRemainingMs(), steps_.NextDownloadCheckMs());
    if (state_.loginQueued)
        next = Nearer(next, state_.FaxListRemainingMs());
    return next;
}

bool SessionThread::RetryStep()
{
    if (!state_.Enabled()) {
        // Nothing happens until the session is enabled again (or stopped).
        state_.wake().Wait(-1);
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
        if (!isShutdown())
            state_.wake().Wait(NextDeadlineMs());
    }
    state_.threadDone = 1;
}
