// Turning a page upside down (flip) or left to right (mirror).

#include <cstring>

#include "PixelAccess.h"
#include "pictra/Pictra.h"

using namespace pictra;

ImageHandle PtxImgFlip(const ImageHandle& handle)
{
    ImageHandle result = copyToChange(handle);
    if (result.isNull())
        return result;
    // Whole rows move: row r takes row height - 1 - r, padding and all.
    const PageView in(handle);
    const PageView out(result);
    for (int32_t r = 0; r < in.height; ++r)
        std::memcpy(out.row(r), in.constRow(in.height - 1 - r), in.stride);
    return result;
}

ImageHandle PtxImgMirror(const ImageHandle& handle)
{
    ImageHandle result = copyToChange(handle);
    if (result.isNull())
        return result;
    const PageView in(handle);
    const PageView out(result);
    const int32_t last = in.width - 1;
    for (int32_t r = 0; r < in.height; ++r) {
        if (in.bits == 24) {
            const uint8_t* from = in.constRow(r);
            uint8_t* to = out.row(r);
            for (int32_t x = 0; x <= last; ++x)
                std::memcpy(to + 3 * static_cast<std::size_t>(x), from + 3 * static_cast<std::size_t>(last - x), 3);
        } else {
            for (int32_t x = 0; x <= last; ++x)
                out.setIndex(x, r, in.index(last - x, r));
        }
    }
    return result;
}
