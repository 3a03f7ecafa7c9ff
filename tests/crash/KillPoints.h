#pragma once

// One step of the program run in a child process of its own, which is
// killed with SIGKILL a chosen time after the step began, as a power cut or
// "kill -9" would end the program: nothing of the child's runs after the
// signal (no destructor, no buffered write, no handler).

#include <functional>

struct ChildOutcome {
    bool started = false;  // the child reached its step
    bool killed = false;   // SIGKILL ended it while the step ran
    bool finished = false; // it came to the end of its step by itself
    double ranMs = 0;      // from the start of the step to the child's end
};

// Forks a child that runs prepare(), tells the parent that its step begins,
// runs step() and exits. With killAfterUs >= 0 the child is killed that many
// microseconds after its step began (unless it ended before); otherwise it is
// given limitMs to end and killed after that (finished is then false).
ChildOutcome RunChild(const std::function<void()>& prepare, const std::function<void()>& step, long killAfterUs,
                      int limitMs);
