// The DIB helpers: header getters over full and core headers, bounded by the
// block; palettes; drawing one to one against ImageMagick's decoding of the
// same bits; stretching that keeps thin black lines.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <QPainter>

#include "faxbox/qt/DibHelpers.h"
#include "testsupport/TestSupport.h"

using namespace testsupport;

namespace {

void put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v)
{
    put16(p, static_cast<uint16_t>(v));
    put16(p + 2, static_cast<uint16_t>(v >> 16));
}

// A page whose pixels and palette follow a fixed pseudo-random pattern, so
// that a wrong row order, bit order or palette shows.
ImageHandle patternPage(int32_t width, int32_t height, uint16_t bitCount)
{
    ImageHandle page = ImageHandle::createDib(width, height, bitCount);
    uint32_t seed = 12345u + bitCount;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, static_cast<uint8_t>(seed >> 16); };
    for (uint32_t i = 0; i < page.paletteEntries(); ++i) {
        uint8_t* e = page.palette() + 4 * i;
        e[0] = next(), e[1] = next(), e[2] = next(), e[3] = 0;
    }
    for (int32_t r = 0; r < height; ++r) {
        uint8_t* row = page.storedRow(r);
        const std::size_t used = (static_cast<std::size_t>(bitCount) * width + 7) / 8;
        for (std::size_t i = 0; i < used; ++i)
            row[i] = next();
    }
    return page;
}

// A 1-bit page with palette black, white, all white.
ImageHandle whiteMonoPage(int32_t width, int32_t height)
{
    ImageHandle page = ImageHandle::createDib(width, height, 1);
    std::memset(page.palette() + 4, 0xFF, 3);
    std::memset(page.pixels(), 0xFF, page.size() - page.pixelOffset());
    return page;
}

void setBlack(ImageHandle& page, int32_t x, int32_t y)
{
    page.displayRow(y)[x >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7)));
}

// A block holding a core header (12 bytes) and `entries` three-byte colours.
ImageHandle coreHeaderBlock(uint16_t width, uint16_t height, uint16_t bitCount, std::size_t entries,
                            std::size_t pixelBytes)
{
    ImageHandle block = ImageHandle::allocate(12 + 3 * entries + pixelBytes);
    put32(block.data(), 12);
    put16(block.data() + 4, width);
    put16(block.data() + 6, height);
    put16(block.data() + 8, 1);
    put16(block.data() + 10, bitCount);
    for (std::size_t i = 0; i < entries; ++i) {
        uint8_t* e = block.data() + 12 + 3 * i;
        e[0] = static_cast<uint8_t>(i), e[1] = static_cast<uint8_t>(2 * i), e[2] = static_cast<uint8_t>(3 * i);
    }
    return block;
}

// A page of the given bit count whose colours-used field is `coloursUsed`,
// in a block cut to `blockBytes` bytes when that is not 0.
ImageHandle withColoursUsed(uint16_t bitCount, uint32_t coloursUsed, std::size_t blockBytes = 0)
{
    ImageHandle page = ImageHandle::createDib(8, 2, bitCount);
    BitmapInfoHeader header = page.header();
    header.clrUsed = coloursUsed;
    page.setHeader(header);
    if (blockBytes == 0)
        return page;
    ImageHandle cut = ImageHandle::allocate(blockBytes);
    std::memcpy(cut.data(), page.data(), std::min(blockBytes, page.size()));
    return cut;
}

// The handle's block as a BMP file: the 14-byte file header in front.
void writeBmp(const ImageHandle& page, const std::string& path)
{
    uint8_t fileHeader[14] = {'B', 'M'};
    put32(fileHeader + 2, static_cast<uint32_t>(14 + page.size()));
    put32(fileHeader + 10, static_cast<uint32_t>(14 + page.pixelOffset()));
    std::vector<uint8_t> bytes(fileHeader, fileHeader + sizeof fileHeader);
    bytes.insert(bytes.end(), page.data(), page.data() + page.size());
    writeBytes(path, bytes);
}

// Pixel difference count between two images by ImageMagick, -1 when it could not say.
long magickDifference(const std::string& a, const std::string& b)
{
    const CommandResult r = run("compare -metric AE " + quote(a) + " " + quote(b) + " null: 2>&1");
    try {
        return std::stol(r.output);
    } catch (...) {
        ADD_FAILURE() << "compare said: " << r.output;
        return -1;
    }
}

QImage canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    return image;
}

} // namespace

TEST(DibHeaderGetters, ReadFullAndCoreHeadersBoundedByBitCountAndBlock)
{
    struct Case {
        const char* name;
        ImageHandle block;
        int32_t width, height;
        uint16_t colours;
        uint32_t tableBytes;
        std::size_t pixelOffset;
    };
    Case cases[] = {
        {"TrueColourHasNoTable", ImageHandle::createDib(7, 3, 24), 7, 3, 0, 0, 40},
        {"MonoWithColoursUsedZero", withColoursUsed(1, 0), 8, 2, 2, 8, 48},
        {"FourBit", ImageHandle::createDib(5, 4, 4), 5, 4, 16, 64, 104},
        {"EightBit", ImageHandle::createDib(9, 2, 8), 9, 2, 256, 1024, 1064},
        {"EightBitUsingTwelve", withColoursUsed(8, 12), 8, 2, 12, 48, 88},
        {"ColoursUsedBeyondTheBitCount", withColoursUsed(1, 300), 8, 2, 2, 8, 48},
        {"HugeColoursUsedOnEightBits", withColoursUsed(8, 0xFFFFFFFFu), 8, 2, 256, 1024, 1064},
        {"ColoursUsedOnTrueColour", withColoursUsed(24, 16), 8, 2, 0, 0, 40},
        {"TableCutByTheBlock", withColoursUsed(8, 0, 40 + 4 * 10 + 2), 8, 2, 10, 40, 80},
        {"CoreHeader", coreHeaderBlock(300, 2, 4, 16, 2 * 152), 300, 2, 16, 48, 60},
        {"CoreHeaderTableCut", coreHeaderBlock(3, 1, 8, 5, 0), 3, 1, 5, 15, 27},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto dib = DibBytes(c.block);
        EXPECT_EQ(GetDibWidth(dib), c.width);
        EXPECT_EQ(GetDibHeight(dib), c.height);
        EXPECT_EQ(GetDibColourCount(dib), c.colours);
        EXPECT_EQ(GetColourTableSize(dib), c.tableBytes);
        EXPECT_EQ(GetDibPixels(dib), c.block.data() + c.pixelOffset);
    }
}

TEST(DibHeaderGetters, BlocksWithoutAHeaderReadAsEmpty)
{
    const ImageHandle shortFull = withColoursUsed(8, 0, 39);
    const ImageHandle shortCore = ImageHandle::allocate(11);
    for (const ImageHandle* block : {&shortFull, &shortCore}) {
        const auto dib = DibBytes(*block);
        EXPECT_EQ(GetDibWidth(dib), 0);
        EXPECT_EQ(GetDibHeight(dib), 0);
        EXPECT_EQ(GetDibColourCount(dib), 0);
        EXPECT_EQ(GetDibPixels(dib), nullptr);
        EXPECT_TRUE(DibToImage(*block).isNull());
    }
    EXPECT_EQ(GetDibBitCount(ImageHandle{}), 65535);
    EXPECT_EQ(GetDibBitCount(ImageHandle::createDib(3, 3, 24)), 24);
    EXPECT_EQ(GetDibBitCount(coreHeaderBlock(3, 3, 4, 16, 12)), 4);
}

TEST(DibPalette, IsTheColourTableAndAbsentForTrueColour)
{
    const ImageHandle page = patternPage(4, 4, 4);
    QList<QRgb> palette;
    ASSERT_EQ(MakeDibPalette(page, palette), 1);
    ASSERT_EQ(palette.size(), 16);
    const uint8_t* fifth = page.palette() + 4 * 5;
    EXPECT_EQ(palette[5], qRgb(fifth[2], fifth[1], fifth[0]));

    QList<QRgb> core;
    ASSERT_EQ(MakeDibPalette(coreHeaderBlock(2, 2, 1, 2, 8), core), 1);
    EXPECT_EQ(core, (QList<QRgb>{qRgb(0, 0, 0), qRgb(3, 2, 1)}));

    QList<QRgb> untouched{qRgb(1, 2, 3)};
    EXPECT_EQ(MakeDibPalette(ImageHandle::createDib(4, 4, 24), untouched), 0);
    EXPECT_EQ(MakeDibPalette(ImageHandle{}, untouched), 0);
    EXPECT_EQ(untouched, QList<QRgb>{qRgb(1, 2, 3)});
}

TEST(DrawDib, OneToOneEqualsImageMagicksDecodingOfTheSameBits)
{
    TempDir dir;
    for (const uint16_t bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        // Odd widths leave padding in every row; 37 x 11 is no multiple of anything.
        const ImageHandle page = patternPage(37, 11, bits);
        const std::string bmp = dir.file("page" + std::to_string(bits) + ".bmp");
        writeBmp(page, bmp);

        QImage whole = canvas(37, 11);
        {
            QPainter painter(&whole);
            EXPECT_EQ(DrawDib(painter, QRect(0, 0, 37, 11), page, QRect(0, 0, 37, 11)), 11);
        }
        const std::string drawn = dir.file("drawn" + std::to_string(bits) + ".png");
        ASSERT_TRUE(whole.save(QString::fromStdString(drawn)));
        EXPECT_EQ(magickDifference(drawn, bmp), 0);

        // A part of the page drawn one to one at an offset.
        QImage part = canvas(30, 20);
        {
            QPainter painter(&part);
            EXPECT_EQ(DrawDib(painter, QRect(5, 7, 20, 6), page, QRect(9, 3, 20, 6)), 6);
        }
        const std::string partPng = dir.file("part" + std::to_string(bits) + ".png");
        ASSERT_TRUE(part.copy(5, 7, 20, 6).save(QString::fromStdString(partPng)));
        const std::string cropped = dir.file("cropped" + std::to_string(bits) + ".png");
        ASSERT_TRUE(runOk("convert " + quote(bmp) + " -crop 20x6+9+3 +repage " + quote(cropped)));
        EXPECT_EQ(magickDifference(partPng, cropped), 0);
        EXPECT_EQ(part.pixel(4, 7), qRgb(10, 200, 30)) << "nothing drawn outside the destination";
    }
}

TEST(DrawDib, OnePixelBlackLineSurvivesAFourTimesShrink)
{
    // The line at each offset within a 4-pixel block, across and down.
    for (int offset = 0; offset < 4; ++offset) {
        SCOPED_TRACE(offset);
        ImageHandle page = whiteMonoPage(64, 64);
        const int32_t row = 20 + offset;
        const int32_t column = 40 + offset;
        for (int32_t i = 0; i < 64; ++i) {
            setBlack(page, i, row);
            setBlack(page, column, i);
        }
        QImage shrunk = canvas(16, 16);
        {
            QPainter painter(&shrunk);
            EXPECT_EQ(DrawDib(painter, QRect(0, 0, 16, 16), page, QRect(0, 0, 64, 64)), 64);
        }
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(shrunk.pixel(i, 5), qRgb(0, 0, 0)) << "across, at " << i;
            EXPECT_EQ(shrunk.pixel(10, i), qRgb(0, 0, 0)) << "down, at " << i;
        }
        EXPECT_EQ(shrunk.pixel(3, 3), qRgb(255, 255, 255));
        EXPECT_EQ(shrunk.pixel(12, 12), qRgb(255, 255, 255));
    }
}

TEST(DrawDib, ShrinkingAColourPageAveragesSoALineStaysDarker)
{
    ImageHandle page = ImageHandle::createDib(64, 64, 24);
    std::memset(page.pixels(), 0xFF, page.size() - page.pixelOffset());
    for (int32_t x = 0; x < 64; ++x)
        std::memset(page.displayRow(22) + 3 * x, 0, 3);
    QImage shrunk = canvas(16, 16);
    {
        QPainter painter(&shrunk);
        DrawDib(painter, QRect(0, 0, 16, 16), page, QRect(0, 0, 64, 64));
    }
    for (int x = 0; x < 16; ++x) {
        EXPECT_LT(qGray(shrunk.pixel(x, 5)), 230) << x;
        EXPECT_EQ(shrunk.pixel(x, 2), qRgb(255, 255, 255)) << x;
    }
}

TEST(DrawDib, EnlargingRepeatsEachPixel)
{
    for (const uint16_t bits : {1, 8}) {
        SCOPED_TRACE(bits);
        const ImageHandle page = patternPage(5, 4, bits);
        const QImage original = DibToImage(page);
        QImage large = canvas(15, 8);
        {
            QPainter painter(&large);
            EXPECT_EQ(DrawDib(painter, QRect(0, 0, 15, 8), page, QRect(0, 0, 5, 4)), 4);
        }
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 15; ++x)
                ASSERT_EQ(large.pixel(x, y), original.pixel(x / 3, y / 2)) << x << "," << y;
    }
}

TEST(DrawDib, SourceOutsideThePageIsNotDrawn)
{
    const ImageHandle page = patternPage(10, 10, 8);
    const QImage original = DibToImage(page);
    QImage target = canvas(20, 20);
    {
        QPainter painter(&target);
        // The source hangs 4 columns and 3 rows off the top-left corner.
        EXPECT_EQ(DrawDib(painter, QRect(0, 0, 14, 13), page, QRect(-4, -3, 14, 13)), 10);
        // Stretched, only the page's own part lands, at its proportional place.
        EXPECT_EQ(DrawDib(painter, QRect(0, 14, 20, 6), page, QRect(5, 0, 10, 3)), 3);
    }
    EXPECT_EQ(target.pixel(3, 2), qRgb(10, 200, 30));
    EXPECT_EQ(target.pixel(4, 3), original.pixel(0, 0));
    EXPECT_EQ(target.pixel(13, 12), original.pixel(9, 9));
    EXPECT_EQ(target.pixel(9, 15), original.pixel(9, 0)) << "page column 9 of source 5..14 at 20/10 scale";
    EXPECT_EQ(target.pixel(10, 15), qRgb(10, 200, 30));
}

TEST(DrawDib, NothingToDrawGivesZero)
{
    const ImageHandle page = patternPage(8, 8, 1);
    QImage target = canvas(8, 8);
    QPainter painter(&target);
    EXPECT_EQ(DrawDib(painter, QRect(0, 0, 8, 8), ImageHandle{}, QRect(0, 0, 8, 8)), 0);
    EXPECT_EQ(DrawDib(painter, QRect(0, 0, 0, 8), page, QRect(0, 0, 8, 8)), 0);
    EXPECT_EQ(DrawDib(painter, QRect(0, 0, 8, 8), page, QRect(0, 0, 8, 0)), 0);
    EXPECT_EQ(DrawDib(painter, QRect(0, 0, 8, 8), page, QRect(20, 20, 8, 8)), 0);
    // Rows that the block cannot hold.
    ImageHandle cut = ImageHandle::allocate(page.size() - 1);
    std::memcpy(cut.data(), page.data(), cut.size());
    EXPECT_EQ(DrawDib(painter, QRect(0, 0, 8, 8), cut, QRect(0, 0, 8, 8)), 0);
    painter.end();
    EXPECT_EQ(target, canvas(8, 8));
}
