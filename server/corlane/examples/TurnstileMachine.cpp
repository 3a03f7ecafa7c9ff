// The turnstile machine's operators and how its states are put together.
#include "TurnstileMachine.h"

#include <cstring>

namespace turnstile {

CRL::State* TriggerOperator::process(CRL::Event* event)
{
    return std::strcmp(event->getString("event"), trigger_) == 0 ? result_ : CRL::State::STATE_CONTINUE;
}

AnnounceOperator::AnnounceOperator(const char* verb, CRL::State& state, std::ostream& out)
    : name_(std::string(verb) + "-" + state.name()), line_(std::string("  ") + verb + " " + state.name()), out_(out)
{
}

CRL::State* AnnounceOperator::process(CRL::Event*)
{
    out_ << line_ << '\n';
    return CRL::State::STATE_CONTINUE;
}

Turnstile::Turnstile(std::ostream& out)
    : leaveLocked_("exit", locked_, out), enterLocked_("entry", locked_, out),
      leaveUnlocked_("exit", unlocked_, out), enterUnlocked_("entry", unlocked_, out)
{
    locked_.addOperator(&pushWhileLocked_);
    locked_.addOperator(&coinWhileLocked_);
    locked_.addEntryOperator(&enterLocked_);
    locked_.addExitOperator(&leaveLocked_);
    unlocked_.addOperator(&coinWhileUnlocked_);
    unlocked_.addOperator(&pushWhileUnlocked_);
    unlocked_.addEntryOperator(&enterUnlocked_);
    unlocked_.addExitOperator(&leaveUnlocked_);
    addState(&locked_);
    addState(&unlocked_);
}

TurnstileBuilder::TurnstileBuilder(std::ostream& out) : turnstile_(out) { addFeature(&turnstile_); }

} // namespace turnstile
