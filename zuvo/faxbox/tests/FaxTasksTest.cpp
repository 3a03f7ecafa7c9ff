// The task records: what a move task copies out of a stored record, and the
// setters that keep their text when given none.
#include "faxbox/FaxTasks.h"

#include <gtest/gtest.h>

#include "core/tests/AccountFixture.h"

namespace {

constexpr const char* kOutbox = "Account[0]/Folder[0]";

class FaxTasksTest : public testfiles::AccountStoreTest {
protected:
    void SetUp() override
    {
        openWith("<Account Default=\"yes\" Directory=\"/srv/fax\">"
                 "<Folder Name=\"发件箱\" Type=\"outbox\" Directory=\"outbox\">"
                 "<Fax Caller=\"021-1\" ToCC=\"021-2\" Topic=\"报价\" Name=\"张三\" Company=\"甲\" "
                 "Date=\"2026-12-10 09:30:01\" Pages=\"3\" CreateTime=\"20261210093001\" "
                 "SendTimer=\"2026-12-10 18:00:00\" TimerFlag=\"1\" ReadFlag=\"0\" Flag=\"1\" "
                 "BodyFileName=\"body.html\">"
                 "<AttachFile File=\"a.tif\" HeadFlag=\"1\"/><AttachFile File=\"b.tif\"/></Fax>"
                 "<Fax Caller=\"021-3\" CreateTime=\"20261210093002\"/>"
                 "<Fax Caller=\"021-4\" CreateTime=\"20261210093003\"><AttachFile File=\"../x\"/></Fax>"
                 "</Folder></Account>\n");
    }
};

} // namespace

TEST_F(FaxTasksTest, MoveTaskCopiesTheRecordWithFullPathsAndHeadFlags)
{
    const auto task = MakeFaxMoveTask(kOutbox, 0);
    ASSERT_TRUE(task);
    EXPECT_EQ(task->sourcePath, "Account[0]/Folder[0]/Fax[0]");
    EXPECT_EQ(task->Caller + "|" + task->ToCC + "|" + task->Topic + "|" + task->Name + "|" + task->Company,
              "021-1|021-2|报价|张三|甲");
    EXPECT_EQ(task->CreateTime, "20261210093001");
    EXPECT_EQ(task->SendTimer, "2026-12-10 18:00:00");
    EXPECT_EQ(task->TimerFlag, 1);
    EXPECT_EQ(task->files, (std::vector<std::string>{"/srv/fax/outbox/a.tif", "/srv/fax/outbox/b.tif"}));
    EXPECT_EQ(task->headFlags, (std::vector<int>{1, 0}));
    EXPECT_EQ(task->FileCount(), 2);
    EXPECT_EQ(task->hasBody, 1);
    EXPECT_EQ(task->bodyPath, "/srv/fax/outbox/body.html");
}

TEST_F(FaxTasksTest, RecordWithoutAttachmentsMovesAloneAndUnsafeOrMissingRecordsGiveNone)
{
    const auto bare = MakeFaxMoveTask(kOutbox, 1);
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->FileCount(), 0);
    EXPECT_EQ(bare->hasBody, 0);
    EXPECT_FALSE(MakeFaxMoveTask(kOutbox, 2)); // "../x" would leave the folder
    EXPECT_FALSE(MakeFaxMoveTask(kOutbox, 3));
}

TEST(FaxTasks, FaxPathSettersKeepTheirTextWhenGivenNone)
{
    CFaxNewTask created;
    CFaxReplyTask reply;
    CFaxTransferTask forward;
    created.SetFaxPath("Account[0]/Folder[1]/Fax[2]");
    reply.SetFaxPath("Account[0]/Folder[1]/Fax[2]");
    forward.SetFaxPath("Account[0]/Folder[1]/Fax[2]");
    created.SetFaxPath("");
    reply.SetFaxPath("");
    forward.SetFaxPath("");
    EXPECT_EQ(created.GetFaxPath(), "Account[0]/Folder[1]/Fax[2]");
    EXPECT_EQ(reply.GetFaxPath(), "Account[0]/Folder[1]/Fax[2]");
    EXPECT_EQ(forward.GetFaxPath(), "Account[0]/Folder[1]/Fax[2]");
    CFaxEditTask edit;
    EXPECT_EQ(edit.GetCaller(), "");
    CFaxRcvTask receive;
    EXPECT_EQ(receive.accountPath, "");
}
