// One pass of horizontal line removal: bridge, trace in segments, judge, whiten.
// Lines are traced row by row in segments of L pixels as chains of runs, each chain is
// judged by its thickness and width, and a line is whitened whole or around the strokes
// that cross it.

#include "LineTrace.h"

#include <algorithm>
#include <vector>

namespace pixmend {

namespace {

// A run of a chain: its row and its first and last column.
struct ChainRun {
    int32_t row, first, last;
};

class LineTracer {
public:
    LineTracer(const LinePassPictures& pictures, const LinePass& pass)
        : page_(pictures.page), trace_(pictures.trace), reference_(pictures.reference), pass_(pass),
          length_(pass.segmentLength), shortest_(std::min<int64_t>(pass.segmentLength, 24))
    {
    }

    void bridgeGaps(BridgeRule rule) const;
    void traceAll();

private:
    int32_t nextRowStart(int32_t row, int32_t first) const;
    bool follow(std::vector<ChainRun>& chain) const;
    void judge(const std::vector<ChainRun>& chain) const;
    void removeAround(int32_t top, int32_t bottom, int32_t from, int32_t to) const;
    void removeCareful(int32_t top, int32_t bottom, int32_t left, int32_t right) const;

    BitRows page_, trace_, reference_;
    LinePass pass_;
    int64_t length_;   // L
    int64_t shortest_; // a run this long continues a chain: L, or 24 when L is longer
};

void LineTracer::bridgeGaps(BridgeRule rule) const
{
    const int64_t gap = pass_.gap;
    for (int32_t y = 0; y < trace_.height; ++y) {
        // black counts the black pixels since the row's first one (or since
        // the last bridge), the bridged gap's following pixel included.
        int64_t black = 0;
        int32_t previousEnd = -1;
        for (int32_t x = trace_.nextBlack(y, 0, trace_.width); x < trace_.width;) {
            const int32_t end = trace_.nextWhite(y, x, trace_.width);
            ++black;
            if (previousEnd >= 0) {
                const int64_t white = x - previousEnd - 1;
                const bool longEnough =
                    rule == BridgeRule::TwiceTheGapBelowRun ? 2 * white < black - 1 : white < black - 1;
                if (white <= gap && longEnough) {
                    trace_.blacken(y, previousEnd + 1, x - 1);
                    black = 1;
                }
            }
            black += end - 1 - x;
            previousEnd = end - 1;
            x = trace_.nextBlack(y, end, trace_.width);
        }
    }
}

// Where the row below a recorded run is scanned from: the pixel under the
// run's first column when it is white, else the first white pixel found
// looking left from it (at most L pixels), else that first column.
int32_t LineTracer::nextRowStart(int32_t row, int32_t first) const
{
    if (!trace_.black(first, row))
        return first;
    for (int64_t i = 1; i <= length_; ++i) {
        const int64_t x = first - i;
        if (x < 0)
            break;
        if (!trace_.black(x, row))
            return static_cast<int32_t>(x);
    }
    return first;
}

// Adds the chain's runs row by row downward until the chain ends (false)
// or would go on below the last row (true).
bool LineTracer::follow(std::vector<ChainRun>& chain) const
{
    for (;;) {
        const ChainRun last = chain.back();
        const int32_t row = last.row + 1;
        if (row >= trace_.height)
            return true;
        // A run must open by the last run's last column.
        const int32_t open = trace_.nextBlack(row, nextRowStart(row, last.first), last.last + 1);
        if (open > last.last)
            return false;
        const int32_t end = trace_.nextWhite(row, open, trace_.width) - 1;
        if (int64_t{end} - last.last >= length_)
            chain.push_back({row, open, last.last}); // the segment goes on: cut at its end
        else if (int64_t{end} - open + 1 >= shortest_)
            chain.push_back({row, open, end});
        else
            return false;
    }
}

void LineTracer::traceAll()
{
    std::vector<ChainRun> chain;
    for (int32_t y = 0, x = 0; y < trace_.height;) {
        const int32_t open = trace_.nextBlack(y, x, trace_.width);
        if (open == trace_.width) {
            ++y;
            x = 0;
            continue;
        }
        const int32_t end = trace_.nextWhite(y, open, trace_.width) - 1;
        const int64_t runLength = int64_t{end} - open + 1;
        if (runLength < 2 * length_ && runLength < shortest_) {
            x = end + 1; // too short to start a line
            continue;
        }
        // A run of 2 x L starts a segment of L; a shorter one counts whole.
        const auto last = runLength >= 2 * length_ ? static_cast<int32_t>(open + length_ - 1) : end;
        chain.assign(1, {y, open, last});
        // A chain that would go on below the last row is left unjudged,
        // and the scan goes on after it all the same.
        if (!follow(chain))
            judge(chain);
        x = last + 1;
    }
}

void LineTracer::judge(const std::vector<ChainRun>& chain) const
{
    const auto rows = static_cast<int64_t>(chain.size());
    int32_t left = chain.front().first;
    int32_t right = chain.front().last;
    for (const ChainRun& run : chain) {
        left = std::min(left, run.first);
        right = std::max(right, run.last);
    }
    left = std::max(left, 0);
    right = std::min(right, trace_.width - 1);
    const int64_t width = int64_t{right} - left + 1;
    const int32_t top = chain.front().row;
    const int32_t bottom = chain.back().row;
    if (rows - 1 > int64_t{pass_.thickness} + 2) {
        // A solid area: blanked in the trace so that its lower rows do not
        // start chains of their own.
        for (int32_t y = top; y <= bottom; ++y)
            trace_.whiten(y, left, right);
        return;
    }
    const bool line = width >= length_ || (width >= 0.618 * static_cast<double>(length_) && width >= 200 && rows >= 6);
    if (!line)
        return;
    if (pass_.keepCrossings != 0)
        removeCareful(top, bottom, left, right);
    else
        removeAround(top, bottom, left, right);
}

// Whitens columns from..to of the line's rows and the margin around them.
void LineTracer::removeAround(int32_t top, int32_t bottom, int32_t from, int32_t to) const
{
    const auto first = static_cast<int32_t>(std::max<int64_t>(0, int64_t{top} - pass_.margin));
    const auto last = static_cast<int32_t>(std::min<int64_t>(page_.height - 1, int64_t{bottom} + pass_.margin));
    for (int32_t y = first; y <= last; ++y)
        page_.whiten(y, from, to);
}

// Whitens the line column by column, keeping the groups of columns of at
// most D where a stroke meets the line from above or below.
void LineTracer::removeCareful(int32_t top, int32_t bottom, int32_t left, int32_t right) const
{
    const int64_t reach = pass_.reach;
    // A side is clear when one of the R pixels beyond the line there is
    // white or off the page.
    auto clear = [&](int32_t x, int64_t from, int64_t step) {
        for (int64_t i = 1; i <= reach; ++i) {
            if (!reference_.black(x, from + step * i))
                return true;
        }
        return false;
    };
    auto remove = [&](int32_t from, int32_t to) {
        removeAround(top, bottom, from, to);
        for (int32_t y = top; y <= bottom; ++y)
            reference_.whiten(y, from, to);
    };
    auto judgeCrossing = [&](int32_t from, int32_t to) {
        if (int64_t{to} - from + 1 > pass_.crossingWidth)
            remove(from, to);
    };
    int32_t crossingFrom = -1;
    for (int32_t x = left; x <= right; ++x) {
        if (clear(x, top, -1) && clear(x, bottom, 1)) {
            remove(x, x);
            if (crossingFrom >= 0)
                judgeCrossing(crossingFrom, x - 1);
            crossingFrom = -1;
        } else if (crossingFrom < 0) {
            crossingFrom = x;
        }
    }
    if (crossingFrom >= 0)
        judgeCrossing(crossingFrom, right);
}

} // namespace

void RemoveHorizontalLines(const LinePassPictures& pictures, const LinePass& pass, BridgeRule bridge)
{
    LineTracer tracer(pictures, pass);
    if (pass.gap >= 1)
        tracer.bridgeGaps(bridge);
    tracer.traceAll();
}

} // namespace pixmend
