#pragma once

// What the crash-safe writer and ReplacementFile share: the temporary file
// beside a target and the sync of the target's directory.

#include "safefile/SafeFile.h"
#include "safefile/UniqueFd.h"

#include <sys/types.h>

#include <optional>
#include <string>

namespace safefile::beside {

// The directory part of path ("." without one).
std::string DirectoryOf(const std::string& path);

// The file that path names, its symbolic links followed (a relative link
// from the link's own directory), so that replacing it keeps the links;
// path itself when it is no link; "" (errno ELOOP) after 40 links.
std::string FollowLinks(const std::string& path);

// The permission bits of the file at path; none when there is no such file.
std::optional<mode_t> ModeOf(const std::string& path);

// Creates a new file ".{start of the target's name}.{pid}-{n}" in the
// target's directory (same file system, so a rename can put it in place),
// with createMode less the umask. Its descriptor and its name in *path, or
// no descriptor (errno tells why, *path empty).
UniqueFd CreateTemporary(const std::string& target, mode_t createMode, std::string* path);

// Syncs the target's directory, so that a new name there survives a power
// cut. The name is in place already: a directory that cannot be synced
// leaves a whole file, so nothing is reported; errno is kept.
void SyncDirectoryOf(const SystemCalls& calls, const std::string& target);

// Keeps errno across the cleanup that follows a failure.
class ErrnoKeeper {
public:
    ErrnoKeeper();
    ~ErrnoKeeper();
    ErrnoKeeper(const ErrnoKeeper&) = delete;
    ErrnoKeeper& operator=(const ErrnoKeeper&) = delete;

private:
    int saved_;
};

} // namespace safefile::beside
