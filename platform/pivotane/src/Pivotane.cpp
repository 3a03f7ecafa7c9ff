// Turning a 1-bit page by any angle on white: Pictra's rotation, which takes the nearest source pixel of a 1-bit page.

#include "pivotane/Pivotane.h"

#include "pictra/Pictra.h"

ImageHandle PivotaneRotate(const ImageHandle& page, double degrees)
{
    if (!page.isValidDib() || page.bitCount() != 1)
        return {};
    // Pictra reads background 1 as all bits set, which is white in a
    // 1-bit page whose palette is black, white.
    return PtxImgRotate(page, static_cast<float>(degrees), 1);
}
