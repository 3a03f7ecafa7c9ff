// The inbox writer: routing, the record and its order, the body and page
// files, the time of two records in one second, and names from the server.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "SessionFakes.h"
#include "TestFiles.h"
#include "core/InboxWriter.h"

using namespace sessiontest;
namespace fs = std::filesystem;

namespace {

// Pages of a test file: the number of "P" in it (0 for a missing file).
int CountP(const std::string& path)
{
    const std::string bytes = testfiles::readFile(path);
    return static_cast<int>(std::count(bytes.begin(), bytes.end(), 'P'));
}

class InboxWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        account.data.present = true;
        for (const char* type : {"faxbox", "inbox", "failedbox", "deposebox"})
            account.folders[type] = dir.file(type);
    }

    CRL::EventPtr Item(const char* event, const char* faxType)
    {
        CRL::EventPtr item = CRL::makeEvent();
        item->setKV("event", event);
        item->setKV("faxtype", faxType);
        item->setKV("called", "02155550000");
        item->setKV("title", "报价单");
        item->setKV("createtime", "2026-12-01 08:00:00");
        item->setKV("content", "<html>正文</html>");
        return item;
    }

    testfiles::TempDir dir;
    FakeAccount account;
    std::time_t fixedTime = 1796000000; // one second for every record
    InboxWriter writer{account, CountP, [](const std::string& number) {
                           return number == "02155550000" ? InboxWriter::Contact{"王明", "明达"} : InboxWriter::Contact{};
                       },
                       [this] { return fixedTime; }};
};

} // namespace

TEST_F(InboxWriterTest, TheItemsKindSelectsTheMailbox)
{
    struct Case {
        const char* event;
        const char* faxType;
        const char* sendFaxFlag;
        const char* invalidateFax;
        const char* box;
    };
    const std::vector<Case> cases = {
        {"queryfax", "30", "1", "1", "faxbox"},     {"queryfax", "50", "0", "0", "faxbox"},
        {"faxreceived", "40", "1", "0", "faxbox"},  {"filetransfered", "", "0", "0", "faxbox"},
        {"queryfax", "40", "1", "0", "inbox"},      {"faxreply-accept", "20", "2", "1", "inbox"},
        {"queryfax", "40", "0", "1", "deposebox"},  {"queryfax", "40", "0", "0", "failedbox"},
        {"queryfax", "20", "", "", "failedbox"},    {"FaxReceived", "40", "1", "0", "faxbox"},
        {"voxreceived", "40", "0", "1", "deposebox"},
    };
    for (const Case& c : cases) {
        CRL::EventPtr item = Item(c.event, c.faxType);
        item->setKV("sendfaxflag", c.sendFaxFlag);
        item->setKV("invalidatefax", c.invalidateFax);
        EXPECT_EQ(InboxWriter::MailboxFor(*item), c.box) << c.event << " " << c.faxType;
    }
}

TEST_F(InboxWriterTest, TheRecordNamesItsBodyAndPageCopiesInItsOrder)
{
    fs::create_directories(account.folders["faxbox"]);
    testfiles::writeFile(account.folders["faxbox"] + "/p1.tif", "PPP");
    testfiles::writeFile(account.folders["faxbox"] + "/p2.tif", "P");
    CRL::EventPtr item = Item("queryfax", "30");
    item->setKV("attachfilecount", 2);
    item->setKV("attachfile[0].name", "d:\\fax\\p1.tif");
    item->setKV("attachfile[1].name", "p2.tif");
    item->setKV("pages", 9);

    ASSERT_EQ(writer.addInBox(*item), "faxbox");
    const auto records = account.Records();
    ASSERT_EQ(records.size(), 1u);
    const FaxRecord& record = records[0].second;
    std::vector<std::string> names;
    for (const auto& attribute : record.Attributes())
        names.push_back(attribute.first);
    EXPECT_EQ(names, (std::vector<std::string>{"Caller", "ToCC", "Topic", "Name", "Company", "SendFaxTime", "ReadFlag",
                                               "Flag", "Date", "BodyFileName", "CreateTime", "Pages"}));
    EXPECT_EQ(record.Get("Caller"), "02155550000");
    EXPECT_EQ(record.Get("Topic"), "报价单");
    EXPECT_EQ(record.Get("Name"), "王明");
    EXPECT_EQ(record.Get("Company"), "明达");
    EXPECT_EQ(record.Get("SendFaxTime"), "2026-12-01 08:00:00");
    EXPECT_EQ(record.Get("ReadFlag"), "0");
    EXPECT_EQ(record.Get("Flag"), "1");
    EXPECT_EQ(record.Get("Pages"), "4");
    const std::string createTime = record.Get("CreateTime");
    EXPECT_EQ(createTime, FormatCreateTime(fixedTime));
    EXPECT_EQ(record.Get("Date"), FormatRecordDate(fixedTime));
    ASSERT_EQ(record.attachments.size(), 2u);
    EXPECT_EQ(record.attachments[0].file, "p1.tif");
    EXPECT_EQ(record.attachments[1].file, "p2.tif");
    const std::string box = account.folders["faxbox"];
    EXPECT_EQ(testfiles::readFile(box + "/p1.tif." + createTime), "PPP");
    EXPECT_EQ(testfiles::readFile(box + "/p2.tif." + createTime), "P");
    EXPECT_EQ(testfiles::readFile(box + "/" + record.Get("BodyFileName")), "<html>正文</html>");
}

TEST_F(InboxWriterTest, WithoutFilesPagesComeFromTheItemAndMissingFilesCountNothing)
{
    CRL::EventPtr none = Item("faxreply-accept", "20");
    none->setKV("sendfaxflag", 1);
    none->setKV("pages", 7);
    ASSERT_EQ(writer.addInBox(*none), "inbox");
    EXPECT_EQ(account.Records().back().second.Get("Pages"), "7");

    CRL::EventPtr missing = Item("queryfax", "20");
    missing->setKV("attachfilecount", 1);
    missing->setKV("attachfile[0].name", "gone.tif");
    missing->setKV("pages", 7);
    ASSERT_EQ(writer.addInBox(*missing), "failedbox");
    const FaxRecord record = account.Records().back().second;
    EXPECT_EQ(record.Get("Pages"), "0");
    ASSERT_EQ(record.attachments.size(), 1u); // still named
}

TEST_F(InboxWriterTest, TwoRecordsInOneSecondGetDistinctTimesAndBodies)
{
    ASSERT_FALSE(writer.addInBox(*Item("faxreceived", "30")).empty());
    ASSERT_FALSE(writer.addInBox(*Item("faxreceived", "30")).empty());
    const auto records = account.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_NE(records[0].second.Get("CreateTime"), records[1].second.Get("CreateTime"));
    EXPECT_NE(records[0].second.Get("BodyFileName"), records[1].second.Get("BodyFileName"));
    EXPECT_TRUE(fs::exists(account.folders["faxbox"] + "/" + records[0].second.Get("BodyFileName")));
    EXPECT_TRUE(fs::exists(account.folders["faxbox"] + "/" + records[1].second.Get("BodyFileName")));
}

TEST_F(InboxWriterTest, FilesFetchedElsewhereAreCopiedIntoTheChosenBox)
{
    const std::string fetched = dir.file("faxbox");
    fs::create_directories(fetched);
    testfiles::writeFile(fetched + "/report.tif", "PP");
    CRL::EventPtr item = Item("queryfax", "40");
    item->setKV("attachfilecount", 1);
    item->setKV("attachfile[0].name", "report.tif");
    ASSERT_EQ(writer.addInBox(*item, fetched), "failedbox");
    const FaxRecord record = account.Records().back().second;
    EXPECT_EQ(record.Get("Pages"), "2");
    EXPECT_EQ(testfiles::readFile(account.folders["failedbox"] + "/report.tif." + record.Get("CreateTime")), "PP");
}

TEST_F(InboxWriterTest, AMissingFolderFallsBackToTheFailedboxAndBadNamesAreSkipped)
{
    account.folders.erase("inbox");
    CRL::EventPtr item = Item("queryfax", "40");
    item->setKV("sendfaxflag", 1);
    item->setKV("attachfilecount", 3);
    item->setKV("attachfile[0].name", "..");
    item->setKV("attachfile[1].name", "");
    item->setKV("attachfile[2].name", "a\\");
    EXPECT_EQ(writer.addInBox(*item), "failedbox");
    EXPECT_TRUE(account.Records().back().second.attachments.empty());
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename(), "failedbox");

    account.data.present = false;
    EXPECT_EQ(writer.addInBox(*Item("faxreceived", "30")), "");
}

TEST_F(InboxWriterTest, AnAttachmentCountFromTheServerIsNotTrustedForTheLoop)
{
    CRL::EventPtr item = Item("queryfax", "20");
    item->setKV("sendfaxflag", 1);
    item->setKV("attachfilecount", 2000000000);
    item->setKV("attachfile[0].name", "r.tif");
    fs::create_directories(account.folders["inbox"]);
    testfiles::writeFile(account.folders["inbox"] + "/r.tif", "P");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(writer.addInBox(*item), "inbox");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    const FaxRecord record = account.Records().back().second;
    ASSERT_EQ(record.attachments.size(), 1u);
    EXPECT_EQ(record.Get("Pages"), "1");
}

#include "core/AccountConfig.h"
#include "core/SessionStores.h"

namespace {

// An account whose faxbox already holds a record made at fixedTime, with
// its page file and body: what is left from before the clock went back.
class InboxOverStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        oldCreateTime = FormatCreateTime(fixedTime);
        oldBody = FormatBodyFileName(fixedTime);
        testfiles::writeFile(home.file("account.xml"),
                             R"(<?xml version="1.0" encoding="GB2312"?>
<Config>
  <Account Name="t" Default="yes" FaxUser="u" Directory="data">
    <Folder Name="rcvBox" Type="faxbox" Directory="faxbox">
      <Fax Caller="1" CreateTime=")" + oldCreateTime + R"(" BodyFileName=")" + oldBody + R"(" Pages="1">
        <AttachFile File="p.tif"/>
      </Fax>
    </Folder>
    <Folder Name="Failed" Type="failedbox" Directory="failedbox"/>
  </Account>
</Config>
)");
        fs::create_directories(home.file("data/faxbox"));
        testfiles::writeFile(home.file("data/faxbox/p.tif." + oldCreateTime), "old page");
        testfiles::writeFile(home.file("data/faxbox/" + oldBody), "old body");
        AccountConfig::Close();
        ASSERT_EQ(AccountConfig::Open(home.path()), 1);
    }
    void TearDown() override { AccountConfig::Close(); }

    testfiles::TempDir home;
    testfiles::ScopedEnv programDir{"ZUVO_HOME", home.path()};
    std::time_t fixedTime = 1796100000;
    std::string oldCreateTime;
    std::string oldBody;
    AccountStoreSource account;
};

} // namespace

TEST_F(InboxOverStoreTest, ARecordNeverTakesTheTimeOrFilesOfOneAlreadyStored)
{
    testfiles::writeFile(home.file("data/faxbox/p.tif"), "PP new page");
    InboxWriter writer(account, CountP, {}, [this] { return fixedTime; });
    CRL::Event item;
    item.setKV("event", "faxreceived");
    item.setKV("content", "new body");
    item.setKV("attachfilecount", 1);
    item.setKV("attachfile[0].name", "p.tif");
    ASSERT_EQ(writer.addInBox(item), "faxbox");

    EXPECT_EQ(testfiles::readFile(home.file("data/faxbox/p.tif." + oldCreateTime)), "old page");
    EXPECT_EQ(testfiles::readFile(home.file("data/faxbox/" + oldBody)), "old body");
    const std::string fax = "/Config/Account/Folder[@Type='faxbox']/Fax[2]";
    const std::string createTime = testfiles::xpath(home.file("account.xml"), "string(" + fax + "/@CreateTime)").value_or("");
    EXPECT_NE(createTime, oldCreateTime);
    EXPECT_EQ(testfiles::readFile(home.file("data/faxbox/p.tif." + createTime)), "PP new page");
    EXPECT_EQ(testfiles::xpath(home.file("account.xml"), "string(" + fax + "/@Pages)"), "2");
}
