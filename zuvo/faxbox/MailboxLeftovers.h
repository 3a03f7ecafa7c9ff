#pragma once

// What a crash leaves in the program's own folders, cleaned at start-up
// once the program knows that no other instance runs. Nothing that a record
// names is ever touched, and files of any other naming are left alone:
// - temporary files of the crash-safe writer (".{name}.{pid}-{n}", made by
//   an earlier process) in every mailbox folder's directory and every
//   account's data directory are removed; in the program directory only
//   those beside the file they were to replace;
// - in every mailbox folder's directory, a page file ({File}.{14 digits})
//   or body file (body-*.html) that no record names is
//     removed when it is a second name or a byte-for-byte copy of a file
//     that a record names (a move or copy that a kill cut before its save,
//     or after its save and before the old names went), or else moved into
//     the "orphans" folder of its account's data directory under a free
//     name, and logged (pages written before their record was saved, files
//     of faxes deleted for good by a run that was killed before it removed
//     them, or by an older version).

#include <string>

struct LeftoverCleaning {
    int temporariesRemoved = 0;
    int copiesRemoved = 0; // second names and copies of filed files
    int orphansMoved = 0;
};

// The folder that unnamed page files are moved to, in an account's data directory.
inline constexpr const char* kOrphansFolder = "orphans";

// Cleans the program directory and the folders of every account of the open
// account store (nothing when it is closed).
LeftoverCleaning CleanMailboxLeftovers(const std::string& programDirectory);
