#include "core/FileScrambler.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr char kKey[] = "dravmol";
constexpr std::size_t kKeyLength = sizeof kKey - 1;
constexpr long kRegion = 1024;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

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
    for (std::size_t i = 0; i < n; ++i)
        buffer[i] ^= static_cast<unsigned char>(kKey[i % kKeyLength]);
    if (std::fseek(file.get(), 0, SEEK_SET) != 0)
        return 0;
    if (std::fwrite(buffer, 1, n, file.get()) != n)
        return 0;
    // The data only counts as written once the stream has flushed it.
    return std::fclose(file.release()) == 0 ? 1 : 0;
}
