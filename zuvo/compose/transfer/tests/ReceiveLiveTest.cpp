// The receive run over the real agent client against the fake fax service:
// the requests in order, the faxes in their boxes, the failures that leave a
// fax on the server without holding up the next, and cancel.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "SendFixture.h"
#include "compose/PageCount.h"
#include "compose/transfer/FaxReceiver.h"
#include "core/session/AgentHelp.h"
#include "core/session/InvokeIds.h"
#include "core/tests/LiveSession.h"
#include "core/tests/SessionSim.h"
#include "faxbox/FaxTasks.h"

using namespace sendtest;
using sessiontest::FaxServiceSim;
using sessiontest::KeysOf;
using sessiontest::WaitFor;
using sessiontest::WireLine;

namespace fs = std::filesystem;

namespace {

const char* const kReceiveAccount =
    "<Account Name=\"测试\" Default=\"yes\" FaxUser=\"00210000012345\" FaxPassword=\"c2VjcmV0\" Directory=\"data\">"
    "<Folder Name=\"收件箱\" Type=\"faxbox\" Directory=\"faxbox\"/>"
    "<Folder Name=\"回执箱\" Type=\"inbox\" Directory=\"inbox\"/>"
    "<Folder Name=\"失败\" Type=\"failedbox\" Directory=\"failedbox\"/>"
    "<Folder Name=\"无效\" Type=\"deposebox\" Directory=\"deposebox\"/>"
    "</Account>\n";

class ReceiveLiveTest : public testfiles::AccountStoreTest {
protected:
    void SetUp() override
    {
        cpLogOpen(dir_.file("zuvo.log").c_str());
        openWith(kReceiveAccount);
        AgentHelp::getInstance()->clearArgs();
    }
    void TearDown() override
    {
        receiver.reset();
        AgentHelp::getInstance()->stop();
        cpLogClose();
    }

    FaxServiceSim& Serve(const std::string& service)
    {
        sim = std::make_unique<FaxServiceSim>(service, dir_.path());
        EXPECT_EQ(AgentHelp::getInstance()->connect("127.0.0.1", sim->port()), 1);
        AgentHelp::getInstance()->run();
        return *sim;
    }
    // A receive run to its end, stepping the pump as the dialog's timer does.
    void Receive(RecordingView& shown, int timeoutMs = 15000)
    {
        receiver = std::make_unique<FaxReceiver>(*AgentHelp::getInstance(), NextInvokeId(), tasks, shown,
                                                 CountImagePages);
        receiver->Start();
        EXPECT_TRUE(WaitFor([&] {
            receiver->Step();
            return shown.ends() > 0;
        }, timeoutMs));
    }
    std::string Box(const std::string& type) const { return dir_.file("data/" + type); }
    std::string Served(const std::string& name, int pages)
    {
        return sessiontest::MakeTiff(dir_.file(name), pages, 40 + 8 * pages);
    }
    std::vector<WireLine> Requests(const std::string& command = "") const { return sim->Requests(command); }

    TaskQueue tasks;
    std::unique_ptr<FaxServiceSim> sim;
    std::unique_ptr<FaxReceiver> receiver;
};

std::vector<std::string> CommandsAndFaxes(const std::vector<WireLine>& lines)
{
    std::vector<std::string> commands;
    for (const WireLine& line : lines)
        commands.push_back(line.get("command") + " " + line.get("faxid"));
    return commands;
}

} // namespace

TEST_F(ReceiveLiveTest, FetchesEachListedFaxInTurnIntoItsBox)
{
    const std::string first = Served("first.tif", 2);
    const std::string third = Served("third.tif", 1);
    Serve(R"({"faxes": [
        {"faxid": "F30", "type": 30, "called": "021-1", "title": "甲", "files": [{"name": "fax/F30.tif", "path": ")" +
          first + R"("}]},
        {"faxid": "F20", "type": 20, "sendfaxflag": 1, "title": "回执"},
        {"faxid": "F40", "type": 40, "title": "失败", "files": [{"name": "fax/F40.tif", "path": ")" + third + R"("}]}]})");
    RecordingView shown;
    Receive(shown);

    EXPECT_EQ(CommandsAndFaxes(Requests()), (std::vector<std::string>{"queryfaxlist ", "queryfax F30", "updatefax F30",
                                                              "queryfax F20", "updatefax F20", "queryfax F40",
                                                              "updatefax F40"}));
    const auto requests = Requests();
    EXPECT_EQ(KeysOf(requests[0].pairs), (std::vector<std::string>{"command", "user", "loginid", "invokeid"}));
    EXPECT_EQ(KeysOf(requests[1].pairs),
              (std::vector<std::string>{"command", "user", "loginid", "faxid", "faxtype", "invokeid"}));
    EXPECT_EQ(KeysOf(requests[2].pairs),
              (std::vector<std::string>{"command", "user", "loginid", "invokeid", "faxid", "faxtype"}));
    EXPECT_EQ(requests[1].get("faxtype"), "30");
    EXPECT_EQ(requests[1].get("user"), "00210000012345");

    EXPECT_EQ(xpath("count(//Folder[@Type='faxbox']/Fax)"), "1");
    EXPECT_EQ(xpath("count(//Folder[@Type='inbox']/Fax)"), "1");
    EXPECT_EQ(xpath("count(//Folder[@Type='failedbox']/Fax)"), "1");
    const std::string page = xpath("string(//Folder[@Type='faxbox']/Fax/AttachFile/@File)").value_or("") + "." +
                             xpath("string(//Folder[@Type='faxbox']/Fax/@CreateTime)").value_or("");
    EXPECT_EQ(testfiles::md5sumOf(Box("faxbox") + "/" + page), testfiles::md5sumOf(first));
    EXPECT_EQ(xpath("string(//Folder[@Type='faxbox']/Fax/@Pages)"), "2");
    EXPECT_EQ(shown.notices().back(), Text(FaxReceiver::IDS_FAX_ARRIVED));
    EXPECT_EQ(receiver->Index(), 3);
    EXPECT_FALSE(fs::exists(dir_.file("data/.incoming")) && !fs::is_empty(dir_.file("data/.incoming")));
}

TEST_F(ReceiveLiveTest, AFaxAcknowledgedOnceIsNotListedAgain)
{
    const std::string file = Served("one.tif", 1);
    Serve(R"({"faxes": [{"faxid": "F1", "type": 30, "files": [{"name": "fax/F1.tif", "path": ")" + file + R"("}]}]})");
    RecordingView fetched;
    Receive(fetched);
    EXPECT_EQ(fetched.notices().back(), Text(FaxReceiver::IDS_FAX_ARRIVED));
    RecordingView again;
    Receive(again);
    EXPECT_EQ(again.notices(), std::vector<std::string>{Text(FaxReceiver::IDS_NO_NEW_FAX)});
    EXPECT_EQ(xpath("count(//Folder[@Type='faxbox']/Fax)"), "1");
}

TEST_F(ReceiveLiveTest, AFaxThatCannotBeFetchedStaysOnTheServerAndTheNextArrives)
{
    const std::string file = Served("one.tif", 1);
    Serve(R"({"faxes": [
        {"faxid": "F1", "type": 30, "files": [{"name": "fax/F1.tif", "path": ")" + file + R"("}]},
        {"faxid": "F2", "type": 30, "files": [{"name": "fax/F2.tif", "path": ")" + file + R"("}]}],
      "count": 5,
      "faults": [{"op": "download", "chunk": 0, "action": "refuse"}]})");
    RecordingView shown;
    Receive(shown);
    EXPECT_EQ(CommandsAndFaxes(Requests("updatefax")), std::vector<std::string>{"updatefax F2"});
    EXPECT_EQ(xpath("count(//Folder[@Type='faxbox']/Fax)"), "1");
    const auto notices = shown.notices();
    EXPECT_NE(std::find(notices.begin(), notices.end(), Text(61563)), notices.end()); // "下载文件失败！"
    EXPECT_EQ(notices.back(), Text(FaxReceiver::IDS_FAX_ARRIVED));
    // The count claimed five, the list held two: the run stopped after them.
    EXPECT_EQ(receiver->Count(), 2);
}

TEST_F(ReceiveLiveTest, AFaxTheServerRefusesIsLeftThereAndAReplyWithoutAFaxEndsTheList)
{
    // The run walks the list as the main window's session does: a refused
    // "queryfax" holds up nothing after it, a success that carries no fax
    // says the server has no more.
    const std::string file = Served("one.tif", 1);
    Serve(R"({"faxes": [
        {"faxid": "F1", "type": 30, "queryfax": "failed"},
        {"faxid": "F2", "type": 30, "files": [{"name": "fax/F2.tif", "path": ")" + file + R"("}]},
        {"faxid": "F3", "type": 30, "queryfax": "nofax"},
        {"faxid": "F4", "type": 30, "files": [{"name": "fax/F4.tif", "path": ")" + file + R"("}]}]})");
    RecordingView shown;
    Receive(shown);
    EXPECT_EQ(CommandsAndFaxes(Requests()), (std::vector<std::string>{"queryfaxlist ", "queryfax F1", "queryfax F2",
                                                              "updatefax F2", "queryfax F3"}));
    EXPECT_EQ(xpath("count(//Folder[@Type='faxbox']/Fax)"), "1");
    EXPECT_EQ(shown.notices().back(), Text(FaxReceiver::IDS_FAX_ARRIVED));
    EXPECT_EQ(receiver->Index(), receiver->Count());
}

TEST_F(ReceiveLiveTest, AServerNameThatLeadsOutsideWritesOnlyIntoTheFaxbox)
{
    const std::string file = Served("one.tif", 1);
    Serve(R"({"faxes": [{"faxid": "F1", "type": 30, "files": [{"name": "../../x", "label": "../../x", "path": ")" +
          file + R"("}]}]})");
    RecordingView shown;
    Receive(shown);
    EXPECT_FALSE(fs::exists(dir_.file("x")));
    EXPECT_FALSE(fs::exists(dir_.file("data/x")));
    int pages = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir_.file("data")))
        if (entry.is_regular_file()) {
            EXPECT_EQ(entry.path().parent_path(), fs::path(Box("faxbox"))) << entry.path();
            ++pages;
        }
    EXPECT_GE(pages, 1);
}

TEST_F(ReceiveLiveTest, NothingIsFetchedTwiceAndCancelRemovesTheRunningDownload)
{
    const std::string big = Served("big.tif", 3);
    Serve(R"({"faxes": [
        {"faxid": "F1", "type": 30, "files": [{"name": "fax/F1.tif", "path": ")" + big + R"("}]},
        {"faxid": "F2", "type": 30, "files": [{"name": "fax/F2.tif", "path": ")" + big + R"("}]}],
      "faults": [{"op": "download", "chunk": 1, "action": "delay", "seconds": 3}]})");
    // The main window's queue holds F1 already.
    sessiontest::FakeAgent otherAgent;
    struct NoOwner : DownloadOwner {
        std::string StagingRoot() override { return ""; }
        std::string UpdateDirectory() override { return ""; }
        bool StoreFax(CRL::Event&, const std::vector<std::string>&) override { return false; }
        int AcknowledgeFax(CRL::Event&) override { return 0; }
        void FaxNotStored(CRL::Event&, NotStored) override {}
        void StoreUpdate(const std::string&) override {}
        void UpdateEnded() override {}
        void Notice(const std::string&) override {}
    } owner;
    DownloadQueue mainQueue(otherAgent, 1, owner);
    CRL::Event fetching;
    fetching.appendKV("event", "queryfax");
    fetching.appendKV("faxid", "F1");
    ASSERT_EQ(mainQueue.PushCopy(fetching), 1);

    RecordingView shown;
    receiver = std::make_unique<FaxReceiver>(*AgentHelp::getInstance(), NextInvokeId(), tasks, shown, CountImagePages);
    receiver->Start();
    const auto downloading = [this] {
        for (const auto& entry : fs::recursive_directory_iterator(dir_.file("data")))
            if (entry.path().extension() == ".download")
                return true;
        return false;
    };
    // The second chunk's request is in, its answer held back.
    const auto requested = [this] {
        int chunks = 0;
        for (const WireLine& line : sim->Wire())
            chunks += line.kind == "FILE" ? 1 : 0;
        return chunks;
    };
    ASSERT_TRUE(WaitFor([&] {
        receiver->Step();
        return requested() >= 2;
    }));
    ASSERT_TRUE(downloading());
    receiver->Close();
    EXPECT_FALSE(downloading());
    std::vector<std::string> fetched;
    for (const WireLine& line : sim->Wire())
        if (line.kind == "FILE")
            fetched.push_back(line.text);
    ASSERT_FALSE(fetched.empty());
    EXPECT_EQ(std::count(fetched.begin(), fetched.end(), "fax/F1.tif"), 0);
    EXPECT_TRUE(Requests("updatefax").empty());
    EXPECT_EQ(xpath("count(//Folder[@Type='faxbox']/Fax)"), "0");
}

TEST_F(ReceiveLiveTest, TheReceiveCommandsAccountChoosesTheFolders)
{
    AccountConfig::Close();
    openWith(std::string(kReceiveAccount) +
             "<Account Name=\"二\" Directory=\"second\"><Folder Name=\"收件箱\" Type=\"faxbox\" Directory=\"faxbox\"/>"
             "</Account>\n");
    const std::string file = Served("one.tif", 1);
    Serve(R"({"faxes": [{"faxid": "F1", "type": 30, "files": [{"name": "fax/F1.tif", "path": ")" + file + R"("}]}]})");
    auto task = std::make_unique<CFaxRcvTask>();
    task->accountPath = "Account[1]";
    tasks.AddTask(std::move(task));
    RecordingView shown;
    Receive(shown);
    EXPECT_EQ(receiver->AccountPath(), "Account[1]");
    EXPECT_EQ(xpath("count(//Account[2]/Folder[@Type='faxbox']/Fax)"), "1");
    EXPECT_EQ(xpath("count(//Account[1]/Folder[@Type='faxbox']/Fax)"), "0");
    EXPECT_EQ(tasks.Count(), 0u);
}
