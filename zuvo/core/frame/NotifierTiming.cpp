#include "core/frame/NotifierTiming.h"

#include <algorithm>

TaskbarSide DetectTaskbarSide(const NotifierRect& workArea, const NotifierRect& screen)
{
    if (workArea.width < screen.width)
        return workArea.left == screen.left ? TaskbarSide::Right : TaskbarSide::Left;
    if (workArea.height < screen.height)
        return workArea.top == screen.top ? TaskbarSide::Bottom : TaskbarSide::Top;
    return TaskbarSide::Bottom;
}

int StepDelay(int durationMs, int extent, int step)
{
    step = std::max(step, 1);
    int steps = extent / step;
    if (durationMs <= 0) return 0;
    if (steps <= 0) return durationMs;
    return durationMs / steps;
}

int MovingExtent(TaskbarSide side, int width, int height)
{
    return side == TaskbarSide::Left || side == TaskbarSide::Right ? width : height;
}

NotifierPath SlidePath(TaskbarSide side, const NotifierRect& area, int width, int height)
{
    int rightX = area.right() - width;
    int bottomY = area.bottom() - height;
    switch (side) {
    case TaskbarSide::Top: return {{rightX, area.top - height}, {rightX, area.top}};
    case TaskbarSide::Left: return {{area.left - width, bottomY}, {area.left, bottomY}};
    case TaskbarSide::Right: return {{area.right(), bottomY}, {rightX, bottomY}};
    case TaskbarSide::Bottom: break;
    }
    return {{rightX, area.bottom()}, {rightX, bottomY}};
}

namespace {
int stepAxis(int current, int target, int step)
{
    if (current < target) return std::min(current + step, target);
    if (current > target) return std::max(current - step, target);
    return current;
}
} // namespace

NotifierPoint StepTowards(NotifierPoint current, NotifierPoint target, int step)
{
    step = std::max(step, 1);
    return {stepAxis(current.x, target.x, step), stepAxis(current.y, target.y, step)};
}
