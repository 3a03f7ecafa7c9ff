// The page viewer's commands: their ids and texts in menu order, and the
// enabling rules at the zoom limits and at the first and last pages.

#include "faxbox/FaxContentCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace FaxContentCommand;

TEST(FaxContentCommandsTest, MenuOrderIdsAndTexts)
{
    const std::pair<int, std::string> expected[] = {
        {1004, "图像放大"}, {1005, "图像缩小"}, {1003, "原图大小"}, {1000, "上一页"},
        {1002, "下一页"},   {1017, "起始一页"}, {1018, "最后一页"}, {1016, "跳到页头"},
        {1015, "跳到页尾"}, {1008, "右旋"},     {1020, "左旋"},
    };
    ASSERT_EQ(FaxContentCommands().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(FaxContentCommands()[i].id, expected[i].first);
        EXPECT_EQ(FaxContentCommands()[i].text, expected[i].second);
    }
}

TEST(FaxContentCommandsTest, EnablingRules)
{
    struct Case {
        const char* what;
        FaxContentState state;
        std::vector<int> enabled;  // every other command is disabled
    } cases[] = {
        {"first of three at 1.0", {1.0, 0, 3, true}, {ZoomIn, ZoomOut, NextPage, LastPage, PageTop, PageEnd, RotateRight, RotateLeft}},
        {"middle page, zoomed", {1.25, 1, 3, true}, {ZoomIn, ZoomOut, ActualSize, PreviousPage, NextPage, FirstPage, LastPage, PageTop, PageEnd, RotateRight, RotateLeft}},
        // The last page keeps "最后一页", which shows it again.
        {"last page", {1.0, 2, 3, true}, {ZoomIn, ZoomOut, PreviousPage, FirstPage, LastPage, PageTop, PageEnd, RotateRight, RotateLeft}},
        {"at the upper limit", {35.527136788, 0, 1, true}, {ZoomOut, ActualSize, LastPage, PageTop, PageEnd, RotateRight, RotateLeft}},
        {"at the lower limit", {0.028147497671, 0, 1, true}, {ZoomIn, ActualSize, LastPage, PageTop, PageEnd, RotateRight, RotateLeft}},
        {"just below 32", {31.9, 0, 1, true}, {ZoomIn, ZoomOut, ActualSize, LastPage, PageTop, PageEnd, RotateRight, RotateLeft}},
        {"nothing open", {1.0, -1, -1, false}, {ZoomIn, ZoomOut, PageTop, PageEnd}},
    };
    for (const Case& c : cases) {
        for (const FaxContentCommandEntry& command : FaxContentCommands()) {
            const bool expected = std::find(c.enabled.begin(), c.enabled.end(), command.id) != c.enabled.end();
            EXPECT_EQ(IsFaxContentCommandEnabled(command.id, c.state), expected) << c.what << ": " << command.text;
        }
    }
    EXPECT_FALSE(IsFaxContentCommandEnabled(57607, {}));
}

} // namespace
