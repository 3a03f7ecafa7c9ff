// DeShade on a grid of shading dots beside a cross of longer strokes.

#include <gtest/gtest.h>

#include "PixmendTestSupport.h"
#include "pixmend/LineCleanup.h"

using namespace pixmendtest;

namespace {

// A white page with single dots every 3 pixels in the box [from, to]^2.
Rows dotGrid(int32_t width, int32_t height, int32_t from, int32_t to)
{
    Rows rows(static_cast<std::size_t>(height), std::string(static_cast<std::size_t>(width), '.'));
    for (int32_t y = from; y <= to; y += 3) {
        for (int32_t x = from; x <= to; x += 3)
            rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = '#';
    }
    return rows;
}

// A cross of a 9-pixel row and a 9-pixel column centred on (x, y).
void drawCross(Rows& rows, int32_t x, int32_t y)
{
    for (int32_t i = -4; i <= 4; ++i) {
        rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x + i)] = '#';
        rows[static_cast<std::size_t>(y + i)][static_cast<std::size_t>(x)] = '#';
    }
}

} // namespace

TEST(DeShade, RemovesAGridOfDotsWithAStrokeInItAndLeavesASeparateCross)
{
    // Dots 3 apart over 19 x 19 pixels: a cluster of spans 18 >= 10. The
    // stroke between two dot rows touches the dots beside it; the cross's
    // spans (8) reach dotWidth + slack, so it is never whitened.
    Rows page = dotGrid(44, 30, 2, 20);
    page[9].replace(9, 3, "###");
    drawCross(page, 34, 20);
    Rows expected(30, std::string(44, '.'));
    drawCross(expected, 34, 20);
    ImageHandle p = bilevelPage(page);
    ASSERT_EQ(DeShade(p, 10, 10, 3, 3, 2, 2), 1);
    EXPECT_EQ(bilevelRows(p), expected);
}

TEST(DeShade, KeepsClustersSmallerThanTheMinimum)
{
    const Rows page = dotGrid(20, 20, 2, 8); // spans 6
    ImageHandle p = bilevelPage(page);
    ASSERT_EQ(DeShade(p, 10, 10, 3, 3, 2, 2), 1);
    EXPECT_EQ(bilevelRows(p), page);
    ASSERT_EQ(DeShade(p, 6, 6, 3, 3, 2, 2), 1);
    EXPECT_EQ(bilevelRows(p), Rows(20, std::string(20, '.')));
}

TEST(DeShade, RefusesNullAndDeeperPages)
{
    ImageHandle none;
    ImageHandle grey = ImageHandle::createDib(10, 10, 8);
    EXPECT_EQ(DeShade(none, 10, 10, 3, 3, 2, 2), -1);
    EXPECT_EQ(DeShade(grey, 10, 10, 3, 3, 2, 2), -1);
}
