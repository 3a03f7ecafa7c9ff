#include "Beside.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "textcodec/Utf8.h"

namespace safefile::beside {
namespace {

// The start of the target's name in its temporary file's name: at most
// 64 bytes, cut before a UTF-8 continuation byte, so that the temporary
// name fits where the target's own name takes all 255 bytes.
std::string TagOf(const std::string& file)
{
    const std::size_t slash = file.rfind('/');
    const std::string_view name = slash == std::string::npos ? file : std::string_view(file).substr(slash + 1);
    constexpr std::size_t kMaxTag = 64;
    return std::string(TextCodec::utf8Prefix(name, kMaxTag));
}

} // namespace

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string FollowLinks(const std::string& path)
{
    std::string current = path;
    for (int links = 0; links < 40; ++links) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        std::string text(static_cast<std::size_t>(info.st_size) + 1, '\0');
        const ssize_t length = ::readlink(current.c_str(), text.data(), text.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= text.size())
            return current; // changed meanwhile: the name as it is
        text.resize(static_cast<std::size_t>(length));
        current = text.front() == '/' ? text : DirectoryOf(current) + "/" + text;
    }
    errno = ELOOP;
    return "";
}

std::optional<mode_t> ModeOf(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return info.st_mode & 07777;
}

UniqueFd CreateTemporary(const std::string& target, mode_t createMode, std::string* path)
{
    static std::atomic<unsigned> counter{0};
    const std::string stem = DirectoryOf(target) + "/." + TagOf(target) + ".";
    UniqueFd fd;
    for (int attempt = 0; attempt < 100 && fd.get() < 0; ++attempt) {
        *path = stem + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd.reset(::open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode));
        if (fd.get() < 0 && errno != EEXIST)
            break;
    }
    if (fd.get() < 0)
        path->clear(); // the last name tried may be another's file
    return fd;
}

} // namespace safefile::beside

namespace safefile {

bool SyncDirectory(const std::string& directory)
{
    UniqueFd fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.get() >= 0 && ::fsync(fd.get()) == 0;
}

std::optional<TemporaryName> ParseTemporaryName(std::string_view fileName)
{
    // "." start "." pid "-" n, with at least one byte of start and digits only in pid and n.
    const auto digits = [](std::string_view text) {
        return !text.empty() && text.size() <= 9 && text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    const std::size_t dash = fileName.rfind('-');
    const std::size_t dot = fileName.rfind('.', dash == std::string_view::npos ? 0 : dash);
    if (fileName.size() < 6 || fileName[0] != '.' || dash == std::string_view::npos || dot == std::string_view::npos ||
        dot < 2 || !digits(fileName.substr(dash + 1)) || !digits(fileName.substr(dot + 1, dash - dot - 1)))
        return std::nullopt;
    pid_t owner = 0;
    for (char c : fileName.substr(dot + 1, dash - dot - 1))
        owner = owner * 10 + (c - '0'); // at most nine digits: no overflow
    if (owner <= 0)
        return std::nullopt;
    return TemporaryName{std::string(fileName.substr(1, dot - 1)), owner};
}

} // namespace safefile

namespace safefile::beside {

void SyncDirectoryOf(const SystemCalls& calls, const std::string& target)
{
    ErrnoKeeper keep;
    UniqueFd directory(::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0)
        calls.fsync(directory.get());
}

ErrnoKeeper::ErrnoKeeper() : saved_(errno) {}

ErrnoKeeper::~ErrnoKeeper()
{
    errno = saved_;
}

} // namespace safefile::beside
