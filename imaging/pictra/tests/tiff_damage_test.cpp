// Damaged and hostile TIFF files: a fax page whose pixels are damaged opens
// with what libtiff decodes of it and white below, checked against libtiff's
// own decode (its rows up to the one in which it reports an error); the
// failure costs one line of the log; the page count agrees with the open on
// damage anywhere in a file; an error libtiff reads past in a directory
// fails nothing; and a small file claiming a huge page costs little.

#include <sys/stat.h>
#include <time.h>
#include <tiffio.h>

#include <cstdarg>
#include <cstdio>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <random>
#include <regex>
#include <sstream>

#include "PictraTestSupport.h"
#include "pictra/DibRows.h"
#include "testsupport/NetpbmPage.h"
#include "testsupport/ScanPages.h"

using namespace pictratest;

namespace {

constexpr int32_t kWidth = 864;
constexpr int32_t kHeight = 500;

// A fax of G4 pages of scan-like text, each page drawn with its own seed.
std::string makeFax(const TempDir& dir, int pages)
{
    std::string join = "tiffcp";
    for (int i = 0; i < pages; ++i) {
        const std::string pbm = dir.file("page" + std::to_string(i) + ".pbm");
        const std::string tif = dir.file("page" + std::to_string(i) + ".tif");
        const ImageHandle page = scanLikePage(kWidth, kHeight, {12, true, static_cast<unsigned>(i + 1)});
        if (!writePbm(page, pbm) ||
            !make("convert " + quote(pbm) + " -density 204x196 -units PixelsPerInch -compress group4 " + quote(tif)))
            return "";
        join += " " + quote(tif);
    }
    const std::string fax = dir.file("fax.tif");
    return make(join + " " + quote(fax)) ? fax : "";
}

// One SHORT or LONG value of a directory entry.
uint32_t entryValue(const TiffBytes& t, std::size_t ifd, uint16_t tag)
{
    const std::size_t at = t.entry(ifd, tag);
    return t.u16(at + 2) == 3 ? t.u16(at + 8) : t.u32(at + 8);
}

// Where page `page`'s single strip lies in the file.
std::pair<std::size_t, std::size_t> stripOf(const TiffBytes& t, int page)
{
    const std::size_t ifd = t.directory(page);
    return {entryValue(t, ifd, 273), entryValue(t, ifd, 279)};
}

// A page as libtiff decodes it, row by row, up to the row in which it
// reports its first error.
struct LibtiffPage {
    std::vector<std::vector<bool>> black; // the rows before the first error, top first
    int32_t firstFailedRow = 0;           // the height when libtiff reported no error
    std::string error;                    // libtiff's first error
};

int noteError(TIFF*, void* page, const char* module, const char* format, va_list args)
{
    auto* decoded = static_cast<LibtiffPage*>(page);
    if (decoded->error.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        decoded->error = std::string(module != nullptr ? module : "") + ": " + text;
    }
    return 1;
}

int ignoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

LibtiffPage libtiffDecode(const std::string& path, int page)
{
    LibtiffPage decoded;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, noteError, &decoded);
    TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreWarning, nullptr);
    TIFF* tif = TIFFOpenExt(path.c_str(), "r", options);
    TIFFOpenOptionsFree(options);
    if (tif == nullptr || TIFFSetDirectory(tif, static_cast<tdir_t>(page)) != 1 || !decoded.error.empty()) {
        ADD_FAILURE() << "libtiff cannot read the directory of page " << page + 1 << ": " << decoded.error;
        if (tif != nullptr)
            TIFFClose(tif);
        return decoded;
    }
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t photometric = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    std::vector<uint8_t> samples(static_cast<std::size_t>(TIFFScanlineSize64(tif)));
    decoded.firstFailedRow = static_cast<int32_t>(height);
    for (uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tif, samples.data(), y, 0) < 0 || !decoded.error.empty()) {
            decoded.firstFailedRow = static_cast<int32_t>(y);
            break;
        }
        std::vector<bool> row(width);
        for (uint32_t x = 0; x < width; ++x)
            row[x] = (((samples[x / 8] >> (7 - x % 8)) & 1) != 0) == (photometric == PHOTOMETRIC_MINISWHITE);
        decoded.black.push_back(std::move(row));
    }
    TIFFClose(tif);
    return decoded;
}

std::vector<std::vector<bool>> blackOf(const ImageHandle& page)
{
    std::vector<std::vector<bool>> rows;
    for (int32_t y = 0; y < page.height(); ++y) {
        std::vector<bool> row(static_cast<std::size_t>(page.width()));
        for (int32_t x = 0; x < page.width(); ++x)
            row[static_cast<std::size_t>(x)] = DibRowBit(page.displayRow(y), x) == 0;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::size_t occurrences(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size())
        ++n;
    return n;
}

void overwrite(TiffBytes& t, std::size_t at, std::size_t length, unsigned seed)
{
    std::mt19937 random(seed);
    for (std::size_t i = at; i < std::min(at + length, t.bytes.size()); ++i)
        t.bytes[i] = static_cast<uint8_t>(random());
}

} // namespace

TEST(TiffDamage, ADamagedFaxPageOpensWithWhatLibtiffDecodesOfIt)
{
    TempDir dir;
    const std::string fax = makeFax(dir, 10);
    ASSERT_FALSE(fax.empty());
    const Opened clean = open(fax);
    ASSERT_EQ(clean.result, 10);
    const TiffBytes good(readBytes(fax));

    struct Case {
        const char* what;
        std::vector<int> pages; // damaged pages
        double where;           // how far into each strip the damage starts
        std::size_t bytes;      // how many bytes are overwritten
    };
    const Case cases[] = {
        {"400 bytes in the middle of page 2", {1}, 0.5, 400},
        {"the start of page 1", {0}, 0.0, 40},
        {"near the end of the last page", {9}, 0.9, 60},
        {"pages 4 and 7", {3, 6}, 0.3, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TiffBytes damaged = good;
        for (int page : c.pages) {
            const auto [offset, length] = stripOf(damaged, page);
            overwrite(damaged, offset + static_cast<std::size_t>(c.where * static_cast<double>(length)), c.bytes,
                      static_cast<unsigned>(page + 7));
        }
        const std::string path = dir.file("damaged.tif");
        writeBytes(path, damaged.bytes);

        const auto [o, counted, log, standardError] = openAndCount(dir, path);
        ASSERT_EQ(o.result, 10) << o.error;
        EXPECT_EQ(counted, 10);
        EXPECT_EQ(o.info.pages, 10);
        std::size_t failedPages = 0;
        for (int32_t i = 0; i < 10; ++i) {
            SCOPED_TRACE("page " + std::to_string(i + 1));
            const ImageHandle& page = o.pages[static_cast<std::size_t>(i)];
            ASSERT_TRUE(page.isValidDib());
            const auto ours = blackOf(page);
            if (std::find(c.pages.begin(), c.pages.end(), i) == c.pages.end()) {
                EXPECT_EQ(ours, blackOf(clean.pages[static_cast<std::size_t>(i)]));
                continue;
            }
            const LibtiffPage theirs = libtiffDecode(path, i);
            failedPages += theirs.firstFailedRow < kHeight;
            for (int32_t y = 0; y < kHeight; ++y) {
                const auto row = static_cast<std::size_t>(y);
                if (y < theirs.firstFailedRow)
                    ASSERT_EQ(ours[row], theirs.black[row])
                        << "row " << y << " differs from libtiff's";
                else
                    ASSERT_EQ(ours[row], std::vector<bool>(kWidth, false))
                        << "row " << y << " is not white; libtiff failed in row " << theirs.firstFailedRow << ": "
                        << theirs.error;
            }
        }
        EXPECT_GE(failedPages, 1u) << "the damage made libtiff report no error";
        // One line for each page that failed, for the open and for the count
        // (which reads no pixel, so it logs nothing of them).
        EXPECT_EQ(occurrences(log, "TIFF error"), failedPages) << log;
        EXPECT_EQ(standardError, "");
    }
}

TEST(TiffDamage, StripsOutsideTheFileLeaveTheirRowsWhite)
{
    // Three pages in strips of 4 rows; page 2 loses its second strip.
    TempDir dir;
    const std::string path = dir.file("three.tif");
    ASSERT_TRUE(make("convert -size 40x20 xc:black -alpha off -depth 1 " + quote(dir.file("p.tif")) +
                     " && tiffcp -r 4 -c none " + quote(dir.file("p.tif")) + " " + quote(dir.file("p.tif")) + " " +
                     quote(dir.file("p.tif")) + " " + quote(path)));
    const TiffBytes good(readBytes(path));
    const std::size_t second = good.directory(1);

    struct Case {
        const char* what;
        std::function<void(TiffBytes&)> damage;
        int32_t firstWhiteRow; // of page 2
    };
    // Value `index` of a directory entry's array of SHORT or LONG values.
    const auto setStripValue = [second](TiffBytes& t, uint16_t tag, std::size_t index, uint32_t value) {
        const std::size_t at = t.entry(second, tag);
        const std::size_t values = t.u32(at + 8);
        if (t.u16(at + 2) == 3)
            t.put16(values + 2 * index, value);
        else
            t.put32(values + 4 * index, value);
    };
    const Case cases[] = {
        {"second strip running past the end",
         [&](TiffBytes& t) { setStripValue(t, 273, 1, static_cast<uint32_t>(t.bytes.size() - 5)); }, 4},
        {"second strip inside the header", [&](TiffBytes& t) { setStripValue(t, 273, 1, 2); }, 4},
        {"fourth strip beyond the end",
         [&](TiffBytes& t) { setStripValue(t, 273, 3, static_cast<uint32_t>(t.bytes.size() + 100)); }, 12},
        {"first strip beyond the end",
         [&](TiffBytes& t) { setStripValue(t, 273, 0, static_cast<uint32_t>(t.bytes.size())); }, 0},
        // libtiff reads the two offsets there are.
        {"two strip offsets for five strips", [&](TiffBytes& t) { t.put32(t.entry(second, 273) + 4, 2); }, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TiffBytes damaged = good;
        c.damage(damaged);
        writeBytes(dir.file("damaged.tif"), damaged.bytes);
        const auto [o, counted, log, standardError] = openAndCount(dir, dir.file("damaged.tif"));
        ASSERT_EQ(o.result, 3) << o.error;
        EXPECT_EQ(counted, 3);
        for (int32_t y = 0; y < 20; ++y) {
            const bool white = DibRowBit(o.pages[1].displayRow(y), 0) == 1;
            EXPECT_EQ(white, y >= c.firstWhiteRow) << "row " << y;
            EXPECT_FALSE(DibRowBit(o.pages[2].displayRow(y), 0)) << "page 3, row " << y;
        }
        EXPECT_EQ(occurrences(log, "lies outside the file"), 1u) << log;
        EXPECT_EQ(standardError, "");
    }
}

TEST(TiffDamage, ATileOutsideTheFileLeavesItAndTheRowsBelowWhite)
{
    // A black 64 x 48 page in six tiles of 32 x 16; the fourth (second row,
    // right) points past the end of the file.
    TempDir dir;
    const std::string path = dir.file("tiled.tif");
    ASSERT_TRUE(make("convert -size 64x48 xc:black -alpha off -depth 1 " + quote(dir.file("p.tif")) +
                     " && tiffcp -t -w 32 -l 16 -c none " + quote(dir.file("p.tif")) + " " + quote(path)));
    TiffBytes t(readBytes(path));
    const std::size_t offsets = t.entry(t.directory(0), 324); // TileOffsets
    ASSERT_NE(offsets, 0u);
    ASSERT_EQ(t.u16(offsets + 2), 4u);
    t.put32(t.u32(offsets + 8) + 4 * 3, static_cast<uint32_t>(t.bytes.size() + 64));
    writeBytes(path, t.bytes);

    CapturedOutput output(dir);
    const Opened o = open(path, 1);
    output.restore();
    ASSERT_EQ(o.result, 1) << o.error;
    for (int32_t y = 0; y < 48; ++y) {
        for (int32_t x = 0; x < 64; x += 8) {
            const bool white = DibRowBit(o.pages[0].displayRow(y), x) == 1;
            EXPECT_EQ(white, y >= 32 || (y >= 16 && x >= 32)) << x << "," << y;
        }
    }
    EXPECT_EQ(occurrences(output.log(), "tile 3 lies outside the file"), 1u) << output.log();
}

TEST(TiffDamage, CountsAndOpensAgreeWhereverAFaxIsDamaged)
{
    TempDir dir;
    const std::string fax = makeFax(dir, 3);
    ASSERT_FALSE(fax.empty());
    const TiffBytes good(readBytes(fax));
    std::mt19937 random(42);
    for (int n = 0; n < 60; ++n) {
        TiffBytes damaged = good;
        const std::size_t at = random() % good.bytes.size();
        const std::size_t length = 1 + random() % 64;
        overwrite(damaged, at, length, static_cast<unsigned>(n));
        SCOPED_TRACE(std::to_string(length) + " bytes at " + std::to_string(at));
        const std::string path = dir.file("damaged.tif");
        writeBytes(path, damaged.bytes);
        const auto [o, counted, log, standardError] = openAndCount(dir, path);
        EXPECT_EQ(counted, o.result) << o.error;
        for (int32_t i = 0; i < o.result; ++i)
            EXPECT_TRUE(o.pages[static_cast<std::size_t>(i)].isValidDib());
        if (o.result == -1) {
            EXPECT_FALSE(o.error.empty());
        }
        EXPECT_EQ(standardError, "");
    }
}

TEST(TiffDamage, AnErrorLibtiffReadsPastInADirectoryFailsNothing)
{
    // A stray entry of tag 0 with no values in the first directory, as some
    // writers leave: libtiff reports an error, ignores the entry and reads
    // the page.
    TempDir dir;
    const std::string fax = makeFax(dir, 2);
    ASSERT_FALSE(fax.empty());
    const Opened clean = open(fax);
    ASSERT_EQ(clean.result, 2);
    TiffBytes t(readBytes(fax));
    // The first directory again at the end of the file, with the stray entry
    // first (tags ascend), and the header pointing at it.
    const std::size_t ifd = t.directory(0);
    const std::size_t entries = t.u16(ifd);
    if (t.bytes.size() % 2 != 0)
        t.bytes.push_back(0); // directories start on a word
    const std::size_t copy = t.bytes.size();
    t.bytes.push_back(static_cast<uint8_t>(entries + 1));
    t.bytes.push_back(static_cast<uint8_t>((entries + 1) >> 8));
    const uint8_t stray[12] = {0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0}; // tag 0, SHORT, count 0
    t.bytes.insert(t.bytes.end(), stray, stray + 12);
    const auto from = t.bytes.begin() + static_cast<std::ptrdiff_t>(ifd + 2);
    const std::vector<uint8_t> rest(from, from + static_cast<std::ptrdiff_t>(12 * entries + 4));
    t.bytes.insert(t.bytes.end(), rest.begin(), rest.end());
    t.put32(4, static_cast<uint32_t>(copy));
    const std::string path = dir.file("stray.tif");
    writeBytes(path, t.bytes);

    const auto [o, counted, log, standardError] = openAndCount(dir, path);
    ASSERT_EQ(o.result, 2) << o.error;
    EXPECT_EQ(counted, 2);
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_EQ(blackOf(o.pages[i]), blackOf(clean.pages[i]));
    EXPECT_NE(log.find("Tag 0"), std::string::npos) << "libtiff's error is in the log: " << log;
}

namespace {

long peakResidentKb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

double threadCpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

} // namespace

TEST(TiffDamage, ASmallFileClaimingAHugePageCostsLittle)
{
    // Files of a few hundred bytes whose one strip claims far more than they
    // hold: 801 samples of 16 bits a pixel (about 320 MB of samples), or a
    // fax page 60,000 rows long. The first was decoded a band at a time, each
    // band decoding the whole strip again: 10 to 17 seconds and 300 to 400 MB
    // for one open. Now decoding stops at the first failure; a page whose
    // rows cannot be held at all is refused.
    TempDir dir;
    const std::string builder = R"(
import struct, sys, zlib
width, height, samples, bits, compression, photometric, rows, fill = map(int, sys.argv[1:9])
data = zlib.compress(bytes(fill), 9) if compression == 8 else bytes(fill)
entries = [(256, 4, width), (257, 4, height), (258, 3, bits), (259, 3, compression), (262, 3, photometric),
           (273, 4, 0), (277, 3, samples), (278, 4, rows), (279, 4, len(data)), (284, 3, 1)]
start = 8 + 2 + 12 * len(entries) + 4
out = b'II*\0' + struct.pack('<IH', 8, len(entries))
for tag, kind, value in entries:
    value = start if tag == 273 else value
    out += struct.pack('<HHIHH' if kind == 3 else '<HHII', tag, kind, 1, *((value, 0) if kind == 3 else (value,)))
sys.stdout.buffer.write(out + struct.pack('<I', 0) + data)
)";
    struct Case {
        const char* what;
        const char* arguments; // width height samples bits compression photometric rows-per-strip bytes
        int32_t result;
    };
    const Case cases[] = {
        {"801 samples of 16 bits in one deflated strip", "100 2000 801 16 8 2 2000 200000", 1},
        {"801 samples of 16 bits in strips of 200 rows", "100 2000 801 16 8 2 200 200000", 1},
        {"a 60000-row fax page of a few bytes", "1728 60000 1 1 4 0 60000 300", 1},
        {"rows of 801 samples too long to hold", "20000 40 801 16 8 2 40 1000", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("hostile.tif");
        ASSERT_TRUE(make(python3() + " -c " + quote(builder) + " " + c.arguments + " > " + quote(path)));
        ASSERT_LT(readBytes(path).size(), 1000u);
        std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts again from here
        const long before = peakResidentKb();
        const double cpu = threadCpuSeconds();
        CapturedOutput output(dir);
        const Opened o = open(path, 1);
        output.restore();
        const double seconds = threadCpuSeconds() - cpu;
        const long grownMb = (peakResidentKb() - before) / 1024;
        EXPECT_EQ(o.result, c.result) << o.error;
        EXPECT_LT(seconds, 1.0);
        EXPECT_LT(grownMb, 100);
        if (o.result == 1)
            EXPECT_TRUE(o.pages[0].isValidDib());
        else
            EXPECT_EQ(o.error, "image is too large");
        EXPECT_LE(occurrences(output.log(), "TIFF error"), 1u) << output.log();
    }
}
