#include "core/frame/NotifierTiming.h"

#include <gtest/gtest.h>

namespace {

const NotifierRect kScreen{0, 0, 1000, 800};

TEST(NotifierTimingTest, DetectsTheTaskbarSide)
{
    struct Case { NotifierRect work; TaskbarSide side; };
    const Case cases[] = {
        {{0, 0, 1000, 760}, TaskbarSide::Bottom},
        {{0, 40, 1000, 760}, TaskbarSide::Top},
        {{0, 0, 940, 800}, TaskbarSide::Right},
        {{60, 0, 940, 800}, TaskbarSide::Left},
        {{0, 0, 1000, 800}, TaskbarSide::Bottom},  // no taskbar at all
    };
    for (const auto& c : cases)
        EXPECT_EQ(DetectTaskbarSide(c.work, kScreen), c.side) << c.work.left << "," << c.work.top;
}

TEST(NotifierTimingTest, StepDelayNeverDividesByZero)
{
    struct Case { int duration, extent, step, delay; };
    const Case cases[] = {
        {300, 120, 1, 2},    // 300 / (120 / 1)
        {300, 120, 4, 10},   // 300 / 30
        {300, 0, 1, 300},    // empty window: one step
        {300, 3, 5, 300},    // step larger than the window
        {300, 120, 0, 2},    // step 0 counts as 1
        {300, 120, -3, 2},
        {0, 120, 1, 0},
        {-5, 120, 1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StepDelay(c.duration, c.extent, c.step), c.delay)
            << c.duration << " " << c.extent << " " << c.step;
}

TEST(NotifierTimingTest, SlidesOutOfTheTaskbarSide)
{
    const NotifierRect work{10, 20, 900, 700};  // right 910, bottom 720
    struct Case { TaskbarSide side; NotifierPoint hidden, shown; int extent; };
    const Case cases[] = {
        {TaskbarSide::Bottom, {710, 720}, {710, 620}, 100},
        {TaskbarSide::Top, {710, -80}, {710, 20}, 100},
        {TaskbarSide::Left, {-190, 620}, {10, 620}, 200},
        {TaskbarSide::Right, {910, 620}, {710, 620}, 200},
    };
    for (const auto& c : cases) {
        auto path = SlidePath(c.side, work, 200, 100);
        EXPECT_EQ(path.hidden, c.hidden);
        EXPECT_EQ(path.shown, c.shown);
        EXPECT_EQ(MovingExtent(c.side, 200, 100), c.extent);
        // Moving one pixel at a time takes exactly the extent in steps.
        NotifierPoint p = path.hidden;
        int steps = 0;
        while (!(p == path.shown) && steps < 1000) { p = StepTowards(p, path.shown, 1); ++steps; }
        EXPECT_EQ(steps, c.extent);
    }
}

TEST(NotifierTimingTest, StepNeverOvershoots)
{
    EXPECT_EQ(StepTowards({0, 10}, {0, 3}, 4), (NotifierPoint{0, 6}));
    EXPECT_EQ(StepTowards({0, 6}, {0, 3}, 4), (NotifierPoint{0, 3}));
    EXPECT_EQ(StepTowards({0, 3}, {0, 3}, 4), (NotifierPoint{0, 3}));
    EXPECT_EQ(StepTowards({5, 0}, {9, 0}, 0), (NotifierPoint{6, 0}));
}

} // namespace
