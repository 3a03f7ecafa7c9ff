#pragma once
// Pixmend's scratch copies, made in one place: a page copy (CopyDib), a
// page made new (CreateDib) and a grid of the filters' own. Each returns
// nothing (or null) when memory runs out, and a test can have the copies
// after the first few refused to show what a filter does then.

#include <cstdint>
#include <optional>
#include <vector>

#include "BitRows.h"
#include "pictra/ImageHandle.h"

namespace pixmend {

// A new page: colours 2 gives a 1-bit page with palette black, white;
// 256 an 8-bit page with the grey ramp. Image size = pixel bytes,
// resolution 0, pixels zero (black). Null for other colour counts,
// refused sizes or no memory.
ImageHandle CreateDib(int32_t width, int32_t height, int32_t colours);
// A new block with the page's header, palette and pixels; null when it
// cannot be made.
ImageHandle CopyDib(const ImageHandle& page);

// A 1-bit picture of the filters' own, rows top-down, bit 1 white.
class BitGrid {
public:
    // All white; nothing when memory runs out (or a test refuses it).
    static std::optional<BitGrid> white(int32_t width, int32_t height);

    BitRows rows() { return {bytes_.data(), static_cast<std::ptrdiff_t>(stride_), width_, height_}; }

private:
    BitGrid() = default;

    int32_t width_ = 0;
    int32_t height_ = 0;
    std::size_t stride_ = 0;
    std::vector<uint8_t> bytes_;
};

// Copies every pixel of `from` into `to`, which has the same size.
void copyPixels(const BitRows& from, const BitRows& to);
// Writes `from` turned over its main diagonal into `to` (pixel (x, y)
// becomes (y, x)), which is from.height wide and from.width high.
void transposePixels(const BitRows& from, const BitRows& to);

// For tests: the next `allowed` scratch copies are made, every later one is
// refused, until the call is made again with a negative number.
void refuseScratchAfter(int32_t allowed);

} // namespace pixmend
