// Sharpen and soften against a 3 x 3 page worked by hand: the centre
// weight and divisor each level selects, white beyond the edges, results
// cut to 0..255, and indexed pages written as their nearest entries.

#include <gtest/gtest.h>

#include "PageTestSupport.h"
#include "PictraTestSupport.h"

using namespace pagetest;
using namespace pictratest;

namespace {

using Greys = std::vector<std::vector<int>>;

// A 24-bit page whose pixels are greys, rows top first.
ImageHandle greyColourPage(const Greys& greys)
{
    ImageHandle page = PtxCreateHandle(static_cast<uint32_t>(greys[0].size()), static_cast<uint32_t>(greys.size()),
                                       PtxBlank::TrueColour);
    for (int32_t y = 0; y < page.height(); ++y) {
        for (int32_t x = 0; x < page.width(); ++x)
            std::fill_n(page.displayRow(y) + 3 * x, 3, static_cast<uint8_t>(greys[y][x]));
    }
    return page;
}

Greys greysOf(const ImageHandle& page)
{
    Greys greys(static_cast<std::size_t>(page.height()));
    for (int32_t y = 0; y < page.height(); ++y) {
        for (int32_t x = 0; x < page.width(); ++x) {
            const auto rgb = pixelRgb(page, x, y);
            EXPECT_TRUE(rgb[0] == rgb[1] && rgb[1] == rgb[2]);
            greys[y].push_back(rgb[0]);
        }
    }
    return greys;
}

} // namespace

// Worked by hand on this page, with 255 all round it. Top-left pixel
// under sharpen 5 (centre 15, divisor 7): 15 x 200 - (5 x 255 + 210 + 230 +
// 240) = 1045, / 7 = 149. Centre pixel under soften 1 (divisor 9): 1975 / 9
// = 219. Sharpen 9 (centre 9, divisor 1) is the kernel's plain sum, which
// the white surround pushes below 0 at the top corners.
TEST(PageConvolve, HandWorkedPageUnderEachCentreAndDivisor)
{
    const Greys page = {
        {200, 210, 220},
        {230, 240, 250},
        {180, 190, 255},
    };
    struct Case {
        const char* name;
        ImageHandle (*filter)(const ImageHandle&, int32_t);
        int32_t level;
        Greys expected;
    };
    const Case cases[] = {
        {"sharpen 5: centre 15, divisor 7", PtxImgSharpen, 5, {{149, 177, 189}, {237, 255, 255}, {109, 132, 255}}},
        {"sharpen 9: centre 9, divisor 1", PtxImgSharpen, 9, {{0, 0, 5}, {255, 255, 255}, {0, 0, 255}}},
        {"soften -8: centre 8, divisor 16", PtxImgSoften, -8, {{222, 224, 233}, {226, 228, 242}, {210, 215, 249}}},
        {"soften 1: divisor 9", PtxImgSoften, 1, {{239, 235, 243}, {223, 219, 236}, {235, 234, 245}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ImageHandle result = c.filter(greyColourPage(page), c.level);
        ASSERT_FALSE(result.isNull());
        EXPECT_EQ(greysOf(result), c.expected);
    }
}

TEST(PageConvolve, LevelsBelowTheirThresholdTakeTheDefaultCentre)
{
    const ImageHandle page = greyColourPage({{90, 10}, {30, 200}});
    EXPECT_EQ(greysOf(PtxImgSharpen(page, 8)), greysOf(PtxImgSharpen(page, -50)));
    EXPECT_EQ(greysOf(PtxImgSharpen(page, 8)), greysOf(PtxImgSharpen(page, 15)));
    EXPECT_EQ(greysOf(PtxImgSoften(page, -9)), greysOf(PtxImgSoften(page, 8)));
}

TEST(PageConvolve, IndexedPagesTakeTheNearestPaletteEntry)
{
    // Softening a black dot on white: the dot's average (8 x 255 + 0) / 9
    // is nearest to white, its neighbours' too.
    const ImageHandle dot = bilevelPage({"...", ".#.", "..."});
    const ImageHandle softened = PtxImgSoften(dot, 1);
    ASSERT_FALSE(softened.isNull());
    EXPECT_EQ(bilevelRows(softened), (Rows{"...", "...", "..."}));
    // A weighted centre keeps it: (8 x 0 + 8 x 255) / 16 = 127 is nearer black.
    EXPECT_EQ(bilevelRows(PtxImgSoften(dot, 8)), (Rows{"...", ".#.", "..."}));

    // An 8-bit colour page all pure red (entry 249 of the standard table):
    // sharpen 12 divides by 4, and even in a corner red stays 12 x 255 -
    // 8 x 255 = 4 x 255 while green and blue go below 0, so every pixel is
    // red again, written as entry 249 (not as its near neighbours).
    ImageHandle red = PtxCreateHandle(4, 3, PtxBlank::Colours256);
    for (int32_t r = 0; r < 3; ++r)
        std::fill_n(red.storedRow(r), 4, uint8_t{249});
    const ImageHandle sharpened = PtxImgSharpen(red, 12);
    ASSERT_FALSE(sharpened.isNull());
    for (int32_t r = 0; r < 3; ++r)
        EXPECT_EQ(std::vector<uint8_t>(sharpened.storedRow(r), sharpened.storedRow(r) + 4),
                  std::vector<uint8_t>(4, 249));
}

// One pixel, one row and one column, at every depth: every neighbour but
// the pixel itself lies beyond the page.
TEST(PageConvolve, PagesOfOnePixelRowOrColumnAtEveryDepth)
{
    for (uint32_t type : {PtxBlank::TrueColour, PtxBlank::Colours256, PtxBlank::Colours16, PtxBlank::Bilevel,
                          PtxBlank::Grey}) {
        for (auto [w, h] : {std::pair{1u, 1u}, {9u, 1u}, {1u, 7u}}) {
            SCOPED_TRACE(std::to_string(type) + ": " + std::to_string(w) + " x " + std::to_string(h));
            const ImageHandle page = PtxCreateHandle(w, h, type); // black
            const ImageHandle sharpened = PtxImgSharpen(page, 5);
            const ImageHandle softened = PtxImgSoften(page, 1);
            ASSERT_FALSE(sharpened.isNull());
            ASSERT_FALSE(softened.isNull());
            // A black pixel among white: sharpen 5 gives (0 - 8 x 255) / 7,
            // cut to black; soften 1 gives at least 5 x 255 / 9 = 141.
            EXPECT_EQ(pixelRgb(sharpened, 0, 0), (std::vector<uint8_t>{0, 0, 0}));
            EXPECT_NE(pixelRgb(softened, 0, 0), (std::vector<uint8_t>{0, 0, 0}));
        }
    }
}

TEST(PageConvolve, NullPageFailsWithItsMessage)
{
    EXPECT_TRUE(PtxImgSharpen(ImageHandle(), 5).isNull());
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null");
    EXPECT_TRUE(PtxImgSoften(ImageHandle(), 5).isNull());
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null");
}
