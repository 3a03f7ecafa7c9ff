#pragma once
// One pass of line removal over horizontal lines. The column pass runs the
// same code on its pictures turned over the diagonal, so that its vertical
// lines are horizontal here.

#include "BitRows.h"
#include "pixmend/LineCleanup.h"

namespace pixmend {

// When a white gap of w pixels after n black ones (the pixel after the gap
// counted) is bridged.
enum class BridgeRule {
    TwiceTheGapBelowRun, // 2w < n - 1: the row pass
    GapBelowRun,         // w < n - 1: the column pass
};

struct LinePassPictures {
    BitRows page;      // lines are whitened here
    BitRows trace;     // a copy of the page as given: bridged, traced, marked
    BitRows reference; // with keepCrossings: the page as the pass began,
                       // where strokes crossing a line are looked for
};

// Traces the pass's lines on `trace`, judges each chain of runs and
// whitens the lines in `page` (segmentLength >= 1).
void RemoveHorizontalLines(const LinePassPictures& pictures, const LinePass& pass, BridgeRule bridge);

} // namespace pixmend
