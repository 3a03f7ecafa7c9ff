#pragma once

#include <vector>

#include "corlane/Timer.h"
#include "spindle/VMutex.h"

namespace CRL {

class State;

// The engine's record of one conversation: the state it has reached and a
// deadline its operators may arm. The current state is not locked: one
// conversation's events are processed on one thread at a time.
class CtxInfo {
public:
    CtxInfo() = default;
    // A copy has the same current state and a copy of the timer.
    CtxInfo(const CtxInfo&) = default;
    CtxInfo& operator=(const CtxInfo&) = default;
    virtual ~CtxInfo() = default;

    // The conversation's invoke id, compared with Event::getInvokeId().
    virtual long id() = 0;
    // 1 when name equals "ctx" ignoring ASCII case, else 0.
    virtual int is(const char* name);
    virtual const char* name();

    // The state reached; null (State::STATE_CONTINUE) until one is set.
    State* getCurState() const { return curState_; }
    void setCurState(State* state) { curState_ = state; }

    // The timer's SetTimer, KillTimer and TimeOut.
    int setTimer(int ms) { return timer_.SetTimer(ms); }
    int killTimer() { return timer_.KillTimer(); }
    int isTimeOut() const { return timer_.TimeOut(); }

private:
    State* curState_ = nullptr;
    Timer timer_;
};

// The contexts of the live conversations, searched by invoke id. Any thread
// may add, find and remove; the list is guarded by the container's lock. The
// contexts are not owned: whoever removes one decides when it is destroyed,
// and must not destroy one that another thread may still have found.
class CtxContainer {
public:
    CtxContainer() = default;
    // A copy lists the same contexts and has a lock of its own.
    CtxContainer(const CtxContainer& other);
    CtxContainer& operator=(const CtxContainer& other);
    virtual ~CtxContainer() = default;

    // The first context whose id() equals id; null when there is none.
    virtual CtxInfo* getCtxInfo(long id);

    // Appends a context: 1; null: 0.
    int addCtxInfo(CtxInfo* info);
    // Takes the first entry that is this context off the list: 1; not listed: 0.
    int removeCtxInfo(CtxInfo* info);

private:
    std::vector<CtxInfo*> snapshot() const;

    std::vector<CtxInfo*> contexts_; // under lock_
    mutable Spindle::VMutex lock_;
};

} // namespace CRL
