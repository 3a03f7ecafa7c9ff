// Resolutions between a handle's pixels per metre and dots per inch.

#include <algorithm>

#include "pictra/Pictra.h"

int32_t PtxPpmToDpi(int32_t ppm) { return static_cast<int32_t>(ppm * 0.0254 + 0.5); }

// Resolutions that do not fit the header's field are held at its limits.
int32_t PtxDpiToPpm(int32_t dpi)
{
    return static_cast<int32_t>(std::clamp<double>(dpi * 39.37007874015748 + 0.5, INT32_MIN, INT32_MAX));
}
