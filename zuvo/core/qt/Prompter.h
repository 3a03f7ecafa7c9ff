#pragma once

// Every message box and file dialog of the program goes through the current
// prompter, so that a test (or a headless run) can answer it without a modal
// window.

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// The answer to a question with Yes, No and Cancel.
enum class PromptAnswer { Yes, No, Cancel };

// One entry of a file dialog's filter: its label and its name patterns.
struct FileFilter {
    QString label;
    QStringList patterns;

    bool operator==(const FileFilter&) const = default;
};

// The entries of a filter written as "Label|patterns|Label|patterns||", the
// patterns of one entry separated by ";" (the form the program's texts use).
// Labels and patterns are trimmed; the list ends at the first empty label or
// at the end of the text; a label without patterns is dropped.
QList<FileFilter> ParseFileFilter(const QString& filter);

// One entry as a Qt dialog's name filter: the label, then every pattern in
// its own spelling, in small and in capital letters, in parentheses (file
// names are case-sensitive here, the patterns were written for a platform
// where they were not). "TIFF(*.TIF)" with "*.TIF" gives
// "TIFF(*.TIF) (*.TIF *.tif)".
QString QtNameFilter(const FileFilter& filter);

// What a file dialog asks.
struct FileRequest {
    bool save = false;            // a save dialog; else an open dialog for one existing file
    QString filter;               // "Label|patterns|...||" as for ParseFileFilter
    QString initialPath;          // a folder, a file name or a path to start from ("" none)
    QString defaultExtension;     // added when the typed name has none ("" none), without "."
    bool overwritePrompt = false; // save: confirm before an existing file is chosen
};

// What the user chose: a path, and the 0-based place of the filter that was
// selected in the request's filter list.
struct ChosenFile {
    QString path;
    int filterIndex = 0;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // A plain information box with an OK button.
    virtual void Inform(const QString& text) = 0;
    // A yes/no question; true for yes.
    virtual bool Ask(const QString& text) = 0;
    // A question with Yes, No and Cancel; closing the box is Cancel.
    virtual PromptAnswer AskYesNoCancel(const QString& text) = 0;
    // A file dialog; nothing when the user cancelled.
    virtual std::optional<ChosenFile> ChooseFile(const FileRequest& request) = 0;
    // A dialog of the program's own (a password prompt, say), run modally:
    // QDialog::Accepted or QDialog::Rejected. The dialog's fields hold what
    // was typed. Unless a prompter answers otherwise, the dialog is shown.
    virtual int RunDialog(QDialog& dialog);
};

// The prompter in use: the one installed last, else modal message boxes and
// file dialogs.
Prompter& CurrentPrompter();

// Installs `prompter` (null restores the message boxes) and returns the one
// it replaces.
std::unique_ptr<Prompter> InstallPrompter(std::unique_ptr<Prompter> prompter);

// Installs a prompter that appends every text to the file named by
// $ZUVO_PROMPT_LOG (one text and a blank line each), when that variable is
// set; without it, on a platform without a screen (offscreen, minimal), the
// texts go to standard error the same way, so that a headless run never waits
// on a box nobody sees. It answers every question with no, a Yes/No/Cancel
// question with Cancel (nothing is dropped or overwritten unasked), and
// cancels every file dialog (writing its filter) and every dialog of the
// program's own (writing its title).
void InstallPrompterFromEnvironment();

// Shorthand for CurrentPrompter().Inform(text).
void ShowMessage(const QString& text);
