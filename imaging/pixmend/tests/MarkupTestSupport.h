#pragma once
// Helpers of Pixmend's tests: 1-bit pages in the handle's colour sense
// (bit 1 white, bit 0 black) and what can be read off them.

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "PixmendTestSupport.h"
#include "pictra/ImageHandle.h"
#include "pixmend/ImageMarkup.h"
#include "pixmend/PixmendMessage.h"
#include "testsupport/AsciiPage.h"

namespace markuptest {

using pixmendtest::MessageCollector;

struct Box {
    int32_t left = 0, top = 0, right = -1, bottom = -1; // inclusive; empty when right < left
    bool empty() const { return right < left; }
    int32_t width() const { return empty() ? 0 : right - left + 1; }
    int32_t height() const { return empty() ? 0 : bottom - top + 1; }
    bool contains(int32_t x, int32_t y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    bool operator==(const Box&) const = default;
};

// A 1-bit page with palette black, white whose every pixel row byte,
// padding included, is `fill`.
inline ImageHandle makePage(int32_t width, int32_t height, uint8_t fill)
{
    ImageHandle page = ImageHandle::createDib(width, height, 1);
    uint8_t* white = page.palette() + 4;
    white[0] = white[1] = white[2] = 0xFF;
    std::memset(page.pixels(), fill, page.size() - page.pixelOffset());
    return page;
}
inline ImageHandle whitePage(int32_t w, int32_t h) { return makePage(w, h, 0xFF); }
inline ImageHandle blackPage(int32_t w, int32_t h) { return makePage(w, h, 0x00); }

inline bool isWhite(const ImageHandle& page, int32_t x, int32_t y)
{
    return (page.displayRow(y)[x >> 3] >> (7 - (x & 7))) & 1;
}

// The smallest box around every pixel of the given colour.
inline Box boxOf(const ImageHandle& page, bool white)
{
    Box box{page.width(), page.height(), -1, -1};
    for (int32_t y = 0; y < page.height(); ++y)
        for (int32_t x = 0; x < page.width(); ++x)
            if (isWhite(page, x, y) == white) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box.right < 0 ? Box{} : box;
}

inline int countBlack(const ImageHandle& page)
{
    int n = 0;
    for (int32_t y = 0; y < page.height(); ++y)
        for (int32_t x = 0; x < page.width(); ++x)
            n += !isWhite(page, x, y);
    return n;
}

// The page as rows of '#' (black) and '.' (white), top row first.
inline std::vector<std::string> picture(const ImageHandle& page) { return testsupport::bilevelRows(page); }

inline MarkupFont font(const std::string& face, int32_t height)
{
    MarkupFont f;
    f.face = face;
    f.height = height;
    return f;
}

// The program's own call: no shape, centred on the page, opaque, horizontal.
inline MarkupParams centredText(ImageHandle& page, const std::string& text, const MarkupFont& f)
{
    MarkupParams p;
    p.page = &page;
    p.text = text;
    p.font = f;
    p.centreX = page.width() / 2;
    p.centreY = page.height() / 2;
    p.width = page.width();
    p.height = page.height();
    p.shape = 0;
    p.keepInterior = 1;
    p.transparent = 0;
    p.centreText = 1;
    p.orientation = MarkupOrientation::Horizontal;
    return p;
}

} // namespace markuptest
