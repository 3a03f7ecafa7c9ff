#include <limits>
#include <random>

#include <gtest/gtest.h>

#include "PageTestSupport.h"
#include "PictraTestSupport.h"

using namespace pagetest;
using namespace pictratest;

namespace {

const Rows kFiveByThree = {
    "#....",
    ".#...",
    "..##.",
};

const Rows kCross = {
    "#......#",
    ".#....#.",
    "..#..#..",
    "...##...",
    "...##...",
    "..#..#..",
    ".#....#.",
    "#......#",
};

// An 8-bit page with a grey ramp palette and the same drawing.
ImageHandle greyPage(const Rows& rows)
{
    ImageHandle h = PtxCreateHandle(static_cast<uint32_t>(rows[0].size()), static_cast<uint32_t>(rows.size()),
                                    PtxBlank::Grey);
    for (int32_t y = 0; y < h.height(); ++y) {
        for (int32_t x = 0; x < h.width(); ++x)
            h.displayRow(y)[x] = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == '#' ? 0 : 255;
    }
    return h;
}

Rows greyRows(const ImageHandle& h)
{
    Rows rows;
    for (int32_t y = 0; y < h.height(); ++y) {
        std::string s;
        for (int32_t x = 0; x < h.width(); ++x)
            s += h.displayRow(y)[x] == 0 ? '#' : h.displayRow(y)[x] == 255 ? '.' : '?';
        rows.push_back(s);
    }
    return rows;
}

ImageHandle randomColourPage(int32_t w, int32_t h, unsigned seed)
{
    ImageHandle page = PtxCreateHandle(static_cast<uint32_t>(w), static_cast<uint32_t>(h), PtxBlank::TrueColour);
    std::mt19937 gen(seed);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < 3 * w; ++x)
            page.displayRow(y)[x] = static_cast<uint8_t>(gen());
    }
    return page;
}

ImageHandle randomBilevelPage(int32_t w, int32_t h, unsigned seed)
{
    ImageHandle page = PtxCreateHandle(static_cast<uint32_t>(w), static_cast<uint32_t>(h), PtxBlank::Bilevel);
    std::mt19937 gen(seed);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            if (gen() & 1)
                page.displayRow(y)[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
    }
    return page;
}

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

ImgFileInfo bmp()
{
    ImgFileInfo info;
    info.format = PtxFormat::Bmp;
    return info;
}

std::string differingPixels(const std::string& a, const std::string& b)
{
    return run("compare -metric AE " + quote(a) + " " + quote(b) + " null: 2>&1").output;
}

} // namespace

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

TEST(PtxImgMark, StampsClippedToThePage)
{
    const Rows stamp = {"#.#", ".#.", "###"};
    const Rows white(8, std::string(8, '.'));
    const ImageHandle onWhite = PtxImgMark(bilevelPage(white), bilevelPage(stamp), 6, 6, 1);
    EXPECT_EQ(bilevelRows(onWhite), (Rows{"........", "........", "........", "........", "........", "........",
                                          "......#.", ".......#"}));
    const Rows black(4, std::string(4, '#'));
    EXPECT_EQ(bilevelRows(PtxImgMark(bilevelPage(black), bilevelPage(stamp), 0, 0, 0)),
              (Rows{"#.##", ".#.#", "####", "####"}));
    EXPECT_EQ(bilevelRows(PtxImgMark(bilevelPage(black), bilevelPage(stamp), 0, 0, 1)), black);

    // A colour stamp turns a 1-bit page into a colour page.
    const ImageHandle colour = PtxImgMark(bilevelPage({"#...", "...."}), colourPage({"rg", "by"}), 1, 0, 0);
    EXPECT_EQ(colour.bitCount(), 24);
    EXPECT_EQ(colourRows(colour), (Rows{"krgw", "wbyw"}));
    // A 1-bit stamp on a colour page keeps the page's black pixels.
    EXPECT_EQ(colourRows(PtxImgMark(colourPage({"kr", "gb"}), bilevelPage({"..", "#."}), 0, 0, 0)),
              (Rows{"kw", "kw"}));

    struct Failure {
        ImageHandle page;
        int32_t x, y;
        const char* message;
    };
    Failure failures[] = {
        {bilevelPage(white), 8, 0, "the point is out of source image"},
        {bilevelPage(white), 0, -1, "the point is out of source image"},
        {greyPage(white), 0, 0, "Bit depth must be 1 or 24"},
        {ImageHandle(), 0, 0, "image handle is null"},
    };
    for (auto& f : failures) {
        EXPECT_TRUE(PtxImgMark(f.page, bilevelPage(stamp), f.x, f.y, 1).isNull());
        EXPECT_STREQ(PtxGetLastErrorInfo(), f.message);
    }
}

TEST(PtxCreateHandle, BlankPagesOfEveryType)
{
    auto entry = [](const ImageHandle& h, int i) {
        const uint8_t* e = h.palette() + 4 * i;
        return std::vector<int>{e[2], e[1], e[0]};
    };
    const ImageHandle colours256 = PtxCreateHandle(3, 2, PtxBlank::Colours256);
    EXPECT_EQ(entry(colours256, 8), (std::vector<int>{192, 220, 192}));
    EXPECT_EQ(entry(colours256, 10), (std::vector<int>{255, 240, 212}));
    EXPECT_EQ(entry(colours256, 16), (std::vector<int>{255, 170, 0}));
    EXPECT_EQ(entry(colours256, 17), (std::vector<int>{220, 146, 0}));
    EXPECT_EQ(entry(colours256, 21), (std::vector<int>{80, 50, 0}));
    EXPECT_EQ(entry(colours256, 22), (std::vector<int>{255, 227, 212}));  // second ramp, (255, 85, 0)
    EXPECT_EQ(entry(colours256, 28), (std::vector<int>{255, 85, 0}));
    EXPECT_EQ(entry(colours256, 225), (std::vector<int>{80, 80, 0}));
    EXPECT_EQ(entry(colours256, 226), (std::vector<int>{242, 242, 242}));
    EXPECT_EQ(entry(colours256, 245), (std::vector<int>{14, 14, 14}));
    EXPECT_EQ(entry(colours256, 246), (std::vector<int>{255, 251, 240}));
    EXPECT_EQ(entry(colours256, 255), (std::vector<int>{255, 255, 255}));
    const ImageHandle colours16 = PtxCreateHandle(3, 2, PtxBlank::Colours16);
    EXPECT_EQ(entry(colours16, 7), (std::vector<int>{192, 192, 192}));
    EXPECT_EQ(entry(colours16, 15), (std::vector<int>{255, 255, 255}));
    const ImageHandle grey = PtxCreateHandle(3, 2, PtxBlank::Grey);
    EXPECT_EQ(entry(grey, 77), (std::vector<int>{77, 77, 77}));
    const ImageHandle bilevel = PtxCreateHandle(33, 2, PtxBlank::Bilevel);
    EXPECT_EQ(entry(bilevel, 0), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(entry(bilevel, 1), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(bilevel.header().imageSize, bilevel.size());
    EXPECT_EQ(bilevel.size(), 40u + 8u + 2u * 8u);
    EXPECT_EQ(PtxCreateHandle(3, 2, PtxBlank::TrueColour).header().clrUsed, 0u);

    for (auto [w, h, type] : {std::array<uint32_t, 3>{0, 5, 1}, {5, 0, 4}, {5, 5, 0}, {5, 5, 6},
                              {0x80000000u, 5, 1}, {5, 0xFFFFFFFFu, 4}, {200000, 200000, 1}})
        EXPECT_TRUE(PtxCreateHandle(w, h, type).isNull()) << w << "x" << h << " type " << type;
}

TEST(PtxImgInfo, ResolutionRecordAndItsMessages)
{
    ImageHandle page = PtxCreateHandle(17, 9, PtxBlank::Grey);
    ImgInfo info;
    info.xResolution = 200;
    info.yResolution = 300;
    info.width = 999; // ignored
    ASSERT_EQ(PtxSetImgInfo(page, &info), 1);
    EXPECT_EQ(page.header().xPelsPerMeter, 7874);
    EXPECT_EQ(page.width(), 17);
    ImgInfo back;
    ASSERT_EQ(PtxGetImgInfo(page, &back), 1);
    EXPECT_EQ(back.xResolution, 200);
    EXPECT_EQ(back.yResolution, 300);
    EXPECT_EQ(back.width, 17);
    EXPECT_EQ(back.height, 9);
    EXPECT_EQ(back.bitCount, 8);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "");

    EXPECT_EQ(PtxGetImgInfo(page, nullptr), 0);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image info is null");
    ImageHandle none;
    EXPECT_EQ(PtxSetImgInfo(none, &info), 0);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null");
    EXPECT_TRUE(PtxCopyHandle(none).isNull());
    const ImageHandle copy = PtxCopyHandle(page);
    EXPECT_TRUE(std::equal(page.data(), page.data() + page.size(), copy.data()));
}
