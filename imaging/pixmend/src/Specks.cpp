// Speck and streak removal: short black row runs, and black components with a small box.

#include <new>

#include "BitRows.h"
#include "Components.h"
#include "pixmend/PageFilters.h"

using namespace pixmend;

int32_t Streak(ImageHandle& page, int32_t maxLength)
{
    if (!isBilevelPage(page) || maxLength < 1)
        return -1;
    const BitRows rows = BitRows::of(page);
    for (int32_t y = 0; y < rows.height; ++y) {
        for (int32_t x = rows.nextBlack(y, 0, rows.width); x < rows.width;) {
            const int32_t end = rows.nextWhite(y, x, rows.width);
            if (end - x <= maxLength)
                rows.whiten(y, x, end - 1);
            x = rows.nextBlack(y, end, rows.width);
        }
    }
    return 1;
}

int32_t Despeckle(ImageHandle& page, int32_t maxWidth, int32_t maxHeight)
{
    if (!isBilevelPage(page))
        return -1;
    const BitRows rows = BitRows::of(page);
    try {
        // Every component is known before any is judged.
        const Components found = LabelComponents(rows, ScanOrder::BottomUp, true);
        for (std::size_t i = 0; i < found.runs.size(); ++i) {
            const ComponentBox& box = found.boxes[found.runComponent[i]];
            if (box.widthSpan() < maxWidth && box.heightSpan() < maxHeight) {
                const BlackRun& run = found.runs[i];
                rows.whiten(run.row, run.first, run.last);
            }
        }
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return 1;
}
