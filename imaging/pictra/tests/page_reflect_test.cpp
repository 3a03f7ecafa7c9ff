// Flipping and mirroring, against golden pages and ImageMagick.

#include <random>

#include <gtest/gtest.h>

#include "PageOperationPages.h"
#include "PageTestSupport.h"
#include "PictraTestSupport.h"

using namespace pagetest;
using namespace pictratest;

namespace {

// A 4-bit page of the 16 standard colours, every pixel a random index.
ImageHandle randomSixteenColourPage(int32_t w, int32_t h, unsigned seed)
{
    ImageHandle page = PtxCreateHandle(static_cast<uint32_t>(w), static_cast<uint32_t>(h), PtxBlank::Colours16);
    std::mt19937 gen(seed);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x)
            page.displayRow(y)[x / 2] |= static_cast<uint8_t>((gen() & 0xF) << (x % 2 ? 0 : 4));
    }
    return page;
}

} // namespace

TEST(PtxImgFlipMirror, GoldenPagesKeepHeaderAndPalette)
{
    EXPECT_EQ(bilevelRows(PtxImgFlip(bilevelPage(kFiveByThree))), (Rows{"..##.", ".#...", "#...."}));
    EXPECT_EQ(bilevelRows(PtxImgMirror(bilevelPage(kFiveByThree))), (Rows{"....#", "...#.", ".##.."}));
    const Rows colours = {"rgbyw", "mcokp", "wkrgb"};
    EXPECT_EQ(colourRows(PtxImgFlip(colourPage(colours))), (Rows{"wkrgb", "mcokp", "rgbyw"}));
    EXPECT_EQ(colourRows(PtxImgMirror(colourPage(colours))), (Rows{"wybgr", "pkocm", "bgrkw"}));
    EXPECT_STREQ(PtxGetLastErrorInfo(), "");

    // Odd widths of 4-bit pages: the nibbles change places, the padding stays zero.
    ImageHandle sixteen = PtxCreateHandle(3, 2, PtxBlank::Colours16);
    sixteen.displayRow(0)[0] = 0x12;
    sixteen.displayRow(0)[1] = 0x30;
    ImgInfo info;
    info.xResolution = info.yResolution = 200;
    ASSERT_EQ(PtxSetImgInfo(sixteen, &info), 1);
    const ImageHandle mirrored = PtxImgMirror(sixteen);
    EXPECT_EQ(mirrored.displayRow(0)[0], 0x32);
    EXPECT_EQ(mirrored.displayRow(0)[1], 0x10);
    const ImageHandle flipped = PtxImgFlip(sixteen);
    EXPECT_EQ(flipped.displayRow(1)[0], 0x12);
    EXPECT_EQ(flipped.displayRow(0)[0], 0x00);
    for (const ImageHandle* result : {&mirrored, &flipped}) {
        ASSERT_EQ(result->size(), sixteen.size());
        EXPECT_TRUE(std::equal(sixteen.data(), sixteen.data() + sixteen.pixelOffset(), result->data()));
    }
    EXPECT_EQ(sixteen.displayRow(0)[0], 0x12); // the input is unchanged

    EXPECT_TRUE(PtxImgFlip(ImageHandle()).isNull());
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null");
    EXPECT_TRUE(PtxImgMirror(ImageHandle()).isNull());
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null");
}

TEST(PtxImgFlipMirror, AgreeWithImageMagick)
{
    struct Operation {
        const char* option;
        ImageHandle (*apply)(const ImageHandle&);
    };
    const Operation operations[] = {{"-flip", PtxImgFlip}, {"-flop", PtxImgMirror}};
    TempDir dir;
    for (const ImageHandle& page :
         {randomColourPage(37, 23, 7), randomBilevelPage(45, 19, 8), randomSixteenColourPage(13, 7, 9)}) {
        ASSERT_EQ(PtxSaveImageToFile(page, dir.file("in.bmp"), bmp()), 1);
        for (const auto& op : operations) {
            SCOPED_TRACE(std::to_string(page.bitCount()) + " bits, " + op.option);
            ASSERT_EQ(PtxSaveImageToFile(op.apply(page), dir.file("ours.bmp"), bmp()), 1);
            ASSERT_TRUE(make("convert " + quote(dir.file("in.bmp")) + " " + op.option + " " +
                             quote(dir.file("theirs.png"))));
            EXPECT_EQ(differingPixels(dir.file("ours.bmp"), dir.file("theirs.png")), "0");
        }
    }
}
