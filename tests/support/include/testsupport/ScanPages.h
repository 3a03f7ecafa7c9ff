#pragma once
// Scan-like 1-bit pages for the clean-up filters' tests and benchmark: rows
// of word-like blobs of thick strokes between ruled lines, and specks
// sprinkled where the page is white all round them.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "pictra/DibRows.h"
#include "pictra/ImageHandle.h"

namespace testsupport {

// A white 1-bit page with palette black, white.
inline ImageHandle whiteBilevelPage(int32_t width, int32_t height)
{
    ImageHandle page = ImageHandle::createDib(width, height, 1);
    std::memset(page.palette() + 4, 0xFF, 3);
    for (int32_t r = 0; r < height; ++r)
        DibFillRowBits(page.storedRow(r), 0, width - 1, true);
    return page;
}

inline void blackenBox(ImageHandle& page, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, page.width() - 1);
    bottom = std::min(bottom, page.height() - 1);
    for (int32_t y = top; y <= bottom && left <= right; ++y)
        DibFillRowBits(page.displayRow(y), left, right, false);
}

struct ScanPageLayout {
    int32_t glyphHeight = 30; // pixels of a letter's cell; 30 is 10-point type at 300 dpi
    bool rules = true;        // a ruled line under every fifth text row
    unsigned seed = 1;
};

// Text rows across the page inside a margin of a twelfth of its width and
// height: words of 2 to 9 letters, each letter a few strokes as thick as an
// eighth of its height, so that no piece of a letter is a speck.
inline ImageHandle scanLikePage(int32_t width, int32_t height, const ScanPageLayout& layout = {})
{
    ImageHandle page = whiteBilevelPage(width, height);
    std::mt19937 random(layout.seed);
    const int32_t gh = std::max(layout.glyphHeight, 8);
    const int32_t gw = gh * 3 / 5;
    const int32_t pen = std::max(2, gh / 8);
    const int32_t marginX = width / 12;
    const int32_t marginY = height / 12;
    int row = 0;
    for (int32_t top = marginY; top + gh < height - marginY; top += gh * 9 / 5, ++row) {
        for (int32_t left = marginX; left + gw < width - marginX;) {
            const int letters = 2 + static_cast<int>(random() % 8);
            for (int i = 0; i < letters && left + gw < width - marginX; ++i, left += gw + pen) {
                // A stem, and one or two bars or a second stem.
                const int32_t stem = left + static_cast<int32_t>(random() % static_cast<unsigned>(gw - pen));
                blackenBox(page, stem, top, stem + pen - 1, top + gh - 1);
                const int bars = 1 + static_cast<int>(random() % 2);
                for (int b = 0; b < bars; ++b) {
                    const int32_t y = top + static_cast<int32_t>(random() % static_cast<unsigned>(gh - pen));
                    blackenBox(page, left, y, left + gw - 1, y + pen - 1);
                }
            }
            left += 2 * gw;
        }
        if (layout.rules && row % 5 == 4)
            blackenBox(page, marginX, top + gh + gh / 3, width - marginX, top + gh + gh / 3 + pen - 1);
    }
    return page;
}

// Sprinkles up to `count` specks of 1 by 1 or 2 by 2 pixels where the
// page is white two pixels all round them, so that each is a component of
// its own; returns how many were placed.
inline int sprinkleSpecks(ImageHandle& page, int count, unsigned seed)
{
    std::mt19937 random(seed);
    auto whiteAround = [&](int32_t x, int32_t y, int32_t size) {
        for (int32_t yy = y - 2; yy < y + size + 2; ++yy) {
            for (int32_t xx = x - 2; xx < x + size + 2; ++xx) {
                if (xx < 0 || yy < 0 || xx >= page.width() || yy >= page.height())
                    continue;
                if (DibRowBit(page.displayRow(yy), xx) == 0)
                    return false;
            }
        }
        return true;
    };
    int placed = 0;
    for (int tries = 0; placed < count && tries < 20 * count; ++tries) {
        const int32_t size = 1 + static_cast<int32_t>(random() % 2);
        const auto x = static_cast<int32_t>(random() % static_cast<unsigned>(page.width() - size + 1));
        const auto y = static_cast<int32_t>(random() % static_cast<unsigned>(page.height() - size + 1));
        if (!whiteAround(x, y, size))
            continue;
        blackenBox(page, x, y, x + size - 1, y + size - 1);
        ++placed;
    }
    return placed;
}

} // namespace testsupport
