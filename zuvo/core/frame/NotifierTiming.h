#pragma once

// Geometry and timing of the sliding notice window: which side the taskbar
// is on, where the window starts and ends, and how long each one-step move
// waits. Plain integers so that it is testable without a screen.

struct NotifierRect {
    int left = 0, top = 0, width = 0, height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
};

struct NotifierPoint {
    int x = 0, y = 0;
    bool operator==(const NotifierPoint&) const = default;
};

enum class TaskbarSide { Bottom, Top, Left, Right };

// A work area narrower than the screen means a taskbar on the right (work area
// starting at the screen's left) or on the left; a lower one means a taskbar
// at the bottom (work area starting at the screen's top) or at the top. A work
// area that fills the screen counts as a taskbar at the bottom.
TaskbarSide DetectTaskbarSide(const NotifierRect& workArea, const NotifierRect& screen);

// Delay of one step: duration ÷ (extent ÷ step), integer divisions. A step
// below 1 counts as 1; when the extent is smaller than the step the whole
// duration is one step. Never divides by zero; never negative.
int StepDelay(int durationMs, int extent, int step);

// The window's extent in the moving direction: its width for a left or right
// taskbar, its height otherwise.
int MovingExtent(TaskbarSide side, int width, int height);

// The window's top-left corner while hidden (just outside the work area's edge
// on the taskbar side) and while fully shown (inside the work area, against
// that edge and against the corner nearest the taskbar's end).
struct NotifierPath {
    NotifierPoint hidden;
    NotifierPoint shown;
};
NotifierPath SlidePath(TaskbarSide side, const NotifierRect& workArea, int width, int height);

// One step from `current` towards `target` (step pixels, at least 1), never
// overshooting the target.
NotifierPoint StepTowards(NotifierPoint current, NotifierPoint target, int step);
