#pragma once
// RectTracker: the geometry of a rectangle that the pointer draws, moves and
// resizes, without widgets. Its eight handles are squares of 8 pixels
// outside the rectangle (at the corners and at the middle of each side). A
// press on a handle resizes, a press inside moves, a press elsewhere starts
// a new rectangle (a rubber band) from the pressed point. All points and
// rectangles are in one coordinate system of the caller's choosing.

#include <cstdint>

#include "faxbox/PageGeometry.h"

struct TrackPoint {
    int64_t x = 0;
    int64_t y = 0;
};

class RectTracker {
public:
    static constexpr int64_t kHandleSize = 8;

    // What a point hits: a handle, the inside, or nothing. The handles run
    // clockwise from the top-left corner.
    enum class Hit { Nothing, Inside, TopLeft, Top, TopRight, Right, BottomRight, Bottom, BottomLeft, Left };

    const PageRect& Rect() const { return rect_; }
    void SetRect(const PageRect& rect) { rect_ = rect; }
    void Clear() { rect_ = {}; }

    // The square of handle `hit` (TopLeft ... Left); empty for the others
    // and while the rectangle is empty.
    PageRect HandleRect(Hit hit) const;
    // Handles first (they lie outside), then the inside.
    Hit HitTest(TrackPoint point) const;

    // Starts tracking at `point`: a resize, a move, or a rubber band
    // according to what the point hits.
    void Begin(TrackPoint point);
    // The pointer moved to `point` while tracking.
    void Track(TrackPoint point);
    // Tracking ends; the rectangle is kept with its sides in order.
    void End();
    bool IsTracking() const { return tracking_ != Hit::Nothing; }

private:
    PageRect rect_;
    Hit tracking_ = Hit::Nothing;  // Inside for a move; Nothing when idle
    bool rubberBand_ = false;
    TrackPoint anchor_;  // rubber band: the pressed point; move: the last point
    PageRect start_;     // the rectangle when tracking began
};
