#include "core/frame/FrameCommands.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace FrameCommandId;

TEST(FrameCommandsTest, EnablingRules)
{
    CommandContext offline;
    CommandContext online;
    online.loggedIn = true;
    CommandContext accountEnabled;
    accountEnabled.accountPropertiesEnabled = true;
    CommandContext urls;
    urls.adminUrlSet = urls.reqAccountUrlSet = urls.onlinePayUrlSet = true;

    struct Case { int id; bool offline, online, accountEnabled, urls; };
    const Case cases[] = {
        {ReceiveFax, false, true, false, false},
        {ReceiveAll, false, false, false, false},
        {ComposeFax, true, true, true, true},
        {SendFax, false, true, false, false},
        {MailFax, false, true, false, false},
        {SmsNotice, false, false, false, false},
        {SealManager, false, false, false, false},
        {SelfServiceMenu, false, false, false, false},
        {SystemSettings, true, true, true, true},
        {AccountProperties, false, true, true, false},
        {Connect, true, false, true, true},
        {CheckUpdate, false, true, false, false},
        {SelfService, false, false, false, true},
        {ApplyAccount, false, false, false, true},
        {OnlinePay, false, false, false, true},
        {TrayExit, true, true, true, true},
        {EditUndo, false, false, false, false},
    };
    for (const auto& c : cases) {
        const FrameCommand* command = FindFrameCommand(c.id);
        ASSERT_NE(command, nullptr) << c.id;
        EXPECT_EQ(IsCommandEnabled(*command, offline), c.offline) << c.id;
        EXPECT_EQ(IsCommandEnabled(*command, online), c.online) << c.id;
        EXPECT_EQ(IsCommandEnabled(*command, accountEnabled), c.accountEnabled) << c.id;
        EXPECT_EQ(IsCommandEnabled(*command, urls), c.urls) << c.id;
    }
    CommandContext undoable;
    undoable.undoAvailable = true;
    EXPECT_TRUE(IsCommandEnabled(*FindFrameCommand(EditUndo), undoable));
}

TEST(FrameCommandsTest, ThemeCommandsAreCheckedOnTheCurrentTheme)
{
    const int ids[] = {ThemeOfficeXp, ThemeOffice2000, ThemeOffice2003, ThemeWindowsXp,
                       ThemeVisualStudio2005};
    for (int theme = -1; theme <= 5; ++theme) {
        CommandContext context;
        context.theme = theme;
        for (int n = 0; n < 5; ++n)
            EXPECT_EQ(IsCommandChecked(*FindFrameCommand(ids[n]), context), n == ClampTheme(theme))
                << theme << " " << n;
    }
}

TEST(FrameCommandsTest, AutoReceiveIsCheckedOnlyWhileLoggedIn)
{
    CommandContext context;
    context.autoReceiveMark = true;
    const FrameCommand& command = *FindFrameCommand(AutoReceive);
    EXPECT_FALSE(IsCommandChecked(command, context));
    context.loggedIn = true;
    EXPECT_TRUE(IsCommandChecked(command, context));
}

TEST(FrameCommandsTest, IdsAreUniqueAndTheTrayMenuIsKnown)
{
    std::set<int> ids;
    for (const auto& command : FrameCommands()) EXPECT_TRUE(ids.insert(command.id).second) << command.id;
    EXPECT_EQ(FindFrameCommand(4711), nullptr);
    std::vector<std::string> tray;
    for (int id : TrayMenuCommands()) tray.push_back(FindFrameCommand(id)->text);
    EXPECT_EQ(tray, (std::vector<std::string>{"联机", "撰写传真", "接收传真", "启动传真管理", "退出"}));
}

} // namespace
