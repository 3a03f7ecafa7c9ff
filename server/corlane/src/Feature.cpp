// Features: offering an event to each state in turn.
#include "corlane/Feature.h"

#include "jotter/Jotter.h"
#include "textcodec/AsciiText.h"

namespace CRL {

void Feature::addState(State* state)
{
    if (!state) {
        cpLog_old_version(kLogEngine, "Insert NULL state refused");
        return;
    }
    cpLog_old_version(kLogEngine, "Insert %s state", state->name());
    states_.push_back(state);
}

State* Feature::findState(const char* name)
{
    if (!name)
        return nullptr;
    for (State* state : states_)
        if (TextCodec::equalsIgnoringAsciiCase(state->name(), name))
            return state;
    return nullptr;
}

void Feature::doCpLog() { cpLog_old_version(kLogEngine, "Feature: %s", name()); }

void Feature::process(Event* event)
{
    if (!event) {
        cpLog_old_version(kLogEngine, "Feature::process:Event==NULL");
        return;
    }
    for (State* state : states_) {
        if (state->process(event) != State::STATE_CONTINUE) {
            cpLog_old_version(kLogEngine, "Feature::process done");
            return;
        }
    }
    cpLog_old_version(kLogEngine, "Done with feature (%s)", name());
}

} // namespace CRL
