#pragma once

// A coin-operated turnstile as an engine machine: the states Locked and
// Unlocked of one feature, the operators that react to "coin" and "push",
// and operators that print each state left and entered.

#include <ostream>
#include <string>
#include <utility>

#include "corlane/Builder.h"
#include "corlane/Context.h"
#include "corlane/Event.h"

namespace turnstile {

// An event of the turnstile: "event" says what happened ("coin" or "push"),
// "invokeid" which conversation it belongs to.
class TurnstileEvent : public CRL::Event {
public:
    long getInvokeId() override { return getLong("invokeid"); }
};

// The context of one conversation.
class Conversation : public CRL::CtxInfo {
public:
    explicit Conversation(long id) : id_(id) {}
    long id() override { return id_; }

private:
    long id_;
};

// A named state whose operator lists the machine fills.
class TurnstileState : public CRL::State {
public:
    explicit TurnstileState(const char* name) : name_(name) {}
    const char* name() override { return name_; }

    using CRL::State::addEntryOperator;
    using CRL::State::addExitOperator;
    using CRL::State::addOperator;

private:
    const char* name_;
};

// Returns its result when the event's "event" value is its trigger; stays
// otherwise.
class TriggerOperator : public CRL::Operator {
public:
    TriggerOperator(std::string name, const char* trigger, CRL::State* result)
        : name_(std::move(name)), trigger_(trigger), result_(result) {}
    const char* name() override { return name_.c_str(); }
    CRL::State* process(CRL::Event* event) override;

private:
    std::string name_;
    const char* trigger_;
    CRL::State* result_;
};

// Prints "  <verb> <state>" for every event it sees.
class AnnounceOperator : public CRL::Operator {
public:
    AnnounceOperator(const char* verb, CRL::State& state, std::ostream& out);
    const char* name() override { return name_.c_str(); }
    CRL::State* process(CRL::Event* event) override;

private:
    std::string name_;
    std::string line_;
    std::ostream& out_;
};

// The turnstile: Locked first, then Unlocked. A coin unlocks and a push
// locks; a push while Locked and a coin while Unlocked finish the event
// where it is.
class Turnstile : public CRL::Feature {
public:
    explicit Turnstile(std::ostream& out);
    const char* name() override { return "Turnstile"; }

private:
    TurnstileState locked_{"Locked"};
    TurnstileState unlocked_{"Unlocked"};
    TriggerOperator pushWhileLocked_{"PushWhileLocked", "push", CRL::State::STATE_DONE};
    TriggerOperator coinWhileLocked_{"CoinWhileLocked", "coin", &unlocked_};
    TriggerOperator coinWhileUnlocked_{"CoinWhileUnlocked", "coin", CRL::State::STATE_DONE};
    TriggerOperator pushWhileUnlocked_{"PushWhileUnlocked", "push", &locked_};
    AnnounceOperator leaveLocked_;
    AnnounceOperator enterLocked_;
    AnnounceOperator leaveUnlocked_;
    AnnounceOperator enterUnlocked_;
};

// The builder over the turnstile feature.
class TurnstileBuilder : public CRL::Builder {
public:
    explicit TurnstileBuilder(std::ostream& out);
    CRL::Feature& feature() { return turnstile_; }

private:
    Turnstile turnstile_;
};

} // namespace turnstile
