#pragma once
// The 8-connected components of the black pixels of a 1-bit picture, found
// run by run, one row at a time, from the top row down or from the bottom
// row up. Labels are 32-bit indices, so a noisy page of millions of specks
// is labelled whole.

#include <cstdint>
#include <vector>

#include "BitRows.h"

namespace pixmend {

enum class ScanOrder { TopDown, BottomUp };

// A bounding box in display coordinates, edges inclusive.
struct ComponentBox {
    int32_t left, upper, right, lower;
    int32_t widthSpan() const { return right - left; }   // one less than the width in pixels
    int32_t heightSpan() const { return lower - upper; } // one less than the height in pixels
};

// A maximal row of black pixels: its display row and first and last column.
struct BlackRun {
    int32_t row, first, last;
};

struct Components {
    // One box per component, in the order in which the scan met the
    // components: a component that two others joined keeps the place of the
    // one met first.
    std::vector<ComponentBox> boxes;
    // With runs: every black run, in scan order, and the index in `boxes`
    // of the component it belongs to.
    std::vector<BlackRun> runs;
    std::vector<uint32_t> runComponent;
};

// Throws std::bad_alloc when memory runs out.
Components LabelComponents(const BitRows& picture, ScanOrder order, bool withRuns);

} // namespace pixmend
