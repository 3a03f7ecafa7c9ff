#include "ShapeMask.h"

#include "pixmend/ImageMarkup.h"

ShapeMask::ShapeMask(int32_t shape, int32_t width, int32_t height)
{
    if (width < 1 || height < 1)
        return;
    if (shape == MarkupShape::Ellipse)
        kind_ = Kind::Ellipse;
    else if (shape == MarkupShape::Rectangle)
        kind_ = Kind::Rectangle;
    width_ = width;
    height_ = height;
}

bool ShapeMask::filled(int64_t x, int64_t y) const
{
    if (kind_ == Kind::None || x < 0 || y < 0 || x >= width_ || y >= height_)
        return false;
    if (kind_ == Kind::Rectangle)
        return true;
    // Pixel centres inside the ellipse inscribed in the box, in units of half
    // a pixel: ((2x + 1 - w) / w)^2 + ((2y + 1 - h) / h)^2 <= 1.
    const double dx = static_cast<double>(2 * x + 1 - width_) / static_cast<double>(width_);
    const double dy = static_cast<double>(2 * y + 1 - height_) / static_cast<double>(height_);
    return dx * dx + dy * dy <= 1.0;
}

bool ShapeMask::outline(int64_t x, int64_t y) const
{
    return filled(x, y)
        && (!filled(x - 1, y) || !filled(x + 1, y) || !filled(x, y - 1) || !filled(x, y + 1));
}
