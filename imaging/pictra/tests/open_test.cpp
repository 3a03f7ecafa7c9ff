#include <array>

#include <gtest/gtest.h>

#include "PictraTestSupport.h"
#include "scanvel/Scanvel.h"

using namespace pictratest;

namespace {

struct FormatCase {
    const char* name;       // fixture file name
    const char* command;    // shell command; $S is a 40x30 colour PPM, $B a 1-bit PBM, $O the output
    uint16_t format;
    uint16_t bits;
    int32_t dpi;
    bool exactPixels;       // the handle equals ImageMagick's decoding
};

const FormatCase kFormats[] = {
    {"page.bmp", "convert $S -density 150 -units PixelsPerInch BMP3:$O", PtxFormat::Bmp, 24, 150, true},
    {"pal4.bmp", "convert $S -colors 12 -type palette BMP3:$O", PtxFormat::Bmp, 4, 96, true},
    {"bw.bmp", "convert $B -type bilevel BMP3:$O", PtxFormat::Bmp, 1, 96, true},
    {"page.gif", "convert $S -colors 100 $O", PtxFormat::Gif, 8, 96, true},
    {"page.jpg", "cjpeg -quality 70 -outfile $O $S", PtxFormat::Jpeg, 24, 96, true},
    {"grey.jpg", "cjpeg -grayscale -outfile $O $S", PtxFormat::Jpeg, 8, 96, true},
    {"cmyk.jpg", "convert $S -colorspace CMYK $O", PtxFormat::Jpeg, 24, 96, false},
    {"dense.jpg", "convert $S -density 300 -units PixelsPerInch $O", PtxFormat::Jpeg, 24, 300, true},
    {"page.png", "convert $S -density 200 -units PixelsPerInch PNG24:$O", PtxFormat::Png, 24, 200, true},
    {"alpha.png", "convert $S -alpha set -channel A -fx 0.5 $O", PtxFormat::Png, 24, 96, false},
    {"palette.png", "convert $S -colors 50 PNG8:$O", PtxFormat::Png, 8, 96, true},
    {"bw.png", "convert $B -density 200 -units PixelsPerInch $O", PtxFormat::Png, 1, 200, true},
    {"icon.ico", "convert $S ICO:$O", PtxFormat::Ico, 24, 96, false},
    {"g4.tif", "tiffcp -c g4 $B.tif $O", PtxFormat::Tiff, 1, 204, true},
    {"g3.tif", "tiffcp -c g3 $B.tif $O", PtxFormat::Tiff, 1, 204, true},
    {"packbits.tif", "tiffcp -c packbits $S.tif $O", PtxFormat::Tiff, 24, 96, true},
    {"page.tga", "convert $S $O", PtxFormat::Tga, 24, 96, true},
    // ppmtopcx writes the picture's width as the horizontal resolution.
    {"bw.pcx", "ppmtopcx $B > $O", PtxFormat::Pcx, 1, 45, true},
    {"pal8.pcx", "ppmtopcx -8bit $S > $O", PtxFormat::Pcx, 8, 40, true},
    {"page.pcx", "convert $S $O", PtxFormat::Pcx, 24, 96, true},
    {"page.j2k", "opj_compress -n 3 -i $S -o $O", PtxFormat::J2k, 24, 96, true},
    {"page.pgx", "convert $S -colorspace gray -depth 8 PGX:$O", PtxFormat::Pgx, 8, 96, true},
    {"grey.pgm", "ppmtopgm $S > $O", PtxFormat::Pnm, 8, 96, true},
    {"page.ppm", "cp $S $O", PtxFormat::Pnm, 24, 96, true},
    {"page.ras", "convert $S SUN:$O", PtxFormat::Ras, 24, 96, true},
};

std::string expand(std::string command, const TempDir& dir, const std::string& out)
{
    auto replace = [&](const std::string& from, const std::string& to) {
        for (std::size_t at; (at = command.find(from)) != std::string::npos;)
            command.replace(at, from.size(), to);
    };
    replace("$S", dir.file("source.ppm"));
    replace("$B", dir.file("bw.pbm"));
    replace("$O", out);
    return command;
}

// The two sources every fixture is made from.
bool makeSources(const TempDir& dir)
{
    return make("convert -size 40x30 gradient:red-blue -depth 8 -fill green -draw 'rectangle 3,3,12,9' " +
                quote(dir.file("source.ppm"))) &&
           make("tiffcp -c none " + quote(dir.file("source.ppm")) + " " + quote(dir.file("source.ppm.tif")) +
                " 2>/dev/null || convert " + quote(dir.file("source.ppm")) + " -compress none " +
                quote(dir.file("source.ppm.tif"))) &&
           make("convert -size 45x31 xc:white -fill black -draw 'rectangle 4,4,20,17' -draw 'line 0,30 44,0' "
                "-monochrome " + quote(dir.file("bw.pbm"))) &&
           make("convert " + quote(dir.file("bw.pbm")) + " -density 204x196 -units PixelsPerInch -compress none " +
                quote(dir.file("bw.pbm.tif")));
}

} // namespace

TEST(PictraOpen, EveryFormatFromIndependentTools)
{
    TempDir dir;
    ASSERT_TRUE(makeSources(dir));
    for (const auto& c : kFormats) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(make(expand(c.command, dir, path))) << expand(c.command, dir, path);
        const Opened o = open(path);
        ASSERT_EQ(o.result, 1) << o.error;
        EXPECT_EQ(o.info.format, c.format);
        EXPECT_EQ(o.info.pages, 1);
        const ImageHandle& h = o.pages[0];
        ASSERT_TRUE(h.isValidDib());
        EXPECT_EQ(h.bitCount(), c.bits);
        ImgInfo facts{};
        facts.xResolution = PtxPpmToDpi(h.header().xPelsPerMeter);
        facts.yResolution = PtxPpmToDpi(h.header().yPelsPerMeter);
        EXPECT_EQ(facts.xResolution, c.dpi);
        if (c.bits == 1) {
            const uint8_t* black = h.palette();
            EXPECT_EQ(black[0] + black[1] + black[2], 0) << "palette entry 0 must be black";
        }
        if (!c.exactPixels && c.bits == 24) {
            // Close to ImageMagick's own RGB decoding, within a few levels.
            const auto ours = handleRgb(h);
            const auto theirs = magickRgb(path);
            ASSERT_EQ(ours.size(), theirs.size());
            int worst = 0;
            for (std::size_t i = 0; i < ours.size(); ++i)
                worst = std::max(worst, std::abs(int{ours[i]} - int{theirs[i]}));
            EXPECT_LE(worst, 8);
        }
        if (c.exactPixels) {
            EXPECT_TRUE(handleRgb(h) == magickRgb(path)) << "pixels differ from ImageMagick's decoding";
        }
    }
}

namespace {

// A three-page TIFF: 1-bit G4 at 200 dpi, 8-bit grey at 300 dpi, colour at 100 dpi.
std::string makeThreePages(const TempDir& dir)
{
    const std::string out = dir.file("three.tif");
    const bool ok =
        make("convert -size 30x20 xc:white -fill black -draw 'rectangle 2,2,9,9' -monochrome -density 200 "
             "-units PixelsPerInch -compress group4 " + quote(dir.file("p1.tif"))) &&
        make("convert -size 31x21 gradient:black-white -depth 8 -density 300 -units PixelsPerInch " +
             quote(dir.file("p2.tif"))) &&
        make("convert -size 32x22 gradient:red-yellow -depth 8 -density 100 -units PixelsPerInch " +
             quote(dir.file("p3.tif"))) &&
        make("tiffcp " + quote(dir.file("p1.tif")) + " " + quote(dir.file("p2.tif")) + " " +
             quote(dir.file("p3.tif")) + " " + quote(out));
    return ok ? out : "";
}

} // namespace

TEST(PictraOpen, MultiPageTiffFillsTheSlotsItIsGiven)
{
    TempDir dir;
    const std::string path = makeThreePages(dir);
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(run("tiffinfo " + quote(path) + " 2>/dev/null | grep -c 'TIFF Directory'").output, "3\n");

    struct Case {
        std::size_t slots;
        int32_t result;
        const char* message;
    };
    const Case cases[] = {
        {1, 1, ""},
        {2, 2, "分配的图像句柄数组小于图像页数"},
        {3, 3, ""},
        {100, 3, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slots);
        PtxSaveImageToFile(ImageHandle(), dir.file("x"), ImgFileInfo{}); // leaves an old message behind
        const Opened o = open(path, c.slots);
        EXPECT_EQ(o.result, c.result);
        EXPECT_EQ(o.info.pages, 3);
        EXPECT_EQ(o.info.format, PtxFormat::Tiff);
        EXPECT_EQ(o.info.encodeOption, PtxTiffCompression::CcittG4);
        if (*c.message != '\0') {
            EXPECT_STREQ(o.error.c_str(), c.message);
        } else {
            EXPECT_STREQ(o.error.c_str(), "image handle is null"); // the old message, no warning
        }
        for (int32_t i = 0; i < o.result; ++i) {
            // Every page carries the first page's resolution.
            EXPECT_EQ(PtxPpmToDpi(o.pages[static_cast<std::size_t>(i)].header().xPelsPerMeter), 200) << i;
            EXPECT_EQ(o.pages[static_cast<std::size_t>(i)].header().yPelsPerMeter, 7874) << i;
        }
    }
    const Opened all = open(path, 100);
    ASSERT_EQ(all.result, 3);
    const uint16_t bits[] = {1, 8, 24};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(all.pages[i].bitCount(), bits[i]) << i;
        EXPECT_TRUE(handleRgb(all.pages[i]) == magickRgb(path, static_cast<int>(i))) << i;
    }
    EXPECT_TRUE(all.pages[3].isNull());
}

TEST(PictraOpen, ALaterPageThatFailsKeepsThePagesAlreadyStored)
{
    // Two pages whose directories read well; the second page claims 3-bit
    // samples, which nothing decodes, so only decoding it fails.
    TempDir dir;
    const std::string path = dir.file("two.tif");
    ASSERT_TRUE(make("convert -size 30x20 xc:white -fill black -draw 'point 3,3' -monochrome -compress none " +
                     quote(dir.file("a.tif")) + " && convert -size 31x21 xc:gray -depth 8 -compress none " +
                     quote(dir.file("b.tif")) + " && tiffcp " + quote(dir.file("a.tif")) + " " +
                     quote(dir.file("b.tif")) + " " + quote(path)));
    TiffBytes tiff(readBytes(path));
    ASSERT_EQ(tiff.bytes[0], 'I');
    const std::size_t second = tiff.directory(1);
    ASSERT_NE(tiff.entry(second, 258), 0u);
    tiff.setValue(second, 258, 3);
    writeBytes(path, tiff.bytes);

    const Opened o = open(path, 4);
    EXPECT_EQ(o.result, -1);
    EXPECT_FALSE(o.error.empty());
    EXPECT_EQ(o.info.pages, 2);
    ASSERT_TRUE(o.pages[0].isValidDib());
    EXPECT_EQ(o.pages[0].width(), 30);
    EXPECT_TRUE(o.pages[1].isNull());
    EXPECT_EQ(PtxCountImagePages(path, 100), -1) << "the count checks every page as the open does";
}

namespace {

// A 1-bit BMP written byte by byte: `colour0` and `colour1` as blue, green,
// red; the left `dark` columns use palette index 1, the rest index 0.
std::vector<uint8_t> bilevelBmp(int32_t w, int32_t h, std::array<uint8_t, 3> colour0, std::array<uint8_t, 3> colour1,
                                int32_t dark)
{
    const uint32_t stride = static_cast<uint32_t>((w + 31) / 32 * 4);
    const uint32_t offset = 14 + 40 + 8;
    const uint32_t size = offset + stride * static_cast<uint32_t>(h);
    std::vector<uint8_t> b;
    auto u16 = [&](uint32_t v) { b.push_back(static_cast<uint8_t>(v)); b.push_back(static_cast<uint8_t>(v >> 8)); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    b.push_back('B');
    b.push_back('M');
    u32(size); u32(0); u32(offset);
    u32(40); u32(static_cast<uint32_t>(w)); u32(static_cast<uint32_t>(h)); u16(1); u16(1);
    u32(0); u32(stride * static_cast<uint32_t>(h)); u32(3780); u32(3780); u32(2); u32(0);
    b.insert(b.end(), colour0.begin(), colour0.end()); b.push_back(0);
    b.insert(b.end(), colour1.begin(), colour1.end()); b.push_back(0);
    for (int32_t y = 0; y < h; ++y) {
        std::vector<uint8_t> row(stride, 0);
        for (int32_t x = 0; x < dark; ++x)
            row[static_cast<std::size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

} // namespace

TEST(PictraOpen, BilevelPagesHaveBlackAtIndexZero)
{
    TempDir dir;
    ASSERT_TRUE(make("convert -size 20x10 xc:white -fill black -draw 'rectangle 0,0,4,9' -monochrome " +
                     quote(dir.file("bw.pbm"))));
    ASSERT_TRUE(make("convert " + quote(dir.file("bw.pbm")) + " -compress none -define quantum:polarity=min-is-white " +
                     quote(dir.file("white-first.tif"))));
    ASSERT_TRUE(make("convert " + quote(dir.file("bw.pbm")) + " -compress none -define quantum:polarity=min-is-black " +
                     quote(dir.file("black-first.tif"))));
    ASSERT_NE(run("tiffinfo " + quote(dir.file("white-first.tif"))).output.find("min-is-white"), std::string::npos);
    // The usual fax file: min-is-white, G4, least significant bit first.
    ASSERT_TRUE(make("tiffcp -c g4 -f lsb2msb " + quote(dir.file("white-first.tif")) + " " + quote(dir.file("fax.tif"))));
    // Palette white then black, the left five columns black.
    writeBytes(dir.file("white-first.bmp"), bilevelBmp(20, 10, {255, 255, 255}, {0, 0, 0}, 5));
    writeBytes(dir.file("black-first.bmp"), bilevelBmp(20, 10, {0, 0, 0}, {255, 255, 255}, 15));
    for (const char* name : {"white-first.tif", "black-first.tif", "fax.tif", "white-first.bmp"}) {
        SCOPED_TRACE(name);
        const Opened o = open(dir.file(name), 1);
        ASSERT_EQ(o.result, 1) << o.error;
        const ImageHandle& h = o.pages[0];
        ASSERT_EQ(h.bitCount(), 1);
        const uint8_t* p = h.palette();
        EXPECT_EQ((std::vector<uint8_t>(p, p + 8)), (std::vector<uint8_t>{0, 0, 0, 0, 255, 255, 255, 0}));
        EXPECT_TRUE(handleRgb(h) == magickRgb(dir.file(name)));
        // Bit 0 is black: the left five columns; the row padding stays zero.
        for (int32_t y = 0; y < h.height(); ++y) {
            const uint8_t* row = h.displayRow(y);
            EXPECT_EQ((std::vector<uint8_t>(row, row + 4)), (std::vector<uint8_t>{0x07, 0xFF, 0xF0, 0x00})) << y;
        }
    }
    // Black first: stored as it is, the left fifteen columns white.
    const Opened kept = open(dir.file("black-first.bmp"), 1);
    ASSERT_EQ(kept.result, 1);
    EXPECT_EQ(kept.pages[0].displayRow(0)[1], 0xFE);

    // A white-and-dark-red page keeps both colours where they were.
    writeBytes(dir.file("pair.bmp"), bilevelBmp(20, 10, {255, 255, 255}, {0, 0, 128}, 7));
    const Opened pair = open(dir.file("pair.bmp"), 1);
    ASSERT_EQ(pair.result, 1);
    const uint8_t* p = pair.pages[0].palette();
    EXPECT_EQ((std::vector<uint8_t>(p, p + 8)), (std::vector<uint8_t>{0, 0, 128, 0, 255, 255, 255, 0}));
    EXPECT_TRUE(handleRgb(pair.pages[0]) == magickRgb(dir.file("pair.bmp")));
}

TEST(PictraOpen, FormatFromMagicBytesAndExtension)
{
    TempDir dir;
    ASSERT_TRUE(make("convert -size 16x8 xc:orange " + quote(dir.file("a.tga"))));
    ASSERT_TRUE(make("convert -size 16x8 xc:orange ICO:" + quote(dir.file("a.ico"))));
    for (const char* name : {"b.TGA", "c.raw", "noext"})
        std::filesystem::copy_file(dir.file("a.tga"), dir.file(name));
    std::filesystem::copy_file(dir.file("a.ico"), dir.file("d.Ico"));
    writeBytes(dir.file("short"), {'B'});
    writeBytes(dir.file("empty"), {});
    writeBytes(dir.file("p4.pbm"), {'P', '4', '\n', '1', ' ', '1', '\n', 0});

    struct Case {
        const char* name;
        int32_t result;
        uint16_t format;
        const char* message;
    };
    const Case cases[] = {
        {"a.tga", 1, PtxFormat::Tga, nullptr},
        {"b.TGA", 1, PtxFormat::Tga, nullptr},
        {"a.ico", 1, PtxFormat::Ico, nullptr},
        {"d.Ico", 1, PtxFormat::Ico, nullptr},
        {"c.raw", -1, 0, "Unknown or wrong format"},
        {"noext", -1, 0, "Unknown or wrong format"},
        {"short", -1, 0, "Unknown or wrong format"},
        {"empty", -1, 0, "Unknown or wrong format"},
        {"p4.pbm", -1, 0, "Unknown or wrong format"},
        {"missing.tif", -1, 0, "failed to open file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Opened o = open(dir.file(c.name), 1);
        EXPECT_EQ(o.result, c.result);
        if (c.result == 1) {
            EXPECT_EQ(o.info.format, c.format);
        }
        if (c.message != nullptr) {
            EXPECT_STREQ(o.error.c_str(), c.message);
        } else if (c.result == -1) {
            EXPECT_FALSE(o.error.empty());
        }
    }
}

TEST(PictraOpen, FileNamesAreNeverInterpreted)
{
    TempDir dir;
    ASSERT_TRUE(make("convert -size 9x7 xc:blue " + quote(dir.file("plain.png"))));
    ASSERT_TRUE(make("convert -size 90x70 xc:red " + quote(dir.file("other.png"))));
    for (const char* name : {"page[0].png", "page%d.png", "png:page.png", "@list.png", "x.png[5x5+1+1]"}) {
        SCOPED_TRACE(name);
        std::filesystem::copy_file(dir.file("plain.png"), dir.file(name));
        const Opened o = open(dir.file(name), 1);
        ASSERT_EQ(o.result, 1) << o.error;
        EXPECT_EQ(o.pages[0].width(), 9);
        EXPECT_EQ(o.pages[0].height(), 7);
    }
}

TEST(PictraOpen, JpegInTiffOpensAsJpeg)
{
    TempDir dir;
    ASSERT_TRUE(make("convert -size 33x17 gradient:red-blue -depth 8 " + quote(dir.file("s.ppm")) +
                     " && cjpeg -quality 62 -outfile " + quote(dir.file("s.jpg")) + " " + quote(dir.file("s.ppm"))));
    ASSERT_EQ(ConvertJpegtoTiff(dir.file("s.tif"), dir.file("s.jpg")), 1);
    const Opened o = open(dir.file("s.tif"));
    ASSERT_EQ(o.result, 1) << o.error;
    EXPECT_EQ(o.info.format, PtxFormat::Jpeg);
    EXPECT_EQ(o.info.pages, 1);
    EXPECT_EQ(o.info.quality, 62);
    EXPECT_EQ(o.pages[0].width(), 33);
    EXPECT_TRUE(handleRgb(o.pages[0]) == magickRgb(dir.file("s.jpg")));
}

TEST(PictraOpen, WmfOpensButCannotBeSavedAsWmf)
{
    // A placeable metafile written byte by byte: window 200 x 100, one rectangle.
    std::vector<uint8_t> wmf;
    auto u16 = [&](int v) {
        wmf.push_back(static_cast<uint8_t>(v));
        wmf.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto u32 = [&](uint32_t v) {
        u16(static_cast<int>(v & 0xFFFF));
        u16(static_cast<int>(v >> 16));
    };
    u32(0x9AC6CDD7);
    for (int v : {0, 0, 0, 200, 100, 1440})
        u16(v);
    u32(0);
    uint16_t checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2)
        checksum ^= static_cast<uint16_t>(wmf[i] | (wmf[i + 1] << 8));
    u16(checksum);
    const std::vector<std::vector<int>> records = {
        {0x020B, 0, 0}, {0x020C, 100, 200}, {0x041B, 80, 150, 20, 30}, {0x0000}};
    std::size_t words = 9;
    for (const auto& r : records)
        words += 2 + r.size();
    u16(1);
    u16(9);
    u16(0x0300);
    u32(static_cast<uint32_t>(words));
    u16(0);
    u32(7);
    u16(0);
    for (const auto& r : records) {
        u32(static_cast<uint32_t>(2 + r.size()));
        for (int v : r)
            u16(v);
    }
    TempDir dir;
    writeBytes(dir.file("drawing.wmf"), wmf);
    const Opened o = open(dir.file("drawing.wmf"), 1);
    ASSERT_EQ(o.result, 1) << o.error;
    EXPECT_EQ(o.info.format, PtxFormat::Wmf);
    EXPECT_TRUE(o.pages[0].isValidDib());
    ImgFileInfo asWmf;
    asWmf.format = PtxFormat::Wmf;
    EXPECT_EQ(PtxSaveImageToFile(o.pages[0], dir.file("copy.wmf"), asWmf), 0);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "Unknown or wrong format");
}
