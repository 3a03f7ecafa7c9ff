// The page editor's commands: toolbar and pop-up order with ids and texts,
// and the enabling and checking rules at the pages' ends, the zoom limits
// and with each tool on.

#include "compose/FaxViewCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace FaxViewCommand;

TEST(FaxViewCommandsTest, ToolbarAndPopupOrderIdsAndTexts)
{
    const std::pair<int, std::string> toolbar[] = {
        {32828, "上一页"},   {32829, "下一页"},   {32824, "图像放大"}, {32826, "图像缩小"},
        {32827, "原图大小"}, {32830, "向左旋转"}, {32831, "向右旋转"}, {32832, "剪切图像"},
        {32833, "撤销操作"}, {32821, "电子盖章"}, {32823, "文字批注"}, {32866, "保存"},
    };
    const std::pair<int, std::string> popup[] = {
        {1017, "起始一页"}, {1018, "最后一页"}, {1016, "跳到页头"}, {1015, "跳到页尾"}};
    auto expectTable = [](auto commands, const auto& expected) {
        ASSERT_EQ(commands.size(), std::size(expected));
        for (std::size_t i = 0; i < std::size(expected); ++i) {
            EXPECT_EQ(commands[i].id, expected[i].first);
            EXPECT_EQ(commands[i].text, expected[i].second);
        }
    };
    expectTable(FaxViewToolbarCommands(), toolbar);
    expectTable(FaxViewPopupCommands(), popup);
    EXPECT_STREQ(kFaxViewMenuTitle, "__FAXVIEWPOP_");
}

TEST(FaxViewCommandsTest, EnablingRules)
{
    const double nineIn = 38.443359375;
    const double nineOut = 1.0 / nineIn;
    struct Case {
        const char* what;
        FaxViewState state;
        std::vector<int> enabled;  // every other command is disabled
    } cases[] = {
        {"first of three at 1.0", {1.0, 0, 3, true}, {NextPage, LastPage, ZoomIn, ZoomOut, Crop, Undo, Seal, TextNote, Save, PageTop, PageEnd}},
        {"middle, zoomed", {1.5, 1, 3, true}, {PreviousPage, FirstPage, NextPage, LastPage, ZoomIn, ZoomOut, ActualSize, Crop, Undo, Seal, TextNote, Save, PageTop, PageEnd}},
        {"last page", {1.0, 2, 3, true}, {PreviousPage, FirstPage, ZoomIn, ZoomOut, Crop, Undo, Seal, TextNote, Save, PageTop, PageEnd}},
        {"nine steps in", {nineIn, 0, 1, true}, {ZoomOut, ActualSize, Crop, Undo, Seal, TextNote, Save, PageTop, PageEnd}},
        {"nine steps out", {nineOut, 0, 1, true}, {ZoomIn, ActualSize, Crop, Undo, Seal, TextNote, Save, PageTop, PageEnd}},
        {"crop on", {1.0, 0, 1, true, false, false, true}, {ZoomIn, ZoomOut, Crop, Undo, Save, PageTop, PageEnd}},
        {"text tool on", {1.0, 0, 1, true, false, true, false}, {ZoomIn, ZoomOut, Undo, TextNote, Save, PageTop, PageEnd}},
        {"stamp pending", {1.0, 0, 1, true, true, false, false}, {ZoomIn, ZoomOut, Undo, Save, PageTop, PageEnd}},
        {"nothing loaded", {1.0, -1, -1, false}, {ZoomIn, ZoomOut, Undo, Save, PageTop, PageEnd}},
    };
    std::vector<FaxViewCommandEntry> all(FaxViewToolbarCommands().begin(), FaxViewToolbarCommands().end());
    all.insert(all.end(), FaxViewPopupCommands().begin(), FaxViewPopupCommands().end());
    for (const Case& c : cases) {
        for (const FaxViewCommandEntry& command : all) {
            const bool expected = std::find(c.enabled.begin(), c.enabled.end(), command.id) != c.enabled.end();
            EXPECT_EQ(IsFaxViewCommandEnabled(command.id, c.state), expected) << c.what << ": " << command.text;
        }
    }
    EXPECT_FALSE(IsFaxViewCommandEnabled(57603, {}));
}

TEST(FaxViewCommandsTest, OnlyTheCropAndTextToolsCarryACheckMark)
{
    const FaxViewState crop{1.0, 0, 1, true, false, false, true};
    const FaxViewState text{1.0, 0, 1, true, false, true, false};
    for (const FaxViewCommandEntry& command : FaxViewToolbarCommands()) {
        EXPECT_EQ(IsFaxViewCommandCheckable(command.id), command.id == Crop || command.id == TextNote) << command.text;
        EXPECT_EQ(IsFaxViewCommandChecked(command.id, crop), command.id == Crop) << command.text;
        EXPECT_EQ(IsFaxViewCommandChecked(command.id, text), command.id == TextNote) << command.text;
    }
}

} // namespace
