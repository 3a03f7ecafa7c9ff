// DeShade: areas of shading dots found and whitened.
// Small components are joined into records along their rows, records gathered into
// clusters, and each large cluster whitened: the components inside it whole, then the
// short runs across and down its neighbourhood.

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

#include "BitRows.h"
#include "Components.h"
#include "pixmend/LineCleanup.h"

using namespace pixmend;

namespace {

struct ShadeLimits {
    int32_t minWidth, minHeight; // smallest cluster spans that are cleaned
    int32_t dotWidth, dotHeight; // a dot's spans are smaller
    int32_t slackRows, slackColumns;
};

// The part of a dot's size that the run limits add: the size itself up to 2, else 3.
int64_t dotAllowance(int32_t v) { return v >= 0 && v <= 2 ? v : 3; }

ComponentBox unite(const ComponentBox& a, const ComponentBox& b)
{
    return {std::min(a.left, b.left), std::min(a.upper, b.upper), std::max(a.right, b.right),
            std::max(a.lower, b.lower)};
}

// Small components in scan order; one that starts on the row of the
// component that began the current record, close enough to its right,
// extends that record to its right edge.
std::vector<ComponentBox> dotRecords(const std::vector<ComponentBox>& regions, const ShadeLimits& limits)
{
    std::vector<ComponentBox> records;
    ComponentBox head{};
    for (const ComponentBox& r : regions) {
        if (r.widthSpan() >= limits.dotWidth || r.heightSpan() >= limits.dotHeight)
            continue;
        if (!records.empty() && r.upper == head.upper &&
            int64_t{r.left} - head.right <= std::max(head.widthSpan(), 3)) {
            records.back().right = std::max(records.back().right, r.right);
        } else {
            records.push_back(r);
            head = r;
        }
    }
    return records;
}

// Each record not yet taken starts a cluster that takes every later record
// within reach of it, growing as it takes them. Records come in the order
// of their upper edges, so once one starts more than the vertical reach
// below the cluster no later one can be taken.
std::vector<ComponentBox> clustersOf(const std::vector<ComponentBox>& records, const ShadeLimits& limits)
{
    const int64_t down = std::max(limits.dotHeight, 6);
    const int64_t across = std::max(limits.dotWidth, 6);
    std::vector<ComponentBox> clusters;
    std::vector<bool> taken(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (taken[i])
            continue;
        ComponentBox cluster = records[i];
        for (std::size_t j = i + 1; j < records.size(); ++j) {
            const ComponentBox& r = records[j];
            if (r.upper > cluster.lower + down)
                break;
            if (taken[j])
                continue;
            const bool near = std::llabs(int64_t{cluster.lower} - r.upper) <= down ||
                              std::llabs(int64_t{cluster.upper} - r.lower) <= down;
            if (near && int64_t{r.left} - cluster.right <= across && int64_t{cluster.left} - r.right <= across) {
                cluster = unite(cluster, r);
                taken[j] = true;
            }
        }
        clusters.push_back(cluster);
    }
    return clusters;
}

bool inside(const ComponentBox& box, const ComponentBox& area)
{
    return box.left >= area.left && box.right <= area.right && box.upper >= area.upper && box.lower <= area.lower;
}

class ShadeCleaner {
public:
    ShadeCleaner(const BitRows& page, const ShadeLimits& limits, std::vector<ComponentBox> regions)
        : page_(page), limits_(limits), regions_(std::move(regions)), listed_(regions_.size(), true)
    {
        // Large components are never whitened.
        for (std::size_t i = 0; i < regions_.size(); ++i) {
            const ComponentBox& r = regions_[i];
            if (int64_t{r.widthSpan()} >= int64_t{limits.dotWidth} + limits.slackColumns &&
                int64_t{r.heightSpan()} >= int64_t{limits.dotHeight} + limits.slackRows)
                listed_[i] = false;
        }
    }

    void clean(const ComponentBox& cluster)
    {
        whitenRegionsInside(cluster);
        const ComponentBox window{std::max(cluster.left - 5, 0), std::max(cluster.upper - 5, 0),
                                  std::min(cluster.right + 5, page_.width - 1),
                                  std::min(cluster.lower + 5, page_.height - 1)};
        whitenRowRuns(window, int64_t{cluster.left} - 5);
        whitenColumnRuns(window, int64_t{cluster.lower} + 5, cluster.upper);
    }

private:
    // Regions start no lower than their upper edge, so only those whose
    // upper edge lies within the cluster's rows can be inside it.
    void whitenRegionsInside(const ComponentBox& cluster)
    {
        const auto byUpper = [](const ComponentBox& r, int32_t row) { return r.upper < row; };
        const auto from = std::lower_bound(regions_.begin(), regions_.end(), cluster.upper, byUpper);
        for (auto it = from; it != regions_.end() && it->upper <= cluster.lower; ++it) {
            const auto i = static_cast<std::size_t>(it - regions_.begin());
            if (!listed_[i] || !inside(*it, cluster))
                continue;
            for (int32_t y = it->upper; y <= it->lower; ++y)
                page_.whiten(y, it->left, it->right);
            listed_[i] = false;
        }
    }

    // In each row of the window, runs closed by a white pixel inside it
    // that do not start at the window's own left column are whitened when
    // short.
    void whitenRowRuns(const ComponentBox& window, int64_t firstColumn)
    {
        const int64_t longest = int64_t{limits_.slackRows} + dotAllowance(limits_.dotWidth);
        for (int32_t y = window.upper; y <= window.lower; ++y) {
            for (int32_t x = page_.nextBlack(y, window.left, window.right + 1); x <= window.right;) {
                const int32_t end = page_.nextWhite(y, x, window.right + 1);
                if (end > window.right)
                    break; // not closed inside the window
                if (x != firstColumn && end - x <= longest)
                    page_.whiten(y, x, end - 1);
                x = page_.nextBlack(y, end, window.right + 1);
            }
        }
    }

    // In each column of the window, scanned upward from its lower end, the
    // same for runs down the page; a black pixel on the cluster's upper
    // edge row ends the column's scan.
    void whitenColumnRuns(const ComponentBox& window, int64_t lowestRow, int32_t clusterUpper)
    {
        const int64_t longest = int64_t{limits_.slackColumns} + dotAllowance(limits_.dotHeight);
        for (int32_t x = window.left; x <= window.right; ++x) {
            int32_t start = -1; // lowest row of the open run
            for (int32_t y = window.lower; y >= window.upper; --y) {
                if (page_.black(x, y)) {
                    if (y == clusterUpper)
                        break;
                    if (start < 0)
                        start = y;
                    continue;
                }
                if (start >= 0 && start != lowestRow && start - y <= longest) {
                    for (int32_t r = y + 1; r <= start; ++r)
                        page_.setWhite(x, r);
                }
                start = -1;
            }
        }
    }

    BitRows page_;
    ShadeLimits limits_;
    std::vector<ComponentBox> regions_; // in scan order: by upper edge
    std::vector<bool> listed_;
};

} // namespace

int32_t DeShade(ImageHandle& page, int32_t minWidth, int32_t minHeight, int32_t dotWidth, int32_t dotHeight,
                int32_t slackRows, int32_t slackColumns)
{
    if (!isBilevelPage(page))
        return -1;
    const ShadeLimits limits{minWidth, minHeight, dotWidth, dotHeight, slackRows, slackColumns};
    const BitRows rows = BitRows::of(page);
    try {
        std::vector<ComponentBox> regions = LabelComponents(rows, ScanOrder::TopDown, false).boxes;
        const std::vector<ComponentBox> clusters = clustersOf(dotRecords(regions, limits), limits);
        ShadeCleaner cleaner(rows, limits, std::move(regions));
        for (const ComponentBox& cluster : clusters) {
            if (cluster.widthSpan() >= minWidth && cluster.heightSpan() >= minHeight)
                cleaner.clean(cluster);
        }
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return 1;
}
