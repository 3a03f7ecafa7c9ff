// RectTracker: handles, hit testing, moving, resizing and the rubber band.
#include "compose/RectTracker.h"

#include <algorithm>
#include <array>

namespace {

using Hit = RectTracker::Hit;

constexpr std::array kHandles = {Hit::TopLeft,     Hit::Top,    Hit::TopRight,   Hit::Right,
                                 Hit::BottomRight, Hit::Bottom, Hit::BottomLeft, Hit::Left};

bool contains(const PageRect& rect, TrackPoint point)
{
    return point.x >= rect.left && point.x < rect.Right() && point.y >= rect.top && point.y < rect.Bottom();
}

// The rectangle between two corners, sides in order.
PageRect between(int64_t x1, int64_t y1, int64_t x2, int64_t y2)
{
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) - std::min(x1, x2),
            std::max(y1, y2) - std::min(y1, y2)};
}

bool movesLeft(Hit hit)
{
    return hit == Hit::TopLeft || hit == Hit::Left || hit == Hit::BottomLeft;
}
bool movesRight(Hit hit)
{
    return hit == Hit::TopRight || hit == Hit::Right || hit == Hit::BottomRight;
}
bool movesTop(Hit hit)
{
    return hit == Hit::TopLeft || hit == Hit::Top || hit == Hit::TopRight;
}
bool movesBottom(Hit hit)
{
    return hit == Hit::BottomLeft || hit == Hit::Bottom || hit == Hit::BottomRight;
}

} // namespace

PageRect RectTracker::HandleRect(Hit hit) const
{
    if (rect_.IsEmpty() || hit == Hit::Nothing || hit == Hit::Inside)
        return {};
    const int64_t size = kHandleSize;
    const int64_t middleX = rect_.left + rect_.width / 2 - size / 2;
    const int64_t middleY = rect_.top + rect_.height / 2 - size / 2;
    const int64_t x = movesLeft(hit) ? rect_.left - size : movesRight(hit) ? rect_.Right() : middleX;
    const int64_t y = movesTop(hit) ? rect_.top - size : movesBottom(hit) ? rect_.Bottom() : middleY;
    return {x, y, size, size};
}

RectTracker::Hit RectTracker::HitTest(TrackPoint point) const
{
    if (rect_.IsEmpty())
        return Hit::Nothing;
    for (Hit hit : kHandles)
        if (contains(HandleRect(hit), point))
            return hit;
    return contains(rect_, point) ? Hit::Inside : Hit::Nothing;
}

void RectTracker::Begin(TrackPoint point)
{
    const Hit hit = HitTest(point);
    start_ = rect_;
    anchor_ = point;
    rubberBand_ = hit == Hit::Nothing;
    tracking_ = rubberBand_ ? Hit::BottomRight : hit;
    if (rubberBand_)
        rect_ = {point.x, point.y, 0, 0};
}

void RectTracker::Track(TrackPoint point)
{
    if (!IsTracking())
        return;
    if (rubberBand_) {
        rect_ = between(anchor_.x, anchor_.y, point.x, point.y);
        return;
    }
    const int64_t dx = point.x - anchor_.x;
    const int64_t dy = point.y - anchor_.y;
    if (tracking_ == Hit::Inside) {
        rect_ = {start_.left + dx, start_.top + dy, start_.width, start_.height};
        return;
    }
    int64_t left = start_.left;
    int64_t top = start_.top;
    int64_t right = start_.Right();
    int64_t bottom = start_.Bottom();
    if (movesLeft(tracking_))
        left += dx;
    if (movesRight(tracking_))
        right += dx;
    if (movesTop(tracking_))
        top += dy;
    if (movesBottom(tracking_))
        bottom += dy;
    rect_ = between(left, top, right, bottom);
}

void RectTracker::End()
{
    tracking_ = Hit::Nothing;
    rubberBand_ = false;
}
