#pragma once
// A 1-bit picture seen in display order (row 0 at the top), bit 1 white and
// bit 0 black, over either a page (whose rows are stored bottom-up) or a
// scratch grid of Pixmend's own (stored top-down). Coordinates outside the
// picture read as white.

#include <cstddef>
#include <cstdint>

#include "pictra/DibRows.h"
#include "pictra/ImageHandle.h"

namespace pixmend {

struct BitRows {
    uint8_t* top = nullptr;  // display row 0
    std::ptrdiff_t step = 0; // bytes from one display row to the next
    int32_t width = 0;
    int32_t height = 0;

    // The page's rows; the page must be a valid 1-bit page.
    static BitRows of(ImageHandle& page)
    {
        const auto stride = static_cast<std::ptrdiff_t>(page.stride());
        return {page.displayRow(0), -stride, page.width(), page.height()};
    }

    // The rows of a page that will only be read.
    static BitRows reading(const ImageHandle& page) { return of(const_cast<ImageHandle&>(page)); }

    uint8_t* row(int32_t y) const { return top + y * step; }
    bool inside(int64_t x, int64_t y) const { return x >= 0 && x < width && y >= 0 && y < height; }
    bool black(int64_t x, int64_t y) const
    {
        return inside(x, y) && DibRowBit(row(static_cast<int32_t>(y)), x) == 0;
    }
    void setWhite(int32_t x, int32_t y) const { DibSetRowBit(row(y), x, true); }
    void setBlack(int32_t x, int32_t y) const { DibSetRowBit(row(y), x, false); }
    // Whitens columns first..last (inclusive, first <= last) of row y.
    void whiten(int32_t y, int32_t first, int32_t last) const { DibFillRowBits(row(y), first, last, true); }
    void blacken(int32_t y, int32_t first, int32_t last) const { DibFillRowBits(row(y), first, last, false); }
    // The first black (white) column of row y in [from, end), or end.
    int32_t nextBlack(int32_t y, int32_t from, int32_t end) const
    {
        return static_cast<int32_t>(DibFindRowBit(row(y), from, end, 0));
    }
    int32_t nextWhite(int32_t y, int32_t from, int32_t end) const
    {
        return static_cast<int32_t>(DibFindRowBit(row(y), from, end, 1));
    }
};

// A valid page of 1 bit per pixel: the only kind the filters read.
inline bool isBilevelPage(const ImageHandle& page) { return page.isValidDib() && page.bitCount() == 1; }

} // namespace pixmend
