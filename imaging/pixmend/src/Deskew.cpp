// Deskew: the slant along which black pixels vary most, and the page turned back by it.
// Slants are tried in whole degrees, then in tenths around the best.

#include <cmath>
#include <new>
#include <optional>
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

// The page's inner area (without a margin of width / 50 columns and
// height / 50 rows) sampled along parallel lines of a candidate slope.
class SlantedLines {
public:
    explicit SlantedLines(const BitRows& page)
        : page_(page), top_(page.height / 50), bottom_(page.height - page.height / 50)
    {
        for (int32_t x = page.width / 50; x < page.width - page.width / 50; x += kPixelStep)
            columns_.push_back(x);
        centre_ = (page.width - 1) / 2.0;
    }

    // Variance of the black counts of the lines slanted by `tenths` of a
    // degree (positive: falling to the right as displayed), divided by the
    // counts' sum; 0 for an area without black pixels.
    double score(int32_t tenths)
    {
        const double slope = std::tan(tenths * kRadiansPerTenth);
        // Each tested column's offset from the line's height at the centre.
        offsets_.resize(columns_.size());
        int32_t low = 0, high = 0;
        for (std::size_t k = 0; k < columns_.size(); ++k) {
            offsets_[k] = static_cast<int32_t>(std::lround((columns_[k] - centre_) * slope));
            low = std::min(low, offsets_[k]);
            high = std::max(high, offsets_[k]);
        }
        // Every line that crosses the area: line i passes the centre at
        // row first + 4i.
        const int32_t first = top_ - high;
        const int32_t lines = (bottom_ - 1 - low - first) / kLineSpacing + 1;
        counts_.assign(static_cast<std::size_t>(std::max(lines, 1)), 0);
        for (std::size_t k = 0; k < columns_.size(); ++k) {
            const int32_t x = columns_[k];
            const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
            const int32_t base = first + offsets_[k];
            const int32_t fromLine = std::max(0, (top_ - base + kLineSpacing - 1) / kLineSpacing);
            for (int32_t i = fromLine, y = base + i * kLineSpacing; y < bottom_; ++i, y += kLineSpacing) {
                if ((page_.row(y)[x >> 3] & mask) == 0)
                    ++counts_[static_cast<std::size_t>(i)];
            }
        }
        double sum = 0, squares = 0;
        for (int32_t c : counts_) {
            sum += c;
            squares += double{1} * c * c;
        }
        if (sum == 0)
            return 0;
        const double n = static_cast<double>(counts_.size());
        const double mean = sum / n;
        return (squares / n - mean * mean) / sum;
    }

private:
    BitRows page_;
    int32_t top_, bottom_;
    double centre_ = 0;
    std::vector<int32_t> columns_;
    std::vector<int32_t> offsets_;
    std::vector<int32_t> counts_;
};

// The slant in tenths of a degree along which the page's lines lie: -300
// to +300 in steps of 10, then the best -10 to +10 in steps of 1; a slant
// replaces the best only with a strictly greater score, starting from 0
// with score 0.
int32_t estimateSlant(const BitRows& page)
{
    SlantedLines lines(page);
    int32_t best = 0;
    double bestScore = 0;
    auto tryTenths = [&](int32_t tenths) {
        const double s = lines.score(tenths);
        if (s > bestScore) {
            bestScore = s;
            best = tenths;
        }
    };
    for (int32_t tenths = -300; tenths <= 300; tenths += 10)
        tryTenths(tenths);
    const int32_t coarse = best;
    for (int32_t tenths = coarse - 10; tenths <= coarse + 10; ++tenths)
        tryTenths(tenths);
    return best;
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
