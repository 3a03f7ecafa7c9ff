// The send run against a stand-in agent: one "sendfax" per fax whatever
// order the transfer events come in, the request's keys, the recipients'
// names, every failure's notice, cancel, and filing that loses nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "SendFixture.h"
#include "compose/transfer/SentBoxFiling.h"
#include "core/TextUtil.h"
#include "core/tests/TestFiles.h"
#include "netvoy/Pdu.h"

using namespace sendtest;
using sessiontest::KeysOf;
using sessiontest::Pairs;
using sessiontest::ValueOf;
using sessiontest::WaitFor;

namespace {

// A fake agent that also uploads: each upload gets the next task id, and
// with reportAtOnce its "upload-success" is delivered from another thread
// the moment the upload is queued, as a fast worker would.
class UploadAgent : public sessiontest::FakeAgent {
public:
    ~UploadAgent() override
    {
        for (std::thread& t : reporters_)
            t.join();
    }
    int upLoadFile(long invokeId, const char* fileName) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (refuseAt >= 0 && static_cast<int>(uploads_.size()) == refuseAt)
            return 0;
        uploads_.push_back(fileName);
        const long taskId = ++lastTask_;
        if (reportAtOnce)
            reporters_.emplace_back([this, invokeId, taskId] { Report("upload-success", invokeId, taskId); });
        return static_cast<int>(taskId);
    }
    int cancelUploadFile(long, long taskId) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        cancelled_.push_back(taskId);
        return 1;
    }

    // Delivers a transfer event to every listener, as the worker does.
    void Report(const char* name, long invokeId, long taskId)
    {
        CRL::Event event;
        event.appendKV("event", name);
        event.appendKV("taskid", std::to_string(taskId).c_str());
        event.appendKV("invokeid", std::to_string(invokeId).c_str());
        for (ClientEventListener* listener : listeners())
            listener->onReceive(&event);
    }
    void Reply(long invokeId, const char* result)
    {
        CRL::Event event;
        event.appendKV("event", "sendfax");
        event.appendKV("result", result);
        event.appendKV("invokeid", std::to_string(invokeId).c_str());
        for (ClientEventListener* listener : listeners())
            listener->onReceive(&event);
    }
    std::vector<std::string> uploads()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return uploads_;
    }
    std::vector<long> cancelledUploads()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return cancelled_;
    }
    long lastTask()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return lastTask_;
    }
    std::vector<Pairs> sendfaxes()
    {
        std::vector<Pairs> found;
        for (const Pairs& request : requests())
            if (ValueOf(request, "command") == "sendfax")
                found.push_back(request);
        return found;
    }

    bool reportAtOnce = false;
    int refuseAt = -1;

private:
    std::mutex lock_;
    std::vector<std::string> uploads_;
    std::vector<long> cancelled_;
    std::vector<std::thread> reporters_;
    long lastTask_ = 500;
};

constexpr long kInvokeId = 4711;

class OutboxSenderTest : public SendFixture {
protected:
    std::unique_ptr<OutboxSender> MakeSender()
    {
        return std::make_unique<OutboxSender>(agent, kInvokeId, tasks, view, Sources());
    }
    // Reports every upload started so far as done.
    void CompleteUploads(long from)
    {
        for (long id = from + 1; id <= agent.lastTask(); ++id)
            agent.Report("upload-success", kInvokeId, id);
    }

    UploadAgent agent;
};

const std::vector<std::string> kSendFaxKeys = {
    "command", "user", "password", "timeval", "netid", "title", "name", "company", "pages", "createtime",
    "frominfo", "sendtimer", "tag", "tagcontent", "called", "lang", "invokeid", "phone", "ipaddress",
    "loginmode", "netfaxno", "os", "headflag", "fromname", "fromnum", "tonameflag", "tonumflag",
    "attachfilecount"};

} // namespace

TEST_F(OutboxSenderTest, EarlyUploadReportsNeverSubmitAFaxTwiceOrTooSoon)
{
    // Three one-chunk files whose successes arrive while the later uploads
    // are still being started: the fax goes out once, after all three.
    agent.reportAtOnce = true;
    AddOutboxFax("20261210093001", "111", {{"a.tif", "A"}, {"b.tif", "B"}, {"c.tif", "C"}});
    auto sender = MakeSender();
    sender->Start();
    ASSERT_TRUE(WaitFor([&] { return agent.sendfaxes().size() == 1; }));
    // A repeated or unknown success changes nothing.
    agent.Report("upload-success", kInvokeId, agent.lastTask());
    agent.Report("upload-success", kInvokeId, 99999);
    agent.Report("upload-success", kInvokeId + 1, agent.lastTask());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(agent.uploads().size(), 3u);
    EXPECT_EQ(agent.sendfaxes().size(), 1u);
    EXPECT_TRUE(view.notices().empty());
}

TEST_F(OutboxSenderTest, SendFaxCarriesTheKeysInOrderAndEveryFileOfTheRecord)
{
    // The second of three files is missing: two uploads, three file names.
    AddOutboxFax("20261210093001", "111,222", {{"a.tif", "A"}, {"b.tif", "B", false}, {"c.tif", "C"}}, "333");
    AddContact("李四", "222");
    auto sender = MakeSender();
    sender->Start();
    ASSERT_EQ(agent.uploads(), (std::vector<std::string>{Outbox() + "/a.tif.20261210093001",
                                                          Outbox() + "/c.tif.20261210093001"}));
    agent.Report("upload-success", kInvokeId, agent.lastTask() - 1);
    EXPECT_TRUE(agent.sendfaxes().empty());
    agent.Report("upload-success", kInvokeId, agent.lastTask());
    ASSERT_EQ(agent.sendfaxes().size(), 1u);
    const Pairs request = agent.sendfaxes()[0];

    std::vector<std::string> expected = kSendFaxKeys;
    expected.insert(expected.begin() + 15, "n.222");
    for (int i = 0; i < 3; ++i)
        expected.push_back("attachfile.items[" + std::to_string(i) + "].filename");
    EXPECT_EQ(KeysOf(request), expected);
    const Pairs values = {{"user", "00210000012345"}, {"password", "secret"}, {"timeval", "1"},
                          {"netid", "02-FC-00-00-00-01"}, {"title", "报价 20261210093001"}, {"name", "张三"},
                          {"company", "乙公司"}, {"pages", "3"}, {"createtime", "20261210093001"},
                          {"frominfo", "甲公司"}, {"sendtimer", "2026-12-11 08:00:00"}, {"tag", "2"},
                          {"tagcontent", "标签"}, {"called", "111,222,333"}, {"n.222", "李四"}, {"lang", "CN"},
                          {"invokeid", "4711"}, {"phone", "13900000000"}, {"ipaddress", "10.0.0.5"},
                          {"loginmode", "normal"}, {"netfaxno", "88001234"}, {"os", "unknown"},
                          {"headflag", "1"}, {"fromname", "甲公司"}, {"fromnum", "021-5550000"},
                          {"tonameflag", "1"}, {"tonumflag", "0"}, {"attachfilecount", "3"},
                          {"attachfile.items[0].filename", "a.tif.20261210093001"},
                          {"attachfile.items[1].filename", "b.tif.20261210093001"},
                          {"attachfile.items[2].filename", "c.tif.20261210093001"}};
    for (const auto& [key, value] : values)
        EXPECT_EQ(ValueOf(request, key), value) << key;
}

TEST(SendFaxNames, CalledListsSplitAsTheServerExpects)
{
    struct Case {
        std::string called;
        std::vector<std::string> numbers;
    };
    const std::vector<Case> cases = {
        {"111,222", {"111", "222"}},
        {"111,,222", {"111", "", "222"}}, // an empty number keeps its place
        {"111,222,", {"111", "222"}},     // an empty last one is dropped
        {"", {}},
        {std::string(300, '9'), {std::string(255, '9')}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CalledNumbers(c.called), c.numbers) << c.called;
    std::string many;
    for (int i = 0; i < 260; ++i)
        many += std::to_string(i) + ",";
    EXPECT_EQ(CalledNumbers(many).size(), kMaxCalledNumbers);
}

TEST(SendFaxNames, NamesOver48GbkBytesAreCutTo47AtACharacterBoundary)
{
    const std::string chinese24 = [] { std::string s; for (int i = 0; i < 24; ++i) s += "汉"; return s; }();
    struct Case {
        std::string name;
        std::size_t gbkBytes;
    };
    const std::vector<Case> cases = {
        {std::string(48, 'a'), 48},        // exactly 48: whole
        {std::string(49, 'a'), 47},        // 49: cut to 47
        {chinese24, 48},                   // 24 two-byte characters: whole
        {"a" + chinese24, 47},             // 49 bytes: "a" and 23 characters are 47
        {"ab" + chinese24, 46},            // 50 bytes: a 47th byte would split a character
    };
    for (const Case& c : cases) {
        const std::string sent = NameForRequest(c.name);
        EXPECT_EQ(ToGbk(sent).size(), c.gbkBytes) << c.name;
        EXPECT_EQ(c.name.rfind(sent, 0), 0u) << "a prefix of " << c.name;
    }
}

TEST(SendFaxNames, OnlyKnownNumbersThatCanBeKeysGetANameFromOneLookup)
{
    int lookups = 0;
    const NameLookup lookup = [&](const std::vector<std::string>& numbers) {
        ++lookups;
        std::vector<std::optional<std::string>> names;
        for (const std::string& number : numbers)
            names.push_back(number == "111" ? std::nullopt : std::optional<std::string>("名" + number));
        return names;
    };
    const auto named = NamedNumbers("111,222,,a=b,c|d,222,333", lookup);
    EXPECT_EQ(lookups, 1);
    EXPECT_EQ(named, (std::vector<std::pair<std::string, std::string>>{{"n.222", "名222"}, {"n.333", "名333"}}));
}

TEST_F(OutboxSenderTest, RecipientNamesThatWouldOverflowOnePduAreLeftOutAndTheFaxStillGoes)
{
    std::string called;
    for (int i = 0; i < 200; ++i) {
        const std::string number = "0219000" + std::to_string(1000 + i);
        called += (i ? "," : "") + number;
        AddContact("很长的联系人名字很长的联系人名字" + std::to_string(i), number);
    }
    AddOutboxFax("20261210093001", called, {{"a.tif", "A"}});
    auto sender = MakeSender();
    sender->Start();
    CompleteUploads(agent.lastTask() - 1);
    ASSERT_EQ(agent.sendfaxes().size(), 1u);
    const Pairs request = agent.sendfaxes()[0];
    std::size_t bytes = 0, named = 0;
    for (const auto& [key, value] : request) {
        bytes += ToGbk(key).size() + ToGbk(RequestValue(value)).size() + 2;
        named += key.rfind("n.", 0) == 0 ? 1 : 0;
    }
    EXPECT_LE(bytes, Netvoy::kMaxPayload);
    EXPECT_GT(named, 10u);
    EXPECT_LT(named, 200u);
    EXPECT_EQ(ValueOf(request, "n.02190001000"), "很长的联系人名字很长的联系人名字0");
    EXPECT_EQ(ValueOf(request, "attachfilecount"), "1");
}

TEST_F(OutboxSenderTest, FreeTextsWithBarsTravelAsFullWidthBars)
{
    AddOutboxFax("20261210093001", "111", {{"a.tif", "A"}});
    AccountConfig::SetAttr(AccountConfig::GetOutBoxPath() + "/Fax[0]", "Topic", "a|b=c");
    auto sender = MakeSender();
    sender->Start();
    CompleteUploads(agent.lastTask() - 1);
    ASSERT_EQ(agent.sendfaxes().size(), 1u);
    EXPECT_EQ(ValueOf(agent.sendfaxes()[0], "title"), "a｜b=c");
}

TEST_F(OutboxSenderTest, EachFailureEndsWithItsNoticeAndKeepsTheFax)
{
    // Each case runs on a fresh agent, whose first upload gets task id 501.
    const auto completeAll = [](UploadAgent& agent) {
        for (long id = 501; id <= agent.lastTask(); ++id)
            agent.Report("upload-success", kInvokeId, id);
    };
    struct Case {
        const char* what;
        std::function<void(UploadAgent&)> before; // before Start
        std::function<void(UploadAgent&)> during; // after Start
        unsigned notice;
        int outboxAfter;
        std::vector<long> cancelled;
    };
    const std::vector<Case> cases = {
        {"second upload refused", [](UploadAgent& a) { a.refuseAt = 1; }, nullptr, OutboxSender::IDS_SEND_FAILED, 1,
         {501}},
        {"upload failed", nullptr, [](UploadAgent& a) { a.Report("upload-failed", kInvokeId, 501); },
         OutboxSender::IDS_SEND_FAILED, 1, {501, 502}},
        {"connection lost", nullptr, [](UploadAgent& a) { a.listeners()[0]->onDisconnect(); },
         OutboxSender::IDS_CONNECTION_LOST, 1, {501, 502}},
        {"sendfax not sent", [](UploadAgent& a) { a.invokeResult = 0; }, completeAll, OutboxSender::IDS_SEND_FAILED,
         1, {}},
        {"sendfax failed", nullptr, [&](UploadAgent& a) { completeAll(a), a.Reply(kInvokeId, "failed"); },
         OutboxSender::IDS_SEND_FAILED, 1, {}},
        {"sendfax answered otherwise", nullptr, [&](UploadAgent& a) { completeAll(a), a.Reply(kInvokeId, "queued"); },
         OutboxSender::IDS_SEND_FAILED, 1, {}},
        {"fax deleted while uploading", nullptr, [&](UploadAgent& a) { AccountConfig::RemoveOutBoxFax(0), completeAll(a); },
         OutboxSender::IDS_SEND_FAILED, 0, {}},
        {"no fax user", [](UploadAgent&) { AccountConfig::SetAttr("Account[0]", "FaxUser", ""); }, nullptr,
         OutboxSender::IDS_NO_FAX_USER, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        openWith(kAccount); // a fresh store: one fax of two pages
        AccountConfig::Close();
        ASSERT_EQ(AccountConfig::Open(dir_.path()), 1);
        AddOutboxFax("20261210093001", "111", {{"a.tif", "A"}, {"b.tif", "B"}});
        UploadAgent fresh;
        RecordingView seen;
        if (c.before)
            c.before(fresh);
        {
            OutboxSender sender(fresh, kInvokeId, tasks, seen, Sources());
            sender.Start();
            if (c.during)
                c.during(fresh);
            EXPECT_EQ(seen.notices(), std::vector<std::string>{Text(c.notice)});
            EXPECT_EQ(seen.ends(), 1);
            // Nothing more happens after the end.
            fresh.Reply(kInvokeId, "success");
            EXPECT_EQ(seen.notices().size(), 1u);
        }
        EXPECT_EQ(fresh.cancelledUploads(), c.cancelled);
        EXPECT_EQ(OutboxCount(), c.outboxAfter);
        EXPECT_EQ(AccountConfig::GetFaxCount("Account[0]", "overbox"), 0);
        EXPECT_TRUE(fresh.listeners().empty());
        EXPECT_LE(fresh.sendfaxes().size(), 1u);
    }
}

TEST_F(OutboxSenderTest, RecordsWithNothingToUploadAreRemovedAndAnEmptyOutboxFails)
{
    struct Case {
        const char* what;
        bool hasFax;
        std::vector<Page> pages;
    };
    const std::vector<Case> cases = {
        {"empty outbox", false, {}},
        {"record without attachments", true, {}},
        {"every file missing", true, {{"a.tif", "A", false}, {"b.tif", "B", false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        openWith(kAccount);
        AccountConfig::Close();
        ASSERT_EQ(AccountConfig::Open(dir_.path()), 1);
        if (c.hasFax)
            AddOutboxFax("20261210093001", "111", c.pages);
        RecordingView seen;
        UploadAgent fresh;
        OutboxSender sender(fresh, kInvokeId, tasks, seen, Sources());
        sender.Start();
        EXPECT_EQ(seen.notices(), std::vector<std::string>{Text(OutboxSender::IDS_SEND_FAILED)});
        EXPECT_EQ(OutboxCount(), 0);
        EXPECT_TRUE(fresh.uploads().empty());
    }
}

TEST_F(OutboxSenderTest, CancelStopsEveryPendingUploadAndKeepsTheFax)
{
    AddOutboxFax("20261210093001", "111", {{"a.tif", "A"}, {"b.tif", "B"}, {"c.tif", "C"}});
    auto sender = MakeSender();
    sender->Start();
    agent.Report("upload-success", kInvokeId, 502);
    sender->Cancel();
    EXPECT_EQ(agent.cancelledUploads(), (std::vector<long>{501, 503}));
    EXPECT_EQ(view.ends(), 1);
    EXPECT_TRUE(view.notices().empty());
    // The uploads that were under way report in vain.
    agent.Report("upload-success", kInvokeId, 501);
    agent.Report("upload-success", kInvokeId, 503);
    EXPECT_TRUE(agent.sendfaxes().empty());
    EXPECT_EQ(OutboxCount(), 1);
}

TEST_F(OutboxSenderTest, AFaxQueuedDuringTheRunIsCountedAndSentAfterTheOthers)
{
    AddOutboxFax("20261210093001", "111", {{"a.tif", "A"}});
    auto sender = MakeSender();
    sender->Start();
    EXPECT_EQ(view.statuses().back(), "测试\t\t\t正在发送 1 共 1 封");
    AddOutboxFax("20261210093002", "222", {{"b.tif", "B"}});
    sender->Rescan();
    EXPECT_EQ(view.statuses().back(), "测试\t\t\t正在发送 1 共 2 封");
    agent.Report("upload-success", kInvokeId, 501);
    agent.Reply(kInvokeId, "success");
    EXPECT_EQ(view.statuses().back(), "测试\t\t\t正在发送 2 共 2 封");
    agent.Report("upload-success", kInvokeId, 502);
    agent.Reply(kInvokeId, "success");
    const auto sent = agent.sendfaxes();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(ValueOf(sent[0], "createtime"), "20261210093001");
    EXPECT_EQ(ValueOf(sent[1], "createtime"), "20261210093002");
    EXPECT_EQ(view.notices(), std::vector<std::string>{Text(OutboxSender::IDS_ALL_SENT)});
    EXPECT_EQ(AccountConfig::GetFaxCount("Account[0]", "overbox"), 2);
    EXPECT_EQ(OutboxCount(), 0);
}

TEST_F(OutboxSenderTest, AReplyWhileNothingIsSubmittedFilesNothing)
{
    AddOutboxFax("20261210093001", "111", {{"a.tif", "A"}, {"b.tif", "B"}});
    auto sender = MakeSender();
    sender->Start();
    agent.Reply(kInvokeId, "success"); // before the uploads are done
    EXPECT_EQ(OutboxCount(), 1);
    EXPECT_TRUE(view.notices().empty());
}

// ---- filing ---------------------------------------------------------------

TEST_F(OutboxSenderTest, FilingMovesRecordAndFilesAndFilesOnlyItsOwnTask)
{
    AddOutboxFax("20261210093001", "111", {{"a.tif", "page A", true, true}, {"b.tif", "page B"}}, "222");
    // Another producer's move task waits in the same queue.
    tasks.AddTask(std::make_unique<CFaxMoveTask>());
    ASSERT_EQ(OnFaxSent(tasks, "20261210093001"), SentFiling::Filed);
    EXPECT_EQ(tasks.Count(), 1u);
    EXPECT_EQ(OutboxCount(), 0);
    EXPECT_EQ(testfiles::readFile(SentBox() + "/a.tif.20261210093001"), "page A");
    EXPECT_EQ(testfiles::readFile(SentBox() + "/b.tif.20261210093001"), "page B");
    EXPECT_FALSE(std::filesystem::exists(Outbox() + "/a.tif.20261210093001"));
    EXPECT_FALSE(std::filesystem::exists(Outbox() + "/b.tif.20261210093001"));
    const std::string fax = "//Folder[@Type='overbox']/Fax[1]";
    std::string names;
    for (int i = 1; i <= 11; ++i)
        names += xpath("name(" + fax + "/@*[" + std::to_string(i) + "])").value_or("?") + " ";
    EXPECT_EQ(names, "Caller ToCC Topic Name Company Date ReadFlag Pages CreateTime SendTimer TimerFlag ");
    EXPECT_EQ(xpath("string(" + fax + "/@ReadFlag)"), "1");
    EXPECT_EQ(xpath("string(" + fax + "/@TimerFlag)"), "1");
    EXPECT_EQ(xpath("string(" + fax + "/AttachFile[1]/@HeadFlag)"), "1");
    EXPECT_EQ(xpath("count(" + fax + "/AttachFile[2]/@HeadFlag)"), "0");
    EXPECT_EQ(OnFaxSent(tasks, "20261210093001"), SentFiling::Gone);
}

TEST_F(OutboxSenderTest, FilingThatCannotSaveLeavesTheFaxInTheOutboxAndNoCopies)
{
    AddOutboxFax("20261210093001", "111", {{"a.tif", "page A"}});
    std::filesystem::create_directories(SentBox());
    testfiles::ReadOnlyDirectory locked(dir_.path()); // account.xml cannot be replaced
    if (!locked.held())
        GTEST_SKIP() << "the directory cannot be made read-only here";
    EXPECT_EQ(OnFaxSent(tasks, "20261210093001"), SentFiling::Failed);
    EXPECT_EQ(OutboxCount(), 1);
    EXPECT_EQ(AccountConfig::GetFaxCount("Account[0]", "overbox"), 0);
    EXPECT_EQ(testfiles::readFile(Outbox() + "/a.tif.20261210093001"), "page A");
    EXPECT_FALSE(std::filesystem::exists(SentBox() + "/a.tif.20261210093001"));
}

TEST_F(OutboxSenderTest, FilingNeverReplacesASentBoxFileOfTheSameName)
{
    AddOutboxFax("20261210093001", "111", {{"a.tif", "new page"}});
    std::filesystem::create_directories(SentBox());
    testfiles::writeFile(SentBox() + "/a.tif.20261210093001", "older fax");
    ASSERT_EQ(OnFaxSent(tasks, "20261210093001"), SentFiling::Filed);
    EXPECT_EQ(testfiles::readFile(SentBox() + "/a.tif.20261210093001"), "older fax");
    const std::string createTime = xpath("string(//Folder[@Type='overbox']/Fax[1]/@CreateTime)").value_or("");
    ASSERT_NE(createTime, "20261210093001");
    EXPECT_EQ(testfiles::readFile(SentBox() + "/a.tif." + createTime), "new page");
}
