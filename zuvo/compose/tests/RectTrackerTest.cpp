// The rectangle tracker: handles outside the rectangle, what a point hits,
// and moving, resizing and drawing a new rectangle with the pointer.

#include "compose/RectTracker.h"

#include <gtest/gtest.h>

namespace {

using Hit = RectTracker::Hit;

TEST(RectTrackerTest, HandlesAreEightPixelSquaresOutsideTheRectangle)
{
    RectTracker tracker;
    EXPECT_EQ(tracker.HitTest({0, 0}), Hit::Nothing);
    tracker.SetRect({100, 200, 50, 40});
    struct Case {
        Hit hit;
        PageRect square;
    } cases[] = {
        {Hit::TopLeft, {92, 192, 8, 8}},   {Hit::Top, {121, 192, 8, 8}},    {Hit::TopRight, {150, 192, 8, 8}},
        {Hit::Right, {150, 216, 8, 8}},    {Hit::BottomRight, {150, 240, 8, 8}}, {Hit::Bottom, {121, 240, 8, 8}},
        {Hit::BottomLeft, {92, 240, 8, 8}}, {Hit::Left, {92, 216, 8, 8}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tracker.HandleRect(c.hit), c.square) << static_cast<int>(c.hit);
        EXPECT_EQ(tracker.HitTest({c.square.left + 3, c.square.top + 3}), c.hit) << static_cast<int>(c.hit);
    }
    EXPECT_EQ(tracker.HitTest({100, 200}), Hit::Inside);
    EXPECT_EQ(tracker.HitTest({149, 239}), Hit::Inside);
    EXPECT_EQ(tracker.HitTest({175, 220}), Hit::Nothing);
}

TEST(RectTrackerTest, ARubberBandInAnyDirectionKeepsItsSidesInOrder)
{
    RectTracker tracker;
    tracker.Begin({900, 1000});
    EXPECT_TRUE(tracker.IsTracking());
    tracker.Track({500, 600});
    tracker.Track({100, 200});
    tracker.End();
    EXPECT_FALSE(tracker.IsTracking());
    EXPECT_EQ(tracker.Rect(), (PageRect{100, 200, 800, 800}));
    // A press away from it starts a new one.
    tracker.Begin({0, 0});
    tracker.Track({10, 5});
    tracker.End();
    EXPECT_EQ(tracker.Rect(), (PageRect{0, 0, 10, 5}));
}

TEST(RectTrackerTest, MovingAndResizing)
{
    struct Case {
        const char* what;
        TrackPoint press;
        TrackPoint release;
        PageRect expected;
    } cases[] = {
        {"move", {120, 220}, {150, 200}, {130, 180, 50, 40}},
        {"bottom-right corner", {153, 243}, {203, 283}, {100, 200, 100, 80}},
        {"left side past the right one", {95, 220}, {175, 220}, {150, 200, 30, 40}},
        {"top side", {125, 195}, {125, 180}, {100, 185, 50, 55}},
    };
    for (const Case& c : cases) {
        RectTracker tracker;
        tracker.SetRect({100, 200, 50, 40});
        tracker.Begin(c.press);
        tracker.Track(c.release);
        tracker.End();
        EXPECT_EQ(tracker.Rect(), c.expected) << c.what;
    }
}

} // namespace
