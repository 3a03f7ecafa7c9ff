#include "core/codec/FileScrambler.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/stores/ProgramPaths.h"
#include "safefile/SafeFile.h"

namespace {

constexpr char kKey[] = "dravmol";
constexpr std::size_t kKeyLength = sizeof kKey - 1;
constexpr long kRegion = static_cast<long>(kScrambledBytes);

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

void xorRegion(unsigned char* data, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        data[i] ^= static_cast<unsigned char>(kKey[i % kKeyLength]);
}

} // namespace

void ScrambleBytes(std::string& bytes)
{
    xorRegion(reinterpret_cast<unsigned char*>(bytes.data()), std::min(bytes.size(), kScrambledBytes));
}

int ScrambleFile(const std::string& path)
{
    // "r+b" opens an existing file only: a missing path creates nothing.
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "r+b"));
    if (!file)
        return 0;
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        return 0;
    const long length = std::ftell(file.get());
    if (length < 0)
        return 0;
    const std::size_t n = static_cast<std::size_t>(std::min(length, kRegion));

    unsigned char buffer[kRegion];
    std::rewind(file.get());
    if (std::fread(buffer, 1, n, file.get()) != n)
        return 0;
    xorRegion(buffer, n);
    if (std::fseek(file.get(), 0, SEEK_SET) != 0)
        return 0;
    if (std::fwrite(buffer, 1, n, file.get()) != n)
        return 0;
    // The data only counts as written once the stream has flushed it.
    return std::fclose(file.release()) == 0 ? 1 : 0;
}

std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t maxBytes)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return std::nullopt;
    std::string bytes;
    char chunk[65536];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        if (bytes.size() + n > maxBytes)
            return std::nullopt;
        bytes.append(chunk, n);
    }
    if (std::ferror(file.get()))
        return std::nullopt;
    return bytes;
}

std::optional<UnscrambledCopy> UnscrambledCopy::Make(const std::string& path, std::size_t maxBytes)
{
    std::optional<std::string> bytes = ReadFileBytes(path, maxBytes);
    if (!bytes)
        return std::nullopt;
    ScrambleBytes(*bytes);
    const char* tmp = std::getenv("TMPDIR");
    std::string directory = JoinPath(tmp && *tmp ? tmp : "/tmp", "zuvo-plain-XXXXXX");
    if (!::mkdtemp(directory.data())) // made with mode 0700
        return std::nullopt;
    // The copy keeps the file's own name, which decoders may look at.
    const std::string name = LastPathComponent(path);
    UnscrambledCopy copy(directory, JoinPath(directory, IsSafeName(name) ? name : "image"));
    const int fd = ::open(copy.path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::nullopt;
    const bool written = safefile::WriteAll(fd, *bytes);
    if (::close(fd) != 0 || !written)
        return std::nullopt;
    return copy;
}

UnscrambledCopy::UnscrambledCopy(UnscrambledCopy&& other) noexcept
    : directory_(std::move(other.directory_)), path_(std::move(other.path_))
{
    other.directory_.clear();
    other.path_.clear();
}

UnscrambledCopy::UnscrambledCopy(std::string directory, std::string path)
    : directory_(std::move(directory)), path_(std::move(path))
{
}

UnscrambledCopy::~UnscrambledCopy()
{
    if (!path_.empty())
        ::unlink(path_.c_str());
    if (!directory_.empty())
        ::rmdir(directory_.c_str());
}
