#pragma once

// Compose prompts for tests: every text in order, questions answered from a
// queue (No once it is empty).

#include <deque>
#include <string>
#include <vector>

#include "compose/ComposePrompts.h"

class ScriptedComposePrompts : public ComposePrompts {
public:
    void Inform(const std::string& text) override { texts.push_back(text); }
    bool Ask(const std::string& text) override
    {
        texts.push_back(text);
        if (answers.empty())
            return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<std::string> texts;
    std::deque<bool> answers;
};
