// Run-based labelling of 8-connected black components, one row at a time.
// Each row's runs join the components of the runs they touch in the row before; a run
// that bridges components unites them under the lower label.

#include "Components.h"

#include <algorithm>

namespace pixmend {

namespace {

struct LabelledRun {
    int32_t first, last;
    uint32_t label;
};

class Labeller {
public:
    // The label whose component holds `label` (it points at itself).
    uint32_t root(uint32_t label)
    {
        while (parent_[label] != label) {
            parent_[label] = parent_[parent_[label]];
            label = parent_[label];
        }
        return label;
    }

    uint32_t start(int32_t row, const LabelledRun& run)
    {
        const auto label = static_cast<uint32_t>(parent_.size());
        parent_.push_back(label);
        boxes_.push_back({run.first, row, run.last, row});
        return label;
    }

    void grow(uint32_t label, int32_t row, const LabelledRun& run)
    {
        ComponentBox& box = boxes_[label];
        box.left = std::min(box.left, run.first);
        box.right = std::max(box.right, run.last);
        box.upper = std::min(box.upper, row);
        box.lower = std::max(box.lower, row);
    }

    // Merges the component of the higher label into that of the lower one.
    uint32_t unite(uint32_t a, uint32_t b)
    {
        const uint32_t low = std::min(a, b);
        const uint32_t high = std::max(a, b);
        ComponentBox& into = boxes_[low];
        const ComponentBox& from = boxes_[high];
        into = {std::min(into.left, from.left), std::min(into.upper, from.upper), std::max(into.right, from.right),
                std::max(into.lower, from.lower)};
        parent_[high] = low;
        return low;
    }

    std::size_t size() const { return parent_.size(); }
    const ComponentBox& box(uint32_t label) const { return boxes_[label]; }

private:
    std::vector<uint32_t> parent_;
    std::vector<ComponentBox> boxes_;
};

void cutRuns(const BitRows& picture, int32_t y, std::vector<LabelledRun>& runs)
{
    runs.clear();
    for (int32_t x = picture.nextBlack(y, 0, picture.width); x < picture.width;) {
        const int32_t end = picture.nextWhite(y, x, picture.width);
        runs.push_back({x, end - 1, 0});
        x = picture.nextBlack(y, end, picture.width);
    }
}

} // namespace

Components LabelComponents(const BitRows& picture, ScanOrder order, bool withRuns)
{
    Labeller labels;
    std::vector<uint32_t> runLabels;
    Components result;
    std::vector<LabelledRun> previous, current;
    const bool down = order == ScanOrder::TopDown;
    for (int32_t i = 0; i < picture.height; ++i) {
        const int32_t y = down ? i : picture.height - 1 - i;
        cutRuns(picture, y, current);
        std::size_t p = 0;
        for (LabelledRun& run : current) {
            // Runs of the previous row that end left of this run's left
            // neighbour touch neither it nor any run after it.
            while (p < previous.size() && previous[p].last < run.first - 1)
                ++p;
            bool joined = false;
            for (std::size_t q = p; q < previous.size() && previous[q].first <= run.last + 1; ++q) {
                const uint32_t other = labels.root(previous[q].label);
                run.label = joined ? (other == run.label ? other : labels.unite(run.label, other)) : other;
                joined = true;
            }
            if (joined)
                labels.grow(run.label, y, run);
            else
                run.label = labels.start(y, run);
            if (withRuns) {
                result.runs.push_back({y, run.first, run.last});
                runLabels.push_back(run.label);
            }
        }
        std::swap(previous, current);
    }

    // The components that were not merged into another, in label order,
    // which is the order in which the scan met them.
    std::vector<uint32_t> indexOf(labels.size());
    for (uint32_t label = 0; label < labels.size(); ++label) {
        if (labels.root(label) == label) {
            indexOf[label] = static_cast<uint32_t>(result.boxes.size());
            result.boxes.push_back(labels.box(label));
        }
    }
    result.runComponent.reserve(runLabels.size());
    for (uint32_t label : runLabels)
        result.runComponent.push_back(indexOf[labels.root(label)]);
    return result;
}

} // namespace pixmend
