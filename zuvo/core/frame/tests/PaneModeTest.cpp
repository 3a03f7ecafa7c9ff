#include "core/frame/PaneMode.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace PaneMode;

TEST(PaneModeTest, OnlyTheFourValuesSelectADrawingMode)
{
    struct Case { std::uint32_t flags; Drawing drawing; };
    const Case cases[] = {
        {0x100000, Drawing::Text},   {0x200000, Drawing::Text},
        {0x400000, Drawing::Bitmap}, {0x800000, Drawing::Progress},
        {0, Drawing::None},          {0x300000, Drawing::None},
        {0xC00000, Drawing::None},   {0x1100025, Drawing::Text},
    };
    for (const auto& c : cases) EXPECT_EQ(DrawingOf(c.flags), c.drawing) << std::hex << c.flags;
}

TEST(PaneModeTest, AnimatedByAnyOfBitsTwentyFourToTwentySeven)
{
    for (std::uint32_t bit : {0x1000000u, 0x2000000u, 0x4000000u, 0x8000000u})
        EXPECT_TRUE(IsAnimated(Text | bit)) << std::hex << bit;
    EXPECT_FALSE(IsAnimated(Text | Repeat | Stretch | Smooth));
}

TEST(PaneModeTest, HorizontalMovingClearsHorizontalAlignment)
{
    EXPECT_EQ(TextFormat(Text | FormatCenter | FormatVCenter), FormatCenter | FormatVCenter);
    EXPECT_EQ(TextFormat(Text | MoveHorizontal | FormatCenter | FormatRight | FormatVCenter),
              FormatVCenter);
}

TEST(PaneModeTest, StepRestartsPastTheLimit)
{
    // A text 3 pixels wide in a pane 10 pixels wide: 1, 2, 3, then -10, -9.
    std::int32_t offset = 0;
    std::vector<std::int32_t> seen;
    for (int i = 0; i < 5; ++i) seen.push_back(Step(offset, 3, -10));
    EXPECT_EQ(seen, (std::vector<std::int32_t>{1, 2, 3, -10, -9}));
    offset = INT32_MAX;
    EXPECT_EQ(Step(offset, INT32_MAX, 1), 1);  // no signed overflow
}

} // namespace
