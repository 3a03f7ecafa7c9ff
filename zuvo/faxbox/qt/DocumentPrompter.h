#pragma once
// The document's questions and messages through the program's prompter.

#include "faxbox/Pelno1Doc.h"

class PrompterDocumentPrompts : public DocumentPrompts {
public:
    void Inform(const std::string& text) override;
    Answer AskYesNoCancel(const std::string& text) override;
    std::optional<SavePath> ChooseSavePath(const std::string& filter) override;
};
