// LineRemoval: the column pass on the page turned over its diagonal, then the row pass.
// Each traces on a copy of the page as given; every scratch picture is made before
// either pass changes anything.

#include <optional>

#include "LineTrace.h"
#include "Scratch.h"
#include "pixmend/LineCleanup.h"
#include "pixmend/PixmendMessage.h"

using namespace pixmend;

namespace {

constexpr const char* kNoScratch = "Not enough money!";

struct PassScratch {
    std::optional<BitGrid> page;      // the column pass only: the page turned
    std::optional<BitGrid> trace;
    std::optional<BitGrid> reference; // with keepCrossings only

    // The pictures of a pass over a picture of this size; false when one
    // of them cannot be made.
    bool make(int32_t width, int32_t height, bool turned, bool crossings)
    {
        trace = BitGrid::white(width, height);
        if (turned)
            page = BitGrid::white(width, height);
        if (crossings)
            reference = BitGrid::white(width, height);
        return trace && (!turned || page) && (!crossings || reference);
    }

    BitRows referenceRows() { return reference ? reference->rows() : BitRows{}; }
};

} // namespace

int32_t LineRemoval(ImageHandle& page, const LinePass& rows, int32_t rowPass, const LinePass& columns,
                    int32_t columnPass)
{
    if (page.isNull())
        return 1; // nothing to clean
    if (!isBilevelPage(page))
        return -1;
    if ((rowPass != 0 && rows.segmentLength < 1) || (columnPass != 0 && columns.segmentLength < 1))
        return -1;
    const BitRows pageRows = BitRows::of(page);
    PassScratch column, row;
    const bool made =
        (columnPass == 0 || column.make(pageRows.height, pageRows.width, true, columns.keepCrossings != 0)) &&
        (rowPass == 0 || row.make(pageRows.width, pageRows.height, false, rows.keepCrossings != 0));
    if (!made) {
        PixmendShowMessage(kNoScratch);
        return -1;
    }
    // Both passes trace on the page as given.
    if (rowPass != 0)
        copyPixels(pageRows, row.trace->rows());
    if (columnPass != 0) {
        transposePixels(pageRows, column.trace->rows());
        copyPixels(column.trace->rows(), column.page->rows());
        if (column.reference)
            copyPixels(column.trace->rows(), column.reference->rows());
        RemoveHorizontalLines({column.page->rows(), column.trace->rows(), column.referenceRows()}, columns,
                              BridgeRule::GapBelowRun);
        transposePixels(column.page->rows(), pageRows);
    }
    if (rowPass != 0) {
        // The row pass looks for crossings on the page the column pass left.
        if (row.reference)
            copyPixels(pageRows, row.reference->rows());
        RemoveHorizontalLines({pageRows, row.trace->rows(), row.referenceRows()}, rows,
                              BridgeRule::TwiceTheGapBelowRun);
    }
    return 1;
}
