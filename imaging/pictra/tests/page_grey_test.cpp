// The two-level cut at Otsu's threshold against ImageMagick's -threshold
// between the levels, and the grey scale's weights and refusals.

#include <gtest/gtest.h>

#include "PageTestSupport.h"
#include "PictraTestSupport.h"
#include "testsupport/NetpbmPage.h"

using namespace pagetest;
using namespace pictratest;

namespace {

// An 8-bit grey-ramp page drawn with two greys: '#' dark, '.' light.
ImageHandle twoGreyPage(const Rows& rows, uint8_t dark, uint8_t light)
{
    ImageHandle h = PtxCreateHandle(static_cast<uint32_t>(rows[0].size()), static_cast<uint32_t>(rows.size()),
                                    PtxBlank::Grey);
    for (int32_t y = 0; y < h.height(); ++y) {
        for (int32_t x = 0; x < h.width(); ++x)
            h.displayRow(y)[x] = rows[y][x] == '#' ? dark : light;
    }
    return h;
}

const Rows kDrawing = {
    "##....#.#.",
    "#.#..##...",
    "...###..#.",
    ".#.#.#.#..",
};

} // namespace

TEST(PageGrey, TwoLevelPagesAreCutBetweenTheirLevelsAsImageMagickCutsThem)
{
    TempDir dir;
    struct Case {
        const char* name;
        uint8_t dark, light;
        bool colour; // as a 24-bit page
    };
    const Case cases[] = {
        {"60 and 200", 60, 200, false},
        {"100 and 102", 100, 102, false},
        {"0 and 255, 24 bits", 0, 255, true},
        {"253 and 255, 24 bits", 253, 255, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImageHandle page = twoGreyPage(kDrawing, c.dark, c.light);
        if (c.colour) {
            page = PtxCreateHandle(10, 4, PtxBlank::TrueColour);
            for (int32_t y = 0; y < 4; ++y) {
                for (int32_t x = 0; x < 10; ++x)
                    std::fill_n(page.displayRow(y) + 3 * x, 3, kDrawing[y][x] == '#' ? c.dark : c.light);
            }
        }
        const ImageHandle cut = PtxImgUnicolor(page);
        ASSERT_FALSE(cut.isNull());
        EXPECT_STREQ(PtxGetLastErrorInfo(), "");
        EXPECT_EQ(bilevelRows(cut), kDrawing);

        ASSERT_TRUE(writePpm(page, dir.file("in.ppm")));
        const double between = (c.dark + c.light) / 2.0 / 255.0 * 100.0;
        ASSERT_TRUE(runOk("convert " + dir.file("in.ppm") + " -colorspace gray -threshold " +
                          std::to_string(between) + "% " + dir.file("magick.pbm")));
        ASSERT_TRUE(writePbm(cut, dir.file("ours.pbm")));
        EXPECT_EQ(readBytes(dir.file("ours.pbm")), readBytes(dir.file("magick.pbm")));
    }
}

TEST(PageGrey, AGreyEqualToTheThresholdIsDark)
{
    // The threshold t splits the greys below it from those at or above it;
    // only greys above t are white. Of two levels one apart, the upper one
    // is t itself, so both are dark.
    struct Case {
        uint8_t dark, light;
        Rows expected;
    };
    const Rows allDark(kDrawing.size(), std::string(kDrawing[0].size(), '#'));
    for (const Case& c : {Case{100, 101, allDark}, Case{254, 255, allDark}, Case{100, 102, kDrawing}}) {
        SCOPED_TRACE(std::to_string(c.dark) + " and " + std::to_string(c.light));
        EXPECT_EQ(bilevelRows(PtxImgUnicolor(twoGreyPage(kDrawing, c.dark, c.light))), c.expected);
    }
}

TEST(PageGrey, CutPageIsBilevelWithTheSourcesResolution)
{
    ImageHandle page = twoGreyPage(kDrawing, 10, 240);
    ImgInfo dpi{};
    dpi.xResolution = 300;
    dpi.yResolution = 150;
    PtxSetImgInfo(page, &dpi);
    const ImageHandle cut = PtxImgUnicolor(page);
    ASSERT_FALSE(cut.isNull());
    const BitmapInfoHeader hdr = cut.header();
    EXPECT_EQ(hdr.bitCount, 1);
    EXPECT_EQ(hdr.clrUsed, 2u);
    EXPECT_EQ(hdr.clrImportant, 2u);
    EXPECT_EQ(hdr.imageSize, 0u);
    EXPECT_EQ(hdr.xPelsPerMeter, page.header().xPelsPerMeter);
    EXPECT_EQ(hdr.yPelsPerMeter, page.header().yPelsPerMeter);
    EXPECT_EQ(std::vector<uint8_t>(cut.palette(), cut.palette() + 8),
              (std::vector<uint8_t>{0, 0, 0, 0, 255, 255, 255, 0}));
}

TEST(PageGrey, PagesOfOneGreyKeepBlackAsBlackAndAnyOtherGreyAsWhite)
{
    EXPECT_EQ(bilevelRows(PtxImgUnicolor(twoGreyPage({"##", "##"}, 0, 0))), (Rows{"##", "##"}));
    EXPECT_EQ(bilevelRows(PtxImgUnicolor(twoGreyPage({"##", "##"}, 90, 90))), (Rows{"..", ".."}));
}

TEST(PageGrey, CutRefusesPagesThatAreNotGreyOrColour)
{
    for (uint32_t type : {PtxBlank::Bilevel, PtxBlank::Colours16}) {
        EXPECT_TRUE(PtxImgUnicolor(PtxCreateHandle(4, 4, type)).isNull());
        EXPECT_STREQ(PtxGetLastErrorInfo(), "image isn't gary or color image");
    }
    EXPECT_TRUE(PtxImgUnicolor(ImageHandle()).isNull());
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null");
}

TEST(PageGrey, GreyScaleWeighsRedGreenAndBlue)
{
    const ImageHandle page = colourPage({"rgbw", "kyop"});
    const ImageHandle grey = PtxImgGrayScale(page);
    ASSERT_FALSE(grey.isNull());
    EXPECT_EQ(grey.bitCount(), 8);
    // (r x 306 + g x 601 + b x 117) >> 10 of red, green, blue, white,
    // black, yellow, orange (255, 128, 0) and (128, 64, 128); the weights
    // add up to 1024, so white stays 255.
    const std::vector<int> expected = {76, 149, 29, 255, 0, 225, 151, 90};
    std::vector<int> greys;
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 4; ++x)
            greys.push_back(grey.displayRow(y)[x]);
    }
    EXPECT_EQ(greys, expected);
    for (unsigned i = 0; i < 256; ++i)
        ASSERT_EQ(grey.palette()[4 * i], i);

    // A 1-bit page goes through its palette.
    const ImageHandle fromBits = PtxImgGrayScale(bilevelPage({"#."}));
    EXPECT_EQ(fromBits.displayRow(0)[0], 0);
    EXPECT_EQ(fromBits.displayRow(0)[1], 255);
}

TEST(PageGrey, GreyScaleFailuresWriteTheirOwnTexts)
{
    EXPECT_TRUE(PtxImgGrayScale(ImageHandle()).isNull());
    EXPECT_STREQ(PtxGetLastErrorInfo(), "图像句柄错误");
    EXPECT_TRUE(PtxImgGrayScale(PtxCreateHandle(3, 3, PtxBlank::Grey)).isNull());
    EXPECT_STREQ(PtxGetLastErrorInfo(), "原图像已是灰度图像");
    // An 8-bit colour page is not grey yet.
    EXPECT_FALSE(PtxImgGrayScale(PtxCreateHandle(3, 3, PtxBlank::Colours256)).isNull());
}
