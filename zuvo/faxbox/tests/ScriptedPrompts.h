#pragma once
// Document prompts for tests: every text shown or asked is recorded, and the
// answers come from queues (Cancel and no path once they run dry).

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "faxbox/Pelno1Doc.h"

class ScriptedPrompts : public DocumentPrompts {
public:
    void Inform(const std::string& text) override { texts.push_back(text); }
    Answer AskYesNoCancel(const std::string& text) override
    {
        texts.push_back(text);
        if (answers.empty())
            return Answer::Cancel;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<SavePath> ChooseSavePath(const std::string& filter) override
    {
        filters.push_back(filter);
        if (paths.empty())
            return std::nullopt;
        auto chosen = paths.front();
        paths.pop_front();
        return chosen;
    }

    std::vector<std::string> texts;
    std::vector<std::string> filters;
    std::deque<Answer> answers;
    std::deque<std::optional<SavePath>> paths;
};
