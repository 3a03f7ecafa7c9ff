#pragma once
// Merging a monochrome picture into a 1-bit page (bit 1 white, bit 0 black),
// bit by bit and clipped to the page's pixels.

#include <algorithm>
#include <cstdint>

#include "pictra/DibRows.h"
#include "pictra/ImageHandle.h"

enum class PixelAction { Keep, White, Black };

// What a source bit 1 and a source bit 0 do to the page pixel under it.
struct MergeRule {
    PixelAction onOne;
    PixelAction onZero;
};

inline constexpr MergeRule kSetRule{PixelAction::White, PixelAction::Keep};
inline constexpr MergeRule kClearRule{PixelAction::Black, PixelAction::Keep};

inline void applyPixel(uint8_t* row, int64_t x, PixelAction action)
{
    if (action != PixelAction::Keep)
        DibSetRowBit(row, x, action == PixelAction::White);
}

// Merges a `width` x `height` picture whose bit at (column, row) is
// `bitAt(column, row)`: its column 0 lands on page column `left`, its top row
// on display row `top` + 1. Parts that fall outside the page are skipped.
template <class BitAt>
void MergeIntoPage(ImageHandle& page, int64_t left, int64_t top, int64_t width, int64_t height,
                   MergeRule rule, BitAt bitAt)
{
    const int64_t firstPageRow = top + 1;
    const int64_t rowBegin = std::max<int64_t>(0, -firstPageRow);
    const int64_t rowEnd = std::min<int64_t>(height, page.height() - firstPageRow);
    const int64_t colBegin = std::max<int64_t>(0, -left);
    const int64_t colEnd = std::min<int64_t>(width, page.width() - left);
    for (int64_t r = rowBegin; r < rowEnd; ++r) {
        uint8_t* row = page.displayRow(static_cast<int32_t>(firstPageRow + r));
        for (int64_t c = colBegin; c < colEnd; ++c)
            applyPixel(row, left + c, bitAt(c, r) ? rule.onOne : rule.onZero);
    }
}
