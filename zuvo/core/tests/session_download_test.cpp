// The download queue and its pump: file order, renames, acknowledgement only
// of stored faxes, server names that try to leave the directory, fast
// replies, a lost connection, and updates.

#include <gtest/gtest.h>

#include <filesystem>

#include "SessionFakes.h"
#include "TestFiles.h"
#include "core/DownloadQueue.h"
#include "core/TextUtil.h"

using namespace sessiontest;
namespace fs = std::filesystem;

namespace {

class RecordingOwner : public DownloadOwner {
public:
    std::string FaxDirectory() override { return faxDir; }
    std::string UpdateDirectory() override { return updateDir; }
    bool StoreFax(CRL::Event& item, const std::string& fetchedDir) override
    {
        if (!storeSucceeds)
            return false;
        stored.push_back(item.getString("faxid"));
        storedFrom = fetchedDir;
        return true;
    }
    int AcknowledgeFax(CRL::Event& item) override
    {
        acknowledged.push_back(item.getString("faxid"));
        return 1;
    }
    void FaxNotStored(CRL::Event& item) override { notStored.push_back(item.getString("faxid")); }
    void StoreUpdate(const std::string& data) override { updates.push_back(data); }
    void UpdateEnded() override { ++updateEnds; }
    void Notice(const std::string& text) override { notices.push_back(text); }

    std::string faxDir;
    std::string updateDir;
    std::vector<std::string> stored, acknowledged, notStored, updates, notices;
    std::string storedFrom;
    int updateEnds = 0;
    bool storeSucceeds = true;
};

class DownloadQueueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner.faxDir = dir.file("faxbox");
        owner.updateDir = dir.file("update");
    }

    // A server item naming the given files.
    CRL::Event& Item(const std::string& faxId, const std::vector<std::string>& files, const char* event = "queryfax")
    {
        auto item = std::make_unique<CRL::Event>();
        item->setKV("event", event);
        item->setKV("faxid", faxId.c_str());
        item->setKV("attachfilecount", static_cast<int>(files.size()));
        for (std::size_t i = 0; i < files.size(); ++i)
            item->setKV(FormatText("attachfile.items[%zu].filename", i).c_str(), files[i].c_str());
        items.push_back(std::move(item));
        queue.PushCopy(*items.back());
        return *items.back();
    }

    // Runs the pump until it waits, then lets the running download end
    // with `content` written into its file (or fail when content is empty).
    void FinishDownload(const std::string& content)
    {
        while (queue.HandleDownload()) {
        }
        const FakeAgent::Download last = agent.downloads().back();
        if (content.empty()) {
            EXPECT_EQ(queue.DownloadFailed(last.taskId), 1);
            return;
        }
        testfiles::writeFile(last.localPath, content);
        EXPECT_EQ(queue.DownloadSucceeded(last.taskId), 1);
    }

    void Drain()
    {
        while (queue.HandleDownload()) {
        }
    }

    testfiles::TempDir dir;
    FakeAgent agent;
    RecordingOwner owner;
    DownloadQueue queue{agent, 77, owner};
    std::vector<std::unique_ptr<CRL::Event>> items;
};

} // namespace

TEST_F(DownloadQueueTest, TwoFilesAreFetchedInOrderRenamedStoredAndAcknowledgedOnce)
{
    Item("F1", {"p1.tif", "dir\\p2.tif"});
    FinishDownload("one");
    FinishDownload("two");
    Drain();

    const auto downloads = agent.downloads();
    ASSERT_EQ(downloads.size(), 2u);
    EXPECT_EQ(downloads[0].serverName, "p1.tif");
    EXPECT_EQ(downloads[0].localPath, owner.faxDir + "/p1.tif.download");
    EXPECT_EQ(downloads[1].localPath, owner.faxDir + "/p2.tif.download");
    EXPECT_EQ(downloads[0].invokeId, 77);
    EXPECT_EQ(testfiles::readFile(owner.faxDir + "/p1.tif"), "one");
    EXPECT_EQ(testfiles::readFile(owner.faxDir + "/p2.tif"), "two");
    EXPECT_FALSE(fs::exists(owner.faxDir + "/p1.tif.download"));
    EXPECT_FALSE(fs::exists(owner.faxDir + "/p2.tif.download"));
    EXPECT_EQ(owner.stored, std::vector<std::string>{"F1"});
    EXPECT_EQ(owner.storedFrom, owner.faxDir);
    EXPECT_EQ(owner.acknowledged, std::vector<std::string>{"F1"});
    EXPECT_EQ(owner.notices, std::vector<std::string>{"您有传真件，请阅览！"});
    EXPECT_EQ(queue.size(), 0u);
}

TEST_F(DownloadQueueTest, AFailedDownloadIsNotAcknowledgedAndTheNextItemStillArrives)
{
    Item("F1", {"a.tif", "b.tif"});
    Item("F2", {"c.tif"});
    FinishDownload("first");
    FinishDownload(""); // b.tif refused
    FinishDownload("third");
    Drain();

    EXPECT_EQ(owner.notStored, std::vector<std::string>{"F1"});
    EXPECT_EQ(owner.stored, std::vector<std::string>{"F2"});
    EXPECT_EQ(owner.acknowledged, std::vector<std::string>{"F2"});
    EXPECT_EQ(owner.notices, (std::vector<std::string>{"下载文件失败！", "您有传真件，请阅览！"}));
    // What was fetched of the failed item stays.
    EXPECT_EQ(testfiles::readFile(owner.faxDir + "/a.tif"), "first");
}

TEST_F(DownloadQueueTest, AFaxWhoseRecordCannotBeStoredIsNotAcknowledged)
{
    owner.storeSucceeds = false;
    Item("F1", {"a.tif"});
    FinishDownload("page");
    Drain();

    EXPECT_TRUE(owner.acknowledged.empty());
    EXPECT_EQ(owner.notStored, std::vector<std::string>{"F1"});
    EXPECT_EQ(owner.notices, std::vector<std::string>{"接收传真件失败！"});
    EXPECT_EQ(queue.size(), 0u);
}

TEST_F(DownloadQueueTest, ServerNamesAreReducedToOneNameInsideTheDirectory)
{
    struct Case {
        std::string serverName;
        std::string local; // "" = refused
    };
    const std::vector<Case> cases = {
        {"a:b\\c.tif", "c.tif"}, {"../../x", "x"}, {"/etc/x", "x"}, {"..", ""}, {"", ""}, {"dir/", ""}, {"a\\..", ""},
    };
    for (const Case& c : cases) {
        RecordingOwner caseOwner;
        caseOwner.faxDir = dir.file("box");
        FakeAgent caseAgent;
        DownloadQueue caseQueue(caseAgent, 1, caseOwner);
        CRL::Event item;
        item.setKV("event", "faxreceived");
        item.setKV("faxid", "F");
        item.setKV("attachfilecount", 1);
        item.setKV("attachfile.items[0].filename", c.serverName.c_str());
        caseQueue.PushCopy(item);
        while (caseQueue.HandleDownload()) {
        }
        if (c.local.empty()) {
            EXPECT_TRUE(caseAgent.downloads().empty()) << c.serverName;
            EXPECT_EQ(caseOwner.notStored, std::vector<std::string>{"F"}) << c.serverName;
            EXPECT_TRUE(caseOwner.acknowledged.empty()) << c.serverName;
        } else {
            ASSERT_EQ(caseAgent.downloads().size(), 1u) << c.serverName;
            EXPECT_EQ(caseAgent.downloads()[0].serverName, c.serverName);
            EXPECT_EQ(caseAgent.downloads()[0].localPath, caseOwner.faxDir + "/" + c.local + ".download");
            testfiles::writeFile(caseAgent.downloads()[0].localPath, "data");
            caseQueue.DownloadSucceeded(caseAgent.downloads()[0].taskId);
            EXPECT_EQ(testfiles::readFile(caseOwner.faxDir + "/" + c.local), "data") << c.serverName;
        }
    }
    // Nothing landed beside the directory.
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename(), "box");
}

TEST_F(DownloadQueueTest, AReplyBeforeDownLoadFileReturnsIsNotLost)
{
    // The worker reports the end of the download while the pump is still
    // inside downLoadFile.
    std::thread reporter;
    std::atomic<int> reported{-1};
    agent.onDownload = [&](const FakeAgent::Download& download) {
        testfiles::writeFile(download.localPath, "fast");
        reporter = std::thread([&, taskId = download.taskId] { reported = queue.DownloadSucceeded(taskId); });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    };
    Item("F1", {"fast.tif"});
    Drain();
    reporter.join();
    EXPECT_EQ(reported, 1);
    Drain();
    EXPECT_EQ(owner.stored, std::vector<std::string>{"F1"});
    EXPECT_EQ(testfiles::readFile(owner.faxDir + "/fast.tif"), "fast");
}

TEST_F(DownloadQueueTest, AFileThatCannotBeRenamedIntoPlaceFailsTheItem)
{
    // A directory holds the finished file's name.
    fs::create_directories(owner.faxDir + "/a.tif/inside");
    Item("F1", {"a.tif"});
    FinishDownload("page");
    Drain();
    EXPECT_TRUE(owner.stored.empty());
    EXPECT_TRUE(owner.acknowledged.empty());
    EXPECT_EQ(owner.notStored, std::vector<std::string>{"F1"});
    EXPECT_EQ(owner.notices, std::vector<std::string>{"下载文件失败！"});
}

TEST_F(DownloadQueueTest, ADirectoryThatCannotBeCreatedFailsTheItem)
{
    testfiles::writeFile(owner.faxDir, "a file where the directory should be");
    Item("F1", {"a.tif"});
    Drain();
    EXPECT_TRUE(agent.downloads().empty());
    EXPECT_EQ(owner.notStored, std::vector<std::string>{"F1"});
    EXPECT_EQ(queue.size(), 0u);
}

TEST_F(DownloadQueueTest, ADownloadCutByADisconnectStartsAgainOnAnEmptyFile)
{
    Item("F1", {"a.tif"});
    Drain();
    const FakeAgent::Download first = agent.downloads().at(0);
    testfiles::writeFile(first.localPath, "half of it");
    EXPECT_EQ(queue.HandleDownload(), 0); // waiting

    queue.RestartStalledDownload();
    EXPECT_EQ(agent.cancelled(), std::vector<long>{first.taskId});
    Drain();
    ASSERT_EQ(agent.downloads().size(), 2u);
    EXPECT_EQ(testfiles::readFile(first.localPath), "");
    // The old task's late report changes nothing.
    EXPECT_EQ(queue.DownloadSucceeded(first.taskId), 0);
    testfiles::writeFile(first.localPath, "whole");
    EXPECT_EQ(queue.DownloadSucceeded(agent.downloads()[1].taskId), 1);
    Drain();
    EXPECT_EQ(testfiles::readFile(owner.faxDir + "/a.tif"), "whole");
    EXPECT_EQ(owner.acknowledged, std::vector<std::string>{"F1"});
}

TEST_F(DownloadQueueTest, ItemsWithoutFilesAndOtherEvents)
{
    Item("F0", {});
    CRL::Event other;
    other.setKV("event", "changestate");
    queue.PushCopy(other);
    Drain();
    Drain();
    EXPECT_EQ(owner.notices, std::vector<std::string>{"没有附件！"});
    EXPECT_TRUE(owner.acknowledged.empty());
    EXPECT_EQ(queue.size(), 0u);
    EXPECT_EQ(queue.PushEvent(nullptr), 0);
}

TEST_F(DownloadQueueTest, AnUpdateWithTwoFilesIsRecordedOnceBothAreIn)
{
    CRL::Event& update = Item("", {"bin\\zuvo.new", "notes.txt"}, "update");
    update.setKV("updatedata", "v4300");
    queue.PopEvent()->release();
    queue.PushCopy(update);
    FinishDownload("program");
    FinishDownload("notes");
    Drain();
    EXPECT_EQ(testfiles::readFile(owner.updateDir + "/zuvo.new"), "program");
    EXPECT_EQ(testfiles::readFile(owner.updateDir + "/notes.txt"), "notes");
    EXPECT_EQ(owner.updates, std::vector<std::string>{"v4300"});
    EXPECT_EQ(owner.updateEnds, 1);
    EXPECT_TRUE(owner.notices.empty());
}

TEST_F(DownloadQueueTest, AnUpdateWithoutFilesOrWithAFailedFileEndsTheCheck)
{
    Item("", {}, "update");
    Drain();
    EXPECT_EQ(owner.notices, std::vector<std::string>{"没有最新的版本！"});
    Item("", {"x.bin"}, "update");
    FinishDownload("");
    Drain();
    EXPECT_EQ(owner.updateEnds, 2);
    EXPECT_TRUE(owner.updates.empty());
    EXPECT_EQ(owner.notices.size(), 1u);
}

namespace {

// A queue that gives a download up after 80 ms without progress.
class DownloadQueueStall : public ::testing::Test {
protected:
    DownloadQueueStall() { owner.faxDir = dir.file("faxbox"); }

    // Queues an item with one file and starts its download.
    void StartOne(const char* event, const char* faxId, const char* file)
    {
        CRL::Event item;
        item.setKV("event", event);
        item.setKV("faxid", faxId);
        item.setKV("attachfilecount", 1);
        item.setKV("attachfile.items[0].filename", file);
        queue.PushCopy(item);
        Drain();
    }
    void Drain()
    {
        while (queue.HandleDownload()) {
        }
    }

    testfiles::TempDir dir;
    FakeAgent agent;
    RecordingOwner owner;
    DownloadQueue queue{agent, 5, owner, 80};
};

} // namespace

TEST_F(DownloadQueueStall, ADownloadWithoutProgressIsGivenUpAndOneWithProgressIsNot)
{
    StartOne("queryfax", "SLOW", "slow.tif");
    const long taskId = agent.downloads().at(0).taskId;

    // Steps keep coming: alive.
    for (int i = 0; i < 6; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        queue.DownloadProgressed(taskId);
        EXPECT_EQ(queue.HandleDownload(), 0);
    }
    EXPECT_TRUE(agent.cancelled().empty());

    // Silence: given up, not acknowledged, the chain moves on.
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    Drain();
    EXPECT_EQ(agent.cancelled(), std::vector<long>{taskId});
    EXPECT_EQ(owner.notStored, std::vector<std::string>{"SLOW"});
    EXPECT_TRUE(owner.acknowledged.empty());
    EXPECT_EQ(queue.size(), 0u);
    EXPECT_EQ(queue.DownloadSucceeded(taskId), 0);
}

TEST_F(DownloadQueueStall, ADownloadWaitingForTheConnectionIsNotGivenUpMeanwhile)
{
    StartOne("faxreceived", "WAIT", "wait.tif");

    // The connection is lost: the download starts again and waits for it.
    queue.RestartStalledDownload();
    Drain();
    ASSERT_EQ(agent.downloads().size(), 2u);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(queue.HandleDownload(), 0);
    EXPECT_EQ(agent.cancelled().size(), 1u); // only the cut one

    // Back online: the waiting download has its full time again.
    queue.SetOnline(true);
    EXPECT_EQ(queue.HandleDownload(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    Drain();
    EXPECT_EQ(agent.cancelled().size(), 2u);
    EXPECT_EQ(owner.notStored, std::vector<std::string>{"WAIT"});
}
