#pragma once
// Pixmend's filters for structures larger than a speck on scanned 1-bit
// pages: ruled lines, areas of shading dots, and the black borders that
// scanning leaves at the page's edges.
//
// As in pixmend/PageFilters.h: bit 1 is white and bit 0 black, rows are
// named as displayed (row 0 at the top), a null page or one that is not
// 1-bit is refused (-1, or null; LineRemoval leaves a null page alone and
// gives 1), and the page is changed in place.

#include <cstdint>

#include "pictra/ImageHandle.h"
#include "pixmend/Export.h"

// The parameters of one pass of LineRemoval. Named for the row pass
// (horizontal lines); the column pass reads them with rows and columns
// exchanged.
struct LinePass {
    // L: lines are traced and judged in segments of this many pixels; a run
    // of 2 x L pixels starts a line, and a run of at least L (or 24) pixels
    // continues one. Must be at least 1.
    int32_t segmentLength = 0;
    // T: a traced segment more than T + 3 rows thick is a solid area, not
    // a line, and is left alone.
    int32_t thickness = 0;
    // G: white gaps of 1 to G pixels inside a line are bridged before
    // tracing (0: none); a gap is bridged once more black than twice the gap
    // came before it (the column pass: more than the gap).
    int32_t gap = 0;
    // M: rows added above and below a removed line.
    int32_t margin = 0;
    // R: pixels looked at above and below the line to tell a crossing stroke.
    int32_t reach = 0;
    // D: a crossing stroke of at most D columns is kept.
    int32_t crossingWidth = 0;
    // K: nonzero keeps the strokes that cross a removed line (with R and D).
    int32_t keepCrossings = 0;
};

// Removes ruled lines: vertical ones first when columnPass is nonzero,
// then horizontal ones when rowPass is nonzero. Both passes trace on
// copies of the page as given and whiten the lines they judge in the page
// itself. A chain that runs off the page's last row (last column) is
// neither judged nor removed; tracing goes on after it. 1, also for a null
// page, which is left as it is; -1 for a page that is not 1-bit, a segment
// length below 1 in a pass that runs, or when a pass's scratch copies
// cannot be made, which shows "Not enough money!" (PixmendShowMessage) and
// leaves the page unchanged.
PIXMEND_API int32_t LineRemoval(ImageHandle& page, const LinePass& rows, int32_t rowPass, const LinePass& columns,
                                int32_t columnPass);

// Removes areas of shading dots: components smaller than dotWidth by
// dotHeight spans, gathered into clusters; every cluster of at least
// minWidth by minHeight spans is whitened (components inside it whole,
// short runs around them, runs of at most slackRows + min(dotWidth, 3)
// pixels across and slackColumns + min(dotHeight, 3) down), while
// components of at least dotWidth + slackColumns by dotHeight + slackRows
// spans are never touched. Spans are one less than sizes in pixels.
// 1 or -1.
PIXMEND_API int32_t DeShade(ImageHandle& page, int32_t minWidth, int32_t minHeight, int32_t dotWidth,
                            int32_t dotHeight, int32_t slackRows, int32_t slackColumns);

// Whitens the black borders at the page's left and right edges: from each
// edge, black pixels up to the first white gap of more than `gap` pixels,
// following the border's inner edge from row to row (the lower half of the
// page from the bottom row up, the upper half from the top row down). The
// given page keeps the whitening. Returns a new page: with crop (its low
// byte) nonzero, the smallest rectangle holding every black pixel of the
// cleaned page (null when none is left), with the page's resolution;
// otherwise a copy of the cleaned page. Null for a refused page or no
// memory.
PIXMEND_API ImageHandle WynCutMargin(ImageHandle& page, int32_t crop, int32_t gap);
