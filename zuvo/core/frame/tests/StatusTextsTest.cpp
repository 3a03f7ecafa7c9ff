#include "core/frame/StatusTexts.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(StatusTextsTest, StatePaneTextForEachState)
{
    struct Case { int state; const char* chinese; const char* english; };
    const Case cases[] = {
        {0, "状态:脱机", "State:脱机"},
        {1, "状态:联机", "State:联机"},
        {2, "状态:注册失败", "State:注册失败"},
        {3, "状态:脱机", "State:脱机"},
        {-1, "状态:脱机", "State:脱机"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StatePaneText(LabelsFor(true), c.state), c.chinese) << c.state;
        EXPECT_EQ(StatePaneText(LabelsFor(false), c.state), c.english) << c.state;
    }
}

TEST(StatusTextsTest, ChineseLabelsOnlyForCnInAnyCase)
{
    for (const char* entry : {"CN", "cn", "Cn"}) EXPECT_TRUE(IsChineseLanguage(entry)) << entry;
    for (const char* entry : {"", "EN", "CNX", "C"}) EXPECT_FALSE(IsChineseLanguage(entry)) << entry;
    EXPECT_EQ(LabelsFor(true).faxNumber, "网络传真号:");
    EXPECT_EQ(LabelsFor(false).faxNumber, "NetFaxNo:");
    EXPECT_EQ(LabelsFor(false).faxState, "FaxState:");
}

TEST(StatusTextsTest, AnimationRunsThroughFramesThreeToSeven)
{
    int frame = 0;  // offline icon: the animation starts at its first frame
    std::vector<int> seen;
    for (int i = 0; i < 7; ++i) seen.push_back(frame = NextAnimationFrame(frame));
    EXPECT_EQ(seen, (std::vector<int>{3, 4, 5, 6, 7, 3, 4}));
    EXPECT_EQ(NextAnimationFrame(99), 3);
}

} // namespace
