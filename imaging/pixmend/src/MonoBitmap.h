#pragma once
// A monochrome drawing surface: bit 1 where something was drawn, 0 elsewhere.
// Rows are top-down, the leftmost pixel of a byte in its most significant bit.

#include <cstdint>
#include <vector>

#include "pictra/DibRows.h"

class MonoBitmap {
public:
    MonoBitmap() = default;
    // All bits 0. Sizes below 1 give an empty bitmap.
    MonoBitmap(int32_t width, int32_t height);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    bool empty() const { return width_ == 0 || height_ == 0; }

    bool get(int32_t x, int32_t y) const { return DibRowBit(bits_.data() + rowOffset(y), x) != 0; }
    void set(int32_t x, int32_t y) { DibSetRowBit(bits_.data() + rowOffset(y), x, true); }

    // The picture turned 90 degrees clockwise: height() wide, width() high;
    // the top row becomes the right column.
    MonoBitmap rotatedClockwise() const;

private:
    std::size_t rowOffset(int32_t y) const { return static_cast<std::size_t>(y) * stride_; }

    int32_t width_ = 0;
    int32_t height_ = 0;
    std::size_t stride_ = 0;
    std::vector<uint8_t> bits_;
};
