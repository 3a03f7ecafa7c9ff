#pragma once
// Pivotane: the rotation the deskew filter calls.

#include "pictra/ImageHandle.h"

// A new 1-bit page: `page` (1 bit) turned by `degrees`, clockwise as the
// page is displayed for a positive angle, on a white background, with the
// page's resolution (exchanged by a quarter turn). The page grows to hold every turned pixel; a turn by
// less than a hundredth of a degree is a plain copy. Null for a null page,
// a page that is not 1-bit, an angle that is not a number, or no memory.
ImageHandle PivotaneRotate(const ImageHandle& page, double degrees);
