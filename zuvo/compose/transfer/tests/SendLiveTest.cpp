// The send run over the real agent client against the fake fax service:
// what reaches the server's disk and wire, and what ends in the mailboxes.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "SendFixture.h"
#include "core/session/AgentHelp.h"
#include "core/session/InvokeIds.h"
#include "core/tests/LiveSession.h"
#include "core/tests/SessionSim.h"
#include "core/tests/TestFiles.h"
#include "faxbox/FaxFiling.h"

using namespace sendtest;
using sessiontest::FaxServiceSim;
using sessiontest::WaitFor;

namespace {

class SendLiveTest : public SendFixture {
protected:
    void SetUp() override
    {
        SendFixture::SetUp();
        std::filesystem::create_directories(uploads);
        AgentHelp::getInstance()->clearArgs();
    }
    void TearDown() override
    {
        TearDownRun();
        SendFixture::TearDown();
    }
    // The run leaves the agent's listeners before the connection ends.
    void TearDownRun()
    {
        sender.reset();
        AgentHelp::getInstance()->stop();
    }

    // Serves the service with uploads kept, connects and starts the run.
    FaxServiceSim& ServeAndSend(const std::string& service, RecordingView& shown)
    {
        sim = std::make_unique<FaxServiceSim>(service, dir_.path());
        AgentHelp* help = AgentHelp::getInstance();
        EXPECT_EQ(help->connect("127.0.0.1", sim->port()), 1);
        help->run();
        sender = std::make_unique<OutboxSender>(*help, NextInvokeId(), tasks, shown, Sources());
        sender->Start();
        return *sim;
    }
    std::string Service(const std::string& more = "") const
    {
        return "{\"upload_dir\": \"" + uploads + "\"" + more + "}";
    }
    static bool Ended(const RecordingView& shown, int timeoutMs = 15000)
    {
        return WaitFor([&shown] { return shown.ends() > 0; }, timeoutMs);
    }

    // The wire check's verdict and its lines of one kind.
    std::string WireVerdict() const { return WireLines().front(); }
    std::vector<std::string> WireLines(const std::string& kind = "") const
    {
        const auto r = testfiles::run(testfiles::python3() + " " +
                                      testfiles::quote(std::string(ZUVO_TEST_DATA) + "/sendfax_wire.py") + " " +
                                      testfiles::quote(sim->LogPath()));
        std::vector<std::string> lines;
        std::istringstream in(r.output);
        for (std::string line; std::getline(in, line);)
            if (kind.empty() || line.rfind(kind + " ", 0) == 0)
                lines.push_back(line);
        return lines;
    }

    const std::string uploads = dir_.file("server-uploads");
    std::unique_ptr<FaxServiceSim> sim;
    std::unique_ptr<OutboxSender> sender;
};

} // namespace

TEST_F(SendLiveTest, TwoFaxesAreUploadedSubmittedOnceEachAndFiledInTheSentBox)
{
    const std::string big = sessiontest::MakeTiff(dir_.file("big.tif"), 3, 24);
    const std::string small = sessiontest::MakeTiff(dir_.file("small.tif"), 1, 20);
    const auto size = std::filesystem::file_size(big);
    ASSERT_GT(size, 4096u);
    ASSERT_LE(size, 6144u);
    AddOutboxFax("20261210093001", "111", {{"big.tif", testfiles::readFile(big)}});
    AddOutboxFax("20261210093002", "222", {{"small.tif", testfiles::readFile(small)}});
    const std::string bigMd5 = testfiles::md5sumOf(Outbox() + "/big.tif.20261210093001");
    const std::string smallMd5 = testfiles::md5sumOf(Outbox() + "/small.tif.20261210093002");

    ServeAndSend(Service(), view);
    ASSERT_TRUE(Ended(view));
    EXPECT_EQ(view.notices(), std::vector<std::string>{Text(OutboxSender::IDS_ALL_SENT)});

    EXPECT_EQ(WireVerdict(), "OK");
    EXPECT_EQ(WireLines("SENDFAX"), (std::vector<std::string>{"SENDFAX 20261210093001 big.tif.20261210093001",
                                                              "SENDFAX 20261210093002 small.tif.20261210093002"}));
    EXPECT_EQ(WireLines("UPLOAD"), (std::vector<std::string>{"UPLOAD big.tif.20261210093001 0,2048,4096",
                                                             "UPLOAD small.tif.20261210093002 0"}));
    EXPECT_EQ(WireLines("DONE"), (std::vector<std::string>{"DONE big.tif.20261210093001 " + bigMd5,
                                                           "DONE small.tif.20261210093002 " + smallMd5}));
    EXPECT_EQ(testfiles::md5sumOf(uploads + "/big.tif.20261210093001"), bigMd5);

    // The mailboxes, read by xmllint and md5sum.
    EXPECT_EQ(xpath("count(//Folder[@Type='outbox']/Fax)"), "0");
    EXPECT_EQ(xpath("count(//Folder[@Type='overbox']/Fax)"), "2");
    EXPECT_EQ(xpath("string(//Folder[@Type='overbox']/Fax[1]/@CreateTime)"), "20261210093001");
    EXPECT_EQ(xpath("string(//Folder[@Type='overbox']/Fax[2]/@ReadFlag)"), "1");
    EXPECT_EQ(xpath("name(//Folder[@Type='overbox']/Fax[2]/@*[11])"), "TimerFlag");
    EXPECT_EQ(xpath("string(//Folder[@Type='overbox']/Fax[2]/@SendTimer)"), "2026-12-11 08:00:00");
    EXPECT_EQ(testfiles::md5sumOf(SentBox() + "/big.tif.20261210093001"), bigMd5);
    EXPECT_EQ(testfiles::md5sumOf(SentBox() + "/small.tif.20261210093002"), smallMd5);
    EXPECT_TRUE(std::filesystem::is_empty(Outbox()));

    const auto statuses = view.statuses();
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "测试\t\t\t正在发送 1 共 2 封"), statuses.end());
    EXPECT_EQ(statuses.back(), "测试\t\t\t正在发送 2 共 2 封");
    EXPECT_NE(std::find(view.files().begin(), view.files().end(), "big.tif.20261210093001"), view.files().end());
}

TEST_F(SendLiveTest, ServerFaultsEndTheRunWithTheirNoticeAndKeepTheFax)
{
    struct Case {
        const char* what;
        std::string service;
        unsigned notice;
    };
    const std::vector<Case> cases = {
        {"refused chunk", R"(, "faults": [{"op": "upload", "chunk": 1, "action": "refuse"}])",
         OutboxSender::IDS_SEND_FAILED},
        {"disconnect", R"(, "faults": [{"op": "upload", "chunk": 1, "action": "disconnect"}])",
         OutboxSender::IDS_CONNECTION_LOST},
        {"sendfax failed", R"(, "sendfax": "failed")", OutboxSender::IDS_SEND_FAILED},
    };
    const std::string big = sessiontest::MakeTiff(dir_.file("big.tif"), 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        openWith(kAccount);
        AccountConfig::Close();
        ASSERT_EQ(AccountConfig::Open(dir_.path()), 1);
        AddOutboxFax("20261210093001", "111", {{"big.tif", testfiles::readFile(big)}});
        RecordingView shown;
        ServeAndSend(Service(c.service), shown);
        ASSERT_TRUE(Ended(shown));
        EXPECT_EQ(shown.notices(), std::vector<std::string>{Text(c.notice)});
        EXPECT_EQ(OutboxCount(), 1);
        EXPECT_EQ(AccountConfig::GetFaxCount("Account[0]", "overbox"), 0);
        EXPECT_TRUE(std::filesystem::exists(Outbox() + "/big.tif.20261210093001"));
        TearDownRun();
    }
}

// A page whose path the transfer record cannot carry as it stands is read by
// its real path and uploaded under a name made to fit; "sendfax" names what
// was uploaded, and the fax is sent and filed, so it never blocks the outbox.
TEST_F(SendLiveTest, PagesWhosePathsTheRecordCannotCarryAreSentAndFiled)
{
    struct Case {
        const char* what;
        std::string page;
        std::string kept; // the name the server keeps
    };
    const std::string longName = std::string(220, 'p') + ".tif";
    const Case cases[] = {
        {"a character GBK lacks", "M\xC3\xBCller-\xC3\xB8.tif", "M\xC3\xBCller-_.tif.20261210093001"},
        {"an emoji", "fax \xF0\x9F\x98\x80.tif", "fax _.tif.20261210093001"},
        {"a path over 255 bytes", longName, longName + ".20261210093001"},
    };
    const std::string page = sessiontest::MakeTiff(dir_.file("page.tif"), 1, 20);
    const std::string pageMd5 = testfiles::md5sumOf(page);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        openWith(kAccount);
        AccountConfig::Close();
        ASSERT_EQ(AccountConfig::Open(dir_.path()), 1);
        ASSERT_GT((Outbox() + "/" + c.page).size(), c.page == longName ? 255u : 0u);
        AddOutboxFax("20261210093001", "111", {{c.page, testfiles::readFile(page)}});
        RecordingView shown;
        ServeAndSend(Service(), shown);
        ASSERT_TRUE(Ended(shown));
        EXPECT_EQ(shown.notices(), std::vector<std::string>{Text(OutboxSender::IDS_ALL_SENT)});
        EXPECT_EQ(WireVerdict(), "OK");
        EXPECT_EQ(WireLines("SENDFAX"), std::vector<std::string>{"SENDFAX 20261210093001 " + c.kept});
        EXPECT_EQ(testfiles::md5sumOf(uploads + "/" + c.kept), pageMd5);
        EXPECT_EQ(OutboxCount(), 0);
        EXPECT_EQ(AccountConfig::GetFaxCount("Account[0]", "overbox"), 1);
        EXPECT_EQ(testfiles::md5sumOf(SentBox() + "/" + c.page + ".20261210093001"), pageMd5);
        TearDownRun();
    }
}

TEST_F(SendLiveTest, CancelDuringAnUploadSendsNoFurtherChunk)
{
    const std::string big = sessiontest::MakeTiff(dir_.file("big.tif"), 3);
    AddOutboxFax("20261210093001", "111", {{"big.tif", testfiles::readFile(big)}});
    // The reply to the second chunk comes late; cancel goes in meanwhile.
    ServeAndSend(Service(R"(, "faults": [{"op": "upload", "chunk": 1, "action": "delay", "seconds": 2}])"), view);
    ASSERT_TRUE(WaitFor([this] { return WireLines("UPLOAD").size() == 1 && WireLines("UPLOAD")[0].find(",2048") != std::string::npos; }));
    sender->Cancel();
    // Past the held-back answer: a client that still served the upload would send its next chunk.
    std::this_thread::sleep_for(std::chrono::milliseconds(2800));
    EXPECT_EQ(WireLines("UPLOAD"), std::vector<std::string>{"UPLOAD big.tif.20261210093001 0,2048"});
    EXPECT_TRUE(WireLines("SENDFAX").empty());
    EXPECT_EQ(view.ends(), 1);
    EXPECT_TRUE(view.notices().empty());
    EXPECT_EQ(OutboxCount(), 1);
}

TEST_F(SendLiveTest, AFailedFaxPutBackIntoTheOutboxIsUploadedAndSentOnce)
{
    // A sent fax in the sent box and the server's report that it failed, in a failed box.
    const std::string page = sessiontest::MakeTiff(dir_.file("page.tif"), 1, 20);
    FaxRecord sent;
    sent.Set(FaxRecord::kCaller, "333");
    sent.Set(FaxRecord::kCreateTime, "20261209080000");
    sent.attachments.push_back({"page.tif", ""});
    ASSERT_EQ(AppendFaxRecord(AccountConfig::GetOverBoxPath(), sent), 1);
    std::filesystem::create_directories(SentBox());
    std::filesystem::copy_file(page, SentBox() + "/page.tif.20261209080000");
    ASSERT_EQ(AccountConfig::AddNode("Account[0]", "Folder"), 1);
    AccountConfig::AddNodeAttr("Name", "失败箱");
    AccountConfig::AddNodeAttr("Type", "failedbox");
    AccountConfig::AddNodeAttr("Directory", "failed");
    FaxRecord report;
    report.Set(FaxRecord::kCaller, "333");
    report.Set(FaxRecord::kCreateTime, "20261210070000");
    report.Set(FaxRecord::kSendFaxTime, "20261209080000");
    ASSERT_EQ(AppendFaxRecord("Account[0]/Folder[2]", report), 1);

    const FaxMoveOutcome outcome = ResendFailedFaxes(tasks, "Account[0]/Folder[2]", {{"20261210070000", 0}}, "Account[0]");
    ASSERT_EQ(outcome.moved, 1);
    const std::string pageMd5 = testfiles::md5sumOf(page);
    EXPECT_EQ(testfiles::md5sumOf(Outbox() + "/page.tif.20261210070000"), pageMd5);

    ServeAndSend(Service(), view);
    ASSERT_TRUE(Ended(view));
    EXPECT_EQ(WireVerdict(), "OK");
    EXPECT_EQ(WireLines("SENDFAX"), (std::vector<std::string>{"SENDFAX 20261210070000 page.tif.20261210070000"}));
    EXPECT_EQ(WireLines("DONE"), (std::vector<std::string>{"DONE page.tif.20261210070000 " + pageMd5}));
}
