// Shapes drawn by ImageMarkup and the page's bytes around the pixels it may
// touch.

#include <gtest/gtest.h>

#include "MarkupTestSupport.h"

using namespace markuptest;

namespace {

MarkupParams shapeOnly(ImageHandle& page, int32_t shape, int32_t keepInterior, int32_t cx, int32_t cy, int32_t w,
                       int32_t h)
{
    MarkupParams p = centredText(page, "", font("DejaVu Sans", 12));
    p.shape = shape;
    p.keepInterior = keepInterior;
    p.centreX = cx;
    p.centreY = cy;
    p.width = w;
    p.height = h;
    return p;
}

struct ShapeCase {
    const char* name;
    int32_t shape;
    int32_t keepInterior;
    bool blackPage;
    std::vector<std::string> expected;
};

// A 10 x 8 shape centred at (7, 6) of a 14 x 12 page: its box is columns
// 2 to 11 and, one row below the given top of 2, rows 3 to 10.
const ShapeCase kShapes[] = {
    {"RectangleErasedOnBlack", MarkupShape::Rectangle, 0, true,
     {"##############",
      "##############",
      "##############",
      "##############",
      "###........###",
      "###........###",
      "###........###",
      "###........###",
      "###........###",
      "###........###",
      "##############",
      "##############"}},
    {"RectangleOutlineOnWhite", MarkupShape::Rectangle, 1, false,
     {"..............",
      "..............",
      "..............",
      "..##########..",
      "..#........#..",
      "..#........#..",
      "..#........#..",
      "..#........#..",
      "..#........#..",
      "..#........#..",
      "..##########..",
      ".............."}},
    {"EllipseOutlineOnWhite", MarkupShape::Ellipse, 1, false,
     {"..............",
      "..............",
      "..............",
      ".....####.....",
      "...##....##...",
      "..#........#..",
      "..#........#..",
      "..#........#..",
      "..#........#..",
      "...##....##...",
      ".....####.....",
      ".............."}},
    {"EllipseErasedOnBlack", MarkupShape::Ellipse, 0, true,
     {"##############",
      "##############",
      "##############",
      "##############",
      "#####....#####",
      "###........###",
      "###........###",
      "###........###",
      "###........###",
      "#####....#####",
      "##############",
      "##############"}},
    {"NoShapeLeavesThePage", 0, 0, true, std::vector<std::string>(12, "##############")},
};

class ShapeDrawing : public ::testing::TestWithParam<ShapeCase> {};

} // namespace

TEST_P(ShapeDrawing, GivesTheExpectedPixels)
{
    const ShapeCase& c = GetParam();
    ImageHandle page = c.blackPage ? blackPage(14, 12) : whitePage(14, 12);
    ASSERT_EQ(ImageMarkup(shapeOnly(page, c.shape, c.keepInterior, 7, 6, 10, 8)), 0);
    EXPECT_EQ(picture(page), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Shapes, ShapeDrawing, ::testing::ValuesIn(kShapes),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

// A 1-bit page inside a block with guard bytes after its last pixel row (the
// top of the picture); the header and the palette guard the bottom row.
struct GuardedPage {
    static constexpr std::size_t kGuard = 64;
    static constexpr uint8_t kGuardByte = 0xA5;

    GuardedPage(int32_t width, int32_t height, uint8_t fill)
    {
        const ImageHandle shape = makePage(width, height, fill);
        page = ImageHandle::allocate(shape.size() + kGuard);
        std::copy(shape.data(), shape.data() + shape.size(), page.data());
        std::fill(page.data() + shape.size(), page.data() + page.size(), kGuardByte);
        pixelEnd = shape.size();
        headerAndPalette.assign(page.data(), page.data() + page.pixelOffset());
    }

    // Header, palette and guard bytes as they were, and no padding bit of a
    // row set (the fill puts 0xFF or 0x00 into whole bytes; padding is kept
    // at the fill and compared byte-wise per row).
    void expectUntouched(uint8_t fill) const
    {
        EXPECT_TRUE(std::equal(headerAndPalette.begin(), headerAndPalette.end(), page.data()));
        for (std::size_t i = pixelEnd; i < page.size(); ++i)
            ASSERT_EQ(page.data()[i], kGuardByte) << "guard byte " << i - pixelEnd;
        const int32_t used = page.width();
        for (int32_t y = 0; y < page.height(); ++y)
            for (int32_t bit = used; bit < static_cast<int32_t>(page.stride() * 8); ++bit)
                ASSERT_EQ((page.displayRow(y)[bit >> 3] >> (7 - (bit & 7))) & 1, fill ? 1 : 0)
                    << "padding bit " << bit << " of row " << y;
    }

    ImageHandle page;
    std::size_t pixelEnd = 0;
    std::vector<uint8_t> headerAndPalette;
};

} // namespace

TEST(MarkupClipping, MergesReachingPastAnyEdgeStayInsideThePixels)
{
    struct Case {
        const char* name;
        uint8_t fill;
        int32_t shape, keepInterior, cx, cy, w, h;
        int32_t textX, textY;
    };
    const Case cases[] = {
        // A page-sized shape: drawn one row below, its bottom row is off the page.
        {"PageSizedRectangle", 0x00, MarkupShape::Rectangle, 0, 10, 6, 21, 13, 0, 0},
        {"ShapePastRightAndBottom", 0x00, MarkupShape::Ellipse, 0, 19, 11, 16, 16, 0, 0},
        {"TextPastRightAndBottom", 0x00, 0, 0, 10, 6, 0, 0, 14, 9},
        {"TextPastLeftAndTop", 0xFF, 0, 0, 10, 6, 0, 0, -9, -14},
        {"TextPastTopOnly", 0x00, 0, 0, 10, 6, 0, 0, 2, -17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GuardedPage guarded(21, 13, c.fill);
        ASSERT_TRUE(guarded.page.isValidDib());
        MarkupParams p = shapeOnly(guarded.page, c.shape, c.keepInterior, c.cx, c.cy, c.w, c.h);
        p.text = "Wg";
        p.font = font("DejaVu Sans", 20);
        p.centreText = 0;
        p.textX = c.textX;
        p.textY = c.textY;
        ASSERT_EQ(ImageMarkup(p), 0);
        EXPECT_NE(picture(guarded.page), picture(makePage(21, 13, c.fill))) << "something was drawn";
        guarded.expectUntouched(c.fill);
    }
}

TEST(MarkupClipping, PageSizedRectangleKeepsTheTopRowAndLosesItsBottomOutline)
{
    ImageHandle page = blackPage(8, 5);
    ASSERT_EQ(ImageMarkup(shapeOnly(page, MarkupShape::Rectangle, 0, 4, 2, 8, 5)), 0);
    const std::vector<std::string> expected = {
        "########",
        "########",
        "#......#",
        "#......#",
        "#......#",
    };
    EXPECT_EQ(picture(page), expected);
}
