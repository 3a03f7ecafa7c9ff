#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "corlane/Timer.h"
#include "spindle/ThreadIf.h"

// The periods of the session loop, in milliseconds (tests shorten them).
struct SessionPeriods {
    int startMs = 50;          // first connect and the fax-list request after the start
    int retryMs = 3000;        // next connect attempt; also the idle re-arm once logged in
    int loginRepeatMs = 15000; // a login without a success reply is sent again
    int reconnectMs = 100;     // "联机" after the account was logged in elsewhere
    int downloadStallMs = 60000; // a download without progress for this long is given up
};

// A Timer that several threads arm, kill and poll.
class SharedTimer {
public:
    // Arms the timer, also after Hold.
    void Arm(int ms);
    void Kill();
    // Kills the timer until the next Arm: Rearm does nothing meanwhile.
    void Hold();
    // Arms the timer again unless it is held.
    void Rearm(int ms);
    bool Expired() const;
    // Milliseconds until Expired: -1 when not armed, 0 once expired.
    int RemainingMs() const;

private:
    mutable std::mutex lock_;
    Timer timer_;
    bool held_ = false;
};

// Wakes a thread that waits for work or a deadline: Post from any thread,
// Wait on the one thread. A post made while the thread is busy is kept, so
// its next Wait returns at once.
class WorkSignal {
public:
    void Post();
    // Returns after a Post (consuming it), or after ms (-1: no time-out).
    void Wait(int ms);

private:
    std::mutex lock_;
    std::condition_variable posted_;
    bool pending_ = false; // under lock_
};

// The session's flags and timers, shared by the session thread, the agent's
// worker and the GUI thread: the flags are atomic and each timer has its
// own lock. What gives the loop something to do from outside (a new
// deadline, the session enabled, work for the pump) posts its wake-up.
class SessionState {
public:
    std::atomic<int> connected{0};
    std::atomic<int> loggedIn{0};
    std::atomic<int> kicked{0};      // logged in elsewhere: a disconnect changes nothing
    std::atomic<int> threadDone{0};
    std::atomic<int> loginQueued{0}; // a login went out on the current connection

    // Whether the session may connect.
    bool Enabled() const { return enabled_.load() != 0; }
    void SetEnabled(bool enabled)
    {
        enabled_.store(enabled ? 1 : 0);
        wake_.Post();
    }

    void ArmRetry(int ms)
    {
        retry_.Arm(ms);
        wake_.Post();
    }
    // The session stays idle until ArmRetry ("联机"): the loop's own re-arm,
    // even one already under way, does not bring it back.
    void KillRetry() { retry_.Hold(); }
    void RearmRetry(int ms) { retry_.Rearm(ms); }
    bool RetryExpired() const { return retry_.Expired(); }
    int RetryRemainingMs() const { return retry_.RemainingMs(); }
    void ArmFaxList(int ms)
    {
        faxList_.Arm(ms);
        wake_.Post();
    }
    void KillFaxList() { faxList_.Kill(); }
    bool FaxListExpired() const { return faxList_.Expired(); }
    int FaxListRemainingMs() const { return faxList_.RemainingMs(); }

    WorkSignal& wake() { return wake_; }

private:
    std::atomic<int> enabled_{1};
    SharedTimer retry_;
    SharedTimer faxList_;
    WorkSignal wake_;
};

// The steps the loop drives.
class SessionSteps {
public:
    virtual ~SessionSteps() = default;
    virtual int openFaxServer() = 0;
    virtual int loginFaxServer() = 0;
    virtual int SendQueryFaxList() = 0;
    virtual int HandleDownload() = 0;
    // Milliseconds until the pump must look at its work again without being
    // woken (a download's stall limit); -1 when only new work needs it.
    virtual int NextDownloadCheckMs() { return -1; }
};

// The server session thread ("zuvo-session"): connects, logs in (again
// every loginRepeatMs until a success reply arrives), asks for the fax list
// once the login has gone out on the connection, when the fax-list timer has
// expired (once per run, unless the session re-arms it for a new
// connection), and drains the download pump on every pass. Between passes it
// blocks until the nearest of its deadlines or until the state's wake-up is
// posted.
class SessionThread : public Spindle::ThreadIf {
public:
    SessionThread(SessionSteps& steps, SessionState& state, SessionPeriods periods = {})
        : steps_(steps), state_(state), periods_(periods)
    {
        setName("zuvo-session");
    }
    ~SessionThread() override { Stop(); }

    const SessionPeriods& periods() const { return periods_; }
    // Asks the thread to leave its loop and waits until it has.
    void Stop();

protected:
    void thread() override;

private:
    // The connect and login part of a pass; false when the pass ends there.
    bool RetryStep();
    // Milliseconds to the nearest deadline of the loop; -1 when none.
    int NextDeadlineMs();

    SessionSteps& steps_;
    SessionState& state_;
    SessionPeriods periods_;
};
