#include "scanvel/Scanvel.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "scanvel/JpegTiffHeader.h"

namespace {

// Detection looks at the first bytes only: every search starts at a
// position below 800.
constexpr std::size_t kSearchStarts = 800;
constexpr std::size_t kDetectionBytes = kSearchStarts + 4;
// A JPEG-in-TIFF file larger than this is not a fax page.
constexpr long kMaxFileSize = 256L * 1024 * 1024;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads at most `limit` bytes of the file; nothing when it cannot be read.
std::optional<std::vector<uint8_t>> readFile(const std::string& path, long limit)
{
    File f(std::fopen(path.c_str(), "rb"));
    if (!f || std::fseek(f.get(), 0, SEEK_END) != 0)
        return std::nullopt;
    const long size = std::ftell(f.get());
    if (size < 0 || size > kMaxFileSize || std::fseek(f.get(), 0, SEEK_SET) != 0)
        return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<std::size_t>(std::min(size, limit)));
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
        return std::nullopt;
    return bytes;
}

bool writeFile(const std::string& path, std::span<const uint8_t> bytes)
{
    File f(std::fopen(path.c_str(), "wb"));
    if (!f)
        return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
        return false;
    return std::fclose(f.release()) == 0;
}

bool containsBefore(std::span<const uint8_t> data, const char* word, std::size_t starts)
{
    const std::size_t n = std::strlen(word);
    for (std::size_t pos = 0; pos < starts && pos + n <= data.size(); ++pos) {
        if (std::memcmp(data.data() + pos, word, n) == 0)
            return true;
    }
    return false;
}

// The file's length is known only to the file functions; a file of header
// size or less holds no JPEG stream and is never the variant.
bool isScanvelPrefix(std::span<const uint8_t> prefix, std::size_t fileSize)
{
    return fileSize > kJpegTiffHeaderSize && containsBefore(prefix, "Kofax", kSearchStarts) &&
           containsBefore(prefix, "JFIF", kSearchStarts);
}

} // namespace

bool IsScanvelBuffer(std::span<const uint8_t> file)
{
    return isScanvelPrefix(file.first(std::min(file.size(), kDetectionBytes)), file.size());
}

std::span<const uint8_t> JpegFromScanvelBuffer(std::span<const uint8_t> file)
{
    if (file.size() <= kJpegTiffHeaderSize)
        return {};
    return file.subspan(kJpegTiffHeaderSize);
}

std::optional<std::vector<uint8_t>> ScanvelFromJpegBuffer(std::span<const uint8_t> jpeg)
{
    JpegTiffFields fields;
    if (ReadJpegSize(jpeg, fields) == 0 || fields.jpegWidth < 0 || fields.jpegHeight < 0)
        return std::nullopt;
    if (jpeg.size() > static_cast<std::size_t>(kMaxFileSize))
        return std::nullopt;
    fields.byteCount = static_cast<uint32_t>(jpeg.size());
    FormatJpegTiffDateTime(fields);
    std::vector<uint8_t> file(kJpegTiffHeaderSize + jpeg.size());
    WriteJpegTiffHeader(fields, std::span<uint8_t, kJpegTiffHeaderSize>(file.data(), kJpegTiffHeaderSize));
    std::copy(jpeg.begin(), jpeg.end(), file.begin() + kJpegTiffHeaderSize);
    return file;
}

int IsScanvel(const std::string& path)
{
    File f(std::fopen(path.c_str(), "rb"));
    if (!f)
        return 0;
    std::vector<uint8_t> prefix(kDetectionBytes);
    prefix.resize(std::fread(prefix.data(), 1, prefix.size(), f.get()));
    if (std::fseek(f.get(), 0, SEEK_END) != 0)
        return 0;
    const long size = std::ftell(f.get());
    return size > 0 && isScanvelPrefix(prefix, static_cast<std::size_t>(size)) ? 1 : 0;
}

int ConvertTifftoJpeg(const std::string& tiffPath, const std::string& jpegPath)
{
    const auto file = readFile(tiffPath, kMaxFileSize);
    if (!file)
        return 0;
    const auto jpeg = JpegFromScanvelBuffer(*file);
    if (jpeg.empty())
        return 0;
    return writeFile(jpegPath, jpeg) ? 1 : 0;
}

int ConvertJpegtoTiff(const std::string& tiffPath, const std::string& jpegPath)
{
    const auto jpeg = readFile(jpegPath, kMaxFileSize);
    if (!jpeg)
        return 0;
    const auto file = ScanvelFromJpegBuffer(*jpeg);
    if (!file)
        return 0;
    return writeFile(tiffPath, *file) ? 1 : 0;
}
