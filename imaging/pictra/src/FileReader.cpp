#include "FileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace pictra {
namespace {

constexpr uint64_t kMaxWholeFile = uint64_t{512} * 1024 * 1024;

} // namespace

std::optional<FileReader> FileReader::open(const std::string& path)
{
    // Without O_NONBLOCK, opening a FIFO waits for a writer, for good; it
    // changes nothing for a regular file, the only kind read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    return FileReader(fd, static_cast<uint64_t>(info.st_size));
}

FileReader::FileReader(FileReader&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_)
{
}

FileReader& FileReader::operator=(FileReader&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
    }
    return *this;
}

FileReader::~FileReader()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool FileReader::readAt(uint64_t offset, std::span<uint8_t> bytes) const
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::vector<uint8_t> FileReader::head(std::size_t limit) const
{
    std::vector<uint8_t> bytes(static_cast<std::size_t>(std::min<uint64_t>(limit, size_)));
    if (!readAt(0, bytes))
        bytes.clear();
    return bytes;
}

std::optional<std::vector<uint8_t>> FileReader::readAll() const
{
    if (size_ > kMaxWholeFile)
        return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size_));
    if (!readAt(0, bytes))
        return std::nullopt;
    return bytes;
}

} // namespace pictra
