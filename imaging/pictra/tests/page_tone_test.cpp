// Negative, brightness and colorize: ImageMagick's -negate as the oracle of
// the negative, hand-picked colours for the rest, and the rule that indexed
// pages change their palette, not their pixels.

#include <random>

#include <gtest/gtest.h>

#include "PageTestSupport.h"
#include "PictraTestSupport.h"
#include "testsupport/NetpbmPage.h"

using namespace pagetest;
using namespace pictratest;

namespace {

ImageHandle randomPage(uint32_t type, int32_t w, int32_t h, unsigned seed)
{
    ImageHandle page = PtxCreateHandle(static_cast<uint32_t>(w), static_cast<uint32_t>(h), type);
    std::mt19937 gen(seed);
    for (int32_t r = 0; r < h; ++r) {
        for (std::size_t i = 0; i < page.stride(); ++i)
            page.storedRow(r)[i] = static_cast<uint8_t>(gen());
    }
    return page;
}

std::vector<uint8_t> paletteBytes(const ImageHandle& h)
{
    return {h.palette(), h.palette() + 4 * h.paletteEntries()};
}

std::vector<uint8_t> pixelBytes(const ImageHandle& h) { return {h.pixels(), h.data() + h.size()}; }

// The colour of display pixel (x, y) as 0x00BBGGRR.
uint32_t colourAt(const ImageHandle& h, int32_t x, int32_t y)
{
    const auto rgb = pixelRgb(h, x, y);
    return rgb[0] | (rgb[1] << 8) | (static_cast<uint32_t>(rgb[2]) << 16);
}

// A 1 x 1 24-bit page of one colour.
ImageHandle onePixel(uint32_t colour)
{
    ImageHandle page = PtxCreateHandle(1, 1, PtxBlank::TrueColour);
    page.pixels()[0] = static_cast<uint8_t>(colour >> 16);
    page.pixels()[1] = static_cast<uint8_t>(colour >> 8);
    page.pixels()[2] = static_cast<uint8_t>(colour);
    return page;
}

} // namespace

TEST(PageTone, NegativeMatchesImageMagickOnColourAndGreyPages)
{
    TempDir dir;
    struct Case {
        uint32_t type;
        const char* name;
    };
    for (const Case c : {Case{PtxBlank::TrueColour, "24 bits"}, Case{PtxBlank::Grey, "8-bit grey"},
                         Case{PtxBlank::Colours256, "8-bit colour"}}) {
        SCOPED_TRACE(c.name);
        const ImageHandle page = randomPage(c.type, 37, 23, 7);
        const ImageHandle negative = PtxImgNegative(page);
        ASSERT_FALSE(negative.isNull());
        EXPECT_STREQ(PtxGetLastErrorInfo(), "");
        ASSERT_TRUE(writePpm(page, dir.file("in.ppm")));
        ASSERT_TRUE(writePpm(negative, dir.file("ours.ppm")));
        ASSERT_TRUE(runOk("convert " + dir.file("in.ppm") + " -negate " + dir.file("magick.ppm")));
        EXPECT_EQ(readBytes(dir.file("ours.ppm")), readBytes(dir.file("magick.ppm")));
        // The grey page keeps its ramp and inverts its pixels.
        if (c.type == PtxBlank::Grey) {
            EXPECT_EQ(paletteBytes(negative), paletteBytes(page));
        }
    }
}

TEST(PageTone, NegativeOfABilevelPageInvertsThePaletteAndKeepsTheBits)
{
    const ImageHandle page = bilevelPage({"#..", ".#."});
    const ImageHandle negative = PtxImgNegative(page);
    ASSERT_FALSE(negative.isNull());
    EXPECT_EQ(pixelBytes(negative), pixelBytes(page));
    EXPECT_EQ(paletteBytes(negative), (std::vector<uint8_t>{255, 255, 255, 0, 0, 0, 0, 0}));
    EXPECT_EQ(pixelRgb(negative, 0, 0), (std::vector<uint8_t>{255, 255, 255}));
    EXPECT_EQ(pixelRgb(negative, 1, 0), (std::vector<uint8_t>{0, 0, 0}));
}

TEST(PageTone, BrightnessAndAddedColourAreCutToTheChannelRange)
{
    struct Case {
        const char* name;
        int32_t amount; // brightness; colorize mode 0 adds (blue, green, red) = (amount, -amount, 2 x amount)
        uint32_t colour;
        uint32_t light;
        uint32_t colorized;
    };
    const Case cases[] = {
        {"plus 40", 40, 0x102030, 0x384858, 0x380080}, // red 0x30+80, green 0x20-40 cut, blue 0x10+40
        {"minus 100", -100, 0xC08040, 0x5C1C00, 0x5CE400},
        {"no change", 0, 0x123456, 0x123456, 0x123456},
        {"far past white", 1000, 0x010203, 0xFFFFFF, 0xFF00FF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ImageHandle page = onePixel(c.colour);
        EXPECT_EQ(colourAt(PtxImgLight(page, c.amount), 0, 0), c.light);
        EXPECT_EQ(colourAt(PtxImgColorize(page, 0, c.amount, -c.amount, 2 * c.amount), 0, 0), c.colorized);
    }
}

TEST(PageTone, IndexedPagesChangeThePaletteAndKeepTheirIndices)
{
    const ImageHandle page = randomPage(PtxBlank::Colours16, 9, 4, 3);
    for (const ImageHandle& changed : {PtxImgLight(page, 60), PtxImgColorize(page, 0, 10, 20, 30),
                                       PtxImgColorize(page, 1, 0xFF00, 0, 0)}) {
        ASSERT_FALSE(changed.isNull());
        EXPECT_EQ(pixelBytes(changed), pixelBytes(page));
        EXPECT_NE(paletteBytes(changed), paletteBytes(page));
    }
    // Black (entry 0) brightened by 60 is grey 60.
    const ImageHandle lighter = PtxImgLight(page, 60);
    EXPECT_EQ(paletteBytes(lighter)[0], 60);
    EXPECT_EQ(paletteBytes(lighter)[2], 60);
}

TEST(PageTone, ColorizeByHueAndSaturationKeepsLightness)
{
    struct Case {
        const char* name;
        uint32_t colour;
        int32_t hueAndSaturation; // hue in the low byte, saturation in the next
        uint32_t expected;
    };
    const Case cases[] = {
        {"red turned green", 0x0000FF, 85 | (255 << 8), 0x00FF00},
        {"red turned blue", 0x0000FF, 170 | (255 << 8), 0xFF0000},
        {"grey made pure red", 0x808080, 0 | (255 << 8), 0x0101FF}, // lightness 128 of 255
        {"colour made grey", 0x00FF00, 0, 0x808080},                // lightness 127.5, rounded up
        {"white stays white", 0xFFFFFF, 42 | (200 << 8), 0xFFFFFF},
        {"black stays black", 0x000000, 42 | (200 << 8), 0x000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(colourAt(PtxImgColorize(onePixel(c.colour), 1, c.hueAndSaturation, 0, 0), 0, 0), c.expected);
    }
}

TEST(PageTone, NullPageFailsWithItsMessage)
{
    const ImageHandle none;
    EXPECT_TRUE(PtxImgNegative(none).isNull());
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null");
    EXPECT_TRUE(PtxImgLight(none, 1).isNull());
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null");
    EXPECT_TRUE(PtxImgColorize(none, 1, 0, 0, 0).isNull());
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null");
}
