// The document's questions and messages through the program's prompter.
#include "faxbox/qt/DocumentPrompter.h"

#include <QFile>

#include "core/qt/Prompter.h"

void PrompterDocumentPrompts::Inform(const std::string& text)
{
    ShowMessage(QString::fromStdString(text));
}

DocumentPrompts::Answer PrompterDocumentPrompts::AskYesNoCancel(const std::string& text)
{
    switch (CurrentPrompter().AskYesNoCancel(QString::fromStdString(text))) {
    case PromptAnswer::Yes: return Answer::Yes;
    case PromptAnswer::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

std::optional<DocumentPrompts::SavePath> PrompterDocumentPrompts::ChooseSavePath(const std::string& filter)
{
    FileRequest request;
    request.save = true;
    request.filter = QString::fromStdString(filter);
    request.overwritePrompt = true;
    const std::optional<ChosenFile> chosen = CurrentPrompter().ChooseFile(request);
    if (!chosen || chosen->path.isEmpty())
        return std::nullopt;
    return SavePath{QFile::encodeName(chosen->path).toStdString(), chosen->filterIndex};
}
