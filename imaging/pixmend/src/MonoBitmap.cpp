#include "MonoBitmap.h"

MonoBitmap::MonoBitmap(int32_t width, int32_t height)
{
    if (width < 1 || height < 1)
        return;
    width_ = width;
    height_ = height;
    stride_ = (static_cast<std::size_t>(width) + 7) / 8;
    bits_.assign(stride_ * static_cast<std::size_t>(height), 0);
}

MonoBitmap MonoBitmap::rotatedClockwise() const
{
    MonoBitmap turned(height_, width_);
    for (int32_t y = 0; y < height_; ++y)
        for (int32_t x = 0; x < width_; ++x)
            if (get(x, y))
                turned.set(height_ - 1 - y, x);
    return turned;
}
