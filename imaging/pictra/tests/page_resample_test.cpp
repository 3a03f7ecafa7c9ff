// Resampling: area averages, interpolation, nearest pixels and the scaled resolution.

#include <gtest/gtest.h>

#include "PageOperationPages.h"
#include "PageTestSupport.h"
#include "PictraTestSupport.h"

using namespace pagetest;
using namespace pictratest;

TEST(PtxImgResample, AreaAverageOfFourByFourBlocks)
{
    const ImageHandle page = randomColourPage(400, 400, 5);
    ImageHandle source = page.clone();
    ImgInfo info;
    info.xResolution = info.yResolution = 200;
    PtxSetImgInfo(source, &info);
    const ImageHandle small = PtxImgResample(source, 100, 100, 0);
    ASSERT_EQ(small.width(), 100);
    ASSERT_EQ(small.height(), 100);
    for (int32_t by = 0; by < 100; ++by) {
        for (int32_t bx = 0; bx < 100; ++bx) {
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < 4; ++dy) {
                    for (int dx = 0; dx < 4; ++dx)
                        sum += source.storedRow(4 * by + dy)[3 * (4 * bx + dx) + c];
                }
                ASSERT_EQ(small.storedRow(by)[3 * bx + c], sum / 16) << bx << "," << by << "," << c;
            }
        }
    }
    ImgInfo scaled;
    ASSERT_EQ(PtxGetImgInfo(small, &scaled), 1);
    EXPECT_EQ(scaled.xResolution, 50);
    EXPECT_EQ(scaled.yResolution, 50);
}

TEST(PtxImgResample, AreaAverageSplitsBoundaryPixelsInThousandths)
{
    // 5 -> 2 both ways: the scale is 2.5, so source column and row 2 are
    // shared half and half, and the divisor is trunc(2.5 x 2.5 x 1000) = 6250.
    // A 250 wholly inside an output pixel adds 250000 / 6250 = 40 to it; the
    // 250 at the shared centre adds 250 x 500 x 500 / 1000 / 6250 = 10 to all four.
    ImageHandle page = PtxCreateHandle(5, 5, PtxBlank::TrueColour);
    for (int32_t at : {0, 2, 4})
        std::fill_n(page.storedRow(at) + 3 * at, 3, 250);
    const ImageHandle small = PtxImgResample(page, 2, 2, 0);
    ASSERT_FALSE(small.isNull());
    const int expected[2][2] = {{50, 10}, {10, 50}};
    for (int32_t r = 0; r < 2; ++r) {
        for (int32_t x = 0; x < 2; ++x) {
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(small.storedRow(r)[3 * x + c], expected[r][x]) << x << "," << r;
        }
    }
}

TEST(PtxImgResample, LargeShrinkSumsInSixtyFourBits)
{
    // 200 x 200 source pixels of 255 per output pixel: 10^10 before dividing.
    ImageHandle white = PtxCreateHandle(2000, 2000, PtxBlank::TrueColour);
    std::fill(white.pixels(), white.pixels() + white.stride() * 2000, 0xFF);
    const ImageHandle small = PtxImgResample(white, 10, 10, 0);
    for (int32_t r = 0; r < 10; ++r) {
        for (int32_t i = 0; i < 30; ++i)
            ASSERT_EQ(small.storedRow(r)[i], 255) << r << "," << i;
    }
}

TEST(PtxImgResample, InterpolatesUpwardsAndTakesNearestPixels)
{
    ImageHandle source = randomColourPage(40, 30, 6);
    ImgInfo info;
    info.xResolution = info.yResolution = 100;
    PtxSetImgInfo(source, &info);
    const ImageHandle big = PtxImgResample(source, 80, 60, 0);
    ImgInfo scaled;
    ASSERT_EQ(PtxGetImgInfo(big, &scaled), 1);
    EXPECT_EQ(scaled.xResolution, 200);
    for (int32_t r = 0; r < 29; ++r) {
        for (int32_t x = 0; x < 39; ++x) {
            for (int c = 0; c < 3; ++c) {
                const int p = source.storedRow(r)[3 * x + c];
                const int right = source.storedRow(r)[3 * (x + 1) + c];
                // Even positions are the source pixels; odd ones lie between two.
                ASSERT_EQ(big.storedRow(2 * r)[3 * (2 * x) + c], p);
                ASSERT_EQ(big.storedRow(2 * r)[3 * (2 * x + 1) + c], (p + right) / 2);
            }
        }
    }
    const ImageHandle nearest = PtxImgResample(bilevelPage(kCross), 16, 4, 1);
    // Rows are taken in stored order: stored row r from stored row 2r.
    EXPECT_EQ(bilevelRows(nearest), (Rows{"..##........##..", "......####......", "....##....##....",
                                          "##............##"}));
    // Interpolating a 1-bit page gives black or white, never grey.
    const ImageHandle smooth = PtxImgResample(bilevelPage(kCross), 5, 5, 0);
    EXPECT_EQ(smooth.bitCount(), 1);
    EXPECT_EQ(bilevelRows(smooth)[4][0], '#');
    EXPECT_EQ(bilevelRows(smooth)[0][0], '.'); // 0.6 of a white pixel

    const ImageHandle same = PtxImgResample(source, 40, 30, 0);
    EXPECT_TRUE(std::equal(source.pixels(), source.pixels() + 30 * source.stride(), same.pixels()));
    // A resolution scaled beyond the header field stays at its largest value.
    ImageHandle dot = PtxCreateHandle(1, 1, PtxBlank::TrueColour);
    info.xResolution = info.yResolution = 200;
    PtxSetImgInfo(dot, &info);
    const ImageHandle line = PtxImgResample(dot, 300000, 1, 1);
    ASSERT_FALSE(line.isNull());
    EXPECT_EQ(line.header().xPelsPerMeter, INT32_MAX);
    EXPECT_EQ(line.header().yPelsPerMeter, 7874);
    for (auto [w, h] : {std::pair{0, 10}, {10, 0}, {-5, 10}, {10, -5}})
        EXPECT_TRUE(PtxImgResample(source, w, h, 0).isNull()) << w << "x" << h;
    EXPECT_TRUE(PtxImgResample(ImageHandle(), 10, 10, 0).isNull());
}
