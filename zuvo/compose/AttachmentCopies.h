#pragma once

// The compose window's own copies of its attachments. Every file the window
// lists is copied into a private directory when it is added, and the page
// editor's edits (notes, seals, crops) and the saves work on that copy: the
// file the user picked, or a stored fax's page file taken into a forward,
// is never changed. Each copy keeps its source's last path component, which
// the saved record stores as File.

#include <map>
#include <optional>
#include <string>

#include "core/stores/ScratchDirectory.h"

class AttachmentCopies {
public:
    AttachmentCopies();

    // Copies `source` (the directory made when needed); the copy's path, or
    // nothing (logged) when the source cannot be read or the copy written.
    // A source added again gets a fresh copy.
    std::optional<std::string> Add(const std::string& source);
    // The copy of a source added earlier; the source itself when there is
    // none (a listed file that could not be copied, or was never added).
    std::string WorkingPath(const std::string& source) const;
    // Removes the copy of `source`, if any.
    void Remove(const std::string& source);

private:
    ScratchDirectory directory_;
    std::map<std::string, std::string> copies_; // source -> copy
    unsigned next_ = 0;
};
