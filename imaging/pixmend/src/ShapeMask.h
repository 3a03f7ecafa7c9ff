#pragma once
// The pixels of an ellipse or rectangle drawn over (0, 0, width, height), the
// right and bottom edges excluded: its interior (filled) and its one-pixel
// outline, computed per pixel so that a large shape needs no bitmap.

#include <cstdint>

class ShapeMask {
public:
    // `shape` is MarkupShape::Ellipse or Rectangle; anything else, or a size
    // below 1, is no shape at all.
    ShapeMask(int32_t shape, int32_t width, int32_t height);

    bool none() const { return kind_ == Kind::None; }
    // Inside the filled shape, outline included.
    bool filled(int64_t x, int64_t y) const;
    // On the outline: filled, with a side neighbour that is not.
    bool outline(int64_t x, int64_t y) const;

private:
    enum class Kind { None, Ellipse, Rectangle };
    Kind kind_ = Kind::None;
    int64_t width_ = 0;
    int64_t height_ = 0;
};
