// Deskew: the slant along which black pixels vary most, and the page turned back by it.
// Slants are tried in whole degrees, then in tenths around the best.

#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "BitRows.h"
#include "Scratch.h"
#include "pivotane/Pivotane.h"
#include "pixmend/PageFilters.h"

using namespace pixmend;

namespace {

constexpr int32_t kLineSpacing = 4; // rows between two slanted lines
constexpr int32_t kPixelStep = 4;   // columns between two tested pixels of a line
constexpr double kRadiansPerTenth = 0.001745329251994278;

// The black pixels of the page's inner area (without a margin of width / 50
// columns and height / 50 rows) that the slanted lines can meet: every 4th
// column, every row.
//
// The lines lie 4 rows apart, so along one tested column a line meets the
// rows of one remainder modulo 4, one row in four: for each tested column
// and remainder the black pixels of those rows are kept as a run of 0s and
// 1s. A slope then only shifts each column's run against the lines, and a
// score adds whole runs into the lines' counts.
class ColumnSamples {
public:
    explicit ColumnSamples(const BitRows& page)
        : top(page.height / 50), bottom(page.height - page.height / 50),
          quarterRows_((page.height + kLineSpacing - 1) / kLineSpacing)
    {
        for (int32_t x = page.width / 50; x < page.width - page.width / 50; x += kPixelStep)
            columns.push_back(x);
        // Rows outside the area are never read, so never written.
        runs_ = std::make_unique_for_overwrite<uint8_t[]>(columns.size() * kLineSpacing *
                                                          static_cast<std::size_t>(quarterRows_));
        // Row by row, each tested pixel's byte and bit found once.
        const std::size_t count = columns.size();
        std::vector<std::size_t> bytes(count);
        std::vector<uint8_t> shifts(count);
        for (std::size_t k = 0; k < count; ++k) {
            bytes[k] = static_cast<std::size_t>(columns[k] >> 3);
            shifts[k] = static_cast<uint8_t>(7 - (columns[k] & 7));
        }
        const std::size_t columnStep = kLineSpacing * static_cast<std::size_t>(quarterRows_);
        for (int32_t y = top; y < bottom; ++y) {
            const uint8_t* row = page.row(y);
            uint8_t* out = runs_.get() + static_cast<std::size_t>(y % kLineSpacing) * quarterRows_ + y / kLineSpacing;
            for (std::size_t k = 0; k < count; ++k, out += columnStep)
                *out = static_cast<uint8_t>(((row[bytes[k]] >> shifts[k]) & 1) ^ 1);
        }
    }

    // The run of column k for the rows from y (top <= y < bottom) on, four
    // rows apart: 1 for black.
    const uint8_t* run(std::size_t k, int32_t y) const
    {
        return runs_.get() + (k * kLineSpacing + static_cast<std::size_t>(y % kLineSpacing)) * quarterRows_ +
               static_cast<std::size_t>(y / kLineSpacing);
    }

    const int32_t top, bottom;
    std::vector<int32_t> columns;

private:
    int32_t quarterRows_; // rows of one remainder modulo 4, rounded up
    std::unique_ptr<uint8_t[]> runs_; // [column][remainder][row / 4]
};

// Scores of slopes, the lines' counts kept as `Count`, which must hold the
// number of tested columns.
template <typename Count>
class SlantedLines {
public:
    SlantedLines(const ColumnSamples& samples, double centre) : samples_(samples), centre_(centre) {}

    // The score of each slope of `tenths`, in order: the variance of the
    // black counts of the lines slanted by that many tenths of a degree
    // (positive: falling to the right as displayed), divided by the counts'
    // sum; 0 for an area without black pixels. The columns are taken a
    // block at a time for every slope, so that a block's runs are read from
    // the cache.
    std::vector<double> scores(const std::vector<int32_t>& tenths)
    {
        std::vector<Lines> slopes;
        slopes.reserve(tenths.size());
        for (const int32_t t : tenths)
            slopes.push_back(linesOf(t));
        const std::size_t columns = samples_.columns.size();
        for (std::size_t from = 0; from < columns; from += kColumnsPerBlock) {
            const std::size_t to = std::min(columns, from + kColumnsPerBlock);
            for (Lines& lines : slopes)
                addColumns(lines, from, to);
        }
        std::vector<double> result;
        result.reserve(slopes.size());
        for (const Lines& lines : slopes)
            result.push_back(score(lines.counts));
        return result;
    }

private:
    static constexpr std::size_t kColumnsPerBlock = 64;

    // The lines of one slope: line i passes the centre at row first + 4i,
    // and meets tested column k in row first + offsets[k] + 4i.
    struct Lines {
        std::vector<int32_t> offsets;
        int32_t first = 0;
        std::vector<Count> counts;
    };

    Lines linesOf(int32_t tenths) const
    {
        const std::vector<int32_t>& columns = samples_.columns;
        const double slope = std::tan(tenths * kRadiansPerTenth);
        Lines lines;
        // Each tested column's offset from the line's height at the centre.
        lines.offsets.resize(columns.size());
        int32_t low = 0, high = 0;
        for (std::size_t k = 0; k < columns.size(); ++k) {
            lines.offsets[k] = static_cast<int32_t>(std::lround((columns[k] - centre_) * slope));
            low = std::min(low, lines.offsets[k]);
            high = std::max(high, lines.offsets[k]);
        }
        // Every line that crosses the area.
        lines.first = samples_.top - high;
        const int32_t count = (samples_.bottom - 1 - low - lines.first) / kLineSpacing + 1;
        lines.counts.assign(static_cast<std::size_t>(std::max(count, 1)), 0);
        return lines;
    }

    // Adds the black pixels of tested columns from..to - 1 to the lines.
    void addColumns(Lines& lines, std::size_t from, std::size_t to) const
    {
        const int32_t top = samples_.top;
        const int32_t bottom = samples_.bottom;
        for (std::size_t k = from; k < to; ++k) {
            // The first line inside the area, and the rows from there to
            // its bottom.
            const int32_t base = lines.first + lines.offsets[k];
            const int32_t fromLine = std::max(0, (top - base + kLineSpacing - 1) / kLineSpacing);
            const int32_t y = base + fromLine * kLineSpacing;
            if (y < bottom)
                addRun(samples_.run(k, y), lines.counts.data() + fromLine,
                       static_cast<std::size_t>((bottom - 1 - y) / kLineSpacing + 1));
        }
    }

    // counts[i] += run[i] for n entries: vector additions (CMakeLists.txt
    // lets the compiler make them here).
    static void addRun(const uint8_t* run, Count* counts, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i)
            counts[i] = static_cast<Count>(counts[i] + run[i]);
    }

    static double score(const std::vector<Count>& counts)
    {
        double sum = 0, squares = 0;
        for (const Count c : counts) {
            sum += c;
            squares += double{1} * c * c;
        }
        if (sum == 0)
            return 0;
        const double n = static_cast<double>(counts.size());
        const double mean = sum / n;
        return (squares / n - mean * mean) / sum;
    }

    const ColumnSamples& samples_;
    double centre_;
};

// The slant in tenths of a degree along which the page's lines lie: -300
// to +300 in steps of 10, then the best -10 to +10 in steps of 1; a slant
// replaces the best only with a strictly greater score, starting from 0
// with score 0.
template <typename Count>
int32_t bestSlant(const ColumnSamples& samples, double centre)
{
    SlantedLines<Count> lines(samples, centre);
    int32_t best = 0;
    double bestScore = 0;
    auto tryAll = [&](const std::vector<int32_t>& tenths) {
        const std::vector<double> scores = lines.scores(tenths);
        for (std::size_t i = 0; i < tenths.size(); ++i) {
            if (scores[i] > bestScore) {
                bestScore = scores[i];
                best = tenths[i];
            }
        }
    };
    std::vector<int32_t> coarse;
    for (int32_t tenths = -300; tenths <= 300; tenths += 10)
        coarse.push_back(tenths);
    tryAll(coarse);
    std::vector<int32_t> fine;
    for (int32_t tenths = best - 10; tenths <= best + 10; ++tenths)
        fine.push_back(tenths);
    tryAll(fine);
    return best;
}

int32_t estimateSlant(const BitRows& page)
{
    const ColumnSamples samples(page);
    const double centre = (page.width - 1) / 2.0;
    // A line's count is at most the number of tested columns.
    return samples.columns.size() <= UINT16_MAX ? bestSlant<uint16_t>(samples, centre)
                                                : bestSlant<uint32_t>(samples, centre);
}

} // namespace

ImageHandle ImageDeskew(const ImageHandle& page, double* angle)
{
    if (angle != nullptr)
        *angle = 0;
    if (!isBilevelPage(page))
        return {};
    const BitRows rows = BitRows::reading(page);
    int32_t slant = 0;
    try {
        slant = estimateSlant(rows);
    } catch (const std::bad_alloc&) {
        return {};
    }
    // Lines falling to the right are straightened by turning the page back.
    const double degrees = -slant / 10.0;
    if (angle != nullptr)
        *angle = degrees;
    if (degrees > 0.1 || degrees < -0.1)
        return PivotaneRotate(page, degrees);
    return CopyDib(page);
}
