// The crash-safe writer: temporary file beside the target, fsync, rename
// (or rename without replacing), fsync of the directory.

#include "safefile/SafeFile.h"

#include "Beside.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace safefile {
namespace {

int renameNoReplace(const char* from, const char* to)
{
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}

const SystemCalls kRealCalls{::write, ::fsync, ::rename, renameNoReplace, ::link};

bool writeAllWith(const SystemCalls& calls, int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = calls.write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC; // a write that takes nothing is a full disk
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// A new file beside the target, ".{tag}.{pid}-{n}", removed unless it was
// given the target's name. Created with mode 0666, less the umask.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target) : fd_(beside::CreateTemporary(target, 0666, &path_)) {}
    ~TemporaryFile()
    {
        if (path_.empty())
            return;
        beside::ErrnoKeeper keep;
        fd_.reset();
        ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_.get(); }
    const std::string& path() const { return path_; }
    bool close()
    {
        return ::close(fd_.release()) == 0;
    }
    // The file now has another name (or a second one, removed here).
    void placed() { path_.clear(); }

private:
    std::string path_;
    UniqueFd fd_;
};

// Gives the temporary file the target's name without replacing anything:
// 0 done, -1 with errno (EEXIST when the name is taken).
int placeWithoutReplacing(const SystemCalls& calls, TemporaryFile& temporary, const std::string& target)
{
    if (calls.renameNoReplace(temporary.path().c_str(), target.c_str()) == 0) {
        temporary.placed();
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    // The file system cannot rename without replacing; a hard link does
    // the same, and the temporary name goes with the temporary file.
    return calls.link(temporary.path().c_str(), target.c_str());
}

} // namespace

const SystemCalls& RealSystemCalls()
{
    return kRealCalls;
}

bool WriteAll(int fd, std::string_view bytes)
{
    return writeAllWith(kRealCalls, fd, bytes);
}

WriteResult WriteFile(const std::string& path, std::string_view bytes, const WriteOptions& options)
{
    return WriteFile(path, bytes, options, kRealCalls);
}

WriteResult WriteFile(const std::string& name, std::string_view bytes, const WriteOptions& options,
                      const SystemCalls& calls)
{
    if (name.empty()) {
        errno = ENOENT;
        return WriteResult::Failed;
    }
    // Replacing a file through a symbolic link replaces the file it names
    // and keeps the link; CreateOnly takes a link for a name in use.
    const std::string path = options.mode == Mode::Replace ? beside::FollowLinks(name) : name;
    if (path.empty())
        return WriteResult::Failed;
    const std::optional<mode_t> oldMode = beside::ModeOf(path);
    if (options.mode == Mode::CreateOnly && oldMode)
        return WriteResult::TargetExists;
    TemporaryFile temporary(path);
    if (temporary.fd() < 0)
        return WriteResult::Failed;
    const bool keepOld = options.mode == Mode::Replace && options.keepOldMode && oldMode;
    const std::optional<mode_t> mode = keepOld ? oldMode : options.fileMode;
    if (!writeAllWith(calls, temporary.fd(), bytes) || (mode && ::fchmod(temporary.fd(), *mode) != 0) ||
        calls.fsync(temporary.fd()) != 0 || !temporary.close())
        return WriteResult::Failed;
    if (options.mode == Mode::Replace) {
        if (calls.rename(temporary.path().c_str(), path.c_str()) != 0)
            return WriteResult::Failed;
        temporary.placed();
    } else if (placeWithoutReplacing(calls, temporary, path) != 0) {
        return errno == EEXIST ? WriteResult::TargetExists : WriteResult::Failed;
    }
    beside::SyncDirectoryOf(calls, path);
    return WriteResult::Written;
}

} // namespace safefile
