#include "core/SafeFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "core/TextUtil.h"
#include "core/WriteAll.h"
#include "jotter/Jotter.h"

namespace {

// The directory part of path ("." without one).
std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// A new file beside path holding bytes, synced; its name, or "" (nothing
// left behind) on failure. The name is short, so that a target whose own
// name is as long as a name can be still gets its temporary. The mode is
// that of a new file: 0666 less the umask, which the kernel applies, so the
// process umask is never changed while other threads create files.
std::string WriteBeside(const std::string& path, std::string_view bytes)
{
    static std::atomic<unsigned> counter{0};
    const std::string directory = DirectoryOf(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name =
            FormatText("%s/.new-%d-%u", directory.c_str(), static_cast<int>(::getpid()), counter++);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return {};
        const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
        if (::close(fd) == 0 && written)
            return name;
        ::unlink(name.c_str());
        return {};
    }
    return {};
}

void SyncDirectoryOf(const std::string& path)
{
    const int fd = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

Created CreateNewFile(const std::string& path, std::string_view bytes)
{
    const std::string name = WriteBeside(path, bytes);
    if (name.empty())
        return Created::Failed;
    // Moved into place without replacing anything; where the file system
    // has no such rename, a hard link does the same.
    const bool renamed = ::renameat2(AT_FDCWD, name.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0;
    bool linked = renamed;
    if (!renamed && (errno == EINVAL || errno == ENOSYS))
        linked = ::link(name.c_str(), path.c_str()) == 0;
    const int cause = errno;
    if (!renamed)
        ::unlink(name.c_str()); // the temporary, not moved or also linked
    if (!linked)
        return cause == EEXIST ? Created::NameTaken : Created::Failed;
    SyncDirectoryOf(path);
    return Created::Yes;
}

int CreateFileWithBytes(const std::string& path, std::string_view bytes)
{
    switch (CreateNewFile(path, bytes)) {
    case Created::Yes:
        return 1;
    case Created::NameTaken:
        cpLog(2, "cannot create %s: it exists", path.c_str());
        return 0;
    case Created::Failed:
        break;
    }
    cpLog(2, "cannot create %s", path.c_str());
    return 0;
}

int ReplaceFileWithBytes(const std::string& path, std::string_view bytes)
{
    const std::string name = WriteBeside(path, bytes);
    if (name.empty() || std::rename(name.c_str(), path.c_str()) != 0) {
        if (!name.empty())
            ::unlink(name.c_str());
        cpLog(2, "cannot write %s", path.c_str());
        return 0;
    }
    SyncDirectoryOf(path);
    return 1;
}
