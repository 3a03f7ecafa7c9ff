#pragma once

#include <optional>
#include <string>

// What tells one version of a file from another: its identity, size and
// change times (to the nanosecond). Every save of the program's XML stores
// renames a new file into place, so a new version always has a new stamp;
// a document whose file still has the stamp it was read at need not be
// parsed again.
struct FileStamp {
    unsigned long long device = 0, inode = 0;
    long long size = 0;
    long long modifiedSec = 0, modifiedNsec = 0, changedSec = 0, changedNsec = 0;

    bool operator==(const FileStamp&) const = default;

    // Nothing when the file cannot be looked at.
    static std::optional<FileStamp> Of(const std::string& path);
};
