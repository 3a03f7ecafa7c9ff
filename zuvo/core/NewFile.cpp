// New files written whole and never over another: temporary file, sync,
// rename without replacing, directory sync.
#include "core/NewFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

#include "core/ProgramPaths.h"
#include "core/WriteAll.h"

namespace fs = std::filesystem;

std::optional<std::string> ReadWholeFile(const std::string& path, std::uintmax_t maxBytes)
{
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > maxBytes)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return std::nullopt;
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (in.bad() || bytes.size() != size)
        return std::nullopt;
    return bytes;
}

Created CreateNewFile(const std::string& target, const std::string& bytes)
{
    const std::string directory = fs::path(target).parent_path().string();
    std::string temp = JoinPath(directory, ".zuvo-new-XXXXXX");
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return Created::Failed;
    const bool written = WriteAll(fd, bytes) && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written) {
        ::unlink(temp.c_str());
        return Created::Failed;
    }
    int moved = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
    if (moved != 0 && (errno == EINVAL || errno == ENOSYS)) {
        moved = ::link(temp.c_str(), target.c_str());
        const int cause = errno;
        ::unlink(temp.c_str());
        errno = cause;
    }
    if (moved != 0) {
        const int cause = errno;
        ::unlink(temp.c_str());
        return cause == EEXIST ? Created::NameTaken : Created::Failed;
    }
    const int dir = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return Created::Yes;
}

NewFiles::~NewFiles()
{
    if (kept_)
        return;
    for (const std::string& path : paths_)
        ::unlink(path.c_str());
}

Created NewFiles::Create(const std::string& path, const std::string& bytes)
{
    const Created created = CreateNewFile(path, bytes);
    if (created == Created::Yes)
        paths_.push_back(path);
    return created;
}
