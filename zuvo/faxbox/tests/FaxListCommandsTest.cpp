// The fax list's commands: the two pop-ups in their order, and what each
// command needs before it is enabled.
#include "faxbox/FaxListCommands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<int> ids(std::span<const FaxListCommandEntry> menu)
{
    std::vector<int> result;
    for (const FaxListCommandEntry& entry : menu)
        result.push_back(entry.id);
    return result;
}

} // namespace

TEST(FaxListCommandsTest, MenusListTheirCommandsInOrder)
{
    using namespace FaxListCommand;
    EXPECT_EQ(ids(FaxMenuCommands()), (std::vector<int>{Reply, Forward, Resend, Delete, DeleteAll}));
    EXPECT_EQ(ids(FailedMenuCommands()), (std::vector<int>{ResendFailed, ResendAllFailed, Delete, DeleteAll}));
    EXPECT_STREQ(FaxListCommandText(ResendFailed), "重新发送(&N)...");
    EXPECT_STREQ(FaxListCommandText(Move), "");
}

TEST(FaxListCommandsTest, EachCommandNeedsWhatItUses)
{
    using namespace FaxListCommand;
    struct Case {
        int id;
        bool bare, rowAndLogin, rowLoginCompose, composeOnly;
    };
    // States: nothing; a row and a login; those and a compose window; a compose window alone.
    const std::vector<Case> cases = {
        {Delete, false, true, true, false},        {Move, false, true, true, false},
        {Reply, false, false, true, false},        {Forward, false, false, true, false},
        {Resend, false, false, true, true},        {DeleteAll, true, true, true, true},
        {ResendFailed, true, true, true, true},    {ResendAllFailed, true, true, true, true},
        {57603, false, false, false, false},
    };
    for (const Case& item : cases) {
        EXPECT_EQ(IsFaxListCommandEnabled(item.id, {false, false, false}), item.bare) << item.id;
        EXPECT_EQ(IsFaxListCommandEnabled(item.id, {true, true, false}), item.rowAndLogin) << item.id;
        EXPECT_EQ(IsFaxListCommandEnabled(item.id, {true, true, true}), item.rowLoginCompose) << item.id;
        EXPECT_EQ(IsFaxListCommandEnabled(item.id, {false, false, true}), item.composeOnly) << item.id;
    }
    EXPECT_FALSE(IsFaxListCommandEnabled(Delete, {true, false, true})) << "a row without a login";
}
