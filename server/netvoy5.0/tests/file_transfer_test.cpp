// Chunked upload and download against the fake agent server: the record on
// the wire, stop-and-wait, md5 of what arrives, faults and hostile replies,
// round robin, and cancels racing replies.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "SimFixture.h"
#include "netvoy/FileService.h"
#include "textcodec/Gbk.h"

namespace {

Bytes randomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    Bytes bytes(size);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(generator());
    return bytes;
}

void writeFile(const std::string& path, const Bytes& bytes)
{
    testsupport::writeFile(path, std::string(bytes.begin(), bytes.end()));
}

using testsupport::md5sumOf;

std::uint32_t recordField(const Bytes& pdu, std::size_t field)
{
    std::size_t at = 15 + field;
    return pdu[at] | pdu[at + 1] << 8 | pdu[at + 2] << 16 | static_cast<std::uint32_t>(pdu[at + 3]) << 24;
}

constexpr std::size_t kTaskIdField = 392;
constexpr std::size_t kOffsetField = 396;
constexpr std::size_t kDataLengthField = 400;
constexpr std::size_t kFileLengthField = 404;

std::vector<Bytes> userCommands(const AgentSim& sim)
{
    std::vector<Bytes> found;
    for (Bytes& pdu : sim.receivedPdus())
        if (pdu.size() >= 16 && pdu[1] == 1 && pdu[12] == 6)
            found.push_back(pdu);
    return found;
}

CRL::EventPtr parse(const std::string& text)
{
    CRL::EventPtr event = CRL::makeEvent();
    event->splitEvent(text.c_str());
    return event;
}

std::vector<CRL::EventPtr> named(const std::vector<std::string>& texts, const std::string& name)
{
    std::vector<CRL::EventPtr> found;
    for (const std::string& text : texts) {
        CRL::EventPtr event = parse(text);
        if (name == event->getString("event"))
            found.push_back(std::move(event));
    }
    return found;
}

bool hasEventLocked(Recorder& recorder, const std::string& prefix)
{
    for (const std::string& text : recorder.receivedLocked())
        if (text.rfind("event=" + prefix, 0) == 0)
            return true;
    return false;
}

class NetvoyFileTransfer : public NetvoyClientAgainstSim {
protected:
    // Starts the server with the files section `files` (JSON object text).
    void startFiles(const std::string& files, ClientTimeouts timeouts = quickTimeouts())
    {
        start(R"({"files": )" + files + "}", timeouts);
        waitForAddress(NetAddr(3, 9));
    }
    // Waits for the task's final event ("<kind>-success" or "<kind>-failed").
    void waitForEnd(const std::string& kind, int timeoutMs = 5000)
    {
        ASSERT_TRUE(recorder.waitFor([&] { return hasEventLocked(recorder, kind + "-success") ||
                                                  hasEventLocked(recorder, kind + "-failed"); },
                                     timeoutMs));
    }

    testsupport::TempDir scratch;
};

} // namespace

TEST_F(NetvoyFileTransfer, UploadGoesOutStopAndWaitInChunksAndArrivesWhole)
{
    const std::string local = scratch.file("page1.tif");
    writeFile(local, randomBytes(5000, 1));
    std::filesystem::create_directory(scratch.file("up"));
    startFiles(R"({"upload_dir": ")" + scratch.file("up") + R"("})");

    int taskId = client.upLoadFile(11, "8001", local.c_str());
    ASSERT_GT(taskId, 0);
    waitForEnd("upload");
    finish();

    std::vector<CRL::EventPtr> done = named(recorder.received(), "upload-success");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0]->getInt("taskid"), taskId);
    EXPECT_EQ(done[0]->getInt("invokeid"), 11);
    EXPECT_STREQ(done[0]->getString("filename"), local.c_str());
    std::vector<CRL::EventPtr> steps = named(recorder.processed(), "upload-process");
    ASSERT_EQ(steps.size(), 3u);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i]->getLong("offset"), std::vector<long>({2048, 4096, 5000})[i]);
        EXPECT_EQ(steps[i]->getLong("length"), 5000);
    }

    std::vector<Bytes> chunks = userCommands(*sim);
    ASSERT_EQ(chunks.size(), 3u);
    const std::uint32_t offsets[] = {0, 2048, 4096}, lengths[] = {2048, 2048, 904};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(chunks[i].size(), 2480u) << "an upload record is always 2464 bytes";
        EXPECT_EQ(chunks[i][13], 1);
        EXPECT_EQ(recordField(chunks[i], kTaskIdField), static_cast<std::uint32_t>(taskId));
        EXPECT_EQ(recordField(chunks[i], kOffsetField), offsets[i]);
        EXPECT_EQ(recordField(chunks[i], kDataLengthField), lengths[i]);
        EXPECT_EQ(recordField(chunks[i], kFileLengthField), 5000u);
    }
    const Bytes& first = chunks[0];
    EXPECT_EQ(std::string(first.begin() + 15 + 8, first.begin() + 15 + 12), "8001");
    EXPECT_EQ(first[15 + 12], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&first[15 + 136])), local);
    for (std::size_t i : {0, 1, 2, 3, 4, 5, 6, 7})
        EXPECT_EQ(first[15 + i], 0);
    EXPECT_EQ(Bytes(chunks[2].begin() + 15 + 416 + 904, chunks[2].end()), Bytes(2480 - 15 - 416 - 904, 0))
        << "the rest of the last chunk's record is zero";

    // Stop-and-wait: every chunk after the first follows the reply to the one before.
    std::string order;
    for (const std::string& line : sim->logLines())
        if (AgentSim::field(line, "type") == "6")
            order += AgentSim::field(line, "dir") == "in" ? "C" : "R";
    EXPECT_EQ(order, "CRCRCR");

    std::vector<std::string> complete = sim->notes("upload-complete");
    ASSERT_EQ(complete.size(), 1u);
    EXPECT_EQ(AgentSim::field(complete[0], "md5"), md5sumOf(local));
    EXPECT_EQ(md5sumOf(scratch.file("up/page1.tif")), md5sumOf(local));
}

TEST_F(NetvoyFileTransfer, RefusedChunkFailsTheUploadAndNothingFollows)
{
    const std::string local = scratch.file("page.tif");
    writeFile(local, randomBytes(5000, 2));
    startFiles(R"({"faults": [{"op": "upload", "chunk": 1, "action": "refuse"}]})");
    int taskId = client.upLoadFile(3, "u", local.c_str());
    waitForEnd("upload");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    finish();
    std::vector<CRL::EventPtr> failed = named(recorder.received(), "upload-failed");
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0]->getInt("taskid"), taskId);
    EXPECT_TRUE(named(recorder.received(), "upload-success").empty());
    EXPECT_EQ(userCommands(*sim).size(), 2u);
    EXPECT_EQ(client.fileServiceTaskCount(), 0u);
}

TEST_F(NetvoyFileTransfer, EmptyFileUploadsWithoutAChunk)
{
    const std::string local = scratch.file("empty.tif");
    writeFile(local, {});
    startFiles("{}");
    ASSERT_GT(client.upLoadFile(1, "u", local.c_str()), 0);
    waitForEnd("upload");
    finish();
    EXPECT_EQ(named(recorder.received(), "upload-success").size(), 1u);
    EXPECT_TRUE(userCommands(*sim).empty());
}

TEST(NetvoyFileService, FilesAndNamesThatCannotGoAreRefused)
{
    testsupport::TempDir scratch;
    Client client;
    EXPECT_EQ(client.upLoadFile(1, "u", scratch.file("missing.tif").c_str()), 0);
    EXPECT_EQ(client.upLoadFile(1, "u", scratch.path().c_str()), 0) << "a directory is no file";
    EXPECT_EQ(client.fileServiceTaskCount(), 0u);

    const std::string fine = scratch.file("fine.tif");
    writeFile(fine, {1});
    EXPECT_EQ(client.upLoadFile(1, std::string(128, 'u').c_str(), fine.c_str()), 0);
    EXPECT_GT(client.upLoadFile(1, std::string(127, 'u').c_str(), fine.c_str()), 0);

    EXPECT_EQ(client.downLoadFile(1, "u", std::string(256, 's').c_str(), fine.c_str()), 0);
    int first = client.downLoadFile(1, "u", std::string(255, 's').c_str(), fine.c_str());
    int second = client.downLoadFile(1, "u", "x", fine.c_str());
    EXPECT_GT(first, 0);
    EXPECT_EQ(second, first + 1) << "uploads and downloads share one counter";
    EXPECT_EQ(client.fileServiceTaskCount(), 3u);
    EXPECT_EQ(client.cancelDownloadFile(0, second), 1);
    EXPECT_EQ(client.cancelDownloadFile(0, second), 0);
    EXPECT_EQ(client.fileServiceTaskCount(), 2u);
}

// The name an upload carries is made to fit its record, whatever the local
// path: characters GBK lacks become "_", and a path over the record's 255
// GBK bytes goes as its last component. The file is read by its real path.
TEST(NetvoyFileService, UploadNamesAreMadeToFitTheRecord)
{
    struct Case {
        const char* what;
        std::string path;
        std::string onTheWire;
    };
    const std::string longComponent(200, 'c');
    const Case cases[] = {
        {"GBK holds every character", "/home/j\xC3\xBCrgen/\xE4\xBC\xA0\xE7\x9C\x9F.tif",
         "/home/j\xC3\xBCrgen/\xE4\xBC\xA0\xE7\x9C\x9F.tif"},
        {"characters GBK lacks", "/home/x/M\xC3\xBCller-\xC3\xB8 \xF0\x9F\x98\x80.tif",
         "/home/x/M\xC3\xBCller-_ _.tif"},
        {"a path over 255 bytes", "/" + std::string(60, 'd') + "/" + longComponent + ".tif", longComponent + ".tif"},
        {"exactly 255 bytes", "/" + std::string(249, 'd') + "/a.tf", "/" + std::string(249, 'd') + "/a.tf"},
        {"the last component after a colon", "/" + std::string(260, 'd') + "/a:b.tif", "b.tif"},
        {"a last component over 255 bytes is cut on a character",
         "/" + std::string(10, 'd') + "/x" + [] {
             std::string name;
             for (int i = 0; i < 130; ++i)
                 name += "\xE5\xBC\xA0"; // 张, two bytes in GBK
             return name;
         }(),
         "x" + [] {
             std::string name;
             for (int i = 0; i < 127; ++i)
                 name += "\xE5\xBC\xA0";
             return name;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Netvoy::uploadFileName(c.path), c.onTheWire);
        EXPECT_LE(TextCodec::utf8ToGbk(Netvoy::uploadFileName(c.path)).text.size(), 255u);
        EXPECT_EQ(TextCodec::utf8ToGbk(Netvoy::uploadFileName(c.path)).replaced, 0u);
    }
}

// Files whose paths the record cannot carry as they stand are uploaded
// whole under the fitted name, and the server keeps them under its last component.
TEST_F(NetvoyFileTransfer, FilesWithNamesOutsideGbkAreUploadedWhole)
{
    struct Case {
        const char* what;
        std::string directory; // below the scratch directory
        std::string name;
        std::string kept;      // the name the server keeps
    };
    const Case cases[] = {
        {"a name with characters GBK lacks", "j\xC3\xBCrgen", "M\xC3\xBCller-\xC3\xB8.tif", "M\xC3\xBCller-_.tif"},
        {"an emoji", "plain", "fax \xF0\x9F\x98\x80.tif", "fax _.tif"},
        {"a path over 255 bytes", std::string(150, 'd') + "/" + std::string(100, 'e'), "page.tif", "page.tif"},
    };
    std::filesystem::create_directory(scratch.file("up"));
    startFiles(R"({"upload_dir": ")" + scratch.file("up") + R"("})");
    std::vector<std::string> locals;
    for (const Case& c : cases) {
        const std::string directory = scratch.file(c.directory);
        std::filesystem::create_directories(directory);
        locals.push_back(directory + "/" + c.name);
        writeFile(locals.back(), randomBytes(3000, static_cast<unsigned>(locals.size())));
    }
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        ASSERT_GT(client.upLoadFile(2, "u", locals[i].c_str()), 0);
        ASSERT_TRUE(recorder.waitFor([&] {
            std::size_t ended = 0;
            for (const std::string& text : recorder.receivedLocked())
                ended += text.rfind("event=upload-", 0) == 0 ? 1 : 0;
            return ended > i;
        }));
        EXPECT_EQ(named(recorder.received(), "upload-success").size(), i + 1);
        EXPECT_EQ(md5sumOf(scratch.file("up/" + cases[i].kept)), md5sumOf(locals[i]));
    }
    finish();
    std::vector<Bytes> chunks = userCommands(*sim);
    ASSERT_EQ(chunks.size(), 2 * std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string wire(reinterpret_cast<const char*>(&chunks[2 * i][15 + 136]));
        EXPECT_EQ(TextCodec::gbkToUtf8(wire).text, Netvoy::uploadFileName(locals[i])) << cases[i].what;
    }
}

namespace {

struct DownloadCase {
    std::size_t size;
    std::size_t requests;
};

class NetvoyDownload : public NetvoyFileTransfer, public ::testing::WithParamInterface<DownloadCase> {};

} // namespace

TEST_P(NetvoyDownload, TargetEndsWithExactlyTheServedBytes)
{
    const DownloadCase c = GetParam();
    const std::string served = scratch.file("served.bin");
    const std::string target = scratch.file("target.bin");
    writeFile(served, randomBytes(c.size, 3));
    writeFile(target, Bytes(10000, 'X')); // a stale, longer file
    startFiles(R"({"downloads": {"fax/1.tif": ")" + served + R"("}})");

    int taskId = client.downLoadFile(9, "u", "fax/1.tif", target.c_str());
    ASSERT_GT(taskId, 0);
    waitForEnd("download");
    finish();

    std::vector<CRL::EventPtr> done = named(recorder.received(), "download-success");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0]->getInt("taskid"), taskId);
    EXPECT_STREQ(done[0]->getString("filename"), "fax/1.tif");
    EXPECT_EQ(std::filesystem::file_size(target), c.size);
    EXPECT_EQ(md5sumOf(target), md5sumOf(served));

    std::vector<CRL::EventPtr> steps = named(recorder.processed(), "download-process");
    ASSERT_EQ(steps.size(), c.requests);
    EXPECT_EQ(steps[0]->getLong("length"), -1) << "the size is not known before the first reply";
    std::vector<Bytes> requests = userCommands(*sim);
    ASSERT_EQ(requests.size(), c.requests);
    for (std::size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].size(), 448u) << "a download request carries 417 bytes: 28 blocks";
        EXPECT_EQ(requests[i][13], 3);
        EXPECT_EQ(recordField(requests[i], kOffsetField), 2048 * i);
        EXPECT_EQ(recordField(requests[i], kDataLengthField), 2048u);
    }
    EXPECT_EQ(recordField(requests[0], kFileLengthField), 0xFFFFFFFFu);
}

INSTANTIATE_TEST_SUITE_P(Sizes, NetvoyDownload,
                         ::testing::Values(DownloadCase{0, 1}, DownloadCase{3000, 2}, DownloadCase{4096, 2}),
                         [](const auto& info) { return "bytes" + std::to_string(info.param.size); });

TEST_F(NetvoyFileTransfer, DownloadThatCannotBeWrittenFails)
{
    const std::string served = scratch.file("served.bin");
    writeFile(served, randomBytes(3000, 4));
    startFiles(R"({"downloads": {"f": ")" + served + R"("}})");
    client.downLoadFile(1, "u", "f", scratch.file("no/such/dir/target.bin").c_str());
    waitForEnd("download");
    finish();
    EXPECT_EQ(named(recorder.received(), "download-failed").size(), 1u);
    EXPECT_EQ(userCommands(*sim).size(), 1u) << "the chunk is not asked for again and again";
}

TEST_F(NetvoyFileTransfer, AFileLengthOver512MiBFailsAtTheFirstReply)
{
    // The server claims 2^31 bytes and keeps sending data: nothing of it is
    // written and nothing more is asked for.
    const std::string served = scratch.file("served.bin");
    const std::string target = scratch.file("target.bin");
    writeFile(served, randomBytes(1536 * 1024, 6));
    startFiles(R"({"downloads": {"f": ")" + served + R"("}, "faults": [{"op": "download", "chunk": "any", "fields": {"filelen": 2147483648}}]})");
    client.downLoadFile(1, "u", "f", target.c_str());
    waitForEnd("download");
    finish();
    EXPECT_EQ(named(recorder.received(), "download-failed").size(), 1u);
    EXPECT_EQ(userCommands(*sim).size(), 1u);
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(target, error);
    EXPECT_LT(error ? 0 : size, 1024u * 1024);
}

namespace {

struct HostileCase {
    const char* name;
    const char* op; // "upload" or "download"
    const char* fault;
};

class NetvoyHostileReply : public NetvoyFileTransfer, public ::testing::WithParamInterface<HostileCase> {};

} // namespace

TEST_P(NetvoyHostileReply, EndsInTheFailedEvent)
{
    const HostileCase c = GetParam();
    const std::string local = scratch.file("file.bin");
    writeFile(local, randomBytes(3000, 5));
    ClientTimeouts timeouts = quickTimeouts();
    timeouts.replyMs = 800;
    startFiles(R"({"downloads": {"f": ")" + local + R"("}, "faults": [)" + c.fault + "]}", timeouts);
    const std::string op = c.op;
    int taskId = op == "upload" ? client.upLoadFile(1, "u", local.c_str())
                                : client.downLoadFile(1, "u", "f", scratch.file("target.bin").c_str());
    ASSERT_GT(taskId, 0);
    waitForEnd(op);
    std::vector<CRL::EventPtr> failed = named(recorder.received(), op + "-failed");
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0]->getInt("taskid"), taskId);
    EXPECT_TRUE(named(recorder.received(), op + "-success").empty());
    EXPECT_EQ(client.fileServiceTaskCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, NetvoyHostileReply,
    ::testing::Values(
        HostileCase{"DataLengthAllOnes", "download", R"({"op": "download", "fields": {"datalen": 4294967295}})"},
        HostileCase{"DataLength4000", "download",
                    R"({"op": "download", "fields": {"datalen": 4000, "data_bytes": 3648}})"},
        HostileCase{"DataLengthBeyondThePdu", "download",
                    R"({"op": "download", "fields": {"datalen": 2048, "data_bytes": 100}})"},
        HostileCase{"FileLengthUnknown", "download", R"({"op": "download", "fields": {"filelen": -1}})"},
        HostileCase{"DataBeyondFileLength", "download", R"({"op": "download", "fields": {"filelen": 1000}})"},
        HostileCase{"FileLengthChanges", "download", R"({"op": "download", "chunk": 1, "fields": {"filelen": 5000}})"},
        HostileCase{"DownloadUnknownTask", "download", R"({"op": "download", "fields": {"taskid": 999999}})"},
        HostileCase{"DownloadReplyForTheNextOffset", "download",
                    R"({"op": "download", "chunk": 0, "fields": {"offset": 2048}})"},
        HostileCase{"DownloadReplyForALaterOffset", "download",
                    R"({"op": "download", "chunk": 1, "fields": {"offset": 2500}})"},
        HostileCase{"DownloadReplyForAnEarlierOffset", "download",
                    R"({"op": "download", "chunk": 1, "fields": {"offset": 0}})"},
        HostileCase{"DownloadReplyForAnotherFile", "download",
                    R"({"op": "download", "chunk": 1, "fields": {"name": "g"}})"},
        HostileCase{"DownloadReplyDropped", "download", R"({"op": "download", "action": "drop"})"},
        HostileCase{"DownloadRefused", "download", R"({"op": "download", "chunk": 1, "action": "refuse"})"},
        HostileCase{"UploadNegativeOffset", "upload", R"({"op": "upload", "fields": {"offset": -5}})"},
        HostileCase{"UploadOffsetPastLength", "upload", R"({"op": "upload", "fields": {"offset": 3001}})"},
        HostileCase{"UploadNoProgress", "upload", R"({"op": "upload", "fields": {"offset": 0}})"},
        HostileCase{"UploadUnknownTask", "upload", R"({"op": "upload", "fields": {"taskid": 999999}})"},
        HostileCase{"UploadReplyIsADownloadReply", "upload",
                    R"({"op": "upload", "fields": {"datalen": 0}, "action": "wrong-kind"})"},
        HostileCase{"DisconnectWhileWaiting", "upload", R"({"op": "upload", "chunk": 1, "action": "disconnect"})"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NetvoyFileTransfer, TwoUploadsAlternateStepByStep)
{
    const std::string a = scratch.file("a.tif"), b = scratch.file("b.tif");
    writeFile(a, randomBytes(5000, 6));
    writeFile(b, randomBytes(5000, 7));
    // Both are queued before the worker runs, so the second cannot arrive
    // after the first has already had its first reply.
    connectTo(R"({"files": {}})");
    int first = client.upLoadFile(1, "u", a.c_str());
    int second = client.upLoadFile(2, "u", b.c_str());
    client.run();
    ASSERT_TRUE(recorder.waitFor([&] { return named(recorder.receivedLocked(), "upload-success").size() == 2; }));
    finish();
    std::vector<std::uint32_t> order;
    for (const Bytes& chunk : userCommands(*sim))
        order.push_back(recordField(chunk, kTaskIdField));
    const std::uint32_t x = static_cast<std::uint32_t>(first), y = static_cast<std::uint32_t>(second);
    EXPECT_EQ(order, (std::vector<std::uint32_t>{x, y, x, y, x, y}));
}

TEST_F(NetvoyFileTransfer, CancelRacingRepliesEndsEachTaskExactlyOnce)
{
    const std::string served = scratch.file("served.bin");
    writeFile(served, randomBytes(6000, 8));
    startFiles(R"({"downloads": {"f": ")" + served + R"("}})");
    constexpr int kTasks = 24;
    std::vector<int> ids;
    for (int i = 0; i < kTasks; ++i)
        ids.push_back(client.downLoadFile(i, "u", "f", scratch.file("t" + std::to_string(i)).c_str()));
    std::mt19937 generator(9);
    std::vector<int> cancelled;
    for (int i = 0; i < kTasks; ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(generator() % 3000));
        if (client.cancelDownloadFile(0, ids[static_cast<std::size_t>(i)]) == 1)
            cancelled.push_back(ids[static_cast<std::size_t>(i)]);
    }
    auto begin = Clock::now();
    while (client.fileServiceTaskCount() > 0 && msSince(begin) < 5000)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(client.fileServiceTaskCount(), 0u);

    std::vector<std::string> received = recorder.received();
    for (int id : ids) {
        int ends = 0;
        for (const char* name : {"download-success", "download-failed"})
            for (const CRL::EventPtr& event : named(received, name))
                ends += event->getInt("taskid") == id;
        bool wasCancelled = std::find(cancelled.begin(), cancelled.end(), id) != cancelled.end();
        EXPECT_EQ(ends, wasCancelled ? 0 : 1) << "task " << id;
    }
}

TEST_F(NetvoyFileTransfer, UploadOfAFileThatShrankFailsInsteadOfRetrying)
{
    const std::string local = scratch.file("shrinks.tif");
    writeFile(local, randomBytes(5000, 10));
    startFiles(R"({"faults": [{"op": "upload", "chunk": 0, "action": "delay", "seconds": 0.5}]})");
    ASSERT_GT(client.upLoadFile(1, "u", local.c_str()), 0);
    ASSERT_TRUE(recorder.waitFor([&] { return !recorder.processedLocked().empty(); }));
    std::filesystem::resize_file(local, 1000); // while the first chunk waits for its reply
    waitForEnd("upload");
    finish();
    EXPECT_EQ(named(recorder.received(), "upload-failed").size(), 1u);
    EXPECT_EQ(userCommands(*sim).size(), 1u);
}
