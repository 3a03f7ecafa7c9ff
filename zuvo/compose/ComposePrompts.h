#pragma once

// The questions and notices of the compose window's logic: the window
// answers them through its prompter, tests from a script.

#include <string>

class ComposePrompts {
public:
    virtual ~ComposePrompts() = default;
    // A notice with an OK button.
    virtual void Inform(const std::string& text) = 0;
    // A Yes/No question: true for Yes.
    virtual bool Ask(const std::string& text) = 0;
};
