#pragma once

// A prompter for tests: it records every text and file request it is given
// and answers from the queues a test fills (questions no, three-way questions
// Cancel, file dialogs and the program's own dialogs cancelled once a queue
// is empty). ScopedPrompter
// installs one for the life of a test and puts the previous one back.

#include "core/qt/Prompter.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ScriptedPrompter : public Prompter {
public:
    struct Script {
        QStringList texts;                                  // every text shown or asked, in order
        std::vector<FileRequest> fileRequests;              // every file dialog, in order
        std::deque<bool> answers;                           // for Ask
        std::deque<PromptAnswer> threeWayAnswers;           // for AskYesNoCancel
        std::deque<std::optional<ChosenFile>> chosenFiles;  // for ChooseFile
        // For RunDialog: each fills the dialog and gives its result.
        std::deque<std::function<int(QDialog&)>> dialogs;
        QStringList dialogTitles;                           // every dialog run, in order
    };

    explicit ScriptedPrompter(Script& script) : script_(script) {}

    void Inform(const QString& text) override { script_.texts.push_back(text); }
    bool Ask(const QString& text) override
    {
        script_.texts.push_back(text);
        return take(script_.answers, false);
    }
    PromptAnswer AskYesNoCancel(const QString& text) override
    {
        script_.texts.push_back(text);
        return take(script_.threeWayAnswers, PromptAnswer::Cancel);
    }
    std::optional<ChosenFile> ChooseFile(const FileRequest& request) override
    {
        script_.fileRequests.push_back(request);
        return take(script_.chosenFiles, std::optional<ChosenFile>());
    }
    int RunDialog(QDialog& dialog) override
    {
        script_.dialogTitles.push_back(dialog.windowTitle());
        const auto answer = take(script_.dialogs, std::function<int(QDialog&)>());
        return answer ? answer(dialog) : QDialog::Rejected;
    }

private:
    template <typename T>
    static T take(std::deque<T>& queue, T otherwise)
    {
        if (!queue.empty()) {
            otherwise = std::move(queue.front());
            queue.pop_front();
        }
        return otherwise;
    }

    Script& script_;
};

// Installs a ScriptedPrompter over `script` while it lives.
class ScopedPrompter {
public:
    explicit ScopedPrompter(ScriptedPrompter::Script& script)
        : previous_(InstallPrompter(std::make_unique<ScriptedPrompter>(script)))
    {
    }
    ~ScopedPrompter() { InstallPrompter(std::move(previous_)); }
    ScopedPrompter(const ScopedPrompter&) = delete;
    ScopedPrompter& operator=(const ScopedPrompter&) = delete;

private:
    std::unique_ptr<Prompter> previous_;
};
