// The crash-safe writer: temporary file beside the target, fsync, rename
// (or rename without replacing), fsync of the directory.

#include "safefile/SafeFile.h"

#include "Beside.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace safefile {
namespace {

int renameNoReplace(const char* from, const char* to)
{
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}

const SystemCalls kRealCalls{::write, ::fsync, ::rename, renameNoReplace, ::link};

constexpr std::size_t kCopyChunkBytes = 64 * 1024;

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

// Copies the rest of source to fd, piece by piece; false (errno EFBIG) when
// it holds more than maxBytes.
bool copyAllWith(const SystemCalls& calls, int source, int fd, std::uint64_t maxBytes)
{
    std::vector<char> chunk(kCopyChunkBytes);
    std::uint64_t copied = 0;
    for (;;) {
        const ssize_t n = ::read(source, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        copied += static_cast<std::uint64_t>(n);
        if (copied > maxBytes) {
            errno = EFBIG;
            return false;
        }
        if (!writeAllWith(calls, fd, std::string_view(chunk.data(), static_cast<std::size_t>(n))))
            return false;
    }
}

// The steps every write takes; fill(fd) puts the new contents into the
// temporary file.
template <typename Fill>
WriteResult writeWith(const std::string& name, const WriteOptions& options, const SystemCalls& calls, Fill fill)
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
    if (!fill(temporary.fd()) || (mode && ::fchmod(temporary.fd(), *mode) != 0) ||
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

WriteResult WriteFile(const std::string& path, std::string_view bytes, const WriteOptions& options,
                      const SystemCalls& calls)
{
    return writeWith(path, options, calls, [&](int fd) { return writeAllWith(calls, fd, bytes); });
}

WriteResult CopyFile(const std::string& source, const std::string& path, const WriteOptions& options,
                     std::uint64_t maxBytes)
{
    return CopyFile(source, path, options, maxBytes, kRealCalls);
}

WriteResult CopyFile(const std::string& source, const std::string& path, const WriteOptions& options,
                     std::uint64_t maxBytes, const SystemCalls& calls)
{
    // Opened without waiting, so that a FIFO under the name cannot hold the
    // caller, and refused unless it is a regular file.
    UniqueFd from(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (from.get() < 0 || ::fstat(from.get(), &st) != 0)
        return WriteResult::Failed;
    if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return WriteResult::Failed;
    }
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        errno = EFBIG;
        return WriteResult::Failed;
    }
    return writeWith(path, options, calls, [&](int fd) { return copyAllWith(calls, from.get(), fd, maxBytes); });
}

} // namespace safefile
