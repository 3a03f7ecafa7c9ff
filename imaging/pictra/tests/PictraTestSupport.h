#pragma once
// Helpers of Pictra's tests: reading a handle's pixels as RGB and comparing
// them with ImageMagick's own decoding of a file.

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "jotter/Jotter.h"
#include "pictra/Pictra.h"
#include "testsupport/TestSupport.h"

namespace pictratest {

using namespace testsupport;

// The colour of display pixel (x, y) as red, green, blue.
inline std::vector<uint8_t> pixelRgb(const ImageHandle& h, int32_t x, int32_t y)
{
    const uint8_t* row = h.displayRow(y);
    const int bits = h.bitCount();
    if (bits == 24)
        return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
    const int perByte = 8 / bits;
    const int shift = 8 - bits * (x % perByte + 1);
    const unsigned index = (row[x / perByte] >> shift) & ((1u << bits) - 1);
    const uint8_t* e = h.palette() + 4 * index;
    return {e[2], e[1], e[0]};
}

// The whole page as RGB bytes, top row first.
inline std::vector<uint8_t> handleRgb(const ImageHandle& h)
{
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<std::size_t>(h.width()) * static_cast<std::size_t>(h.height()) * 3);
    for (int32_t y = 0; y < h.height(); ++y) {
        for (int32_t x = 0; x < h.width(); ++x) {
            const auto p = pixelRgb(h, x, y);
            rgb.insert(rgb.end(), p.begin(), p.end());
        }
    }
    return rgb;
}

// ImageMagick's decoding of one frame of a file as 8-bit RGB, alpha
// flattened onto white.
inline std::vector<uint8_t> magickRgb(const std::string& path, int frame = 0)
{
    const auto r = run("convert " + quote(path + "[" + std::to_string(frame) + "]") +
                       " -background white -flatten -depth 8 rgb:- 2>/dev/null");
    return {r.output.begin(), r.output.end()};
}

// Makes a fixture with a shell command; false when the tool failed.
inline bool make(const std::string& command) { return runOk(command); }

// Opens a file into at most `slots` handles.
struct Opened {
    int32_t result = 0;
    ImgFileInfo info;
    std::vector<ImageHandle> pages;
    std::string error;
};

inline Opened open(const std::string& path, std::size_t slots = 100)
{
    Opened o;
    o.pages.resize(slots);
    o.result = PtxOpenImageFile(path, &o.info, o.pages);
    o.error = PtxGetLastErrorInfo();
    return o;
}

// A little-endian classic TIFF file in memory, for damaging fixtures on
// purpose: its directories, their entries, and numbers patched in place.
class TiffBytes {
public:
    explicit TiffBytes(std::vector<uint8_t> bytes) : bytes(std::move(bytes)) {}

    uint32_t u16(std::size_t at) const { return static_cast<uint32_t>(bytes.at(at) | (bytes.at(at + 1) << 8)); }
    uint32_t u32(std::size_t at) const { return u16(at) | (u16(at + 2) << 16); }
    void put16(std::size_t at, uint32_t v)
    {
        bytes.at(at) = static_cast<uint8_t>(v);
        bytes.at(at + 1) = static_cast<uint8_t>(v >> 8);
    }
    void put32(std::size_t at, uint32_t v)
    {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    }

    // Offset of directory `n` (0 first).
    std::size_t directory(int n) const
    {
        std::size_t ifd = u32(4);
        for (int i = 0; i < n; ++i)
            ifd = u32(nextPointer(ifd));
        return ifd;
    }
    // Where a directory keeps the offset of the next one.
    std::size_t nextPointer(std::size_t ifd) const { return ifd + 2 + 12 * u16(ifd); }
    // Where the entry of `tag` in a directory starts; 0 when it has none.
    std::size_t entry(std::size_t ifd, uint16_t tag) const
    {
        for (std::size_t e = 0; e < u16(ifd); ++e) {
            if (u16(ifd + 2 + 12 * e) == tag)
                return ifd + 2 + 12 * e;
        }
        return 0;
    }
    // Sets a one-value SHORT or LONG entry's value.
    void setValue(std::size_t ifd, uint16_t tag, uint32_t value)
    {
        const std::size_t at = entry(ifd, tag);
        if (u16(at + 2) == 3)
            put16(at + 8, value);
        else
            put32(at + 8, value);
    }

    std::vector<uint8_t> bytes;
};

// Standard error and the log while an object lives: both go to files.
class CapturedOutput {
public:
    explicit CapturedOutput(const TempDir& dir) : stderrPath_(dir.file("stderr.txt")), logPath_(dir.file("log.txt"))
    {
        std::remove(logPath_.c_str());
        std::fflush(stderr);
        saved_ = ::dup(2);
        const int fd = ::open(stderrPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
        cpLogOpen(logPath_.c_str());
    }
    ~CapturedOutput() { restore(); }

    void restore()
    {
        if (saved_ < 0)
            return;
        cpLogClose();
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }
    std::string standardError() const { return readFile(stderrPath_); }
    std::string log() const { return readFile(logPath_); }

private:
    std::string stderrPath_;
    std::string logPath_;
    int saved_ = -1;
};

// A file opened (into `slots` slots) and its pages counted (up to 100),
// with the log and standard error of both.
struct OpenedAndCounted {
    Opened opened;
    int32_t counted = 0;
    std::string log;
    std::string standardError;
};

inline OpenedAndCounted openAndCount(const TempDir& dir, const std::string& path, std::size_t slots = 100)
{
    OpenedAndCounted result;
    CapturedOutput output(dir);
    result.opened = open(path, slots);
    result.counted = PtxCountImagePages(path, 100);
    output.restore();
    result.log = output.log();
    result.standardError = output.standardError();
    return result;
}

} // namespace pictratest
