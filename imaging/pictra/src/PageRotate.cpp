// Rotation by any angle, in 16.16 fixed point with an inverse mapping.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "LastError.h"
#include "PixelAccess.h"
#include "pictra/Pictra.h"

namespace {

using namespace pictra;

// Source position of an output pixel in 1/2^17 pixel units, measured from
// the source's left (or bottom) edge, stepping along one output row.
struct SourceWalk {
    int64_t x;
    int64_t y;
    int64_t dx; // per output column
    int64_t dy;
};

// Bilinear sample in eighths between pixel centres; the last column and row
// reuse themselves as their neighbour.
struct Bilinear {
    int32_t col, row, nextCol, nextRow;
    int fx, fy;

    Bilinear(int64_t x, int64_t y, int32_t w, int32_t h)
    {
        const int64_t u = std::max<int64_t>(x - 65536, 0);
        const int64_t v = std::max<int64_t>(y - 65536, 0);
        col = static_cast<int32_t>(u >> 17);
        row = static_cast<int32_t>(v >> 17);
        nextCol = std::min(col + 1, w - 1);
        nextRow = std::min(row + 1, h - 1);
        fx = static_cast<int>((u >> 14) & 7);
        fy = static_cast<int>((v >> 14) & 7);
    }

    int blend(int p00, int p01, int p10, int p11) const
    {
        return (p00 * (8 - fx) * (8 - fy) + p01 * fx * (8 - fy) + p10 * (8 - fx) * fy + p11 * fx * fy + 32) >> 6;
    }
};

// 90 or 270 degrees, either sign, within the same hundredth of a degree as
// the plain copy of a turn near 0.
bool isQuarterTurn(float angle)
{
    return std::fabs(std::fmod(std::fabs(double{angle}), 180.0) - 90.0) < 0.01;
}

// A page turned on its side is as wide as it was high: a 204 x 98 dpi fax
// page becomes 98 x 204 dpi, so that it keeps its size on screen and paper.
void swapResolution(ImageHandle& page)
{
    BitmapInfoHeader hdr = page.header();
    std::swap(hdr.xPelsPerMeter, hdr.yPelsPerMeter);
    page.setHeader(hdr);
}

// Walks every output pixel; `sample` fills one from its source position or
// returns false for the background (already in place).
template <typename Sample>
void mapPixels(const PageView& out, int64_t w17, int64_t h17, const SourceWalk& start, int64_t rowDx, int64_t rowDy,
               Sample&& sample)
{
    for (int32_t j = 0; j < out.height; ++j) {
        int64_t x = start.x + rowDx * j;
        int64_t y = start.y + rowDy * j;
        for (int32_t i = 0; i < out.width; ++i, x += start.dx, y += start.dy) {
            if (x >= 0 && x < w17 && y >= 0 && y < h17)
                sample(i, j, x, y);
        }
    }
}

} // namespace

ImageHandle PtxImgRotate(const ImageHandle& handle, float angle, uint8_t background)
{
    clearLastError();
    if (!handle.isValidDib()) {
        setLastError("image handle is null");
        return {};
    }
    // An angle that is not a number gives no size to allocate.
    if (!std::isfinite(angle)) {
        setLastError("failed to allocate memory");
        return {};
    }
    const int32_t w = handle.width();
    const int32_t h = handle.height();
    const double a = angle * 3.14159265358979 / 180.0;
    // 16.16 fixed point, rounded half away from zero so that negative sines
    // and cosines are as exact as positive ones (a turn by 270 degrees gets
    // Ks = -65536, not -65535, and keeps its pixels unblended).
    const int64_t ks = std::lround(std::sin(a) * 65536);
    const int64_t kc = std::lround(std::cos(a) * 65536);
    const bool nearZero = std::fabs(angle) < 0.01f;
    // A turn by less than a hundredth of a degree is a plain copy; its size
    // stays the source's even where the rounding would add a column.
    const int64_t newW = nearZero ? w : (std::llabs(kc) * w + std::llabs(ks) * h + 32768) >> 16;
    const int64_t newH = nearZero ? h : (std::llabs(ks) * w + std::llabs(kc) * h + 32768) >> 16;

    ImageHandle result = newW > 0 && newH > 0 && newW <= INT32_MAX && newH <= INT32_MAX
                             ? newPageLike(handle, static_cast<int32_t>(newW), static_cast<int32_t>(newH),
                                           handle.bitCount())
                             : ImageHandle();
    if (result.isNull()) {
        setLastError("failed to allocate memory");
        return {};
    }
    if (isQuarterTurn(angle))
        swapResolution(result);
    if (nearZero) {
        std::memcpy(result.pixels(), handle.pixels(), handle.stride() * static_cast<std::size_t>(h));
        return result;
    }
    const PageView out(result);
    if (background != 0) {
        std::memset(out.pixels, 0xFF, out.stride * static_cast<std::size_t>(out.height));
        clearRowPadding(out);
    }

    // Inverse mapping from pixel centres: output pixel (i, j) centred at
    // (i + 1/2, j + 1/2) comes from the source point, in 2^-17 units,
    // (w << 16) + Kc (2i + 1 - W') - Ks (2j + 1 - H') and
    // (h << 16) + Ks (2i + 1 - W') + Kc (2j + 1 - H').
    SourceWalk start;
    start.x = (int64_t{w} << 16) + kc * (1 - newW) - ks * (1 - newH);
    start.y = (int64_t{h} << 16) + ks * (1 - newW) + kc * (1 - newH);
    start.dx = 2 * kc;
    start.dy = 2 * ks;
    const int64_t rowDx = -2 * ks;
    const int64_t rowDy = 2 * kc;
    const int64_t w17 = int64_t{w} << 17;
    const int64_t h17 = int64_t{h} << 17;
    const PageView in(handle);

    if (in.bits == 24) {
        mapPixels(out, w17, h17, start, rowDx, rowDy, [&](int32_t i, int32_t j, int64_t x, int64_t y) {
            const Bilinear b(x, y, w, h);
            const uint8_t* r0 = in.constRow(b.row);
            const uint8_t* r1 = in.constRow(b.nextRow);
            uint8_t* o = out.row(j) + 3 * static_cast<std::size_t>(i);
            for (int c = 0; c < 3; ++c) {
                o[c] = static_cast<uint8_t>(b.blend(r0[3 * b.col + c], r0[3 * b.nextCol + c], r1[3 * b.col + c],
                                                    r1[3 * b.nextCol + c]));
            }
        });
    } else if (in.bits == 8 && in.greyRamp()) {
        mapPixels(out, w17, h17, start, rowDx, rowDy, [&](int32_t i, int32_t j, int64_t x, int64_t y) {
            const Bilinear b(x, y, w, h);
            const uint8_t* r0 = in.constRow(b.row);
            const uint8_t* r1 = in.constRow(b.nextRow);
            out.row(j)[i] = static_cast<uint8_t>(b.blend(r0[b.col], r0[b.nextCol], r1[b.col], r1[b.nextCol]));
        });
    } else {
        mapPixels(out, w17, h17, start, rowDx, rowDy, [&](int32_t i, int32_t j, int64_t x, int64_t y) {
            out.setIndex(i, j, in.index(static_cast<int32_t>(x >> 17), static_cast<int32_t>(y >> 17)));
        });
    }
    return result;
}
