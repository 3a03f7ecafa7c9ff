#pragma once

#include <vector>

#include "corlane/Event.h"

// The state-machine engine routes events through three levels:
//
//   Builder  -> its Features, in order           (Builder.h)
//   Feature  -> its States, until one moves on   (Feature.h)
//   State    -> its Operators                    (this file)
//
// The state a conversation has reached lives in a CtxInfo (Context.h), found
// by the event's invoke id. Every list of the engine holds pointers it does
// not own: destroying or clearing a builder, feature, state or container
// deletes none of the objects it lists, and their owner must keep them alive
// while they are listed. The engine is set up once and then only read;
// processing one event is single-threaded. Its log lines go to Jotter at
// level 7.

namespace CRL {

class State;

// One step of a state's work on an event.
class Operator {
public:
    Operator() = default;
    Operator(const Operator&) = default;
    Operator& operator=(const Operator&) = default;
    virtual ~Operator() = default;

    virtual const char* name() = 0;
    // Works on the event and names the state to go to: State::STATE_CONTINUE
    // (null) to stay, State::STATE_DONE when the event is finished. The base
    // stays.
    virtual State* process(Event* event);
    // Logs "Operator: <name>".
    virtual void doCpLog();
};

// A state: the operators run when the state is entered, while it holds an
// event, and when it is left.
class State {
public:
    // Stay in the current state; for a state's process: the event was not
    // taken up here.
    static constexpr State* STATE_CONTINUE = nullptr;
    // The event is finished: the state's later operators do not run and no
    // transition happens. One object for the whole process.
    static State* const STATE_DONE;

    State() = default;
    State(const State&) = default;
    State& operator=(const State&) = default;
    virtual ~State() = default;

    // Runs the event through this state when the event's context is in this
    // state or has none (see State.cpp for the rules). Returns the state the
    // conversation moved to, or STATE_CONTINUE.
    virtual State* process(Event* event);
    virtual const char* name();
    // Logs "State: <name>".
    virtual void doCpLog();
    // Run every entry or exit operator on the event; their results are ignored.
    virtual void processEntry(Event* event);
    virtual void processExit(Event* event);

protected:
    using OperatorList = std::vector<Operator*>;

    // Each appends a non-null operator (a null one is logged and left out).
    void addEntryOperator(Operator* op);
    void addOperator(Operator* op);
    void addExitOperator(Operator* op);
    // Empties the three lists; the operators are not deleted.
    void clearAll();

    // Logs format with the operator's name and appends the operator.
    static void helperAdd(OperatorList& list, Operator* op, const char* format);

private:
    static void runAll(const OperatorList& list, Event* event);
    State* runOperators(Event* event);
    void moveTo(State* next, Event* event);

    OperatorList entryOperators_;
    OperatorList operators_;
    OperatorList exitOperators_;
};

} // namespace CRL
