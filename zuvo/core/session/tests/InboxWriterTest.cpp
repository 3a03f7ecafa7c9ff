// The inbox writer: routing, the record and its order, the body and page
// files, the time of two records in one second, names from the server, and
// a record written whole or not at all.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "core/TextUtil.h"
#include "core/session/InboxWriter.h"
#include "core/tests/SessionFakes.h"
#include "core/tests/TestFiles.h"

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

    // A downloaded file as the pump leaves it for the writer.
    std::string Staged(const std::string& name, const std::string& bytes)
    {
        fs::create_directories(dir.file("staging"));
        const std::string path = dir.file("staging/" + name);
        testfiles::writeFile(path, bytes);
        return path;
    }

    // A received fax naming its attachments.
    CRL::EventPtr FaxNaming(const std::vector<std::string>& names)
    {
        CRL::EventPtr item = Item("queryfax", "30");
        item->setKV("attachfilecount", static_cast<int>(names.size()));
        for (std::size_t i = 0; i < names.size(); ++i)
            item->setKV(FormatText("attachfile[%zu].name", i).c_str(), names[i].c_str());
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
    // The body in the server's encoding.
    EXPECT_EQ(testfiles::run("iconv -f GBK -t UTF-8 " + testfiles::quote(box + "/" + record.Get("BodyFileName"))).output,
              "<html>正文</html>");
}

TEST_F(InboxWriterTest, WithoutFilesPagesComeFromTheItemAndAMissingFileIsLeftOut)
{
    CRL::EventPtr none = Item("faxreply-accept", "20");
    none->setKV("sendfaxflag", 1);
    none->setKV("pages", 7);
    ASSERT_EQ(writer.addInBox(*none), "inbox");
    EXPECT_EQ(account.Records().back().second.Get("Pages"), "7");

    // A reply naming a file that is not there is stored all the same (so it
    // is acknowledged), without that page.
    fs::create_directories(account.folders["failedbox"]);
    testfiles::writeFile(account.folders["failedbox"] + "/here.tif", "PP");
    for (const std::vector<std::string>& names :
         {std::vector<std::string>{"gone.tif"}, std::vector<std::string>{"gone.tif", "here.tif"}}) {
        CRL::EventPtr missing = Item("queryfax", "20");
        missing->setKV("attachfilecount", static_cast<int>(names.size()));
        for (std::size_t i = 0; i < names.size(); ++i)
            missing->setKV(FormatText("attachfile[%zu].name", i).c_str(), names[i].c_str());
        missing->setKV("pages", 7);
        ASSERT_EQ(writer.addInBox(*missing), "failedbox") << names.size();
        const FaxRecord record = account.Records().back().second;
        EXPECT_EQ(record.Get("Pages"), names.size() == 1 ? "0" : "2");
        ASSERT_EQ(record.attachments.size(), names.size() - 1);
        if (!record.attachments.empty()) {
            EXPECT_EQ(record.attachments[0].file, "here.tif");
        }
        ++fixedTime;
    }
    EXPECT_FALSE(fs::exists(account.folders["failedbox"] + "/gone.tif." + FormatCreateTime(fixedTime - 2)));
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

TEST_F(InboxWriterTest, DownloadedFilesAreTakenByIndexAndNamedByTheItem)
{
    const std::vector<std::string> staged = {Staged("0-x", "P"), Staged("1-y", "PP"), Staged("2-z", "PPP"),
                                             Staged("3-w", "PPPP")};
    // The faxbox holds a file of the name the item gives: never looked at.
    fs::create_directories(account.folders["failedbox"]);
    testfiles::writeFile(account.folders["failedbox"] + "/report.tif", "other fax's bytes");
    CRL::EventPtr item = Item("queryfax", "40");
    item->setKV("attachfilecount", 4);
    item->setKV("attachfile.items[0].filename", "srv\\0001.tif");
    item->setKV("attachfile[0].name", "d:\\reports\\report.tif");
    item->setKV("attachfile.items[1].filename", "x\\p.tif");
    item->setKV("attachfile[1].name", "x\\p.tif");
    item->setKV("attachfile.items[2].filename", "y\\p.tif");
    item->setKV("attachfile[2].name", "y\\p.tif");
    item->setKV("attachfile.items[3].filename", "srv\\named-by-server.tif");
    ASSERT_EQ(writer.addInBox(*item, staged), "failedbox");

    const FaxRecord record = account.Records().back().second;
    EXPECT_EQ(record.Get("Pages"), "10");
    std::vector<std::string> files;
    for (const AttachFile& page : record.attachments)
        files.push_back(page.file);
    EXPECT_EQ(files, (std::vector<std::string>{"report.tif", "p.tif", "p (2).tif", "named-by-server.tif"}));
    const std::string box = account.folders["failedbox"] + "/";
    const std::string suffix = "." + record.Get("CreateTime");
    EXPECT_EQ(testfiles::readFile(box + "report.tif" + suffix), "P");
    EXPECT_EQ(testfiles::readFile(box + "p.tif" + suffix), "PP");
    EXPECT_EQ(testfiles::readFile(box + "p (2).tif" + suffix), "PPP");
    EXPECT_EQ(testfiles::readFile(box + "named-by-server.tif" + suffix), "PPPP");
    EXPECT_EQ(testfiles::readFile(box + "report.tif"), "other fax's bytes");
}

TEST_F(InboxWriterTest, ANameTooLongForTheStoredFormIsShortenedKeepingItsExtension)
{
    std::string name;
    for (int i = 0; i < 100; ++i)
        name += "页";
    name += ".tiff";
    ASSERT_EQ(writer.addInBox(*FaxNaming({name}), {Staged("0", "P")}), "faxbox");
    const FaxRecord record = account.Records().back().second;
    ASSERT_EQ(record.attachments.size(), 1u);
    const std::string file = record.attachments[0].file;
    // 78 whole characters of three bytes and the extension: 239 bytes.
    EXPECT_EQ(file, name.substr(0, 78 * 3) + ".tiff");
    EXPECT_EQ(testfiles::readFile(account.folders["faxbox"] + "/" + file + "." + record.Get("CreateTime")), "P");
}

TEST_F(InboxWriterTest, AFailedStepRemovesWhatTheRecordWrote)
{
    CRL::EventPtr item = FaxNaming({"a.tif", "b.tif"});
    const std::string first = Staged("0-a.tif", "P");
    const std::string second = dir.file("staging/1-b.tif");

    // The second page cannot be read.
    EXPECT_EQ(writer.addInBox(*item, {first, second}), "");
    // The files are in, but the record cannot be saved.
    Staged("1-b.tif", "PP");
    account.addSucceeds = false;
    EXPECT_EQ(writer.addInBox(*item, {first, second}), "");
    // A page missing from what was downloaded.
    account.addSucceeds = true;
    EXPECT_EQ(writer.addInBox(*item, {first}), "");

    EXPECT_TRUE(account.Records().empty());
    EXPECT_TRUE(fs::is_empty(account.folders["faxbox"]));
}

TEST_F(InboxWriterTest, ANameTakenMeanwhileMovesTheRecordToTheNextSecond)
{
    // The store's choice of time does not see the file that is in the way.
    fs::create_directories(account.folders["faxbox"]);
    const std::string taken = account.folders["faxbox"] + "/a.tif." + FormatCreateTime(fixedTime);
    testfiles::writeFile(taken, "someone else's page");
    ASSERT_EQ(writer.addInBox(*FaxNaming({"a.tif"}), {Staged("0-a.tif", "PP")}), "faxbox");

    const FaxRecord record = account.Records().back().second;
    EXPECT_EQ(record.Get("CreateTime"), FormatCreateTime(fixedTime + 1));
    EXPECT_EQ(record.Get("BodyFileName"), FormatBodyFileName(fixedTime + 1));
    EXPECT_EQ(testfiles::readFile(taken), "someone else's page");
    EXPECT_EQ(testfiles::readFile(account.folders["faxbox"] + "/a.tif." + FormatCreateTime(fixedTime + 1)), "PP");
    // The first attempt's body is gone again.
    EXPECT_FALSE(fs::exists(account.folders["faxbox"] + "/" + FormatBodyFileName(fixedTime)));
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

#include "core/session/SessionStores.h"
#include "core/stores/AccountConfig.h"

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
