#pragma once

#include <string>

// What the main window asks of the folder tree in its left pane: relabel
// the folders with their fax counts, and tell the type of the folder shown.
class FolderTreePane {
public:
    virtual ~FolderTreePane() = default;
    // Relabels every folder "%s(%d)" with its present number of faxes;
    // true when the selected folder's label changed (a fax came into it or
    // left it since the last relabelling).
    virtual bool RefreshFolderCounts() = 0;
    // Whether the selected folder's Type is `type` (any case).
    virtual bool IsCurFolderType(const std::string& type) const = 0;
};
