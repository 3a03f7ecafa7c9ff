#pragma once
// Pixmend's clean-up filters for scanned 1-bit pages: specks and streaks,
// deskew, and 3 by 3 morphology. (Ruled lines, shading and black borders
// are in pixmend/LineCleanup.h.)
//
// Pages follow the image handle's 1-bit convention: bit 1 is white, bit 0
// black, whatever the palette says. Every filter refuses a null page and a
// page that is not 1-bit (result -1, or null), and never reads such a page
// as if it were one. The filters work on the given page in place, except
// ImageDeskew, which returns a new one. A filter that cannot make its
// scratch copy returns -1 with the page unchanged.
//
// Neighbours: the eight pixels around a pixel; "the border" is the first
// and last row and column of the page. Morphology filters decide every
// pixel from the page as it was before the filter ran.

#include <cstdint>

#include "pictra/ImageHandle.h"
#include "pixmend/Export.h"

// Whitens every maximal horizontal run of black pixels of at most maxLength
// pixels in every row, runs at the page's edges included. 1, or -1 (also
// for maxLength < 1).
PIXMEND_API int32_t Streak(ImageHandle& page, int32_t maxLength);

// Whitens every 8-connected black component whose width span (right minus
// left column) is less than maxWidth and whose height span (lower minus
// upper row) is less than maxHeight: maxWidth = maxHeight = 1 removes
// single pixels only, (2, 2) everything that fits in 2 by 2 pixels. Two
// pixels touching at a corner are one component. 1 or -1.
PIXMEND_API int32_t Despeckle(ImageHandle& page, int32_t maxWidth, int32_t maxHeight);

// Estimates the page's skew from the black pixels along lines slanted by
// -30 to +30 degrees (in whole degrees, then in tenths around the best),
// stores in *angle the turn in degrees that straightens it (a page turned
// clockwise by 3 degrees gives -3.0), and returns a new page: the given one
// turned by that angle on white (PivotaneRotate) when it exceeds 0.1
// degrees either way, else a copy. The given page is unchanged. Null (and
// *angle 0) for a null or not 1-bit page or no memory. `angle` may be null.
PIXMEND_API ImageHandle ImageDeskew(const ImageHandle& page, double* angle);

// ---- morphology: each 1, or -1 ----

// Pixels off the border: a black one with at most one black pixel among
// its four direct neighbours (above, below, left, right) turns white, a
// white one with at least three turns black.
PIXMEND_API int32_t CharacterSmoothing(ImageHandle& page);
// Pixels off the border stay black only where all eight neighbours are
// black; then the border is made white.
PIXMEND_API int32_t Thinning(ImageHandle& page);
// Every white pixel with a black neighbour turns black; beyond the page's
// edges counts as white.
PIXMEND_API int32_t Thicken(ImageHandle& page);
// Pixels off the border: a black one whose eight neighbours are all black
// turns white, leaving the outlines of shapes.
PIXMEND_API int32_t Outline(ImageHandle& page);
// Every white pixel whose right neighbour, lower neighbour or lower-right
// neighbour is black turns black, so strokes grow a pixel left and up;
// beyond the page's edges counts as white.
PIXMEND_API int32_t LightThicken(ImageHandle& page);
// Pixels off the border: a white pixel turns black between two black ones
// (above and below, or left and right), with 7 or 8 black neighbours, or
// with 3 to 6 of which a set that closes a corner or a diagonal break is
// all black. 1; 0 for a null page, -1 for one that is not 1-bit.
PIXMEND_API int32_t FillLineBreaks(ImageHandle& page);
// Pixels off the border: a white pixel with at least three black
// neighbours turns black where it closes a break in a stroke, judged by
// its left neighbour and the pixels above, below and to the right.
PIXMEND_API int32_t FillLineBreaks_PreserveLines(ImageHandle& page);
// Pixels off the border: a black pixel turns white according to the set
// of its white neighbours (a table: two white neighbours facing each
// other, most sets of three to five, and every set of six or more).
PIXMEND_API int32_t SmoothClean(ImageHandle& page);
// As SmoothClean with a table that never whitens a pixel lying on a line:
// one whose neighbours above and below, or left and right, are black.
PIXMEND_API int32_t SmoothClean_PreserveLines(ImageHandle& page);
