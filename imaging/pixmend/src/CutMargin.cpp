// WynCutMargin: black scan borders whitened from the left and right edges, and the crop.
// Four sweeps follow the border's inner edge from row to row; the crop keeps the box of
// what is left.

#include <algorithm>
#include <optional>

#include "BitRows.h"
#include "Scratch.h"
#include "pixmend/LineCleanup.h"

using namespace pixmend;

namespace {

// One sweep from one edge over one half of the page. The limit is the
// column the sweep may reach: it starts at the far edge and is carried from
// row to row, set where the border was seen to end and moved inward where
// the border grows.
class BorderSweep {
public:
    BorderSweep(const BitRows& page, const BitRows& reference, bool fromLeft, bool upperHalf, int32_t gap)
        : page_(page), reference_(reference), inward_(fromLeft ? 1 : -1), edge_(fromLeft ? 0 : page.width - 1),
          limit_(fromLeft ? page.width - 1 : 0), upperHalf_(upperHalf), gap_(gap)
    {
    }

    // Rows are swept in the order given; `previous` is the row swept
    // before (-1 or the page's height when there is none).
    void sweepRow(int32_t y, int32_t previous);

private:
    bool beyondLimit(int32_t x) const { return inward_ > 0 ? x > limit_ : x < limit_; }
    void moveLimitInward() { limit_ = std::clamp(limit_ + inward_, 0, page_.width - 1); }
    bool limitNearEdge() const { return inward_ > 0 ? limit_ < gap_ : page_.width - limit_ < gap_; }

    BitRows page_, reference_;
    int32_t inward_, edge_, limit_;
    bool upperHalf_;
    int32_t gap_;
};

void BorderSweep::sweepRow(int32_t y, int32_t previous)
{
    bool whitened = false;
    for (int32_t cursor = edge_; !beyondLimit(cursor);) {
        if (page_.black(cursor, y)) {
            page_.setWhite(cursor, y);
            whitened = true;
            if (cursor == limit_) {
                moveLimitInward();
                return;
            }
            cursor += inward_;
            continue;
        }
        // The white run from the cursor inward, at most gap + 1 pixels.
        int32_t whites = 0;
        int32_t next = cursor;
        while (whites <= gap_ && page_.inside(next, y) && !page_.black(next, y)) {
            ++whites;
            next += inward_;
        }
        const int32_t runEnd = next - inward_; // its last white pixel
        const bool endedByBlack = whites <= gap_ && page_.inside(next, y);
        if (upperHalf_ && limitNearEdge() && !whitened) {
            if (runEnd == limit_) {
                moveLimitInward();
                return;
            }
            cursor += inward_;
            continue;
        }
        if (beyondLimit(runEnd) && whitened) {
            limit_ = cursor;
            return;
        }
        if (!endedByBlack) {
            // A wide white gap, or white to the page's edge: the border ends here.
            if (whitened)
                limit_ = cursor;
            return;
        }
        if (runEnd == limit_) {
            // The border's inner edge goes on at a corner: the limit moves
            // inward when the reference page is black next to it.
            const int32_t towardEdge = limit_ - inward_;
            if (reference_.black(limit_, previous) || reference_.black(towardEdge, previous) ||
                reference_.black(towardEdge, y))
                moveLimitInward();
            return;
        }
        cursor = next; // the black pixel after a narrow gap
    }
}

struct ContentBox {
    int32_t left, top, right, bottom; // inclusive
};

// The first and last rows and columns that hold a black pixel; nothing for
// a page without one.
std::optional<ContentBox> contentBox(const BitRows& page)
{
    std::optional<ContentBox> box;
    for (int32_t y = 0; y < page.height; ++y) {
        const int32_t first = page.nextBlack(y, 0, page.width);
        if (first == page.width)
            continue;
        int32_t last = page.width - 1;
        while (!page.black(last, y))
            --last;
        if (!box)
            box = ContentBox{first, y, last, y};
        box->left = std::min(box->left, first);
        box->right = std::max(box->right, last);
        box->bottom = y;
    }
    return box;
}

// A new 1-bit page of the box's pixels, with the page's resolution.
ImageHandle cropTo(const ImageHandle& page, const ContentBox& box)
{
    ImageHandle result = CreateDib(box.right - box.left + 1, box.bottom - box.top + 1, 2);
    if (result.isNull())
        return result;
    BitmapInfoHeader hdr = result.header();
    hdr.xPelsPerMeter = page.header().xPelsPerMeter;
    hdr.yPelsPerMeter = page.header().yPelsPerMeter;
    result.setHeader(hdr);
    const BitRows from = BitRows::reading(page);
    const BitRows to = BitRows::of(result);
    for (int32_t y = 0; y < to.height; ++y) {
        for (int32_t x = 0; x < to.width; ++x) {
            if (!from.black(box.left + x, box.top + y))
                to.setWhite(x, y);
        }
    }
    return result;
}

} // namespace

ImageHandle WynCutMargin(ImageHandle& page, int32_t crop, int32_t gap)
{
    if (!isBilevelPage(page))
        return {};
    const ImageHandle reference = CopyDib(page);
    if (reference.isNull())
        return {};
    const BitRows rows = BitRows::of(page);
    const BitRows asGiven = BitRows::reading(reference);
    gap = std::max(gap, 0);
    // The lower half from the bottom row up, the upper half from the top
    // row down, both to the middle row (height / 2 rows above the bottom).
    const int32_t middle = rows.height - 1 - rows.height / 2;
    for (const bool fromLeft : {true, false}) {
        BorderSweep sweep(rows, asGiven, fromLeft, false, gap);
        for (int32_t y = rows.height - 1; y >= middle; --y)
            sweep.sweepRow(y, y + 1);
    }
    for (const bool fromLeft : {true, false}) {
        BorderSweep sweep(rows, asGiven, fromLeft, true, gap);
        for (int32_t y = 0; y <= middle; ++y)
            sweep.sweepRow(y, y - 1);
    }
    if ((crop & 0xFF) == 0)
        return CopyDib(page);
    const std::optional<ContentBox> box = contentBox(rows);
    return box ? cropTo(page, *box) : ImageHandle();
}
