// Rotation by any angle, in 16.16 fixed point with an inverse mapping.

#include <algorithm>
#include <bit>
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

// ---- 1-bit pages, a run of pixels at a time ----
//
// Along an output row the source point moves by (dx, dy) per pixel. Where
// it stays in one source row (for a few degrees, some twenty pixels) and
// its column grows by one a pixel, the output pixels are that row's bits
// in order: they are copied up to 32 at a time. Elsewhere (a column that
// repeats, a turn past a right angle) pixel by pixel, as the general walk
// does, so that the page is the same bit for bit.

// Floor and ceiling of a / b, b > 0.
int64_t floorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int64_t ceilDiv(int64_t a, int64_t b) { return -floorDiv(-a, b); }

// The pixels i of a row for which 0 <= start + i * step < limit, clipped to
// [lo, hi).
void clipWalk(int64_t start, int64_t step, int64_t limit, int64_t& lo, int64_t& hi)
{
    if (step == 0) {
        if (start < 0 || start >= limit)
            hi = lo;
        return;
    }
    if (step > 0) {
        lo = std::max(lo, ceilDiv(-start, step));
        hi = std::min(hi, ceilDiv(limit - start, step));
    } else {
        lo = std::max(lo, floorDiv(start - limit, -step) + 1);
        hi = std::min(hi, floorDiv(start, -step) + 1);
    }
}

// Up to 57 bits of a row from bit `at` on, first bit highest, without
// reading past the row's `bytes`.
uint64_t rowBits(const uint8_t* row, std::size_t bytes, int64_t at, int count)
{
    const auto first = static_cast<std::size_t>(at >> 3);
    uint64_t word = 0;
    if (first + 8 <= bytes) {
        std::memcpy(&word, row + first, 8);
        if constexpr (std::endian::native == std::endian::little)
            word = __builtin_bswap64(word);
    } else {
        for (std::size_t i = 0; i < 8; ++i)
            word = word << 8 | (first + i < bytes ? row[first + i] : 0);
    }
    return (word << (at & 7)) >> (64 - count);
}

// Writes bits into a row from a given bit on, keeping the bits around them.
class RowBitWriter {
public:
    RowBitWriter(uint8_t* row, int64_t at) : out_(row + (at >> 3)), count_(static_cast<int>(at & 7))
    {
        bits_ = *out_ >> (8 - count_); // the bits before `at`, kept
    }
    // Appends `count` (at most 32) bits, the first highest.
    void put(uint64_t bits, int count)
    {
        bits_ = bits_ << count | bits;
        count_ += count;
        if (count_ >= 32) {
            count_ -= 32;
            const auto word = static_cast<uint32_t>(bits_ >> count_);
            const uint8_t bytes[4] = {static_cast<uint8_t>(word >> 24), static_cast<uint8_t>(word >> 16),
                                      static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)};
            std::memcpy(out_, bytes, 4);
            out_ += 4;
        }
    }
    // Writes what is left, keeping the bits after it.
    void finish()
    {
        while (count_ >= 8) {
            count_ -= 8;
            *out_++ = static_cast<uint8_t>(bits_ >> count_);
        }
        if (count_ != 0) {
            const auto kept = static_cast<uint8_t>(0xFF >> count_);
            *out_ = static_cast<uint8_t>((bits_ << (8 - count_)) | (*out_ & kept));
        }
    }

private:
    uint8_t* out_;
    int count_; // bits in bits_ not written yet, below 32 between calls
    uint64_t bits_;
};

void rotateBilevel(const PageView& in, const PageView& out, const SourceWalk& start, int64_t rowDx, int64_t rowDy,
                   int64_t w17, int64_t h17)
{
    constexpr int64_t kPixel = int64_t{1} << 17;
    const std::size_t inBytes = in.stride;
    // Where the source row stays the same, runs have `period` or
    // `period` + 1 pixels.
    const int64_t period = start.dy == 0 ? INT64_MAX : kPixel / std::llabs(start.dy);
    for (int32_t j = 0; j < out.height; ++j) {
        const int64_t x0 = start.x + rowDx * j;
        const int64_t y0 = start.y + rowDy * j;
        int64_t lo = 0;
        int64_t hi = out.width;
        clipWalk(x0, start.dx, w17, lo, hi);
        clipWalk(y0, start.dy, h17, lo, hi);
        if (lo >= hi)
            continue;
        RowBitWriter writer(out.row(j), lo);
        bool runStartsAtNewRow = false;
        for (int64_t i = lo; i < hi;) {
            const int64_t sourceRow = (y0 + start.dy * i) >> 17;
            // The end of the run in this source row: computed for the first
            // run of the row; a later run, which starts where the source row
            // changed, has `period` pixels or one more.
            int64_t end = hi;
            if (start.dy != 0 && runStartsAtNewRow) {
                end = i + period;
                if (end < hi && ((y0 + start.dy * end) >> 17) == sourceRow)
                    ++end;
            } else if (start.dy > 0) {
                end = ceilDiv(((sourceRow + 1) << 17) - y0, start.dy);
            } else if (start.dy < 0) {
                end = floorDiv(y0 - (sourceRow << 17), -start.dy) + 1;
            }
            end = std::min(end, hi);
            runStartsAtNewRow = true;
            const uint8_t* row = in.constRow(static_cast<int32_t>(sourceRow));
            while (i < end) {
                const int64_t x = x0 + start.dx * i;
                const int count = static_cast<int>(std::min<int64_t>(end - i, 32));
                const int64_t last = x0 + start.dx * (i + count - 1);
                if ((last >> 17) - (x >> 17) == count - 1) {
                    writer.put(rowBits(row, inBytes, x >> 17, count), count);
                    i += count;
                } else {
                    writer.put(rowBits(row, inBytes, x >> 17, 1), 1);
                    ++i;
                }
            }
        }
        writer.finish();
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
    } else if (in.bits == 1) {
        rotateBilevel(in, out, start, rowDx, rowDy, w17, h17);
    } else {
        mapPixels(out, w17, h17, start, rowDx, rowDy, [&](int32_t i, int32_t j, int64_t x, int64_t y) {
            out.setIndex(i, j, in.index(static_cast<int32_t>(x >> 17), static_cast<int32_t>(y >> 17)));
        });
    }
    return result;
}
