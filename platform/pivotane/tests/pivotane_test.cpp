// Pivotane's turn of a 1-bit page: its sense, its white background and the
// pages it refuses.

#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "pictra/DibRows.h"
#include "pictra/Pictra.h"
#include "pivotane/Pivotane.h"

namespace {

// A white 1-bit page with a black horizontal bar through its middle.
ImageHandle barPage(int32_t w, int32_t h)
{
    ImageHandle page = PtxCreateHandle(static_cast<uint32_t>(w), static_cast<uint32_t>(h), PtxBlank::Bilevel);
    std::memset(page.pixels(), 0xFF, page.size() - page.pixelOffset());
    for (int32_t x = w / 4; x < w - w / 4; ++x)
        DibSetRowBit(page.displayRow(h / 2), x, false);
    return page;
}

bool black(const ImageHandle& page, int32_t x, int32_t y) { return DibRowBit(page.displayRow(y), x) == 0; }

// The display row of the bar's pixel nearest the given column.
int32_t barRowAt(const ImageHandle& page, int32_t x)
{
    for (int32_t y = 0; y < page.height(); ++y) {
        if (black(page, x, y))
            return y;
    }
    return -1;
}

} // namespace

TEST(Pivotane, PositiveAnglesTurnClockwiseOnWhite)
{
    const ImageHandle page = barPage(200, 100);
    const ImageHandle turned = PivotaneRotate(page, 10.0);
    ASSERT_FALSE(turned.isNull());
    EXPECT_EQ(turned.bitCount(), 1);
    EXPECT_GT(turned.width(), page.width());
    EXPECT_GT(turned.height(), page.height());
    // Clockwise on screen: the bar's right end lies below its left end, by
    // about tan 10 degrees of its length.
    const int32_t left = barRowAt(turned, turned.width() / 2 - 40);
    const int32_t right = barRowAt(turned, turned.width() / 2 + 40);
    ASSERT_GE(left, 0);
    EXPECT_NEAR(right - left, 80 * 0.1763, 2.0);
    // The corners that no source pixel reaches are white.
    for (auto [x, y] : {std::pair{0, 0}, {turned.width() - 1, 0}, {0, turned.height() - 1},
                        {turned.width() - 1, turned.height() - 1}})
        EXPECT_FALSE(black(turned, x, y));
}

TEST(Pivotane, RefusesWhatIsNotAOneBitPage)
{
    EXPECT_TRUE(PivotaneRotate(ImageHandle(), 3.0).isNull());
    EXPECT_TRUE(PivotaneRotate(PtxCreateHandle(10, 10, PtxBlank::Grey), 3.0).isNull());
    EXPECT_TRUE(PivotaneRotate(barPage(10, 10), std::nan("")).isNull());
}
