// Cutting a rectangle out of a page and filling one.

#include <algorithm>
#include <cstring>

#include "LastError.h"
#include "PixelAccess.h"
#include "pictra/Pictra.h"

namespace {

using namespace pictra;

void orderCorners(int32_t& left, int32_t& top, int32_t& right, int32_t& bottom)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
}

// The stored row of display row `y`.
int32_t storedRowOf(const PageView& page, int32_t y) { return page.height - 1 - y; }

void fillRows(const PageView& page, int32_t left, int32_t top, int32_t right, int32_t bottom, auto&& fillPixel)
{
    for (int32_t y = top; y <= bottom; ++y) {
        const int32_t r = storedRowOf(page, y);
        for (int32_t x = left; x <= right; ++x)
            fillPixel(x, r);
    }
}

} // namespace

ImageHandle PtxImgCrop(const ImageHandle& handle, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    clearLastError();
    if (!handle.isValidDib()) {
        setLastError("image handle is null");
        return {};
    }
    orderCorners(left, top, right, bottom);
    // An empty rectangle is refused like one outside the page.
    if (left < 0 || top < 0 || right > handle.width() || bottom > handle.height() || left == right || top == bottom) {
        setLastError("rectangle is out of image");
        return {};
    }
    const int32_t w = right - left;
    const int32_t h = bottom - top;
    ImageHandle result = newPageLike(handle, w, h, handle.bitCount());
    if (result.isNull()) {
        setLastError("failed to allocate memory");
        return {};
    }
    const PageView in(handle);
    const PageView out(result);
    if (in.bits == 24) {
        for (int32_t y = 0; y < h; ++y) {
            std::memcpy(out.row(storedRowOf(out, y)), in.constRow(storedRowOf(in, top + y)) + 3 * std::size_t(left),
                        3 * static_cast<std::size_t>(w));
        }
        return result;
    }
    // Each pixel keeps its colour: the index of the first palette entry of
    // that colour, which is its own unless the palette repeats a colour.
    const auto remap = in.colourRemap();
    for (int32_t y = 0; y < h; ++y) {
        const int32_t from = storedRowOf(in, top + y);
        const int32_t to = storedRowOf(out, y);
        for (int32_t x = 0; x < w; ++x)
            out.setIndex(x, to, remap[in.index(left + x, from)]);
    }
    return result;
}

ImageHandle PtxImgDelete(const ImageHandle& handle, int32_t left, int32_t top, int32_t right, int32_t bottom,
                         uint32_t colour)
{
    if (!handle.isValidDib()) {
        setLastError("图像句柄错误");
        return {};
    }
    orderCorners(left, top, right, bottom);
    if (left < 0 || top < 0 || right >= handle.width() || bottom >= handle.height()) {
        setLastError("删除区域越界");
        return {};
    }
    const uint16_t bits = handle.bitCount();
    if (bits != 1 && bits != 8 && bits != 24) {
        setLastError("图像格式不支持");
        return {};
    }
    ImageHandle result = handle.clone();
    if (result.isNull()) {
        setLastError("图像句柄创建失败");
        return {};
    }
    const PageView page(result);
    if (bits == 24) {
        fillRows(page, left, top, right, bottom, [&](int32_t x, int32_t r) { page.setColour(x, r, colour); });
    } else if (bits == 1) {
        const unsigned bit = redOf(colour) + greenOf(colour) + blueOf(colour) != 0 ? 1 : 0;
        for (int32_t y = top; y <= bottom; ++y)
            DibFillRowBits(page.row(storedRowOf(page, y)), left, right, bit != 0);
    } else {
        unsigned white = 0;
        for (unsigned i = 0; i < page.entries; ++i) {
            const Colour c = page.paletteColour(i);
            if (redOf(c) + greenOf(c) + blueOf(c) == 765) {
                white = i;
                break;
            }
        }
        fillRows(page, left, top, right, bottom, [&](int32_t x, int32_t r) { page.setIndex(x, r, white); });
    }
    return result;
}
