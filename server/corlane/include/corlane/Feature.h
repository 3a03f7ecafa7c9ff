#pragma once

#include <vector>

#include "corlane/State.h"

namespace CRL {

// A group of states that handle one kind of work. An event is offered to
// the states in order until one of them moves the conversation on.
class Feature {
public:
    Feature() = default;
    Feature(const Feature&) = default;
    Feature& operator=(const Feature&) = default;
    virtual ~Feature() = default;

    virtual const char* name() = 0;
    // Each state processes the event in turn; the first one that returns a
    // next state ends the walk ("Feature::process done"). A null event is
    // logged and ignored.
    virtual void process(Event* event);

    // The first state whose name equals name ignoring ASCII case; null when
    // there is none (or name is null).
    State* findState(const char* name);
    // Logs "Feature: <name>".
    void doCpLog();

protected:
    // Appends a non-null state and logs "Insert <name> state" (a null one is
    // logged and left out). The state is not owned.
    void addState(State* state);

private:
    std::vector<State*> states_;
};

} // namespace CRL
