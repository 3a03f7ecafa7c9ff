#pragma once

// Crash-safe file writes: a file either keeps its old bytes or has all the
// new ones, whatever happens while it is written (a failed write, a full
// disk, a crash or a power cut).
//
// How: the bytes go to a temporary file beside the target (same directory,
// so the same file system), which is synced, then given the target's name
// in one rename, after which the directory is synced so that the new name
// survives a power cut. A temporary file that did not make it is removed.
//
// Modes: Replace puts the new file in place of an existing one, keeping the
// old file's permission bits (unless told otherwise), and through a symbolic
// link replaces the file the link names, keeping the link; CreateOnly never
// replaces anything (a link is a taken name) and reports a taken name. Other files get fileMode, or
// else the mode of any new file: 0666 less the umask, which the kernel
// applies (the process umask is never changed, since other threads may be
// creating files meanwhile).
//
// Errors: a write that did not happen gives WriteResult::Failed with errno
// telling why; nothing is logged here, the caller knows what the file is.
// Threads: calls on different targets are independent; two writers of one
// target in Replace mode leave one of the two contents.

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace safefile {

enum class Mode {
    Replace,    // put in place of an existing file, or create it
    CreateOnly, // create it; an existing file of that name is left alone
};

enum class WriteResult {
    Written,      // the target holds the new bytes and its name is synced
    TargetExists, // CreateOnly: the name was taken; nothing was changed
    Failed,       // nothing was changed; errno tells why
};

struct WriteOptions {
    Mode mode = Mode::Replace;
    // Permission bits of the new file; none gives 0666 less the umask.
    std::optional<mode_t> fileMode;
    // Replace: a file put in place of another takes the other's permission
    // bits rather than fileMode.
    bool keepOldMode = true;
};

// The system calls the writer makes, so that tests can make one of them
// fail (a full disk, a failed rename) or watch them (the directory sync).
struct SystemCalls {
    ssize_t (*write)(int fd, const void* bytes, size_t count);
    int (*fsync)(int fd);
    int (*rename)(const char* from, const char* to);
    // Renames only when `to` does not exist (EEXIST otherwise); EINVAL or
    // ENOSYS where the file system cannot, and the writer links instead.
    int (*renameNoReplace)(const char* from, const char* to);
    int (*link)(const char* from, const char* to);
};
// The real calls (renameNoReplace is renameat2 with RENAME_NOREPLACE).
const SystemCalls& RealSystemCalls();

// Writes the bytes as the file at path, as described above.
WriteResult WriteFile(const std::string& path, std::string_view bytes, const WriteOptions& options = {});
// The same through the given calls.
WriteResult WriteFile(const std::string& path, std::string_view bytes, const WriteOptions& options,
                      const SystemCalls& calls);

// Writes a copy of the regular file at source as the file at path, as
// WriteFile writes bytes, reading the source piece by piece so that its size
// costs no memory. Failed with errno EFBIG when the source holds more than
// maxBytes, EINVAL when it is not a regular file; a source that cannot be
// read leaves the target as it was.
WriteResult CopyFile(const std::string& source, const std::string& path, const WriteOptions& options = {},
                     std::uint64_t maxBytes = UINT64_MAX);
WriteResult CopyFile(const std::string& source, const std::string& path, const WriteOptions& options,
                     std::uint64_t maxBytes, const SystemCalls& calls);

// Writes all the bytes to the descriptor, going on after partial writes and
// interruptions. False on the first error (errno tells which).
bool WriteAll(int fd, std::string_view bytes);

// Syncs a directory, so that the names made in it (links, renames) survive
// a power cut. False (errno tells why) when it cannot be opened or synced.
bool SyncDirectory(const std::string& directory);

// A temporary file of the writer that a crash left behind carries the name
// ".{start of the target's name}.{pid}-{n}" (the start: at most 64 bytes of
// the target's name). The name's parts, or none when it is no such name.
struct TemporaryName {
    std::string targetStart;
    pid_t owner = 0;
};
std::optional<TemporaryName> ParseTemporaryName(std::string_view fileName);

} // namespace safefile
