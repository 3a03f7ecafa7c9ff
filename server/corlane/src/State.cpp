// Operators and states: how one state runs an event through its operators
// and moves the conversation to the state they name.
#include "corlane/State.h"

#include "corlane/Context.h"
#include "jotter/Jotter.h"

namespace CRL {

namespace {

// The finished-event marker; its address is what operators return.
State doneState;

const char* nameOf(State* state) { return state ? state->name() : "(none)"; }

} // namespace

State* const State::STATE_DONE = &doneState;

State* Operator::process(Event*) { return State::STATE_CONTINUE; }

void Operator::doCpLog() { cpLog_old_version(kLogEngine, "Operator: %s", name()); }

const char* State::name() { return "State"; }

void State::doCpLog() { cpLog_old_version(kLogEngine, "State: %s", name()); }

void State::addEntryOperator(Operator* op) { helperAdd(entryOperators_, op, "Insert %s entry operator"); }
void State::addOperator(Operator* op) { helperAdd(operators_, op, "Insert %s operator"); }
void State::addExitOperator(Operator* op) { helperAdd(exitOperators_, op, "Insert %s exit operator"); }

void State::clearAll()
{
    entryOperators_.clear();
    operators_.clear();
    exitOperators_.clear();
}

void State::helperAdd(OperatorList& list, Operator* op, const char* format)
{
    if (!op) {
        cpLog_old_version(kLogEngine, "Insert NULL operator refused");
        return;
    }
    cpLog_old_version(kLogEngine, format, op->name());
    list.push_back(op);
}

void State::runAll(const OperatorList& list, Event* event)
{
    for (Operator* op : list)
        op->process(event);
}

void State::processEntry(Event* event) { runAll(entryOperators_, event); }
void State::processExit(Event* event) { runAll(exitOperators_, event); }

// The main operators in order. STATE_DONE ends the event here; the first
// operator that names a next state decides it, and a later operator naming
// another one is logged so its choice is not lost without a trace.
State* State::runOperators(Event* event)
{
    State* next = STATE_CONTINUE;
    for (Operator* op : operators_) {
        cpLog_old_version(kLogEngine, "Processing operator (%s)", op->name());
        State* result = op->process(event);
        if (result == STATE_DONE) {
            cpLog_old_version(kLogEngine, "***** Done with Event ***");
            break;
        }
        if (result == STATE_CONTINUE || result == next)
            continue;
        if (next == STATE_CONTINUE)
            next = result;
        else
            cpLog_old_version(kLogEngine, "Operator (%s) names state (%s) too; the first choice (%s) stands",
                              op->name(), nameOf(result), nameOf(next));
    }
    return next;
}

// Leaves this state for next: this state's exit operators, then the new
// current state, then next's entry operators. Without a context there is
// nowhere to record the new state; the operators still run.
void State::moveTo(State* next, Event* event)
{
    processExit(event);
    if (CtxInfo* context = event->getCtxInfo())
        context->setCurState(next);
    else
        cpLog_old_version(kLogEngine, "No CtxInfo to record state (%s) in State:[%s]", nameOf(next), name());
    next->processEntry(event);
}

State* State::process(Event* event)
{
    if (!event) {
        cpLog_old_version(kLogEngine, "State::process:Event == NULL");
        return STATE_CONTINUE;
    }
    State* current = STATE_CONTINUE;
    if (CtxInfo* context = event->getCtxInfo())
        current = context->getCurState();
    else
        cpLog_old_version(kLogEngine, "event CtxInfo is Null! in State:[%s]", name());
    // A conversation in another state is that state's business.
    if (current != STATE_CONTINUE && current != this) {
        cpLog_old_version(kLogEngine, "******************************STATE CONTINUE");
        return STATE_CONTINUE;
    }

    State* next = runOperators(event);
    if (next != STATE_CONTINUE)
        moveTo(next, event);
    cpLog_old_version(kLogEngine, "Done with state (%s)", name());
    return next;
}

} // namespace CRL
