// The TIFF codec: every compression saved and read back at the page's own
// depth, checked with libtiff's tiffinfo and ImageMagick's compare; the
// layouts other writers produce (tiles, planes, 16 bits, CMYK, alpha, JPEG,
// fill order, byte order); damaged files refused with a message in the log
// and nothing on standard error; page counts without decoding; the
// resolution of a page turned on its side.

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>

#include "PictraTestSupport.h"
#include "pictra/DibRows.h"
#include "jotter/Jotter.h"

using namespace pictratest;

namespace {

ImgFileInfo tiffInfo(uint32_t compression)
{
    ImgFileInfo info;
    info.format = PtxFormat::Tiff;
    info.encodeOption = compression;
    return info;
}

ImageHandle openOne(const std::string& path)
{
    std::vector<ImageHandle> pages(1);
    return PtxOpenImageFile(path, nullptr, pages) == 1 ? std::move(pages[0]) : ImageHandle();
}

// One field of tiffinfo's report of the first directory ("" when absent).
std::string tiffField(const std::string& path, const std::string& name)
{
    const std::string report = run("tiffinfo " + quote(path) + " 2>/dev/null").output;
    const std::string key = "  " + name + ": ";
    const auto at = report.find(key);
    if (at == std::string::npos)
        return "";
    const auto end = report.find('\n', at);
    return report.substr(at + key.size(), end - at - key.size());
}

std::size_t differingPixels(const std::string& a, const std::string& b)
{
    const auto r = run("compare -metric AE " + quote(a) + " " + quote(b) + " null: 2>&1");
    try {
        return static_cast<std::size_t>(std::stoull(r.output));
    } catch (...) {
        ADD_FAILURE() << "compare said: " << r.output;
        return SIZE_MAX;
    }
}

// Mean and largest difference of two pictures' RGB bytes.
struct Difference {
    double mean = 1e9;
    int largest = 1000;
};

Difference difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    Difference d;
    if (a.size() != b.size() || a.empty())
        return d;
    long total = 0;
    d.largest = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const int delta = std::abs(int{a[i]} - int{b[i]});
        total += delta;
        d.largest = std::max(d.largest, delta);
    }
    d.mean = static_cast<double>(total) / static_cast<double>(a.size());
    return d;
}

// The pages every round trip starts from, all at 204 x 98 dots per inch.
struct Sources {
    TempDir dir;
    bool ok = false;
    Sources()
    {
        const std::string dpi = " -density 204x98 -units PixelsPerInch ";
        ok = make("convert -size 203x61 xc:white -fill black -draw 'line 0,0 202,60' -draw 'rectangle 9,30 40,55' "
                  "-draw 'circle 150,20 160,28' -monochrome" + dpi + quote(file("bilevel.png"))) &&
             make("convert -size 97x53 gradient:white-black -depth 8" + dpi + quote(file("grey.png"))) &&
             make("convert -size 97x53 gradient:red-blue -fill green -draw 'circle 40,25 50,30' -depth 8" + dpi +
                  "PNG24:" + quote(file("colour.png"))) &&
             make("convert " + quote(file("colour.png")) + " -colors 60" + dpi + "PNG8:" + quote(file("palette.png"))) &&
             make("convert " + quote(file("colour.png")) + " -colors 12 -type palette -depth 4 -compress none" + dpi +
                  quote(file("palette4.tif")));
    }
    std::string file(const std::string& name) const { return dir.file(name); }
};

} // namespace

TEST(TiffSave, EveryCompressionAtThePagesOwnDepth)
{
    Sources s;
    ASSERT_TRUE(s.ok);
    struct Source {
        const char* name;
        uint16_t bits;
        const char* bitsPerSample;
    };
    const Source sources[] = {
        {"bilevel.png", 1, "1"}, {"grey.png", 8, "8"}, {"palette.png", 8, "8"},
        {"palette4.tif", 4, "4"}, {"colour.png", 24, "8"},
    };
    struct Compression {
        uint32_t option;
        const char* scheme; // as tiffinfo names it
    };
    const Compression compressions[] = {
        {PtxTiffCompression::None, "None"},
        {PtxTiffCompression::CcittRle, "CCITT RLE"},
        {PtxTiffCompression::CcittG3, "CCITT Group 3"},
        {PtxTiffCompression::CcittG4, "CCITT Group 4"},
        {PtxTiffCompression::Lzw, "LZW"},
        {PtxTiffCompression::PackBits, "PackBits"},
        {PtxTiffCompression::Deflate, "AdobeDeflate"},
        {PtxTiffCompression::OldDeflate, "Deflate"},
        {PtxTiffCompression::Jpeg, "JPEG"},
        {PtxTiffCompression::OldJpeg, "JPEG"}, // written as today's JPEG
    };
    for (const Source& src : sources) {
        const ImageHandle page = openOne(s.file(src.name));
        ASSERT_EQ(page.bitCount(), src.bits) << src.name;
        const bool greyOrTrue = src.bits == 24 || std::string(src.name) == "grey.png";
        for (const Compression& c : compressions) {
            const std::string out = s.file(std::string(src.name) + "." + std::to_string(c.option) + ".tif");
            SCOPED_TRACE(out);
            const bool ccitt = c.option >= PtxTiffCompression::CcittRle && c.option <= PtxTiffCompression::CcittG4;
            const bool jpeg = c.option == PtxTiffCompression::Jpeg || c.option == PtxTiffCompression::OldJpeg;
            const int32_t saved = PtxSaveImageToFile(page, out, tiffInfo(c.option));
            if ((ccitt && src.bits != 1) || (jpeg && !greyOrTrue)) {
                EXPECT_EQ(saved, 0);
                EXPECT_NE(std::string(PtxGetLastErrorInfo()).find(ccitt ? "CCITT compression needs a 1-bit page"
                                                                         : "JPEG compression needs"),
                          std::string::npos)
                    << PtxGetLastErrorInfo();
                EXPECT_FALSE(std::filesystem::exists(out));
                continue;
            }
            ASSERT_EQ(saved, 1) << PtxGetLastErrorInfo();
            EXPECT_EQ(tiffField(out, "Compression Scheme"), c.scheme);
            EXPECT_EQ(tiffField(out, "Bits/Sample"), src.bitsPerSample);
            EXPECT_EQ(tiffField(out, "Resolution"), "204, 98 pixels/inch");
            EXPECT_EQ(run("tiffinfo " + quote(out) + " 2>&1 >/dev/null").output, "");
            const Opened back = open(out, 1);
            ASSERT_EQ(back.result, 1) << back.error;
            EXPECT_EQ(back.pages[0].bitCount(), src.bits);
            EXPECT_EQ(back.info.encodeOption, jpeg ? PtxTiffCompression::Jpeg : c.option);
            if (jpeg) {
                const Difference d = difference(handleRgb(back.pages[0]), handleRgb(page));
                // Chroma is stored at half resolution: sharp colour edges
                // blur, the picture as a whole stays close.
                EXPECT_LE(d.mean, 4.0);
                EXPECT_LE(d.largest, 128);
            } else {
                EXPECT_EQ(differingPixels(s.file(src.name), out), 0u);
                EXPECT_TRUE(handleRgb(back.pages[0]) == handleRgb(page));
            }
        }
    }
}

TEST(TiffSave, AGroup3PageIsWrittenTwoDimensionally)
{
    // A 2-D G3 fax page opened and saved back with the option the open
    // reported stays 2-D (it came out 1-D).
    Sources s;
    ASSERT_TRUE(s.ok);
    ASSERT_TRUE(make("convert " + quote(s.file("bilevel.png")) + " -depth 1 -compress none " + quote(s.file("bw.tif")) +
                     " && tiffcp -c g3:2d " + quote(s.file("bw.tif")) + " " + quote(s.file("g3-2d.tif"))));
    ASSERT_EQ(tiffField(s.file("g3-2d.tif"), "Group 3 Options"), "2-d encoding (1 = 0x1)");
    const Opened o = open(s.file("g3-2d.tif"), 1);
    ASSERT_EQ(o.result, 1) << o.error;
    ASSERT_EQ(o.info.encodeOption, PtxTiffCompression::CcittG3);
    const std::string out = s.file("saved.tif");
    ASSERT_EQ(PtxSaveImageToFile(o.pages[0], out, o.info), 1) << PtxGetLastErrorInfo();
    EXPECT_EQ(tiffField(out, "Compression Scheme"), "CCITT Group 3");
    EXPECT_EQ(tiffField(out, "Group 3 Options"), "2-d encoding (1 = 0x1)");
    EXPECT_EQ(differingPixels(s.file("g3-2d.tif"), out), 0u);
}

TEST(TiffSave, UnknownCompressionIsRefusedAndNothingWritten)
{
    Sources s;
    ASSERT_TRUE(s.ok);
    const ImageHandle page = openOne(s.file("colour.png"));
    const std::string out = s.file("never.tif");
    EXPECT_EQ(PtxSaveImageToFile(page, out, tiffInfo(34712)), 0);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "TIFF compression 34712 cannot be written");
    EXPECT_FALSE(std::filesystem::exists(out));
    // Option 0: G4 for a 1-bit page, LZW for the others.
    ASSERT_EQ(PtxSaveImageToFile(openOne(s.file("bilevel.png")), out, tiffInfo(0)), 1);
    EXPECT_EQ(tiffField(out, "Compression Scheme"), "CCITT Group 4");
    EXPECT_EQ(tiffField(out, "Photometric Interpretation"), "min-is-white");
    ASSERT_EQ(PtxSaveImageToFile(page, out, tiffInfo(0)), 1);
    EXPECT_EQ(tiffField(out, "Compression Scheme"), "LZW");
}

namespace {

// A 1-bit page of lines of text-like blobs of black.
ImageHandle textPage(int32_t width, int32_t height)
{
    ImageHandle page = PtxCreateHandle(static_cast<uint32_t>(width), static_cast<uint32_t>(height), PtxBlank::Bilevel);
    std::memset(page.pixels(), 0xFF, page.size() - page.pixelOffset());
    std::mt19937 random(7);
    for (int32_t top = 8; top + 14 < height; top += 22) {
        for (int32_t left = 10; left < width - 60;) {
            const int32_t word = 6 + static_cast<int32_t>(random() % 50);
            for (int32_t x = left; x < left + word; x += 7) {
                const int32_t tall = 5 + static_cast<int32_t>(random() % 9);
                const int32_t wide = 3 + static_cast<int32_t>(random() % 3);
                for (int32_t y = top + 14 - tall; y <= top + 14; ++y)
                    for (int32_t i = x; i < x + wide; ++i)
                        DibSetRowBit(page.displayRow(y), i, false);
            }
            left += word + 8;
        }
    }
    return page;
}

} // namespace

TEST(TiffSave, OneBitPackBitsIsAboutTheSizeTiffcpWrites)
{
    TempDir dir;
    const ImageHandle page = textPage(1728, 400);
    const std::string source = dir.file("text.tif");
    ASSERT_EQ(PtxSaveImageToFile(page, source, tiffInfo(PtxTiffCompression::None)), 1);
    ASSERT_TRUE(make("tiffcp -c packbits " + quote(source) + " " + quote(dir.file("tiffcp.tif"))));
    const std::string ours = dir.file("ours.tif");
    ASSERT_EQ(PtxSaveImageToFile(page, ours, tiffInfo(PtxTiffCompression::PackBits)), 1);
    EXPECT_EQ(tiffField(ours, "Bits/Sample"), "1");
    EXPECT_EQ(differingPixels(dir.file("tiffcp.tif"), ours), 0u);
    const double theirs = static_cast<double>(std::filesystem::file_size(dir.file("tiffcp.tif")));
    EXPECT_LE(static_cast<double>(std::filesystem::file_size(ours)), theirs * 1.1);
}

TEST(TiffOpen, LayoutsOfOtherWriters)
{
    Sources s;
    ASSERT_TRUE(s.ok);
    ASSERT_TRUE(make("convert " + quote(s.file("bilevel.png")) + " -depth 1 -compress none " + quote(s.file("bw.tif")) +
                     " && convert " + quote(s.file("grey.png")) + " -compress none " + quote(s.file("grey.tif")) +
                     " && convert " + quote(s.file("colour.png")) + " -compress none " + quote(s.file("rgb.tif"))));
    struct Case {
        const char* name;
        const char* command; // $D is the sources' folder, $O the output
        uint16_t bits;
        int tolerance; // largest difference from ImageMagick's decoding
    };
    const Case cases[] = {
        {"tiled bilevel", "tiffcp -t -w 32 -l 16 -c g4 $D/bw.tif $O", 1, 0},
        {"tiled grey", "tiffcp -t -w 16 -l 16 -c lzw $D/grey.tif $O", 8, 0},
        {"tiled colour", "tiffcp -t -w 48 -l 32 -c zip $D/rgb.tif $O", 24, 0},
        {"G3 2-D, lsb first", "tiffcp -c g3:2d -f lsb2msb $D/bw.tif $O", 1, 0},
        {"strips of 5 rows", "tiffcp -r 5 -c packbits $D/bw.tif $O", 1, 0},
        {"big-endian", "tiffcp -B -c lzw $D/rgb.tif $O", 24, 0},
        {"BigTIFF", "tiffcp -8 -c zip $D/grey.tif $O", 8, 0},
        {"4-bit palette", "cp $D/palette4.tif $O", 4, 0},
        {"4-bit grey", "convert $D/grey.png -depth 4 -compress none $O", 4, 0},
        {"separate planes", "tiffcp -p separate $D/rgb.tif $O", 24, 0},
        {"JPEG YCbCr", "tiffcp -r 16 -c jpeg $D/rgb.tif $O", 24, 3},
        {"JPEG grey", "tiffcp -r 16 -c jpeg $D/grey.tif $O", 8, 1},
        {"16-bit colour", "convert $D/colour.png -depth 16 $O", 24, 1},
        {"16-bit grey", "convert $D/grey.png -depth 16 $O", 8, 1},
        {"CMYK", "convert $D/colour.png -colorspace CMYK $O", 24, 2},
        {"alpha", "convert $D/colour.png -alpha set -channel A -fx 0.5 +channel $O", 24, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string out = s.file(std::string(c.name) + ".tif");
        std::string command = c.command;
        for (std::size_t at; (at = command.find("$D")) != std::string::npos;)
            command.replace(at, 2, quote(s.dir.path()));
        command.replace(command.find("$O"), 2, quote(out));
        ASSERT_TRUE(make(command)) << command;
        const Opened o = open(out, 1);
        ASSERT_EQ(o.result, 1) << o.error;
        EXPECT_EQ(o.pages[0].bitCount(), c.bits);
        const Difference d = difference(handleRgb(o.pages[0]), magickRgb(out));
        EXPECT_LE(d.largest, c.tolerance);
        EXPECT_EQ(PtxPpmToDpi(o.pages[0].header().xPelsPerMeter), 204);
        EXPECT_EQ(PtxPpmToDpi(o.pages[0].header().yPelsPerMeter), 98);
    }
}

TEST(TiffOpen, APageStoredBottomUpOrMirroredIsTurnedWhole)
{
    // 16-bit samples go through libtiff's RGBA conversion, a strip at a time;
    // each strip used to be turned on its own.
    Sources s;
    ASSERT_TRUE(s.ok);
    struct Case {
        int orientation;
        const char* turn; // what ImageMagick does to the source to show it so
    };
    for (const Case c : {Case{4, "-flip"}, Case{2, "-flop"}, Case{3, "-flip -flop"}}) {
        SCOPED_TRACE(c.orientation);
        const std::string out = s.file("turned.tif");
        ASSERT_TRUE(make("convert " + quote(s.file("colour.png")) + " -depth 16 " + quote(s.file("deep.tif")) +
                         " && tiffcp -r 8 " + quote(s.file("deep.tif")) + " " + quote(out) + " && tiffset -s 274 " +
                         std::to_string(c.orientation) + " " + quote(out)));
        ASSERT_TRUE(make("convert " + quote(s.file("colour.png")) + " " + c.turn + " " + quote(s.file("turned.png"))));
        const Opened o = open(out, 1);
        ASSERT_EQ(o.result, 1) << o.error;
        EXPECT_LE(difference(handleRgb(o.pages[0]), magickRgb(s.file("turned.png"))).largest, 1);
    }
}

namespace {

// A three-page little-endian file of uncompressed pages in strips of 4 rows.
TiffBytes threePages(const TempDir& dir)
{
    const std::string path = dir.file("three.tif");
    const bool ok = make("convert -size 40x20 xc:white -fill black -draw 'rectangle 5,5 30,15' -alpha off -depth 1 " +
                         quote(dir.file("p.tif")) + " && tiffcp -r 4 -c none " + quote(dir.file("p.tif")) + " " +
                         quote(dir.file("p.tif")) + " " + quote(dir.file("p.tif")) + " " + quote(path));
    return TiffBytes(ok ? readBytes(path) : std::vector<uint8_t>{});
}

} // namespace

TEST(TiffOpen, DamagedFilesFailWithAMessageInTheLogAndNothingOnStandardError)
{
    TempDir dir;
    const TiffBytes good = threePages(dir);
    ASSERT_GT(good.bytes.size(), 100u);
    ASSERT_EQ(open(dir.file("three.tif")).result, 3);
    const std::size_t first = good.directory(0);
    const std::size_t second = good.directory(1);

    struct Case {
        const char* what;
        std::function<void(TiffBytes&)> damage;
        const char* message; // part of the last-error text
    };
    const Case cases[] = {
        {"cut in the last page", [&](TiffBytes& t) { t.bytes.resize(t.directory(2) + 20); }, ""},
        {"directory loop", [&](TiffBytes& t) { t.put32(t.nextPointer(second), static_cast<uint32_t>(first)); }, ""},
        {"directory pointing at itself", [&](TiffBytes& t) { t.put32(t.nextPointer(first), static_cast<uint32_t>(first)); }, ""},
        {"page beyond a handle", [&](TiffBytes& t) {
             t.setValue(first, 256, 65535);
             t.setValue(first, 257, 65535);
             t.setValue(first, 258, 8);
         }, "image is too large"},
        {"no directory", [&](TiffBytes& t) { t.put32(4, static_cast<uint32_t>(t.bytes.size() + 8)); }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TiffBytes damaged = good;
        c.damage(damaged);
        writeBytes(dir.file("damaged.tif"), damaged.bytes);
        const auto [o, counted, log, standardError] = openAndCount(dir, dir.file("damaged.tif"));
        EXPECT_EQ(o.result, -1);
        EXPECT_EQ(counted, -1);
        EXPECT_NE(o.error.find(c.message), std::string::npos) << o.error;
        EXPECT_FALSE(o.error.empty());
        EXPECT_EQ(standardError, "");
        if (std::string(c.message).empty()) {
            EXPECT_NE(log.find("TIFF"), std::string::npos) << "libtiff said nothing to the log";
        }
    }
}

TEST(TiffPageCount, CountsDirectoriesWithoutDecoding)
{
    TempDir dir;
    TiffBytes tiff = threePages(dir);
    ASSERT_GT(tiff.bytes.size(), 100u);
    const std::string path = dir.file("three.tif");
    struct Case {
        int32_t limit;
        int32_t counted;
    };
    for (const Case c : {Case{100, 3}, Case{3, 3}, Case{2, 2}, Case{1, 1}, Case{0, 1}})
        EXPECT_EQ(PtxCountImagePages(path, c.limit), c.counted) << c.limit;

    // Pixels that cannot be decoded: the pages are counted and opened, the
    // damaged one white where it could not be decoded.
    ASSERT_TRUE(make("tiffcp -r 1000 -c g4 " + quote(path) + " " + quote(dir.file("g4.tif"))));
    TiffBytes g4(readBytes(dir.file("g4.tif")));
    const std::size_t ifd = g4.directory(1);
    const std::size_t offset = g4.u32(g4.entry(ifd, 273) + 8);
    const std::size_t length = g4.u32(g4.entry(ifd, 279) + 8);
    std::fill_n(g4.bytes.begin() + static_cast<std::ptrdiff_t>(offset), length, 0x00);
    writeBytes(dir.file("bad-codes.tif"), g4.bytes);
    EXPECT_EQ(PtxCountImagePages(dir.file("bad-codes.tif"), 100), 3);
    EXPECT_EQ(open(dir.file("bad-codes.tif")).result, 3);

    // Other formats are opened to count.
    ASSERT_TRUE(make("convert -size 5x5 xc:red xc:blue " + quote(dir.file("two.gif"))));
    EXPECT_EQ(PtxCountImagePages(dir.file("two.gif"), 100), 2);
    EXPECT_EQ(PtxCountImagePages(dir.file("missing.tif"), 100), -1);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "failed to open file");
}

TEST(TiffResolution, AQuarterTurnSwapsTheResolution)
{
    TempDir dir;
    ImageHandle fax = PtxCreateHandle(1728, 60, PtxBlank::Bilevel);
    ImgInfo resolution{};
    resolution.xResolution = 204;
    resolution.yResolution = 98;
    ASSERT_EQ(PtxSetImgInfo(fax, &resolution), 1);
    struct Case {
        float angle;
        const char* reported;
    };
    const Case cases[] = {
        {90.0f, "98, 204 pixels/inch"}, {270.0f, "98, 204 pixels/inch"}, {-90.0f, "98, 204 pixels/inch"},
        {180.0f, "204, 98 pixels/inch"}, {0.0f, "204, 98 pixels/inch"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        const ImageHandle turned = PtxImgRotate(fax, c.angle, 1);
        ASSERT_FALSE(turned.isNull());
        const std::string out = dir.file("turned.tif");
        ASSERT_EQ(PtxSaveImageToFile(turned, out, tiffInfo(PtxTiffCompression::CcittG4)), 1) << PtxGetLastErrorInfo();
        EXPECT_EQ(tiffField(out, "Resolution"), c.reported);
    }
}

TEST(TiffResolution, AResolutionWithoutUnitIsKeptAsDotsPerInch)
{
    // Fax files often give "204, 98" or "204, 196" with no unit: they mean
    // dots per inch, and a page saved again says so.
    TempDir dir;
    for (const int32_t fine : {98, 196}) {
        SCOPED_TRACE(fine);
        ImageHandle fax = PtxCreateHandle(1728, 60, PtxBlank::Bilevel);
        ImgInfo resolution{};
        resolution.xResolution = 204;
        resolution.yResolution = fine;
        ASSERT_EQ(PtxSetImgInfo(fax, &resolution), 1);
        const std::string unitless = dir.file("unitless.tif");
        ASSERT_EQ(PtxSaveImageToFile(fax, unitless, tiffInfo(PtxTiffCompression::CcittG4)), 1);
        ASSERT_TRUE(make("tiffset -s 296 1 " + quote(unitless))); // ResolutionUnit: none
        ASSERT_EQ(tiffField(unitless, "Resolution"), "204, " + std::to_string(fine) + " (unitless)");

        const ImageHandle opened = openOne(unitless);
        ASSERT_FALSE(opened.isNull()) << PtxGetLastErrorInfo();
        ImgInfo read{};
        ASSERT_EQ(PtxGetImgInfo(opened, &read), 1);
        EXPECT_EQ(read.xResolution, 204);
        EXPECT_EQ(read.yResolution, fine);
        const std::string saved = dir.file("saved.tif");
        ASSERT_EQ(PtxSaveImageToFile(opened, saved, tiffInfo(PtxTiffCompression::CcittG4)), 1);
        EXPECT_EQ(tiffField(saved, "Resolution"), "204, " + std::to_string(fine) + " pixels/inch");
    }
}
