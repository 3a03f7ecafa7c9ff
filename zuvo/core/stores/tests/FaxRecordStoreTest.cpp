#include "core/stores/FaxRecordStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>
#include <thread>

#include "core/TextUtil.h"
#include "core/stores/AccountConfig.h"
#include "core/tests/AccountFixture.h"
#include "spindle/VLock.h"

namespace {

constexpr const char* kOutbox = "Account[0]/Folder[0]";
constexpr const char* kFaxbox = "Account[0]/Folder[1]";

class FaxRecordTest : public testfiles::AccountStoreTest {
protected:
    void SetUp() override
    {
        openWith("<Account Default=\"yes\" Directory=\"data\">"
                 "<Folder Name=\"发件箱\" Type=\"outbox\" Directory=\"outbox\"/>"
                 "<Folder Name=\"收件箱\" Type=\"faxbox\" Directory=\"/absolute/faxes\"/>"
                 "</Account>\n");
    }

    static FaxRecord outgoing(const std::string& createTime)
    {
        FaxRecord record;
        record.Set(FaxRecord::kCaller, "021-5550001");
        record.Set(FaxRecord::kToCC, "");
        record.Set(FaxRecord::kTopic, "报价单 (GBK 镕)");
        record.Set(FaxRecord::kName, "张三");
        record.Set(FaxRecord::kCompany, "");
        record.Set(FaxRecord::kDate, "2026-12-10 09:30:01");
        record.Set(FaxRecord::kCreateTime, createTime);
        record.Set(FaxRecord::kReadFlag, "1");
        record.Set(FaxRecord::kSendTimer, "2026-12-10 18:00:00");
        record.Set(FaxRecord::kTimerFlag, "0");
        record.attachments = {{"合同", "1"}, {"page2.tif", ""}};
        record.Set(FaxRecord::kPages, "3");
        return record;
    }
};

} // namespace

TEST_F(FaxRecordTest, AppendedRecordIsSavedInOrderAndReadsBack)
{
    const FaxRecord record = outgoing("20261210093001");
    ASSERT_EQ(AppendFaxRecord(kOutbox, record), 1);

    // The saved file, read by an independent parser.
    EXPECT_EQ(xpath("count(//Folder[@Type='outbox']/Fax)"), "1");
    EXPECT_EQ(xpath("name(//Fax/@*[1])"), "Caller");
    EXPECT_EQ(xpath("count(//Fax/@*)"), "11");
    EXPECT_EQ(xpath("name(//Fax/@*[11])"), "Pages"); // Pages set last, written last
    EXPECT_EQ(xpath("count(//Fax/@Flag)"), "0");      // compose-window records have no Flag
    EXPECT_EQ(xpath("string(//Fax/@Topic)"), "报价单 (GBK 镕)");
    EXPECT_EQ(xpath("string(//Fax/AttachFile[1]/@File)"), "合同");
    EXPECT_EQ(xpath("string(//Fax/AttachFile[1]/@HeadFlag)"), "1");
    EXPECT_EQ(xpath("count(//Fax/AttachFile[2]/@HeadFlag)"), "0");

    AccountConfig::Close();
    ASSERT_EQ(AccountConfig::Open(dir_.path()), 1);
    const auto back = ReadFaxRecord(kOutbox, 0);
    ASSERT_TRUE(back);
    // Read in the table order of the attributes; the same set of values.
    auto sorted = [](auto attributes) {
        std::sort(attributes.begin(), attributes.end());
        return attributes;
    };
    EXPECT_EQ(sorted(back->Attributes()), sorted(record.Attributes()));
    ASSERT_EQ(back->attachments.size(), 2u);
    EXPECT_EQ(back->attachments[0].file, "合同");
    EXPECT_EQ(back->attachments[1].headFlag, "");
    EXPECT_EQ(back->Flag(), 0);
    EXPECT_EQ(back->Pages(), 3);
    EXPECT_FALSE(ReadFaxRecord(kOutbox, 1));
    EXPECT_FALSE(ReadFaxRecord(kOutbox, -1));
}

namespace {

class SampleAccountTest : public testfiles::AccountStoreTest {};

} // namespace

// The installation's own account.xml keeps its layout when a fax is filed:
// the record goes into its folder's line, every other line stays as it was.
TEST_F(SampleAccountTest, AFiledFaxChangesOnlyItsFoldersLine)
{
    const std::string sample = std::string(ZUVO_SOURCE_DIR) + "/zuvo/res/samples/account.xml";
    std::filesystem::copy_file(sample, accountPath());
    ASSERT_EQ(AccountConfig::Open(dir_.path()), 1);
    FaxRecord record;
    record.Set(FaxRecord::kCaller, "021-5550001");
    record.Set(FaxRecord::kCreateTime, "20261210093001");
    record.attachments = {{"a.tif", ""}};
    ASSERT_EQ(AppendFaxRecord(AccountConfig::GetFaxBoxPath(), record), 1);

    const std::string lines = "wc -l < ";
    EXPECT_EQ(testfiles::run(lines + testfiles::quote(accountPath())).output,
              testfiles::run(lines + testfiles::quote(sample)).output);
    const std::string diff =
        testfiles::run("diff " + testfiles::quote(sample) + " " + testfiles::quote(accountPath())).output;
    EXPECT_EQ(diff.rfind("4c4\n", 0), 0u) << diff;
    EXPECT_EQ(std::count(diff.begin(), diff.end(), '\n'), 4) << diff;
    EXPECT_NE(diff.find("Directory=\"faxbox\"><Fax Caller=\"021-5550001\" CreateTime=\"20261210093001\">"
                        "<AttachFile File=\"a.tif\"/></Fax></Folder>"),
              std::string::npos)
        << diff;
}

TEST_F(FaxRecordTest, RecordsNamingFilesOutsideTheirFolderAreRefused)
{
    const std::string before = testfiles::md5sumOf(accountPath());
    FaxRecord badTime = outgoing("2026121009300");
    FaxRecord badFile = outgoing("20261210093001");
    badFile.attachments.push_back({"../../x", ""});
    FaxRecord badBody = outgoing("20261210093001");
    badBody.Set(FaxRecord::kBodyFileName, "/etc/passwd");
    for (const FaxRecord* record : {&badTime, &badFile, &badBody}) {
        EXPECT_FALSE(HasSafeFileNames(*record));
        EXPECT_EQ(AppendFaxRecord(kOutbox, *record), 0);
    }
    EXPECT_EQ(AppendFaxRecord("Account[0]/Folder[5]", outgoing("20261210093001")), 0);
    EXPECT_EQ(testfiles::md5sumOf(accountPath()), before);
    EXPECT_EQ(FaxCount(kOutbox), 0);
}

TEST_F(FaxRecordTest, FilesLieInTheFolderDirectory)
{
    EXPECT_EQ(FolderDirectory(kOutbox), dir_.file("data/outbox"));
    EXPECT_EQ(FolderDirectory(kFaxbox), "/absolute/faxes");
    EXPECT_EQ(EnsureFolderDirectory(kOutbox), dir_.file("data/outbox"));
    EXPECT_TRUE(std::filesystem::is_directory(dir_.file("data/outbox")));

    EXPECT_EQ(AttachmentPath("/d", "page.tif", "20261210093001"), "/d/page.tif.20261210093001");
    EXPECT_EQ(AttachmentPath("/d", "..", "20261210093001"), std::nullopt);
    EXPECT_EQ(AttachmentPath("/d", "a", "2026121009300x"), std::nullopt);
    EXPECT_EQ(AttachmentPath("", "a", "20261210093001"), std::nullopt);
    EXPECT_EQ(BodyFilePath("/d", "body-2026-12-10-09-30-01.html"), "/d/body-2026-12-10-09-30-01.html");
    EXPECT_EQ(BodyFilePath("/d", "../body.html"), std::nullopt);
}

TEST_F(FaxRecordTest, LookUpByCreateTimeAndRowKey)
{
    // Ten months apart: the same last nine digits, so the same row key.
    for (const char* createTime : {"20250210103045", "20251210103045", "20261210103046"})
        ASSERT_EQ(AppendFaxRecord(kOutbox, outgoing(createTime)), 1);

    EXPECT_EQ(FindFaxByCreateTime(kOutbox, "20251210103045"), 1);
    EXPECT_EQ(FindFaxByCreateTime(kOutbox, "20251210103047"), -1);
    EXPECT_EQ(FindFaxByCreateTime(kFaxbox, "20251210103045"), -1);

    struct Case {
        int readFlag;
        const char* createTime;
        uint32_t key;
    };
    const std::vector<Case> keys = {
        {1, "20251210103045", 1210103045u}, {0, "20250210103045", 210103045u}, {1, "20261231235959", 1231235959u},
    };
    for (const Case& c : keys)
        EXPECT_EQ(MakeRowKey(c.readFlag, c.createTime), c.key) << c.createTime;
    EXPECT_EQ(MakeRowKey(1, "20250210103045"), MakeRowKey(1, "20251210103045"));

    EXPECT_EQ(FindFaxByRowKey(kOutbox, 1210103045u), 0); // the first of the two
    EXPECT_EQ(FindFaxByRowKey(kOutbox, MakeRowKey(0, "20261210103046")), 2);
    EXPECT_EQ(FindFaxByRowKey(kOutbox, 1999999999u), -1);
}

TEST_F(FaxRecordTest, WritersInTheSameSecondGetDistinctTimesAndNames)
{
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 10;
    t.tm_hour = 9;
    t.tm_min = 30;
    t.tm_sec = 59;
    t.tm_isdst = -1;
    const std::time_t now = std::mktime(&t);
    EXPECT_EQ(FormatCreateTime(now), "20261210093059");
    EXPECT_EQ(FormatRecordDate(now), "2026-12-10 09:30:59");
    EXPECT_EQ(FormatBodyFileName(now), "body-2026-12-10-09-30-59.html");

    ASSERT_EQ(AppendFaxRecord(kOutbox, outgoing(FormatCreateTime(now))), 1);
    EXPECT_EQ(FormatCreateTime(AllocateRecordTime(kOutbox, {"合同"}, now)), "20261210093100");

    // A stale page file with the next name is not overwritten either.
    const std::string directory = EnsureFolderDirectory(kOutbox);
    testfiles::writeFile(directory + "/合同.20261210093100", "old page");
    EXPECT_EQ(FormatCreateTime(AllocateRecordTime(kOutbox, {"合同"}, now)), "20261210093101");
    EXPECT_EQ(FormatCreateTime(AllocateRecordTime(kOutbox, {"other"}, now)), "20261210093100");

    testfiles::writeFile(directory + "/" + FormatBodyFileName(now), "<html/>");
    EXPECT_EQ(FormatBodyFileName(AllocateBodyFileTime(directory, now)), "body-2026-12-10-09-31-00.html");
}

TEST_F(FaxRecordTest, FourThreadsSavingThroughOneStoreLoseNoRecord)
{
    constexpr int kThreads = 4;
    constexpr int kEach = 15;
    const std::time_t now = std::time(nullptr);
    std::vector<std::thread> writers;
    std::atomic<int> failures{0};
    for (int w = 0; w < kThreads; ++w)
        writers.emplace_back([&, w] {
            for (int i = 0; i < kEach; ++i) {
                Spindle::VLock lock(AccountConfig::Mutex());
                const std::time_t when = AllocateRecordTime(kOutbox, {"p"}, now);
                FaxRecord record = outgoing(FormatCreateTime(when));
                record.Set(FaxRecord::kCaller, "w" + std::to_string(w) + "-" + std::to_string(i));
                record.attachments = {{"p", ""}};
                if (AppendFaxRecord(kOutbox, record) != 1)
                    ++failures;
            }
        });
    for (std::thread& t : writers)
        t.join();
    EXPECT_EQ(failures, 0);

    EXPECT_EQ(xpath("count(//Fax)"), std::to_string(kThreads * kEach));
    AccountConfig::Close();
    ASSERT_EQ(AccountConfig::Open(dir_.path()), 1);
    std::set<std::string> callers, times;
    for (int k = 0; k < FaxCount(kOutbox); ++k) {
        const auto record = ReadFaxRecord(kOutbox, k);
        ASSERT_TRUE(record);
        callers.insert(record->Get(FaxRecord::kCaller));
        times.insert(record->CreateTime());
    }
    EXPECT_EQ(callers.size(), std::size_t(kThreads * kEach));
    EXPECT_EQ(times.size(), std::size_t(kThreads * kEach));
}

// Each append is whole by itself: writers that hold no lock of their own,
// and a settings change saved in between, neither mix nor lose records.
TEST_F(FaxRecordTest, AppendsFromThreadsWithoutOuterLockStayWhole)
{
    constexpr int kThreads = 4;
    constexpr int kEach = 10;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int w = 0; w < kThreads; ++w)
        threads.emplace_back([&, w] {
            for (int i = 0; i < kEach; ++i) {
                FaxRecord record = outgoing(FormatText("202612101%d%04d", w, i));
                record.Set(FaxRecord::kCaller, "w" + std::to_string(w) + "-" + std::to_string(i));
                record.attachments = {{"w" + std::to_string(w), ""}};
                if (AppendFaxRecord(kOutbox, record) != 1)
                    ++failures;
            }
        });
    threads.emplace_back([&] {
        for (int i = 0; i < kEach; ++i)
            if (AccountConfig::SetProxyPort(9000 + i) != 1 || AccountConfig::Save() != 1)
                ++failures;
    });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures, 0);

    AccountConfig::Close();
    ASSERT_EQ(AccountConfig::Open(dir_.path()), 1);
    ASSERT_EQ(FaxCount(kOutbox), kThreads * kEach);
    std::set<std::string> callers;
    for (int k = 0; k < kThreads * kEach; ++k) {
        const auto record = ReadFaxRecord(kOutbox, k);
        ASSERT_TRUE(record);
        const std::string caller = record->Get(FaxRecord::kCaller);
        callers.insert(caller);
        // The record's own CreateTime and page, not another writer's.
        const int w = caller[1] - '0', i = std::stoi(caller.substr(3));
        EXPECT_EQ(record->CreateTime(), FormatText("202612101%d%04d", w, i)) << caller;
        ASSERT_EQ(record->attachments.size(), 1u) << caller;
        EXPECT_EQ(record->attachments[0].file, "w" + std::to_string(w)) << caller;
        EXPECT_EQ(record->Attributes().size(), outgoing("").Attributes().size()) << caller;
    }
    EXPECT_EQ(callers.size(), std::size_t(kThreads * kEach));
    EXPECT_EQ(AccountConfig::GetProxyPort(), 9000 + kEach - 1);
}

TEST(FaxRouting, ServerItemsGoToTheirFolder)
{
    struct Case {
        const char* event;
        const char* faxType;
        const char* sendFaxFlag;
        const char* invalidateFax;
        const char* folder;
    };
    const std::vector<Case> cases = {
        {"faxreceived", "", "1", "1", FolderType::kFaxBox},  {"filetransfered", "", "", "", FolderType::kFaxBox},
        {"faxlist", "30", "1", "", FolderType::kFaxBox},      {"faxlist", "50", "", "", FolderType::kFaxBox},
        {"faxlist", "20", "1", "1", FolderType::kInBox},      {"faxlist", "40", "0", "2", FolderType::kDeposeBox},
        {"faxlist", "40", "0", "0", FolderType::kFailedBox},  {"faxlist", "", "", "", FolderType::kFailedBox},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(FolderTypeForServerItem(c.event, c.faxType, c.sendFaxFlag, c.invalidateFax), c.folder)
            << c.event << " " << c.faxType;
}

// The outbox loader, over the account store.
using testfiles::AccountStoreTest;

TEST_F(AccountStoreTest, WithoutDefaultAccountNoOutboxRecordLoads)
{
    openWith("<Account Name=\"a\" Default=\"no\"><Folder Type=\"outbox\"/></Account>\n");
    EXPECT_FALSE(AccountConfig::LoadFaxRecord(0));
}

TEST_F(AccountStoreTest, OutboxRecordsGiveTheirPageFiles)
{
    openWith("<Account Default=\"yes\" Directory=\"data\"><Folder Type=\"outbox\" Directory=\"outbox\">"
             "<Fax Caller=\"021-1\" ToCC=\"022-2\" CreateTime=\"20261210093001\">"
             "<AttachFile File=\"页一\"/><AttachFile File=\"p2.tif\" HeadFlag=\"1\"/></Fax>"
             "<Fax Caller=\"023-3\" CreateTime=\"20261210093002\"/>"
             "<Fax Caller=\"evil\" CreateTime=\"20261210093003\"><AttachFile File=\"../../../etc/passwd\"/></Fax>"
             "<Fax Caller=\"evil2\" CreateTime=\"../x\"><AttachFile File=\"a\"/></Fax>"
             "</Folder></Account>\n");
    EXPECT_EQ(AccountConfig::GetOutBoxFaxCount(), 4);
    EXPECT_EQ(AccountConfig::GetFaxCount("Account[0]", "OUTBOX"), 4);

    const auto first = AccountConfig::LoadFaxRecord(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->recipients, "021-1,022-2");
    const std::string outbox = dir_.file("data/outbox");
    EXPECT_EQ(first->pages, (std::vector<std::string>{outbox + "/页一.20261210093001", outbox + "/p2.tif.20261210093001"}));

    const auto second = AccountConfig::LoadFaxRecord(1);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->recipients, "023-3");
    EXPECT_TRUE(second->pages.empty());

    EXPECT_FALSE(AccountConfig::LoadFaxRecord(2)); // would leave the outbox
    EXPECT_FALSE(AccountConfig::LoadFaxRecord(3)); // CreateTime is no time
    EXPECT_FALSE(AccountConfig::LoadFaxRecord(4));

    EXPECT_EQ(AccountConfig::FaxExistsByCreateTime("Account[0]/Folder[0]", "20261210093002"), 1);
    EXPECT_EQ(AccountConfig::GetCurAttrString("Caller"), "023-3");
    EXPECT_EQ(AccountConfig::FaxExistsByCreateTime("Account[0]/Folder[0]", "20261210093009"), 0);
    EXPECT_EQ(AccountConfig::FaxExistsByCreateTime("Account[0]/Folder[7]", "20261210093002"), 1);

    ASSERT_EQ(AccountConfig::RemoveOutBoxFax(2), 1);
    EXPECT_EQ(xpath("count(//Fax)"), "3");
    EXPECT_EQ(xpath("string(//Fax[3]/@Caller)"), "evil2");
    EXPECT_EQ(AccountConfig::RemoveOutBoxFax(9), 0);
    EXPECT_EQ(AccountConfig::GetFileName("C:\\scan\\page.tif"), "page.tif");
    EXPECT_EQ(AccountConfig::GetFileName("/scan/"), "");
}
