// Turns by quarter, half and odd angles, against golden pages and ImageMagick.

#include <limits>
#include <random>

#include <gtest/gtest.h>

#include "PageOperationPages.h"
#include "PageTestSupport.h"
#include "PictraTestSupport.h"
#include "pictra/DibRows.h"

using namespace pagetest;
using namespace pictratest;

TEST(PtxImgRotate, QuarterAndHalfTurnsOfGoldenPages)
{
    struct Case {
        float angle;
        Rows expected;
    };
    const Case cases[] = {
        {90.0f, {"..#", ".#.", "#..", "#..", "..."}},
        {270.0f, {"...", "..#", "..#", ".#.", "#.."}},
        {180.0f, {".##..", "...#.", "....#"}},
        {-90.0f, {"...", "..#", "..#", ".#.", "#.."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.angle);
        // Nearest pixel for 1 bit, interpolation for grey and colour pages:
        // all three land exactly on the pixels.
        EXPECT_EQ(bilevelRows(PtxImgRotate(bilevelPage(kFiveByThree), c.angle, 1)), c.expected);
        EXPECT_EQ(greyRows(PtxImgRotate(greyPage(kFiveByThree), c.angle, 1)), c.expected);
        EXPECT_EQ(colourRows(PtxImgRotate(colourPage(asColours(kFiveByThree)), c.angle, 0)), asColours(c.expected));
    }
    const Rows colours = {"rgbyw", "mcokp", "wkrgb"};
    EXPECT_EQ(colourRows(PtxImgRotate(colourPage(colours), 90.0f, 0)), (Rows{"wmr", "kcg", "rob", "gky", "bpw"}));
    EXPECT_STREQ(PtxGetLastErrorInfo(), "");
}

TEST(PtxImgRotate, SmallAnglesCopyAndOddAnglesGrowWithBackground)
{
    const ImageHandle page = bilevelPage(kCross);
    const ImageHandle same = PtxImgRotate(page, 0.005f, 0);
    ASSERT_EQ(same.size(), page.size());
    EXPECT_EQ(bilevelRows(same), kCross);
    EXPECT_TRUE(std::equal(page.palette(), page.data() + page.size(), same.palette()));

    const ImageHandle big = PtxImgRotate(PtxCreateHandle(40, 20, PtxBlank::TrueColour), 45.0f, 1);
    // (46341 x 40 + 46341 x 20 + 32768) >> 16 = 42 both ways.
    ASSERT_EQ(big.width(), 42);
    ASSERT_EQ(big.height(), 42);
    for (auto [x, y] : {std::pair{0, 0}, {41, 0}, {0, 41}, {41, 41}})
        EXPECT_EQ(pixelRgb(big, x, y), (std::vector<uint8_t>{255, 255, 255})) << x << "," << y;
    EXPECT_EQ(pixelRgb(big, 21, 21), (std::vector<uint8_t>{0, 0, 0}));
    const ImageHandle dark = PtxImgRotate(PtxCreateHandle(40, 20, PtxBlank::Bilevel), 30.0f, 0);
    for (int32_t y = 0; y < dark.height(); ++y) {
        // A black background; the padding bits of each row stay zero.
        EXPECT_EQ(dark.displayRow(y)[dark.stride() - 1], 0);
    }
    const ImageHandle white = PtxImgRotate(page, 30.0f, 1);
    EXPECT_EQ(white.displayRow(0)[0] & 0x80, 0x80);
    EXPECT_EQ(white.displayRow(0)[white.stride() - 1] & 1, 0);

    EXPECT_TRUE(PtxImgRotate(ImageHandle(), 90.0f, 0).isNull());
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null");
}

TEST(PtxImgRotate, AnglesThatAreNotNumbersGiveNoPage)
{
    const ImageHandle page = bilevelPage(kFiveByThree);
    for (float angle : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                        -std::numeric_limits<float>::infinity()}) {
        EXPECT_TRUE(PtxImgRotate(page, angle, 1).isNull()) << angle;
        EXPECT_STREQ(PtxGetLastErrorInfo(), "failed to allocate memory");
    }
}

TEST(PtxImgRotate, WidePagesNeedSixtyFourBitPositions)
{
    // 2 x 70000 x 65536 overflows 32 bits many times over.
    ImageHandle wide = PtxCreateHandle(70000, 3, PtxBlank::Bilevel);
    ASSERT_FALSE(wide.isNull());
    std::fill(wide.displayRow(0), wide.displayRow(0) + wide.stride(), 0xFF); // top row white
    wide.displayRow(1)[69999 / 8] |= static_cast<uint8_t>(0x80 >> (69999 % 8)); // one white pixel at the far end
    const ImageHandle turned = PtxImgRotate(wide, 90.0f, 0);
    ASSERT_EQ(turned.width(), 3);
    ASSERT_EQ(turned.height(), 70000);
    for (int32_t y : {0, 1, 35000, 69998, 69999}) {
        const uint8_t row = turned.displayRow(y)[0];
        EXPECT_EQ(row & 0x20, 0x20) << y;                    // the old top row is now the right column
        EXPECT_EQ((row & 0x40) != 0, y == 69999) << y;       // the far pixel lands at the bottom
        EXPECT_EQ(row & 0x80, 0) << y;
    }
}

TEST(PtxImgRotate, BilevelPagesTurnPixelForPixelAsPalettePagesDo)
{
    // A 1-bit page is turned a run of bits at a time; an 8-bit page with a
    // palette that is no grey ramp (black, white, then 254 blacks) takes
    // each pixel's index from its source point. The same picture in both,
    // any angle, either background: the same pixels.
    const int32_t w = 173;
    const int32_t h = 131;
    ImageHandle bits = PtxCreateHandle(w, h, PtxBlank::Bilevel);
    ImageHandle indices = PtxCreateHandle(w, h, PtxBlank::Colours256);
    ASSERT_FALSE(bits.isNull());
    ASSERT_FALSE(indices.isNull());
    std::fill_n(indices.palette(), 4 * 256, 0);
    std::fill_n(indices.palette() + 4, 3, 255);
    std::mt19937 random(5);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const bool white = (x / 7 + y / 5) % 3 != 0 || random() % 9 == 0;
            DibSetRowBit(bits.displayRow(y), x, white);
            indices.displayRow(y)[x] = white ? 1 : 0;
        }
    }
    for (float angle : {0.3f, -0.7f, 2.5f, -3.0f, 7.25f, 29.5f, -44.9f, 45.0f, 89.0f, 90.0f, 133.3f, 180.0f, -179.5f,
                        250.0f, 270.0f, 359.6f}) {
        for (uint8_t background : {uint8_t{0}, uint8_t{1}}) {
            SCOPED_TRACE(std::to_string(angle) + " degrees on " + (background != 0 ? "white" : "black"));
            const ImageHandle a = PtxImgRotate(bits, angle, background);
            const ImageHandle b = PtxImgRotate(indices, angle, background);
            ASSERT_EQ(a.width(), b.width());
            ASSERT_EQ(a.height(), b.height());
            int differing = 0;
            for (int32_t y = 0; y < a.height(); ++y) {
                for (int32_t x = 0; x < a.width(); ++x) {
                    const unsigned index = b.displayRow(y)[x];
                    differing += DibRowBit(a.displayRow(y), x) != (index == 1 || index == 255 ? 1u : 0u);
                }
            }
            EXPECT_EQ(differing, 0);
            EXPECT_TRUE(a.isValidDib());
        }
    }
}

TEST(PtxImgRotate, AgreesWithImageMagick)
{
    TempDir dir;
    for (const ImageHandle& page : {randomColourPage(37, 23, 1), randomBilevelPage(45, 19, 2)}) {
        for (int angle : {90, 180, 270}) {
            SCOPED_TRACE(std::to_string(page.bitCount()) + " bits, " + std::to_string(angle));
            ASSERT_EQ(PtxSaveImageToFile(page, dir.file("in.bmp"), bmp()), 1);
            ASSERT_EQ(PtxSaveImageToFile(PtxImgRotate(page, static_cast<float>(angle), 0), dir.file("ours.bmp"), bmp()), 1);
            ASSERT_TRUE(make("convert " + quote(dir.file("in.bmp")) + " -rotate " + std::to_string(angle) + " " +
                             quote(dir.file("theirs.png"))));
            EXPECT_EQ(differingPixels(dir.file("ours.bmp"), dir.file("theirs.png")), "0");
        }
    }
}
