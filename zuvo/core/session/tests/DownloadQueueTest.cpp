// The download queue and its pump: file order, renames, acknowledgement only
// of stored faxes, server names that try to leave the directory, fast
// replies, a lost connection, and updates.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/TextUtil.h"
#include "core/session/DownloadQueue.h"
#include "core/session/DownloadStaging.h"
#include "core/tests/SessionFakes.h"
#include "core/tests/TestFiles.h"

using namespace sessiontest;
namespace fs = std::filesystem;

namespace {

class RecordingOwner : public DownloadOwner {
public:
    struct Staged {
        std::string path;
        std::string bytes; // when StoreFax was called
    };

    std::string StagingRoot() override { return stagingRoot; }
    std::string UpdateDirectory() override { return updateDir; }
    bool StoreFax(CRL::Event& item, const std::vector<std::string>& stagedFiles) override
    {
        staged.clear();
        for (const std::string& path : stagedFiles)
            staged.push_back(Staged{path, testfiles::readFile(path)});
        if (!storeSucceeds)
            return false;
        stored.push_back(item.getString("faxid"));
        return true;
    }
    int AcknowledgeFax(CRL::Event& item) override
    {
        acknowledged.push_back(item.getString("faxid"));
        return 1;
    }
    void FaxNotStored(CRL::Event& item, NotStored why) override
    {
        notStored.push_back(item.getString("faxid"));
        reasons.push_back(why);
    }
    void StoreUpdate(const std::string& data) override { updates.push_back(data); }
    void UpdateEnded() override { ++updateEnds; }
    void Notice(const std::string& text) override { notices.push_back(text); }

    std::string stagingRoot;
    std::string updateDir;
    std::vector<std::string> stored, acknowledged, notStored, updates, notices;
    std::vector<NotStored> reasons;
    std::vector<Staged> staged; // of the last StoreFax
    int updateEnds = 0;
    bool storeSucceeds = true;
};

class DownloadQueueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner.stagingRoot = dir.file("data/.incoming");
        owner.updateDir = dir.file("update");
    }

    // The staging directory of the queue's n-th fax item.
    std::string Staging(int n) const { return owner.stagingRoot + "/77-" + std::to_string(n); }

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

TEST_F(DownloadQueueTest, TwoFilesOfOneNameAreStagedApartFiledAndAcknowledgedOnce)
{
    Item("F1", {"x\\p.tif", "y\\p.tif"});
    FinishDownload("one");
    FinishDownload("two");
    Drain();

    const auto downloads = agent.downloads();
    ASSERT_EQ(downloads.size(), 2u);
    EXPECT_EQ(downloads[0].serverName, "x\\p.tif");
    EXPECT_EQ(downloads[0].localPath, Staging(1) + "/0-p.tif.download");
    EXPECT_EQ(downloads[1].localPath, Staging(1) + "/1-p.tif.download");
    EXPECT_EQ(downloads[0].invokeId, 77);
    ASSERT_EQ(owner.staged.size(), 2u);
    EXPECT_EQ(owner.staged[0].path, Staging(1) + "/0-p.tif");
    EXPECT_EQ(owner.staged[0].bytes, "one");
    EXPECT_EQ(owner.staged[1].path, Staging(1) + "/1-p.tif");
    EXPECT_EQ(owner.staged[1].bytes, "two");
    EXPECT_EQ(owner.stored, std::vector<std::string>{"F1"});
    EXPECT_EQ(owner.acknowledged, std::vector<std::string>{"F1"});
    EXPECT_EQ(owner.notices, std::vector<std::string>{"您有传真件，请阅览！"});
    EXPECT_EQ(queue.size(), 0u);
    // Filed: the staging directory is gone.
    EXPECT_TRUE(fs::is_empty(owner.stagingRoot));
}

TEST_F(DownloadQueueTest, AnItemThatIsNotStoredLeavesNothingStagedAndIsNotAcknowledged)
{
    Item("F1", {"a.tif", "b.tif"});
    Item("F2", {"c.tif"});
    Item("F3", {"d.tif"});
    FinishDownload("first");
    FinishDownload(""); // b.tif refused
    FinishDownload("third");
    Drain();
    owner.storeSucceeds = false;
    FinishDownload("fourth");
    Drain();

    EXPECT_EQ(owner.notStored, (std::vector<std::string>{"F1", "F3"}));
    EXPECT_EQ(owner.reasons, (std::vector<DownloadOwner::NotStored>{DownloadOwner::NotStored::Download,
                                                                      DownloadOwner::NotStored::Filing}));
    EXPECT_EQ(owner.stored, std::vector<std::string>{"F2"});
    EXPECT_EQ(owner.acknowledged, std::vector<std::string>{"F2"});
    EXPECT_EQ(owner.notices, (std::vector<std::string>{"下载文件失败！", "您有传真件，请阅览！", "接收传真件失败！"}));
    EXPECT_TRUE(fs::is_empty(owner.stagingRoot));
    EXPECT_EQ(queue.size(), 0u);
}

TEST_F(DownloadQueueTest, ServerNamesNameTheStagedFileWithItsIndex)
{
    struct Case {
        std::string serverName;
        std::string staged; // "" = refused
    };
    const std::string longName = std::string(300, 'n') + ".tif";
    const std::vector<Case> cases = {
        {"a:b\\c.tif", "0-c.tif"}, {"../../x", "0-x"}, {"/etc/x", "0-x"}, {"..", "0"},
        {"dir/", "0"},             {"a\\..", "0"},   {"", ""},
        {longName, "0-" + std::string(255 - 2 - 4 - 9, 'n') + ".tif"},
    };
    for (const Case& c : cases) {
        RecordingOwner caseOwner;
        caseOwner.stagingRoot = dir.file("staging");
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
        if (c.staged.empty()) {
            EXPECT_TRUE(caseAgent.downloads().empty()) << c.serverName;
            EXPECT_EQ(caseOwner.notStored, std::vector<std::string>{"F"}) << c.serverName;
            continue;
        }
        ASSERT_EQ(caseAgent.downloads().size(), 1u) << c.serverName;
        EXPECT_EQ(caseAgent.downloads()[0].serverName, c.serverName);
        EXPECT_EQ(caseAgent.downloads()[0].localPath, dir.file("staging/1-1/" + c.staged + ".download"));
        testfiles::writeFile(caseAgent.downloads()[0].localPath, "data");
        caseQueue.DownloadSucceeded(caseAgent.downloads()[0].taskId);
        while (caseQueue.HandleDownload()) {
        }
        ASSERT_EQ(caseOwner.staged.size(), 1u);
        EXPECT_EQ(caseOwner.staged[0].bytes, "data") << c.serverName;
    }
    // Nothing landed beside the staging directory.
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename(), "staging");
}

TEST_F(DownloadQueueTest, AnItemNamingFewerFilesThanItCountsIsNotFetched)
{
    CRL::Event& item = Item("F1", {"a.tif"});
    queue.PopEvent()->release();
    item.setKV("attachfilecount", 2000000000);
    queue.PushCopy(item);
    Drain();
    EXPECT_TRUE(agent.downloads().empty());
    EXPECT_EQ(owner.notStored, std::vector<std::string>{"F1"});
}

TEST_F(DownloadQueueTest, AStagingDirectoryLeftUnderTheSameNameStartsEmpty)
{
    fs::create_directories(Staging(1));
    testfiles::writeFile(Staging(1) + "/0-a.tif", "left by an earlier run");
    Item("F1", {"a.tif"});
    Drain();
    EXPECT_FALSE(fs::exists(Staging(1) + "/0-a.tif"));
    EXPECT_TRUE(fs::exists(Staging(1) + "/0-a.tif.download"));
}

TEST_F(DownloadQueueTest, WhatAnEarlierRunLeftIsRemovedAndNothingElse)
{
    const std::string box = dir.file("faxbox");
    fs::create_directories(Staging(3) + "/deeper");
    testfiles::writeFile(Staging(3) + "/0-a.tif.download", "half");
    fs::create_directories(box);
    testfiles::writeFile(box + "/a.tif.download", "half, from before staging");
    testfiles::writeFile(box + "/a.tif.20261201080000", "a stored page");
    testfiles::writeFile(box + "/b.download.20261201080000", "a stored page of that name");
    fs::create_directories(owner.updateDir);
    testfiles::writeFile(owner.updateDir + "/zuvo.new.download", "half");
    testfiles::writeFile(owner.updateDir + "/notes.txt", "a finished update file");

    EXPECT_EQ(RemoveDownloadLeftovers(owner.stagingRoot, {box, owner.updateDir, dir.file("missing")}), 6);
    EXPECT_FALSE(fs::exists(owner.stagingRoot));
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
        if (entry.is_regular_file())
            left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"a.tif.20261201080000", "b.download.20261201080000", "notes.txt"}));
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
    ASSERT_EQ(owner.staged.size(), 1u);
    EXPECT_EQ(owner.staged[0].bytes, "fast");
}

TEST_F(DownloadQueueTest, AFileThatCannotBeRenamedIntoPlaceFailsTheItem)
{
    // A directory takes the finished file's name while it downloads.
    agent.onDownload = [](const FakeAgent::Download& download) {
        const std::string final = download.localPath.substr(0, download.localPath.size() - 9);
        fs::create_directories(final + "/inside");
    };
    Item("F1", {"a.tif"});
    FinishDownload("page");
    Drain();
    EXPECT_TRUE(owner.stored.empty());
    EXPECT_TRUE(owner.acknowledged.empty());
    EXPECT_EQ(owner.notStored, std::vector<std::string>{"F1"});
    EXPECT_EQ(owner.notices, std::vector<std::string>{"下载文件失败！"});
}

TEST_F(DownloadQueueTest, AStagingDirectoryThatCannotBeMadeFailsTheItem)
{
    fs::create_directories(dir.file("data"));
    testfiles::writeFile(owner.stagingRoot, "a file where the directory should be");
    Item("F1", {"a.tif"});
    Drain();
    EXPECT_TRUE(agent.downloads().empty());
    EXPECT_EQ(owner.notStored, std::vector<std::string>{"F1"});
    EXPECT_EQ(queue.size(), 0u);
}

TEST_F(DownloadQueueTest, ASecondTryIsQueuedOnce)
{
    CRL::Event& item = Item("F1", {"a.tif"});
    FinishDownload("");
    Drain();
    EXPECT_EQ(queue.PushRetry(item), 1);
    CRL::Event* retry = queue.PeekEvent();
    ASSERT_NE(retry, nullptr);
    EXPECT_TRUE(DownloadQueue::IsRetry(*retry));
    FinishDownload("page");
    Drain();
    EXPECT_EQ(owner.acknowledged, std::vector<std::string>{"F1"});
    EXPECT_EQ(agent.downloads().size(), 2u);
    // The retried copy gets no third try.
    CRL::Event again;
    again.copy(&item);
    again.setKV("download.retried", 1);
    EXPECT_EQ(queue.PushRetry(again), 0);
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
    ASSERT_EQ(owner.staged.size(), 1u);
    EXPECT_EQ(owner.staged[0].bytes, "whole");
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
    DownloadQueueStall() { owner.stagingRoot = dir.file("staging"); }

    // Queues an item with one file and starts its download.
    void StartOne(const char* event, const char* faxId, const char* file) { StartOne(queue, event, faxId, file); }
    static void StartOne(DownloadQueue& into, const char* event, const char* faxId, const char* file)
    {
        CRL::Event item;
        item.setKV("event", event);
        item.setKV("faxid", faxId);
        item.setKV("attachfilecount", 1);
        item.setKV("attachfile.items[0].filename", file);
        into.PushCopy(item);
        Drain(into);
    }
    void Drain() { Drain(queue); }
    static void Drain(DownloadQueue& pump)
    {
        while (pump.HandleDownload()) {
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

TEST_F(DownloadQueueStall, ThePumpsThreadIsToldOfNewWorkAndOfWhenToLookForAStall)
{
    // A stall limit of a minute: the time left is still ahead at every look
    // below, however loaded the machine.
    DownloadQueue patient{agent, 5, owner, 60000};
    int signals = 0;
    patient.SetWorkSignal([&] { ++signals; });
    EXPECT_EQ(patient.NextStallCheckMs(), -1);
    StartOne(patient, "queryfax", "ONE", "one.tif");
    EXPECT_EQ(signals, 1); // the item
    const int check = patient.NextStallCheckMs();
    EXPECT_GT(check, 0);
    EXPECT_LE(check, 60000);

    // Offline, nothing is given up, so there is nothing to look for.
    patient.RestartStalledDownload();
    EXPECT_EQ(signals, 2);
    Drain(patient);
    EXPECT_EQ(patient.NextStallCheckMs(), -1);
    patient.SetOnline(true);
    EXPECT_EQ(signals, 3);
    EXPECT_GT(patient.NextStallCheckMs(), 0);

    // The end of the download is news for the pump too.
    EXPECT_EQ(patient.DownloadSucceeded(agent.downloads().back().taskId), 1);
    EXPECT_EQ(signals, 4);
    Drain(patient);
    EXPECT_EQ(patient.NextStallCheckMs(), -1);

    // Past the limit (80 ms here) the look is due at once, never put off.
    StartOne("queryfax", "TWO", "two.tif");
    std::this_thread::sleep_for(std::chrono::milliseconds(90));
    EXPECT_EQ(queue.NextStallCheckMs(), 0);
}
