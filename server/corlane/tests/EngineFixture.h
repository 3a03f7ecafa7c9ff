#pragma once

// A small machine for the engine's tests: feature "Gate" with the states
// S, T and U. Every operator notes in a trail that it ran and which state
// the conversation was in at that moment.
//
//   S: toT  on "go" or "fork" -> T
//      done on "finish"       -> STATE_DONE
//      toU  on "fork"         -> U       (a second choice for "fork")
//      entry enterS, exit leaveS
//   T: back on "back"         -> S
//      entry enterT, exit leaveT
//   U: no operators

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "corlane/Builder.h"
#include "corlane/Context.h"
#include "corlane/Event.h"

namespace enginetest {

using Trail = std::vector<std::string>;

class NamedState : public CRL::State {
public:
    explicit NamedState(const char* name) : name_(name) {}
    const char* name() override { return name_; }
    using CRL::State::addEntryOperator;
    using CRL::State::addExitOperator;
    using CRL::State::addOperator;
    using CRL::State::clearAll;

private:
    const char* name_;
};

// Notes "<name> in <state>" and returns result when the event's "event" is
// one of the triggers (always, without triggers); stays otherwise.
class ScriptedOperator : public CRL::Operator {
public:
    ScriptedOperator(std::string name, std::set<std::string> triggers, CRL::State* result, Trail& trail)
        : name_(std::move(name)), triggers_(std::move(triggers)), result_(result), trail_(trail) {}
    const char* name() override { return name_.c_str(); }
    CRL::State* process(CRL::Event* event) override
    {
        const CRL::CtxInfo* context = event->getCtxInfo();
        CRL::State* current = context ? context->getCurState() : nullptr;
        trail_.push_back(name_ + " in " + (current ? current->name() : "none"));
        if (triggers_.empty() || triggers_.count(event->getString("event")))
            return result_;
        return CRL::State::STATE_CONTINUE;
    }

private:
    std::string name_;
    std::set<std::string> triggers_;
    CRL::State* result_;
    Trail& trail_;
};

class NamedFeature : public CRL::Feature {
public:
    explicit NamedFeature(const char* name) : name_(name) {}
    const char* name() override { return name_; }
    using CRL::Feature::addState;

private:
    const char* name_;
};

class OpenBuilder : public CRL::Builder {
public:
    using CRL::Builder::addFeature;
};

class Conversation : public CRL::CtxInfo {
public:
    explicit Conversation(long id) : id_(id) {}
    long id() override { return id_; }

private:
    long id_;
};

// An event of a given conversation and "event" value.
class ConversationEvent : public CRL::Event {
public:
    ConversationEvent(long invokeId, const char* what) : invokeId_(invokeId) { appendKV("event", what); }
    long getInvokeId() override { return invokeId_; }

private:
    long invokeId_;
};

// The Gate machine, set up in the constructor (which logs the insert lines).
struct GateMachine {
    GateMachine()
    {
        s.addOperator(&toT);
        s.addOperator(&done);
        s.addOperator(&toU);
        s.addEntryOperator(&enterS);
        s.addExitOperator(&leaveS);
        t.addOperator(&back);
        t.addEntryOperator(&enterT);
        t.addExitOperator(&leaveT);
        gate.addState(&s);
        gate.addState(&t);
        gate.addState(&u);
        builder.addFeature(&gate);
    }

    Trail trail;
    NamedState s{"S"};
    NamedState t{"T"};
    NamedState u{"U"};
    ScriptedOperator toT{"toT", {"go", "fork"}, &t, trail};
    ScriptedOperator done{"done", {"finish"}, CRL::State::STATE_DONE, trail};
    ScriptedOperator toU{"toU", {"fork"}, &u, trail};
    ScriptedOperator back{"back", {"back"}, &s, trail};
    ScriptedOperator enterS{"enterS", {}, CRL::State::STATE_CONTINUE, trail};
    ScriptedOperator leaveS{"leaveS", {}, CRL::State::STATE_CONTINUE, trail};
    ScriptedOperator enterT{"enterT", {}, CRL::State::STATE_CONTINUE, trail};
    ScriptedOperator leaveT{"leaveT", {}, CRL::State::STATE_CONTINUE, trail};
    NamedFeature gate{"Gate"};
    OpenBuilder builder;
};

} // namespace enginetest
