// The client's file transfer: tasks served round-robin by the worker, one
// step per pass, with one chunk per task in flight (stop-and-wait).
#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "jotter/Jotter.h"
#include "netvoy/Client.h"
#include "safefile/UniqueFd.h"
#include "spindle/VLock.h"
#include "textcodec/Gbk.h"

using namespace Netvoy;
using safefile::UniqueFd;

namespace {

constexpr long kMaxTaskId = 0x7FFFFFFF;
constexpr long long kMaxFileLength = 0xFFFFFFFELL; // 0xFFFFFFFF means "not known"
// No file the server sends is longer: a larger claim fails the download
// before a byte is written.
constexpr std::uint32_t kMaxDownloadLength = 512u * 1024 * 1024;

// One counter for every client of the process: ids start at 1 and are shared
// by uploads and downloads.
long nextTaskId()
{
    static std::atomic<long> counter{0};
    long expected = counter.load();
    long next;
    do {
        next = expected >= kMaxTaskId ? 1 : expected + 1;
    } while (!counter.compare_exchange_weak(expected, next));
    return next;
}

// The GBK form of a name for a record field of `limit` bytes. No value when
// the name cannot be carried there as it stands, with the reason logged:
// the server would otherwise get another name, or a name cut short.
std::optional<std::string> wireName(const char* what, const char* name, std::size_t limit, const char* fileName)
{
    TextCodec::Converted wire = TextCodec::utf8ToGbk(name);
    if (wire.replaced) {
        cpLog(kLogTrace, "transfer of <%s> refused: the %s holds characters without a GBK code (%s)", fileName,
              what, wire.replacedWhat.c_str());
        return std::nullopt;
    }
    if (wire.text.size() > limit) {
        cpLog(kLogTrace, "transfer of <%s> refused: the %s is %zu bytes long in GBK, over the %zu a transfer record carries",
              fileName, what, wire.text.size(), limit);
        return std::nullopt;
    }
    return std::move(wire.text);
}

bool readableRegularFile(const char* path, long long& size)
{
    struct stat info{};
    if (::stat(path, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (UniqueFd(::open(path, O_RDONLY | O_CLOEXEC)).get() < 0)
        return false;
    size = info.st_size;
    return true;
}

// A task with its names in both forms; null when a name does not fit its
// record field. An upload's file name is made to fit (uploadFileName): the
// server only keeps the file under the name's last component.
std::shared_ptr<FileService_Task> makeTask(int type, long invokeId, const char* user, const char* fileName)
{
    std::optional<std::string> wireUser = wireName("user name", user, kMaxUserName, fileName);
    std::optional<std::string> wireFile;
    if (type == FileService_Task::Upload) {
        const std::string fitted = uploadFileName(fileName);
        if (fitted != fileName)
            cpLog(kLogTrace, "upload of <%s> goes as <%s>", fileName, fitted.c_str());
        wireFile = wireName("file name", fitted.c_str(), kMaxFileName, fileName);
    } else {
        wireFile = wireName("file name", fileName, kMaxFileName, fileName);
    }
    if (!wireUser || !wireFile)
        return nullptr;
    auto task = std::make_shared<FileService_Task>();
    task->type = type;
    task->invokeId = invokeId;
    task->fileName = fileName;
    task->user = user;
    task->wireUser = std::move(*wireUser);
    task->wireFileName = std::move(*wireFile);
    return task;
}

std::uint32_t wireLength(long length)
{
    return length < 0 ? kUnknownLength : static_cast<std::uint32_t>(length);
}

} // namespace

// ------------------------------------------------------------ creating tasks

int Client::upLoadFile(long invokeId, const char* user, const char* fileName)
{
    if (!user || !fileName)
        return 0;
    long taskId = nextTaskId();
    cpLog(kLogTrace, "FileName=<%s>", fileName);
    if (::access(fileName, F_OK) != 0) {
        cpLog(kLogTrace, "FileName<%s> Not Found", fileName);
        return 0;
    }
    long long size = 0;
    if (!readableRegularFile(fileName, size) || size > kMaxFileLength) {
        cpLog(kLogTrace, "FileName<%s> cannot be read for upload", fileName);
        return 0;
    }
    std::shared_ptr<FileService_Task> task = makeTask(FileService_Task::Upload, invokeId, user, fileName);
    if (!task)
        return 0;
    task->taskId = taskId;
    task->length = static_cast<long>(size);
    return queueTask(std::move(task));
}

int Client::downLoadFile(long invokeId, const char* user, const char* serverName, const char* localPath)
{
    if (!user || !serverName || !localPath)
        return 0;
    std::shared_ptr<FileService_Task> task = makeTask(FileService_Task::Download, invokeId, user, serverName);
    if (!task)
        return 0;
    task->taskId = nextTaskId();
    task->localPath = localPath;
    return queueTask(std::move(task));
}

int Client::queueTask(std::shared_ptr<FileService_Task> task)
{
    long taskId = task->taskId;
    addFileServiceTask(std::move(task));
    return static_cast<int>(taskId);
}

// ------------------------------------------------------------ the task list

int Client::cancelUploadFile(long, long taskId)
{
    return removeFileServiceTask(taskId);
}

int Client::cancelDownloadFile(long, long taskId)
{
    return removeFileServiceTask(taskId);
}

int Client::removeFileServiceTask(long taskId)
{
    std::shared_ptr<FileService_Task> removed; // released after the lock
    Spindle::VLock lock(taskLock_);
    auto found = std::find_if(tasks_.begin(), tasks_.end(), [taskId](const auto& t) { return t->taskId == taskId; });
    if (found == tasks_.end())
        return 0;
    removed = std::move(*found);
    tasks_.erase(found);
    return 1;
}

int Client::addFileServiceTask(std::shared_ptr<FileService_Task> task)
{
    if (!task)
        return 0;
    {
        Spindle::VLock lock(taskLock_);
        tasks_.push_back(std::move(task));
    }
    wake_.signal();
    return 1;
}

std::shared_ptr<FileService_Task> Client::peekFileServiceTask()
{
    Spindle::VLock lock(taskLock_);
    return tasks_.empty() ? nullptr : tasks_.front();
}

std::shared_ptr<FileService_Task> Client::popFileServiceTask()
{
    Spindle::VLock lock(taskLock_);
    if (tasks_.empty())
        return nullptr;
    std::shared_ptr<FileService_Task> front = std::move(tasks_.front());
    tasks_.pop_front();
    return front;
}

std::shared_ptr<FileService_Task> Client::findFileServiceTask(long taskId)
{
    Spindle::VLock lock(taskLock_);
    auto found = std::find_if(tasks_.begin(), tasks_.end(), [taskId](const auto& t) { return t->taskId == taskId; });
    return found == tasks_.end() ? nullptr : *found;
}

std::shared_ptr<FileService_Task> Client::findWaitingDownload(const std::string& wireFileName)
{
    Spindle::VLock lock(taskLock_);
    auto found = std::find_if(tasks_.begin(), tasks_.end(), [&](const auto& t) {
        return t->type == FileService_Task::Download && t->state == FileService_Task::Waiting &&
               t->wireFileName == wireFileName;
    });
    return found == tasks_.end() ? nullptr : *found;
}

std::size_t Client::fileServiceTaskCount() const
{
    Spindle::VLock lock(taskLock_);
    return tasks_.size();
}

bool Client::hasReadyFileTask() const
{
    Spindle::VLock lock(taskLock_);
    return std::any_of(tasks_.begin(), tasks_.end(), [](const auto& t) { return t->isReady(); });
}

void Client::endTask(const std::shared_ptr<FileService_Task>& task, bool success)
{
    {
        Spindle::VLock lock(taskLock_);
        auto found = std::find(tasks_.begin(), tasks_.end(), task);
        if (found == tasks_.end())
            return; // cancelled meanwhile: nobody waits for its end
        tasks_.erase(found);
    }
    if (task->type == FileService_Task::Upload)
        success ? fireFileUploadEnd(*task) : fireFileUploadFailed(*task);
    else
        success ? fireFileDownloadEnd(*task) : fireFileDownloadFailed(*task);
}

void Client::onConnectionLost()
{
    // The server forgets a transfer with the connection it came on, so every
    // task that has begun fails; the ones not begun wait for a new connection.
    std::vector<std::shared_ptr<FileService_Task>> begun;
    {
        Spindle::VLock lock(taskLock_);
        for (const auto& task : tasks_)
            if (task->started)
                begun.push_back(task);
    }
    for (const auto& task : begun)
        endTask(task, false);
}

// ------------------------------------------------------------ worker steps

int Client::handleFileServiceTasks()
{
    std::shared_ptr<FileService_Task> task;
    {
        // Round robin: the task goes to the back but stays in the list, so a
        // cancel always finds it.
        Spindle::VLock lock(taskLock_);
        if (tasks_.empty())
            return 0;
        task = tasks_.front();
        tasks_.pop_front();
        tasks_.push_back(task);
    }
    if (!task->isReady()) {
        checkReplyTimeout(task);
        return 0;
    }
    if (task->isFinished()) {
        endTask(task, true);
        return 1;
    }
    if (task->type == FileService_Task::Upload) {
        handleUpload(task);
    } else {
        cpLog(kLogTrace, "handleDownload , begin...");
        int result = handleDownload(task);
        cpLog(kLogTrace, "handleDownload , end...ret=<%d>", result);
    }
    return 1;
}

void Client::checkReplyTimeout(const std::shared_ptr<FileService_Task>& task)
{
    auto waited = std::chrono::steady_clock::now() - task->sentAt;
    if (waited < std::chrono::milliseconds(timeouts().replyMs))
        return;
    cpLog(kLogTrace, "no reply for task %ld within %d ms", task->taskId, timeouts().replyMs);
    endTask(task, false);
}

int Client::handleUpload(const std::shared_ptr<FileService_Task>& task)
{
    long start = task->offset;
    std::uint8_t data[kChunkSize];
    long wanted = std::min<long>(static_cast<long>(kChunkSize), task->length - start);
    long got = task->readData(data, wanted);
    if (got <= 0) {
        // The file shrank or cannot be read: it cannot reach its length.
        cpLog(kLogTrace, "upload of <%s> read nothing at offset %ld of %ld", task->fileName.c_str(), start,
              task->length);
        endTask(task, false);
        return 1;
    }
    FileTransferRecord record;
    record.user = task->wireUser;
    record.fileName = task->wireFileName;
    record.taskId = static_cast<std::uint32_t>(task->taskId);
    record.offset = static_cast<std::uint32_t>(start);
    record.dataLength = static_cast<std::uint32_t>(got);
    record.fileLength = wireLength(task->length);
    std::vector<std::uint8_t> bytes =
        encodeRecord(record, std::span<const std::uint8_t>(data, static_cast<std::size_t>(got)), kUploadRecordSize);
    cpLog(kLogTrace, "handleUpLoad FileName=<%s> Offset=<%ld> Len=<%ld> FileLen=<%ld>", task->fileName.c_str(),
          start, got, task->length);
    if (Net_UserCmd(GetNetAddr(), kCmdUploadChunk, reinterpret_cast<const char*>(bytes.data()),
                    static_cast<int>(bytes.size())) != 0) {
        task->rewind(got); // read again on the next turn
        return 0;
    }
    task->started = true;
    task->chunkStart = start;
    task->sentAt = std::chrono::steady_clock::now();
    fireFileUploadProcess(*task);
    task->state = FileService_Task::Waiting;
    cpLog(kLogTrace, "handleUpload ,send Data Ok");
    return 1;
}

int Client::handleDownload(const std::shared_ptr<FileService_Task>& task)
{
    FileTransferRecord record;
    record.user = task->wireUser;
    record.fileName = task->wireFileName;
    record.taskId = static_cast<std::uint32_t>(task->taskId);
    record.offset = static_cast<std::uint32_t>(task->offset);
    record.dataLength = kChunkSize;
    record.fileLength = wireLength(task->length);
    std::vector<std::uint8_t> bytes = encodeRecord(record, {}, kDownloadRequestSize);
    cpLog(kLogTrace, "handleDownLoad fileName=<%s> Offset=<%ld> Len=<%zu> FileLen=<%ld>", task->fileName.c_str(),
          task->offset, kChunkSize, task->length);
    if (Net_UserCmd(GetNetAddr(), kCmdDownloadRequest, reinterpret_cast<const char*>(bytes.data()),
                    static_cast<int>(bytes.size())) != 0)
        return 0;
    task->started = true;
    task->chunkStart = task->offset;
    task->sentAt = std::chrono::steady_clock::now();
    fireFileDownloadProcess(*task);
    task->state = FileService_Task::Waiting;
    return 1;
}

// ------------------------------------------------------------ replies

int Client::nc_HRMsuUsr()
{
    PduView pdu = received();
    std::uint8_t code = pdu.code();
    if (code == kReplyUpload)
        cpLog(kLogTrace, "upLoadFile Return  , RetCode=<%d>", pdu.flag());
    else if (code == kReplyDownload)
        cpLog(kLogTrace, "downLoadFile Return  , RetCode=<%d>", pdu.flag());
    else
        return 1;
    std::span<const std::uint8_t> body = pdu.body(kMsuPayloadOffset);
    std::optional<FileTransferRecord> reply = decodeRecord(body);
    if (!reply) {
        cpLog(kLogTrace, "file reply shorter than its record: ignored");
        return 1;
    }
    std::shared_ptr<FileService_Task> task = findFileServiceTask(static_cast<long>(reply->taskId));
    int expectedType = code == kReplyUpload ? FileService_Task::Upload : FileService_Task::Download;
    if (!task || task->type != expectedType || task->state != FileService_Task::Waiting) {
        cpLog(kLogTrace, "file reply for task %u that waits for no such reply: ignored", reply->taskId);
        // A download reply that names a file being fetched under another
        // task id answers that download wrongly: it fails.
        if (code == kReplyDownload)
            if (std::shared_ptr<FileService_Task> named = findWaitingDownload(reply->fileName)) {
                cpLog(kLogTrace, "download reply for <%s> with task id %u in place of %ld: failed",
                      named->fileName.c_str(), reply->taskId, named->taskId);
                endTask(named, false);
            }
        return 1;
    }
    if (pdu.flag() == 0)
        endTask(task, false);
    else if (code == kReplyUpload)
        handleUploadReply(task, *reply);
    else
        handleDownloadReply(task, *reply, body.subspan(kRecordHeaderSize));
    return 1;
}

void Client::handleUploadReply(const std::shared_ptr<FileService_Task>& task, const FileTransferRecord& reply)
{
    long next = static_cast<long>(reply.offset);
    if (next <= task->chunkStart || next > task->length) {
        cpLog(kLogTrace, "upload reply offset %ld outside %ld..%ld: task %ld failed", next, task->chunkStart + 1,
              task->length, task->taskId);
        endTask(task, false);
        return;
    }
    task->offset = next;
    task->state = FileService_Task::Ready;
}

void Client::handleDownloadReply(const std::shared_ptr<FileService_Task>& task, const FileTransferRecord& reply,
                                 std::span<const std::uint8_t> data)
{
    long long end = static_cast<long long>(task->offset) + reply.dataLength;
    const char* fault = nullptr;
    // A reply carries the request it answers: a chunk of another place or
    // another file must not be written where this one belongs.
    if (reply.offset != static_cast<std::uint64_t>(task->chunkStart) || task->offset != task->chunkStart)
        fault = "another offset than the one asked for";
    else if (reply.fileName != task->wireFileName)
        fault = "another file name than the one asked for";
    else if (reply.fileLength == kUnknownLength)
        fault = "no file length";
    else if (reply.fileLength > kMaxDownloadLength)
        fault = "a file length over 512 MiB";
    else if (task->length != -1 && reply.fileLength != static_cast<std::uint64_t>(task->length))
        fault = "a file length other than before";
    else if (reply.dataLength > kChunkSize || reply.dataLength > data.size())
        fault = "a data length beyond the chunk it carries";
    else if (end > reply.fileLength)
        fault = "data beyond the file length";
    else if (reply.dataLength == 0 && task->offset < static_cast<long>(reply.fileLength))
        fault = "no data before the end";
    if (fault) {
        cpLog(kLogTrace, "download reply for task %ld with %s: failed", task->taskId, fault);
        endTask(task, false);
        return;
    }
    task->length = static_cast<long>(reply.fileLength);
    if (!task->writeData(data.data(), static_cast<long>(reply.dataLength))) {
        cpLog(kLogTrace, "download of <%s> cannot write <%s>: failed", task->fileName.c_str(), task->localPath.c_str());
        endTask(task, false);
        return;
    }
    task->state = FileService_Task::Ready;
}

// ------------------------------------------------------------ events

void Client::fireTaskEvent(const FileService_Task& task, const char* name, bool progress)
{
    CRL::Event event;
    event.appendKV("event", name);
    event.appendKV("filename", task.fileName.c_str());
    event.appendKV("taskid", std::to_string(task.taskId).c_str());
    if (progress) {
        event.appendKV("length", std::to_string(task.length).c_str());
        event.appendKV("offset", std::to_string(task.offset).c_str());
    }
    event.appendKV("invokeid", std::to_string(task.invokeId).c_str());
    if (progress)
        fireProcess(&event);
    else
        fireReceive(&event);
}

void Client::fireFileUploadEnd(const FileService_Task& task)
{
    cpLog(kLogTrace, "fireFileUploadEnd");
    fireTaskEvent(task, "upload-success", false);
}

void Client::fireFileUploadFailed(const FileService_Task& task)
{
    fireTaskEvent(task, "upload-failed", false);
}

void Client::fireFileDownloadEnd(const FileService_Task& task)
{
    fireTaskEvent(task, "download-success", false);
}

void Client::fireFileDownloadFailed(const FileService_Task& task)
{
    fireTaskEvent(task, "download-failed", false);
}

void Client::fireFileUploadProcess(const FileService_Task& task)
{
    fireTaskEvent(task, "upload-process", true);
}

void Client::fireFileDownloadProcess(const FileService_Task& task)
{
    fireTaskEvent(task, "download-process", true);
}
