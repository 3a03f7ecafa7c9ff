#pragma once
// Small 1-bit pages drawn and read as text: one string per display row,
// '#' for black and '.' for white.

#include <cstring>
#include <string>
#include <vector>

#include "pictra/DibRows.h"
#include "pictra/ImageHandle.h"

namespace testsupport {

using Rows = std::vector<std::string>;

// A 1-bit page with palette black, white (black at index 0).
inline ImageHandle bilevelPage(const Rows& rows)
{
    ImageHandle h = ImageHandle::createDib(static_cast<int32_t>(rows[0].size()), static_cast<int32_t>(rows.size()), 1);
    std::memset(h.palette() + 4, 0xFF, 3);
    for (int32_t y = 0; y < h.height(); ++y) {
        for (int32_t x = 0; x < h.width(); ++x)
            DibSetRowBit(h.displayRow(y), x, rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == '.');
    }
    return h;
}

inline Rows bilevelRows(const ImageHandle& h)
{
    Rows rows;
    for (int32_t y = 0; y < h.height(); ++y) {
        std::string s;
        for (int32_t x = 0; x < h.width(); ++x)
            s += DibRowBit(h.displayRow(y), x) ? '.' : '#';
        rows.push_back(s);
    }
    return rows;
}

} // namespace testsupport
