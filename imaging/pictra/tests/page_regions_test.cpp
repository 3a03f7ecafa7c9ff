// Cropping and filling rectangles, against golden pages and ImageMagick.

#include <gtest/gtest.h>

#include "PageOperationPages.h"
#include "PageTestSupport.h"
#include "PictraTestSupport.h"

using namespace pagetest;
using namespace pictratest;

TEST(PtxImgCrop, CutsTheRectangleWithExclusiveRightAndBottom)
{
    const ImageHandle page = bilevelPage(kCross);
    EXPECT_EQ(bilevelRows(PtxImgCrop(page, 2, 1, 6, 4)), (Rows{"....", "#..#", ".##."}));
    EXPECT_EQ(bilevelRows(PtxImgCrop(page, 6, 4, 2, 1)), (Rows{"....", "#..#", ".##."}));
    EXPECT_EQ(bilevelRows(PtxImgCrop(page, 0, 0, 8, 8)), kCross);
    EXPECT_EQ(colourRows(PtxImgCrop(colourPage({"rgbyw", "mcokp", "wkrgb"}), 1, 1, 4, 3)), (Rows{"cok", "krg"}));
    EXPECT_EQ(greyRows(PtxImgCrop(greyPage(kCross), 3, 3, 5, 5)), (Rows{"##", "##"}));
    EXPECT_STREQ(PtxGetLastErrorInfo(), "");

    for (auto [l, t, r, b] : {std::array{0, 0, 9, 8}, {-1, 0, 4, 4}, {0, 0, 8, 9}, {2, 2, 2, 5}, {2, 2, 5, 2}}) {
        EXPECT_TRUE(PtxImgCrop(page, l, t, r, b).isNull()) << l << t << r << b;
        EXPECT_STREQ(PtxGetLastErrorInfo(), "rectangle is out of image");
    }
    EXPECT_TRUE(PtxImgCrop(ImageHandle(), 0, 0, 1, 1).isNull());
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null");

    // The crop keeps the header: resolution and palette.
    ImageHandle dense = bilevelPage(kCross);
    ImgInfo info;
    info.xResolution = info.yResolution = 200;
    ASSERT_EQ(PtxSetImgInfo(dense, &info), 1);
    const ImageHandle cut = PtxImgCrop(dense, 1, 1, 3, 3);
    EXPECT_EQ(cut.header().xPelsPerMeter, 7874);
    EXPECT_EQ(cut.header().imageSize, 8u);
}

TEST(PtxImgCrop, AgreesWithImageMagick)
{
    TempDir dir;
    for (const ImageHandle& page : {randomColourPage(37, 23, 3), randomBilevelPage(45, 19, 4)}) {
        SCOPED_TRACE(page.bitCount());
        ASSERT_EQ(PtxSaveImageToFile(page, dir.file("in.bmp"), bmp()), 1);
        ASSERT_EQ(PtxSaveImageToFile(PtxImgCrop(page, 5, 3, 30, 17), dir.file("ours.bmp"), bmp()), 1);
        ASSERT_TRUE(make("convert " + quote(dir.file("in.bmp")) + " -crop 25x14+5+3 +repage " +
                         quote(dir.file("theirs.png"))));
        EXPECT_EQ(differingPixels(dir.file("ours.bmp"), dir.file("theirs.png")), "0");
    }
}

TEST(PtxImgDelete, FillsTheInclusiveRectangleOfACopy)
{
    const ImageHandle page = bilevelPage(kCross);
    const ImageHandle filled = PtxImgDelete(page, 1, 2, 3, 5, 0xFFFFFF);
    EXPECT_EQ(bilevelRows(filled), (Rows{"#......#", ".#....#.", ".....#..", "....#...", "....#...", ".....#..",
                                         ".#....#.", "#......#"}));
    EXPECT_EQ(bilevelRows(page), kCross);
    EXPECT_EQ(bilevelRows(PtxImgDelete(page, 0, 7, 7, 7, 0x000000)).back(), "########");

    // A blank page of type 4 is black until it is whitened.
    const ImageHandle blank = PtxCreateHandle(37, 5, PtxBlank::Bilevel);
    EXPECT_EQ(bilevelRows(blank)[0], std::string(37, '#'));
    const ImageHandle white = PtxImgDelete(blank, 0, 0, 36, 4, 0xFFFFFF);
    for (const auto& row : bilevelRows(white))
        EXPECT_EQ(row, std::string(37, '.'));
    EXPECT_EQ(white.displayRow(0)[4], 0xF8); // the padding bits stay zero

    EXPECT_EQ(colourRows(PtxImgDelete(colourPage({"rgb", "mco"}), 2, 0, 1, 1, 0x0080FF)), (Rows{"roo", "moo"}));
    // 8 bits: the first white palette entry, whatever the colour asked for.
    const ImageHandle grey = PtxImgDelete(greyPage({"##", "##"}), 0, 0, 0, 0, 0x0000FF);
    EXPECT_EQ(greyRows(grey), (Rows{".#", "##"}));

    PtxSaveImageToFile(ImageHandle(), "/tmp/none", ImgFileInfo{}); // an earlier message
    EXPECT_FALSE(PtxImgDelete(blank, 0, 0, 36, 4, 0).isNull());
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null"); // untouched by a success

    struct Failure {
        ImageHandle handle;
        std::array<int32_t, 4> rect;
        const char* message;
    };
    Failure failures[] = {
        {page.clone(), {0, 0, 8, 8}, "删除区域越界"},
        {page.clone(), {-1, 0, 3, 3}, "删除区域越界"},
        {page.clone(), {0, 0, 3, 8}, "删除区域越界"},
        {ImageHandle(), {0, 0, 1, 1}, "图像句柄错误"},
        {PtxCreateHandle(8, 8, PtxBlank::Colours16), {0, 0, 1, 1}, "图像格式不支持"},
    };
    for (auto& f : failures) {
        EXPECT_TRUE(PtxImgDelete(f.handle, f.rect[0], f.rect[1], f.rect[2], f.rect[3], 0xFFFFFF).isNull());
        EXPECT_STREQ(PtxGetLastErrorInfo(), f.message);
    }
}
