// Laying a stamp image onto a copy of a page.

#include <algorithm>

#include "LastError.h"
#include "PixelAccess.h"
#include "pictra/Pictra.h"

namespace {

using namespace pictra;

// The page with every pixel as its palette colour, resolution kept.
ImageHandle toTrueColour(const ImageHandle& h)
{
    ImageHandle result = newPageLike(h, h.width(), h.height(), 24);
    if (result.isNull())
        return result;
    const PageView in(h);
    const PageView out(result);
    for (int32_t r = 0; r < in.height; ++r) {
        for (int32_t x = 0; x < in.width; ++x)
            out.setColour(x, r, in.colour(x, r));
    }
    return result;
}

// A colour mark pressed on a 1-bit page is brought to one bit first: a
// pixel is ink (black) where its darkest channel is below half, so that a
// red, blue or black seal prints black and its white or pale background
// stays white.
constexpr uint8_t kInkBelow = 128;

unsigned bilevelBit(Colour c)
{
    return std::min({redOf(c), greenOf(c), blueOf(c)}) < kInkBelow ? 0U : 1U;
}

// Calls `lay(pageX, pageStoredRow, markX, markStoredRow)` for every mark
// pixel that falls on the page.
template <typename Lay>
void overlap(const PageView& page, const PageView& mark, int32_t x, int32_t y, Lay&& lay)
{
    const int32_t columns = std::min(mark.width, page.width - x);
    const int32_t rows = std::min(mark.height, page.height - y);
    for (int32_t my = 0; my < rows; ++my) {
        const int32_t pageRow = page.height - 1 - (y + my);
        const int32_t markRow = mark.height - 1 - my;
        for (int32_t mx = 0; mx < columns; ++mx)
            lay(x + mx, pageRow, mx, markRow);
    }
}

} // namespace

ImageHandle PtxImgMark(const ImageHandle& page, const ImageHandle& mark, int32_t x, int32_t y, int32_t option)
{
    clearLastError();
    if (!page.isValidDib() || !mark.isValidDib()) {
        setLastError("image handle is null");
        return {};
    }
    if (x < 0 || x >= page.width() || y < 0 || y >= page.height()) {
        setLastError("the point is out of source image");
        return {};
    }
    const uint16_t pageBits = page.bitCount();
    const uint16_t markBits = mark.bitCount();
    if ((pageBits != 1 && pageBits != 24) || (markBits != 1 && markBits != 24)) {
        setLastError("Bit depth must be 1 or 24");
        return {};
    }

    if (pageBits == 1) {
        ImageHandle result = page.clone();
        if (result.isNull()) {
            setLastError("failed to allocate memory");
            return {};
        }
        const PageView out(result);
        const PageView m(mark);
        // With option nonzero the mark's white (bit 1) is transparent.
        overlap(out, m, x, y, [&](int32_t px, int32_t pr, int32_t mx, int32_t mr) {
            const unsigned bit = markBits == 1 ? m.index(mx, mr) : bilevelBit(m.colour(mx, mr));
            if (option == 0 || bit == 0)
                out.setIndex(px, pr, bit);
        });
        return result;
    }

    // On a 24-bit page a 1-bit mark keeps the page's black.
    ImageHandle result = page.clone();
    ImageHandle convertedMark = markBits == 1 ? toTrueColour(mark) : ImageHandle();
    const ImageHandle& colourMark = markBits == 1 ? convertedMark : mark;
    if (result.isNull() || colourMark.isNull()) {
        setLastError("failed to allocate memory");
        return {};
    }
    const bool keepBlack = markBits == 1 || option != 0;
    const PageView out(result);
    const PageView m(colourMark);
    overlap(out, m, x, y, [&](int32_t px, int32_t pr, int32_t mx, int32_t mr) {
        if (!keepBlack || out.colour(px, pr) != 0)
            out.setColour(px, pr, m.colour(mx, mr));
    });
    return result;
}
