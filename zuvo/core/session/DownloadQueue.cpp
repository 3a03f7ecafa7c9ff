#include "core/session/DownloadQueue.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <fstream>
#include <system_error>

#include "core/TextUtil.h"
#include "core/session/AgentEvents.h"
#include "core/session/DownloadStaging.h"
#include "core/session/SessionTexts.h"
#include "core/stores/ProgramPaths.h"
#include "jotter/Jotter.h"
#include "spindle/VLock.h"

namespace fs = std::filesystem;

namespace {

bool IsFaxItem(CRL::Event& item)
{
    return IsEvent(item, "faxreceived") || IsEvent(item, "voxreceived") || IsEvent(item, "filetransfered")
        || IsEvent(item, "queryfax");
}

std::string ItemKey(const char* format, int index)
{
    return FormatText(format, index);
}

// Creates or empties the file, so that a download never appends to the
// remains of an earlier one.
bool Truncate(const std::string& path)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(out);
}

// The faxes held by the download queues of the process, by "faxid": a
// queue registers each fax item it holds until the item leaves it.
class FetchRegistry {
public:
    static FetchRegistry& Instance()
    {
        static FetchRegistry registry;
        return registry;
    }
    // Registers the fax for the queue: false (and nothing registered) when
    // `exclusive` and another queue holds it.
    bool Claim(const std::string& faxId, const void* queue, bool exclusive)
    {
        if (faxId.empty())
            return true;
        std::lock_guard<std::mutex> hold(lock_);
        if (exclusive && HeldByOther(faxId, queue))
            return false;
        held_.emplace(faxId, queue);
        return true;
    }
    void Release(const std::string& faxId, const void* queue)
    {
        std::lock_guard<std::mutex> hold(lock_);
        auto [first, last] = held_.equal_range(faxId);
        for (auto it = first; it != last; ++it)
            if (it->second == queue) {
                held_.erase(it);
                return;
            }
    }
    void ReleaseAll(const void* queue)
    {
        std::lock_guard<std::mutex> hold(lock_);
        std::erase_if(held_, [queue](const auto& entry) { return entry.second == queue; });
    }
    bool HeldElsewhere(const std::string& faxId, const void* queue)
    {
        std::lock_guard<std::mutex> hold(lock_);
        return HeldByOther(faxId, queue);
    }

private:
    bool HeldByOther(const std::string& faxId, const void* queue) const
    {
        auto [first, last] = held_.equal_range(faxId);
        return std::any_of(first, last, [queue](const auto& entry) { return entry.second != queue; });
    }

    std::mutex lock_;
    std::multimap<std::string, const void*> held_;
};

CRL::EventPtr IdleCopy(CRL::Event& event)
{
    CRL::EventPtr copy = CRL::makeEvent();
    if (!copy->copy(&event))
        return nullptr;
    copy->setKV("currentstate", 0);
    copy->setKV("currentattachfile", 0);
    return copy;
}

} // namespace

void DownloadOwner::LogNotStored(CRL::Event& item, NotStored why)
{
    cpLog(kLogFailure, "fax <%s> not stored (%s): left on the server", item.getString("faxid"),
          why == NotStored::NoFiles ? "no files" : why == NotStored::Download ? "download failed" : "filing failed");
}

DownloadQueue::~DownloadQueue()
{
    FetchRegistry::Instance().ReleaseAll(this);
}

int DownloadQueue::Push(CRL::EventPtr item, bool exclusive)
{
    if (!item)
        return 0;
    if (!FetchRegistry::Instance().Claim(item->getString("faxid"), this, exclusive)) {
        cpLog(kLogFailure, "fax <%s> is being fetched already; not queued twice", item->getString("faxid"));
        return 0;
    }
    Spindle::VLock hold(lock_);
    items_.push_back(std::move(item));
    Signal();
    return 1;
}

int DownloadQueue::PushEvent(CRL::Event* item)
{
    return Push(CRL::EventPtr(item), false);
}

int DownloadQueue::PushCopy(CRL::Event& event)
{
    return Push(IdleCopy(event), false);
}

int DownloadQueue::PushCopyUnlessFetched(CRL::Event& event)
{
    return Push(IdleCopy(event), true);
}

bool DownloadQueue::FetchedElsewhere(const std::string& faxId)
{
    return !faxId.empty() && FetchRegistry::Instance().HeldElsewhere(faxId, this);
}

bool DownloadQueue::IsRetry(CRL::Event& item)
{
    return item.getInt("download.retried") != 0;
}

int DownloadQueue::PushRetry(CRL::Event& item)
{
    if (IsRetry(item))
        return 0;
    CRL::EventPtr copy = CRL::makeEvent();
    if (!copy->copy(&item))
        return 0;
    copy->setKV("currentstate", Idle);
    copy->setKV("currentattachfile", 0);
    copy->setKV("download.stagingdir", "");
    copy->setKV("download.retried", 1);
    return Push(std::move(copy), false);
}

CRL::Event* DownloadQueue::PeekEvent()
{
    Spindle::VLock hold(lock_);
    return items_.empty() ? nullptr : items_.front().get();
}

CRL::Event* DownloadQueue::PopEvent()
{
    return TakeHead().release();
}

CRL::EventPtr DownloadQueue::TakeHead()
{
    Spindle::VLock hold(lock_);
    if (items_.empty())
        return nullptr;
    CRL::EventPtr head = std::move(items_.front());
    items_.pop_front();
    FetchRegistry::Instance().Release(head->getString("faxid"), this);
    return head;
}

CRL::Event* DownloadQueue::findEvent(const char* key, long value)
{
    Spindle::VLock hold(lock_);
    for (const CRL::EventPtr& item : items_)
        if (item->getLong(key) == value)
            return item.get();
    return nullptr;
}

std::size_t DownloadQueue::size()
{
    Spindle::VLock hold(lock_);
    return items_.size();
}

int DownloadQueue::HandleDownload()
{
    CRL::Event* item = PeekEvent();
    if (!item)
        return 0;
    if (IsFaxItem(*item))
        return Step(*item, Kind::Fax);
    if (IsEvent(*item, "update"))
        return Step(*item, Kind::Update);
    TakeHead();
    return 0;
}

int DownloadQueue::Step(CRL::Event& item, Kind kind)
{
    const int count = item.getInt("attachfilecount");
    if (count <= 0) {
        Finish(*TakeHead(), kind, Outcome::NoFiles);
        return 1;
    }
    switch (item.getInt("currentstate")) {
    case Idle: {
        const int next = item.getInt("currentattachfile");
        cpLog(kLogTrace, "download handle State idle curfile=<%d> files=<%d>", next, count);
        if (next < count)
            return StartDownload(item, kind);
        Finish(*TakeHead(), kind, Outcome::Complete);
        return 1;
    }
    case Downloading:
        return GiveUpStalled(item) ? 1 : 0;
    case Failed:
        Finish(*TakeHead(), kind, Outcome::Failed);
        return 1;
    default:
        RemoveStagingDirectory(TakeHead()->getString("download.stagingdir"));
        return 0;
    }
}

void DownloadQueue::Finish(CRL::Event& done, Kind kind, Outcome outcome)
{
    if (kind == Kind::Update) {
        owner_.UpdateEnded();
        if (outcome == Outcome::Complete)
            owner_.StoreUpdate(done.getString("updatedata"));
        else if (outcome == Outcome::NoFiles)
            owner_.Notice(SessionText(IDS_NO_NEW_VERSION));
        return;
    }
    std::optional<DownloadOwner::NotStored> notStored =
        outcome == Outcome::NoFiles ? DownloadOwner::NotStored::NoFiles : DownloadOwner::NotStored::Download;
    if (outcome == Outcome::Complete)
        notStored = FileFax(done);
    RemoveStagingDirectory(done.getString("download.stagingdir"));
    if (!notStored) {
        if (!owner_.AcknowledgeFax(done))
            cpLog(kLogFailure, "updateFax Failed");
        owner_.Notice(SessionText(IDS_FAX_ARRIVED));
        return;
    }
    // Not acknowledged: the server keeps the fax and offers it again.
    const SessionStringId notice = *notStored == DownloadOwner::NotStored::NoFiles ? IDS_NO_ATTACHMENT
                                 : *notStored == DownloadOwner::NotStored::Download ? IDS_DOWNLOAD_FAILED
                                                                                     : IDS_RECEIVE_FAILED;
    owner_.Notice(SessionText(notice));
    owner_.FaxNotStored(done, *notStored);
}

std::optional<DownloadOwner::NotStored> DownloadQueue::FileFax(CRL::Event& done)
{
    std::vector<std::string> staged;
    const int count = done.getInt("attachfilecount");
    for (int i = 0; i < count; ++i)
        staged.push_back(done.getString(ItemKey("download.items[%d].filename", i).c_str()));
    if (owner_.StoreFax(done, staged))
        return std::nullopt;
    return DownloadOwner::NotStored::Filing;
}

std::optional<std::pair<std::string, std::string>> DownloadQueue::Target(CRL::Event& item, Kind kind, int index,
                                                                         const std::string& serverName)
{
    if (kind == Kind::Update) {
        const std::string directory = owner_.UpdateDirectory();
        const std::string name = LastPathComponent(serverName);
        std::error_code error;
        if (directory.empty() || (fs::create_directories(directory, error), error)) {
            cpLog(kLogFailure, "download directory <%s> cannot be created", directory.c_str());
            return std::nullopt;
        }
        if (!IsSafeName(name)) {
            cpLog(kLogFailure, "download of <%s> refused: not a file name", serverName.c_str());
            return std::nullopt;
        }
        return std::make_pair(directory, name);
    }
    std::string directory = item.getString("download.stagingdir");
    if (directory.empty()) {
        directory = MakeStagingDirectory(owner_.StagingRoot(), invokeId_, ++staged_);
        if (directory.empty())
            return std::nullopt;
        item.setKV("download.stagingdir", directory.c_str());
    }
    return std::make_pair(directory, StagedFileName(index, serverName));
}

int DownloadQueue::StartDownload(CRL::Event& item, Kind kind)
{
    const int index = item.getInt("currentattachfile");
    const std::string serverName = item.getString(ItemKey("attachfile.items[%d].filename", index).c_str());
    // An item cannot name more files than it holds pairs: a count beyond
    // that, or a file without a name, is not fetched.
    if (serverName.empty() || item.getInt("attachfilecount") > item.getLength()) {
        cpLog(kLogFailure, "download of file %d of <%s> refused: the item does not name it", index,
              item.getString("faxid"));
        item.setKV("currentstate", Failed);
        return 1;
    }
    const auto target = Target(item, kind, index, serverName);
    if (!target) {
        item.setKV("currentstate", Failed);
        return 1;
    }
    const std::string temp = JoinPath(target->first, target->second + ".download");
    const std::string final = JoinPath(target->first, target->second);
    if (!Truncate(temp)) {
        cpLog(kLogFailure, "download file <%s> cannot be created", temp.c_str());
        item.setKV("currentstate", Failed);
        return 1;
    }
    // The download's end may be reported before downLoadFile returns; the
    // lock makes that report wait until the task id is recorded.
    Spindle::VLock hold(lock_);
    item.setKV(ItemKey("download.items[%d].tempfilename", index).c_str(), temp.c_str());
    item.setKV(ItemKey("download.items[%d].filename", index).c_str(), final.c_str());
    const long taskId = agent_.downLoadFile(invokeId_, serverName.c_str(), temp.c_str());
    if (taskId <= 0) {
        cpLog(kLogFailure, "download of <%s> not started", serverName.c_str());
        item.setKV("currentstate", Failed);
        return 1;
    }
    item.setKV("taskid", taskId);
    lastProgress_ = std::chrono::steady_clock::now();
    item.setKV("currentstate", Downloading);
    return 1;
}

bool DownloadQueue::GiveUpStalled(CRL::Event& item)
{
    Spindle::VLock hold(lock_);
    if (!online_ || item.getInt("currentstate") != Downloading
        || std::chrono::steady_clock::now() - lastProgress_ < std::chrono::milliseconds(stallMs_))
        return false;
    cpLog(kLogFailure, "download task <%ld> made no progress for %d ms; given up", item.getLong("taskid"), stallMs_);
    agent_.cancelDownloadFile(invokeId_, item.getLong("taskid"));
    item.setKV("currentstate", Failed);
    return true;
}

void DownloadQueue::DownloadProgressed(long taskId)
{
    Spindle::VLock hold(lock_);
    if (Waiting(taskId))
        lastProgress_ = std::chrono::steady_clock::now();
}

CRL::Event* DownloadQueue::Waiting(long taskId)
{
    for (const CRL::EventPtr& item : items_)
        if (item->getInt("currentstate") == Downloading && item->getLong("taskid") == taskId)
            return item.get();
    return nullptr;
}

int DownloadQueue::DownloadSucceeded(long taskId)
{
    Spindle::VLock hold(lock_);
    CRL::Event* item = Waiting(taskId);
    if (!item)
        return 0;
    const int index = item->getInt("currentattachfile");
    const std::string temp = item->getString(ItemKey("download.items[%d].tempfilename", index).c_str());
    const std::string final = item->getString(ItemKey("download.items[%d].filename", index).c_str());
    std::error_code error;
    fs::rename(temp, final, error);
    if (error) {
        cpLog(kLogFailure, "rename <%s> to <%s> failed: %s", temp.c_str(), final.c_str(), error.message().c_str());
        item->setKV("currentstate", Failed);
        Signal();
        return 1;
    }
    item->setKV("currentattachfile", index + 1);
    item->setKV("currentstate", Idle);
    Signal();
    return 1;
}

int DownloadQueue::DownloadFailed(long taskId)
{
    Spindle::VLock hold(lock_);
    CRL::Event* item = Waiting(taskId);
    if (!item)
        return 0;
    item->setKV("currentstate", Failed);
    Signal();
    return 1;
}

void DownloadQueue::SetOnline(bool online)
{
    Spindle::VLock hold(lock_);
    online_ = online;
    lastProgress_ = std::chrono::steady_clock::now();
    Signal();
}

void DownloadQueue::SetWorkSignal(std::function<void()> signal)
{
    Spindle::VLock hold(lock_);
    signal_ = std::move(signal);
}

void DownloadQueue::Signal()
{
    if (signal_)
        signal_();
}

int DownloadQueue::NextStallCheckMs()
{
    Spindle::VLock hold(lock_);
    if (!online_ || items_.empty() || items_.front()->getInt("currentstate") != Downloading)
        return -1;
    const auto left = std::chrono::milliseconds(stallMs_) - (std::chrono::steady_clock::now() - lastProgress_);
    // Rounded up, so that the pump never looks a moment too early and finds
    // the download not yet stalled.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms <= 0 ? 0 : static_cast<int>(ms);
}

void DownloadQueue::Clear()
{
    std::deque<CRL::EventPtr> dropped;
    {
        Spindle::VLock hold(lock_);
        if (!items_.empty() && items_.front()->getInt("currentstate") == Downloading)
            agent_.cancelDownloadFile(invokeId_, items_.front()->getLong("taskid"));
        dropped.swap(items_);
    }
    FetchRegistry::Instance().ReleaseAll(this);
    for (const CRL::EventPtr& item : dropped)
        RemoveStagingDirectory(item->getString("download.stagingdir"));
}

void DownloadQueue::RestartStalledDownload()
{
    Spindle::VLock hold(lock_);
    online_ = false;
    if (items_.empty() || items_.front()->getInt("currentstate") != Downloading)
        return;
    CRL::Event& item = *items_.front();
    agent_.cancelDownloadFile(invokeId_, item.getLong("taskid"));
    item.setKV("currentstate", Idle);
    Signal();
}

