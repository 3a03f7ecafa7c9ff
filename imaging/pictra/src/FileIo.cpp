#include "FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace pictra {
namespace {

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target)
    {
        const auto slash = target.rfind('/');
        const std::string dir = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
        const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
        path_ = dir + (dir.back() == '/' ? "" : "/") + "." + base + ".XXXXXX";
        fd_ = ::mkstemp(path_.data());
        if (fd_ < 0)
            path_.clear();
    }
    ~TemporaryFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool writeAll(std::span<const uint8_t> bytes)
    {
        if (fd_ < 0)
            return false;
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    // Gives the new file the old one's permissions, or the usual 0644.
    bool commit(const std::string& target)
    {
        struct stat old {};
        const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
        if (::fchmod(fd_, mode) != 0 || ::fsync(fd_) != 0)
            return false;
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 || ::rename(path_.c_str(), target.c_str()) != 0)
            return false;
        path_.clear();
        return true;
    }

private:
    std::string path_;
    int fd_ = -1;
};

} // namespace

bool replaceFile(const std::string& path, std::span<const uint8_t> bytes)
{
    if (path.empty())
        return false;
    TemporaryFile temp(path);
    return temp.writeAll(bytes) && temp.commit(path);
}

} // namespace pictra
