#pragma once

// The folder selected in the folder tree, as the attachments view reads it;
// the folder tree implements it.

#include <string>

class SelectedFolderSource {
public:
    virtual ~SelectedFolderSource() = default;
    // The directory of the selected folder by the one folder rule of the fax
    // records (FolderDirectory of core/stores/FaxRecordStore.h); "" when no folder is
    // selected.
    virtual std::string SelectedFolderDirectory() const = 0;
};
