#pragma once

// Every message box of the program goes through the current prompter, so
// that a test (or a headless run) can answer it without a modal window.

#include <QString>

#include <memory>

class Prompter {
public:
    virtual ~Prompter() = default;
    // A plain information box with an OK button.
    virtual void Inform(const QString& text) = 0;
    // A yes/no question; true for yes.
    virtual bool Ask(const QString& text) = 0;
};

// The prompter in use: the one installed last, else modal message boxes.
Prompter& CurrentPrompter();

// Installs `prompter` (null restores the message boxes) and returns the one
// it replaces.
std::unique_ptr<Prompter> InstallPrompter(std::unique_ptr<Prompter> prompter);

// Installs a prompter that appends every text to the file named by
// $ZUVO_PROMPT_LOG (one text and a blank line each) and answers questions
// with no, when that variable is set; without it, on a platform without a
// screen (offscreen, minimal), the texts go to standard error the same way,
// so that a headless run never waits on a box nobody sees.
void InstallPrompterFromEnvironment();

// Shorthand for CurrentPrompter().Inform(text).
void ShowMessage(const QString& text);
