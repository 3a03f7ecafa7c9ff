#pragma once

#include <atomic>
#include <mutex>

#include "corlane/Timer.h"
#include "spindle/ThreadIf.h"

// The periods of the session loop, in milliseconds (tests shorten them).
struct SessionPeriods {
    int startMs = 50;          // first connect and the fax-list request after the start
    int retryMs = 3000;        // next connect attempt; also the idle re-arm once logged in
    int loginRepeatMs = 15000; // a login without a success reply is sent again
    int disabledSleepMs = 100; // pause while the session may not connect
    int passSleepMs = 1;       // pause of every pass
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

private:
    mutable std::mutex lock_;
    Timer timer_;
    bool held_ = false;
};

// The session's flags and timers, shared by the session thread, the agent's
// worker and the GUI thread: the flags are atomic and each timer has its
// own lock.
class SessionState {
public:
    std::atomic<int> connected{0};
    std::atomic<int> loggedIn{0};
    std::atomic<int> kicked{0};      // logged in elsewhere: a disconnect changes nothing
    std::atomic<int> threadDone{0};
    std::atomic<int> loginQueued{0}; // a login went out on the current connection
    std::atomic<int> enabled{1};     // the session may connect

    void ArmRetry(int ms) { retry_.Arm(ms); }
    // The session stays idle until ArmRetry ("联机"): the loop's own re-arm,
    // even one already under way, does not bring it back.
    void KillRetry() { retry_.Hold(); }
    void RearmRetry(int ms) { retry_.Rearm(ms); }
    bool RetryExpired() const { return retry_.Expired(); }
    void ArmFaxList(int ms) { faxList_.Arm(ms); }
    void KillFaxList() { faxList_.Kill(); }
    bool FaxListExpired() const { return faxList_.Expired(); }

private:
    SharedTimer retry_;
    SharedTimer faxList_;
};

// The steps the loop drives.
class SessionSteps {
public:
    virtual ~SessionSteps() = default;
    virtual int openFaxServer() = 0;
    virtual int loginFaxServer() = 0;
    virtual int SendQueryFaxList() = 0;
    virtual int HandleDownload() = 0;
};

// The server session thread: connects, logs in (again every loginRepeatMs
// until a success reply arrives), asks for the fax list once the login
// has gone out on the connection, when the fax-list timer has expired
// (once per run, unless the session re-arms it for a new connection), and
// drains the download pump on every pass.
class SessionThread : public Spindle::ThreadIf {
public:
    SessionThread(SessionSteps& steps, SessionState& state, SessionPeriods periods = {})
        : steps_(steps), state_(state), periods_(periods) {}
    ~SessionThread() override { stopAndJoin(); }

    const SessionPeriods& periods() const { return periods_; }
    // Asks the thread to leave its loop and waits until it has.
    void Stop();

protected:
    void thread() override;

private:
    // The connect and login part of a pass; false when the pass ends there.
    bool RetryStep();

    SessionSteps& steps_;
    SessionState& state_;
    SessionPeriods periods_;
};
