#pragma once
// One page file opened for reading: its size, reads at an offset, and the
// whole file when a codec needs it in memory. TIFF files are read through
// it piece by piece (directories, then one strip at a time), so a long fax
// never sits in memory as a whole file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pictra {

class FileReader {
public:
    // Nothing when `path` cannot be opened or is not a regular file.
    static std::optional<FileReader> open(const std::string& path);

    FileReader(FileReader&& other) noexcept;
    FileReader& operator=(FileReader&& other) noexcept;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader();

    uint64_t size() const { return size_; }
    // Fills `bytes` from `offset`; false on an error or the end of the file.
    bool readAt(uint64_t offset, std::span<uint8_t> bytes) const;
    // The first `limit` bytes, or the whole file when it is shorter.
    std::vector<uint8_t> head(std::size_t limit) const;
    // The whole file; nothing when it cannot be read or is larger than any
    // page file Pictra accepts.
    std::optional<std::vector<uint8_t>> readAll() const;

private:
    FileReader(int fd, uint64_t size) : fd_(fd), size_(size) {}

    int fd_ = -1;
    uint64_t size_ = 0;
};

} // namespace pictra
