// The fax list's record operations on a real account.xml and real files:
// delete into the trash and inside it, delete all, the failed box's resend
// into the outbox, a move that cannot be made, and the compose tasks.
#include "faxbox/FaxFiling.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "faxbox/FaxListCompose.h"
#include "faxbox/tests/FaxListFixture.h"

using namespace faxlist_test;
namespace fs = std::filesystem;

namespace {

class FaxFilingTest : public FaxListFixture {
protected:
    std::string attr(const std::string& fax, const char* name) const
    {
        return xpath("string(/Config/Account/" + fax + "/@" + name + ")").value_or("?");
    }
    TaskQueue tasks;
};

const char* const kFaxBoxX = "Folder[@Type='faxbox']";
const char* const kTrashX = "Folder[@Type='trashbox']";
const char* const kOutboxX = "Folder[@Type='outbox']";
const char* const kFailedX = "Folder[@Type='failedbox']";

std::vector<FaxSpec> fiveFaxes()
{
    std::vector<FaxSpec> faxes;
    for (int k = 1; k <= 5; ++k) {
        const std::string second = "0" + std::to_string(k);
        faxes.push_back({"202612010800" + second, "2026-12-01 08:00:" + second,
                         "ReadFlag=\"1\" Topic=\"主题" + second + "\" SendFaxTime=\"2026120" + second + "\"",
                         {"p" + second + ".tif"}});
    }
    faxes[1].extra += " Flag=\"1\" BodyFileName=\"body-2.html\"";
    return faxes;
}

} // namespace

TEST_F(FaxFilingTest, DeletingTwoOfFiveMovesRecordsAndFilesIntoTheTrash)
{
    openFolders({fiveFaxes()});
    std::vector<std::string> md5s;
    for (int k = 1; k <= 5; ++k)
        md5s.push_back(testfiles::md5sumOf(writePage("faxbox", "p0" + std::to_string(k) + ".tif", "2026120108000" + std::to_string(k))));
    testfiles::writeFile(folderDir("faxbox") + "/body-2.html", "<p>body</p>");

    const FaxMoveOutcome outcome =
        DeleteFaxes(tasks, Folder::FaxBox, {{"20261201080002", 0}, {"20261201080004", 0}}, kAccount);
    EXPECT_EQ(outcome.moved, 2);
    EXPECT_TRUE(outcome.kept.empty());
    EXPECT_TRUE(outcome.saved);
    EXPECT_EQ(count(kFaxBoxX), "3");
    EXPECT_EQ(count(kTrashX), "2");
    const std::string second = std::string(kTrashX) + "/Fax[1]";
    EXPECT_EQ(attr(second, "CreateTime"), "20261201080002");
    EXPECT_EQ(attr(second, "Topic"), "主题02");
    EXPECT_EQ(attr(second, "SendFaxTime"), "202612002");
    EXPECT_EQ(attr(second, "ReadFlag"), "1");
    EXPECT_EQ(attr(second, "Flag"), "1");
    EXPECT_EQ(attr(second, "BodyFileName"), "body-2.html");
    EXPECT_EQ(attr(second + "/AttachFile", "File"), "p02.tif");
    EXPECT_EQ(attr(std::string(kTrashX) + "/Fax[2]", "Flag"), "0");
    for (int k : {2, 4}) {
        const std::string name = "p0" + std::to_string(k) + ".tif.2026120108000" + std::to_string(k);
        EXPECT_FALSE(fs::exists(folderDir("faxbox") + "/" + name)) << name;
        EXPECT_EQ(testfiles::md5sumOf(folderDir("trash") + "/" + name), md5s[k - 1]) << name;
    }
    EXPECT_TRUE(fs::exists(folderDir("trash") + "/body-2.html"));
    EXPECT_FALSE(fs::exists(folderDir("faxbox") + "/body-2.html"));
    EXPECT_TRUE(fs::exists(folderDir("faxbox") + "/p03.tif.20261201080003"));
    EXPECT_EQ(tasks.Count(), 0u);

    // Inside the trash a delete removes the record for good, and its files.
    const FaxMoveOutcome forGood = DeleteFaxes(tasks, Folder::TrashBox, {{"20261201080002", 0}}, kAccount);
    EXPECT_EQ(forGood.removed, 1);
    EXPECT_EQ(count(kTrashX), "1");
    EXPECT_FALSE(fs::exists(folderDir("trash") + "/p02.tif.20261201080002"));
    EXPECT_FALSE(fs::exists(folderDir("trash") + "/body-2.html"));
    EXPECT_EQ(testfiles::md5sumOf(folderDir("trash") + "/p04.tif.20261201080004"), md5s[3]) << "the other stays";
}

TEST_F(FaxFilingTest, AFileWhoseNameIsTakenInTheTrashMovesUnderAFreeNameThatItsRecordNames)
{
    // Faxes received in the same seconds as these are in the trash already:
    // one has fax 2's body name, one the name of fax 3's page, and one names
    // fax 5's page although that file is missing, as fax 5's own page is.
    std::vector<FaxSpec> faxes = fiveFaxes();
    openFolders({faxes,
                 {{"20261201080002", "2026-12-01 08:00:02", "Flag=\"1\" BodyFileName=\"body-2.html\"", {}},
                  {"20261201080003", "2026-12-01 08:00:03", "", {"p03.tif"}},
                  {"20261201080005", "2026-12-01 08:00:05", "", {"p05.tif"}}}});
    for (int k = 1; k <= 4; ++k)
        writePage("faxbox", "p0" + std::to_string(k) + ".tif", "2026120108000" + std::to_string(k));
    testfiles::writeFile(folderDir("faxbox") + "/body-2.html", "<p>fax 2</p>");
    testfiles::writeFile(folderDir("trash") + "/body-2.html", "<p>already in the trash</p>");
    const std::string occupant = testfiles::md5sumOf(writePage("trash", "p03.tif", "20261201080003"));
    const std::string page3 = testfiles::md5sumOf(folderDir("faxbox") + "/p03.tif.20261201080003");

    const FaxMoveOutcome outcome = DeleteFaxes(
        tasks, Folder::FaxBox, {{"20261201080002", 0}, {"20261201080003", 0}, {"20261201080005", 0}}, kAccount);
    EXPECT_EQ(outcome.moved, 3);
    EXPECT_TRUE(outcome.kept.empty());
    EXPECT_EQ(count(kFaxBoxX), "2");
    EXPECT_EQ(count(kTrashX), "6");
    const std::string trash = kTrashX;
    EXPECT_EQ(attr(trash + "/Fax[4]", "BodyFileName"), "body-2-1.html");
    EXPECT_EQ(testfiles::readFile(folderDir("trash") + "/body-2-1.html"), "<p>fax 2</p>");
    EXPECT_EQ(testfiles::readFile(folderDir("trash") + "/body-2.html"), "<p>already in the trash</p>");
    EXPECT_EQ(attr(trash + "/Fax[5]/AttachFile", "File"), "p03-1.tif");
    EXPECT_EQ(testfiles::md5sumOf(folderDir("trash") + "/p03-1.tif.20261201080003"), page3);
    EXPECT_EQ(testfiles::md5sumOf(folderDir("trash") + "/p03.tif.20261201080003"), occupant) << "never replaced";
    EXPECT_EQ(attr(trash + "/Fax[6]/AttachFile", "File"), "p05-1.tif") << "no two records name one file";
    for (const char* gone : {"body-2.html", "p02.tif.20261201080002", "p03.tif.20261201080003"})
        EXPECT_FALSE(fs::exists(folderDir("faxbox") + "/" + gone)) << gone;

    // Deleted for good, the moved fax takes its own files only.
    const FaxMoveOutcome forGood = DeleteFaxes(tasks, Folder::TrashBox, {{"20261201080003", 1}}, kAccount);
    EXPECT_EQ(forGood.removed, 1);
    EXPECT_FALSE(fs::exists(folderDir("trash") + "/p03-1.tif.20261201080003"));
    EXPECT_EQ(testfiles::md5sumOf(folderDir("trash") + "/p03.tif.20261201080003"), occupant);
}

TEST_F(FaxFilingTest, ARecordWithAMissingPageFileStillMovesAndNamesIt)
{
    openFolders({fiveFaxes()});
    const FaxMoveOutcome outcome = DeleteFaxes(tasks, Folder::FaxBox, {{"20261201080001", 0}}, kAccount);
    EXPECT_EQ(outcome.moved, 1);
    EXPECT_EQ(attr(std::string(kTrashX) + "/Fax[1]/AttachFile", "File"), "p01.tif");
}

TEST_F(FaxFilingTest, DeleteAllOfMoreThanFiveThousandLeavesTheLastInTheFile)
{
    std::vector<FaxSpec> faxes;
    for (int k = 0; k < kMaxListedFaxes + 1; ++k) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "20260%d%02d%02d%02d%02d", 1 + k / 1440, 1 + (k / 60) % 24, k % 24,
                      k % 60, 1 + k % 58);
        faxes.push_back({stamp, "2026-01-01 00:00:00", "ReadFlag=\"1\"", {}});
    }
    openFolders({faxes});
    const FaxMoveOutcome outcome = DeleteAllFaxes(tasks, Folder::FaxBox, kMaxListedFaxes, kAccount);
    EXPECT_EQ(outcome.moved, kMaxListedFaxes);
    EXPECT_EQ(count(kFaxBoxX), "1");
    EXPECT_EQ(attr(std::string(kFaxBoxX) + "/Fax", "CreateTime"), faxes.back().createTime);
    EXPECT_EQ(count(kTrashX), std::to_string(kMaxListedFaxes));
}

TEST_F(FaxFilingTest, TheMoveConsumersTakeOnlyTheTasksMadeForThem)
{
    openFolders({fiveFaxes()});
    auto sendDialogs = MakeFaxMoveTask(Folder::FaxBox, 0); // target "": its producer takes it back
    const CTask* kept = sendDialogs.get();
    tasks.AddTask(std::move(sendDialogs));
    tasks.AddTask(std::make_unique<CFaxRcvTask>());
    DeleteFaxes(tasks, Folder::FaxBox, {{"20261201080001", 0}}, kAccount);
    EXPECT_EQ(tasks.Count(), 2u);
    EXPECT_EQ(tasks.PopTask().get(), kept);
    EXPECT_EQ(count(kTrashX), "1");
}

TEST_F(FaxFilingTest, AFailedReportGoesBackToTheOutboxWithTheSentFaxsFiles)
{
    // Two sent faxes; three reports, the second naming a sent fax that is gone.
    openFolders({{}, {}, {},
                 {{"20261130100000", "2026-11-30 10:00:00", "ReadFlag=\"1\"", {"s1.tif", "s2.tif"}},
                  {"20261130110000", "2026-11-30 11:00:00", "ReadFlag=\"1\"", {"t1.tif"}}},
                 {{"20261201120000", "2026-12-01 12:00:00", "SendFaxTime=\"20261130100000\" ReadFlag=\"0\"", {}},
                  {"20261201120001", "2026-12-01 12:00:01", "SendFaxTime=\"20261130099999\"", {}},
                  {"20261201120002", "2026-12-01 12:00:02",
                   "SendFaxTime=\"20261130110000\" Flag=\"1\" BodyFileName=\"body-r.html\"", {}}}});
    const std::string s1 = testfiles::md5sumOf(writePage("overbox", "s1.tif", "20261130100000"));
    const std::string s2 = testfiles::md5sumOf(writePage("overbox", "s2.tif", "20261130100000"));
    const std::string t1 = testfiles::md5sumOf(writePage("overbox", "t1.tif", "20261130110000"));
    testfiles::writeFile(folderDir("failed") + "/body-r.html", "<p>report</p>");

    const FaxMoveOutcome outcome = ResendFailedFaxes(
        tasks, Folder::FailedBox,
        {{"20261201120000", 0}, {"20261201120001", 0}, {"20261201120002", 0}}, kAccount);
    EXPECT_EQ(outcome.moved, 2);
    EXPECT_EQ(outcome.missingSources, 1);
    EXPECT_EQ(count(kFailedX), "1");
    EXPECT_EQ(attr(std::string(kFailedX) + "/Fax", "CreateTime"), "20261201120001");
    EXPECT_EQ(count(kOutboxX), "2");
    const std::string first = std::string(kOutboxX) + "/Fax[1]";
    EXPECT_EQ(attr(first, "CreateTime"), "20261201120000");
    EXPECT_EQ(attr(first, "SendFaxTime"), "20261130100000");
    EXPECT_EQ(attr(first, "Caller"), "021-120000");
    EXPECT_EQ(xpath("count(/Config/Account/" + first + "/AttachFile)"), "2");
    EXPECT_EQ(testfiles::md5sumOf(folderDir("outbox") + "/s1.tif.20261201120000"), s1);
    EXPECT_EQ(testfiles::md5sumOf(folderDir("outbox") + "/s2.tif.20261201120000"), s2);
    EXPECT_EQ(testfiles::md5sumOf(folderDir("outbox") + "/t1.tif.20261201120002"), t1);
    EXPECT_TRUE(fs::exists(folderDir("overbox") + "/s1.tif.20261130100000")) << "the sent fax keeps its files";
    EXPECT_TRUE(fs::exists(folderDir("outbox") + "/body-r.html"));
    EXPECT_FALSE(fs::exists(folderDir("failed") + "/body-r.html"));
    EXPECT_EQ(count("Folder[@Type='overbox']"), "2");
}

TEST_F(FaxFilingTest, ComposeTasksNameTheFaxTheFolderCallsFor)
{
    openFolders({{{"20261201080000", "2026-12-01 08:00:00", "", {}}}, {}, {},
                 {{"20261130100000", "2026-11-30 10:00:00", "", {}}}, {},
                 {{"20261202080000", "2026-12-02 08:00:00", "", {}}},
                 {{"20261203080000", "2026-12-03 08:00:00", "SendFaxTime=\"20261130100000\"", {}},
                  {"20261203080001", "2026-12-03 08:00:01", "SendFaxTime=\"20200101000000\"", {}}}});
    const auto edit = [](const ComposeRequest& request) { return dynamic_cast<CFaxEditTask*>(request.task.get()); };

    const ComposeRequest receipt = OpenForEditing(Folder::InBox, 0, kAccount);
    ASSERT_TRUE(edit(receipt));
    EXPECT_EQ(edit(receipt)->GetFaxPath(), "Account[0]/Folder[3]/Fax[0]");
    EXPECT_EQ(edit(receipt)->GetFolderPath(), Folder::OverBox);
    EXPECT_EQ(edit(receipt)->GetAccountPath(), kAccount);
    EXPECT_EQ(edit(receipt)->GetCaller(), "021-080000") << "the receipt's Caller";

    const ComposeRequest orphan = OpenForEditing(Folder::InBox, 1, kAccount);
    EXPECT_FALSE(orphan.task);
    EXPECT_TRUE(orphan.missingSource);

    const ComposeRequest draft = OpenForEditing(Folder::TempBox, 0, kAccount);
    ASSERT_TRUE(edit(draft));
    EXPECT_EQ(edit(draft)->GetFaxPath(), "Account[0]/Folder[5]/Fax[0]");
    EXPECT_EQ(edit(draft)->GetCaller(), "");

    const ComposeRequest received = OpenForEditing(Folder::FaxBox, 0, kAccount);
    EXPECT_FALSE(received.task);
    EXPECT_FALSE(received.missingSource);
    EXPECT_FALSE(OpenForEditing(Folder::TempBox, 1, kAccount).task);

    EXPECT_EQ(edit(ResendThroughCompose(Folder::OverBox, 0, kAccount))->GetFaxPath(), "Account[0]/Folder[3]/Fax[0]");
    EXPECT_EQ(edit(ResendThroughCompose(Folder::InBox, 0, kAccount))->GetCaller(), "021-080000");
    EXPECT_FALSE(ResendThroughCompose(Folder::FaxBox, 0, kAccount).task);

    const auto reply = MakeReplyTask("Account[0]/Folder[0]/Fax[0]");
    EXPECT_EQ(reply->GetFaxPath(), "Account[0]/Folder[0]/Fax[0]");
    const auto forward = MakeForwardTask("Account[0]/Folder[0]/Fax[0]", Folder::FaxBox, kAccount);
    EXPECT_EQ(forward->GetFolderPath(), Folder::FaxBox);
    EXPECT_EQ(forward->GetAccountPath(), kAccount);
}
