// The fax list's moves: tasks filed by their consumer (files first, then
// the record), sources removed, one save, and undo when the save fails.
#include "faxbox/FaxFiling.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

#include "core/stores/AccountConfig.h"
#include "core/stores/ProgramPaths.h"
#include "core/TextUtil.h"
#include "jotter/Jotter.h"
#include "spindle/VLock.h"

namespace {

std::string faxPath(const std::string& folderPath, int index)
{
    return FormatText("%s/Fax[%d]", folderPath.c_str(), index);
}

bool isFolderType(const std::string& folderPath, const char* type)
{
    return EqualsNoCase(AccountConfig::GetAttr(folderPath, "Type"), type);
}

bool exists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// Whether a name is there at all (also a link that leads nowhere).
bool nameTaken(const std::string& path)
{
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found;
}

// The names of the files that records give in their folder directory.
std::set<std::string> namedFiles(const std::vector<FaxRecord>& records)
{
    std::set<std::string> names;
    for (const FaxRecord& record : records)
        for (std::string& name : RecordFileNames(record))
            names.insert(std::move(name));
    return names;
}

// After a delete for good is saved: the records' files that no record left
// in the folder names.
void removeFilesOf(const std::vector<FaxRecord>& removed, const std::string& folderPath)
{
    const std::string directory = FolderDirectory(folderPath);
    if (directory.empty())
        return;
    const std::set<std::string> stillNamed = namedFiles(ReadFaxRecords(folderPath));
    for (const std::string& name : namedFiles(removed)) {
        if (stillNamed.count(name) || !IsSafeName(name))
            continue;
        const std::string path = JoinPath(directory, name);
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            cpLog(kLogFailure, "file <%s> of a fax deleted for good stays: %s", path.c_str(), std::strerror(errno));
    }
}

// Removes the folder's records at indices, the last first, so that the
// others keep their places until they go.
void removeRecords(const std::string& folderPath, std::vector<int> indices)
{
    std::sort(indices.begin(), indices.end(), std::greater<int>());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    for (int index : indices)
        AccountConfig::RemoveNode(faxPath(folderPath, index));
}

// Saves; after a failed save the document goes back to the file.
bool saveOrReload()
{
    if (AccountConfig::Save())
        return true;
    cpLog(kLogFailure, "account.xml cannot be saved; the fax list's change is undone");
    AccountConfig::Reload();
    return false;
}

std::vector<int> foundIndices(const std::string& folderPath, const std::vector<FaxRecordRef>& refs)
{
    std::vector<int> indices;
    for (int index : FindFaxesByRef(folderPath, refs))
        if (index >= 0)
            indices.push_back(index);
    return indices;
}

// The consumer files what was queued for it; the sources it filed are
// removed and the whole command is saved once.
void fileAndSave(FaxMoveConsumer& consumer, TaskQueue& tasks, const std::string& folderPath,
                 const std::map<std::string, int>& sourceIndex, FaxMoveOutcome& outcome)
{
    consumer.Consume(tasks);
    outcome.kept.insert(outcome.kept.end(), consumer.Kept().begin(), consumer.Kept().end());
    std::vector<int> filed;
    for (const std::string& source : consumer.FiledSources())
        filed.push_back(sourceIndex.at(source));
    if (filed.empty())
        return;
    removeRecords(folderPath, filed);
    consumer.SyncTargets();
    if (!saveOrReload()) {
        outcome.saved = false;
        return;
    }
    consumer.Commit();
    outcome.moved = static_cast<int>(filed.size());
}

FaxMoveOutcome deleteRecords(TaskQueue& tasks, const std::string& folderPath, const std::vector<int>& indices,
                             const std::string& accountPath)
{
    FaxMoveOutcome outcome;
    if (indices.empty())
        return outcome;
    const std::vector<FaxRecord> records = ReadFaxRecords(folderPath);
    if (isFolderType(folderPath, FolderType::kTrashBox)) {
        // Gone for good: the records, and once that is saved their files.
        removeRecords(folderPath, indices);
        if (!saveOrReload()) {
            outcome.saved = false;
            return outcome;
        }
        std::vector<FaxRecord> removed;
        for (int index : indices)
            removed.push_back(records[index]);
        removeFilesOf(removed, folderPath);
        outcome.removed = static_cast<int>(indices.size());
        return outcome;
    }
    const std::string directory = FolderDirectory(folderPath);
    FaxMoveConsumer trash(accountPath, FolderType::kTrashBox);
    std::map<std::string, int> sourceIndex;
    for (int index : indices) {
        std::unique_ptr<CFaxMoveTask> task = MakeFaxMoveTask(records[index], folderPath, directory, index);
        if (!task) {
            outcome.kept.push_back(records[index].CreateTime());
            continue;
        }
        task->target = FolderType::kTrashBox;
        sourceIndex[task->sourcePath] = index;
        tasks.AddTask(std::move(task));
    }
    fileAndSave(trash, tasks, folderPath, sourceIndex, outcome);
    return outcome;
}

// The first record whose CreateTime equals createTime (any case), or null.
const FaxRecord* findByCreateTime(const std::vector<FaxRecord>& records, const std::string& createTime)
{
    const auto found = std::find_if(records.begin(), records.end(), [&](const FaxRecord& record) {
        return EqualsNoCase(record.CreateTime(), createTime);
    });
    return found == records.end() ? nullptr : &*found;
}

// The outbox's move task of report `index` of the failed box: the report's
// attributes and body, the files of the sent fax it names (read under that
// fax's CreateTime); null when a name would lead outside a folder.
std::unique_ptr<CFaxMoveTask> resendTask(const FaxRecord& report, const std::string& folderPath,
                                         const std::string& reportDirectory, int index, const FaxRecord& sent,
                                         const std::string& sentDirectory)
{
    std::unique_ptr<CFaxMoveTask> task = MakeFaxMoveTask(report, folderPath, reportDirectory, index);
    if (!task || sentDirectory.empty() || !HasSafeFileNames(sent))
        return nullptr;
    task->files.clear();
    task->headFlags.clear();
    for (const AttachFile& page : sent.attachments) {
        task->files.push_back(JoinPath(sentDirectory, page.file));
        task->headFlags.push_back(AtoiText(page.headFlag));
    }
    task->fileSuffix = sent.CreateTime();
    task->target = FolderType::kOutBox;
    return task;
}

} // namespace

// ---- the consumers ---------------------------------------------------------

FaxMoveConsumer::FaxMoveConsumer(const std::string& accountPath, const char* targetType)
    : folderPath_(AccountConfig::FindFolderPath(accountPath, targetType)),
      copyAttachments_(EqualsNoCase(targetType, FolderType::kOutBox)),
      target_(targetType)
{
    if (folderPath_.empty()) {
        cpLog(kLogFailure, "account <%s> has no %s folder to move faxes into", accountPath.c_str(), targetType);
        return;
    }
    directory_ = EnsureFolderDirectory(folderPath_);
    recordsBefore_ = FaxCount(folderPath_);
    namedInTarget_ = namedFiles(ReadFaxRecords(folderPath_));
}

FaxMoveConsumer::~FaxMoveConsumer()
{
    if (!committed_ && !folderPath_.empty())
        RemoveFaxRecordsFrom(folderPath_, recordsBefore_);
    // moves_ goes next and puts every file back unless committed.
}

int FaxMoveConsumer::Consume(TaskQueue& tasks)
{
    int count = 0;
    const auto mine = [this](const CTask& candidate) {
        const auto* move = dynamic_cast<const CFaxMoveTask*>(&candidate);
        return move != nullptr && move->target == target_;
    };
    while (std::unique_ptr<CTask> taken = tasks.PopTaskIf(mine)) {
        const auto& task = static_cast<const CFaxMoveTask&>(*taken);
        if (file(task)) {
            ++count;
            filed_.push_back(task.sourcePath);
        } else {
            kept_.push_back(task.CreateTime);
        }
    }
    return count;
}

std::string FaxMoveConsumer::freeName(const std::string& name, std::size_t maxBytes, const std::string& suffix) const
{
    return FirstFreeName(name, maxBytes, [this, &suffix](const std::string& candidate) {
        const std::string stored = candidate + suffix;
        return namedInTarget_.count(stored) > 0 || nameTaken(JoinPath(directory_, stored));
    });
}

bool FaxMoveConsumer::file(const CFaxMoveTask& task)
{
    if (directory_.empty())
        return false;
    auto moves = std::make_unique<FileMoves>();
    FaxRecord record;
    SetMovedFaxParties(record, task);
    record.Set(FaxRecord::kSendFaxTime, task.SendFaxTime);
    record.Set(FaxRecord::kReadFlag, task.ReadFlag);
    record.Set(FaxRecord::kPages, task.Pages);
    record.Set(FaxRecord::kCreateTime, task.CreateTime);
    if (!task.SendTimer.empty() || task.TimerFlag != 0) {
        // A timed fax keeps its time wherever it goes.
        record.Set(FaxRecord::kSendTimer, task.SendTimer);
        record.Set(FaxRecord::kTimerFlag, std::to_string(task.TimerFlag));
    }
    record.Set(FaxRecord::kFlag, task.hasBody ? "1" : "0");
    // Every name is one that nothing in the target has, also for a file
    // that is missing already (the record names it all the same, as the
    // source record did), so that no two records ever name one file.
    if (task.hasBody) {
        const std::string name = freeName(LastPathComponent(task.bodyPath), kMaxFileNameBytes, "");
        const std::optional<std::string> target = BodyFilePath(directory_, name);
        if (!target || (exists(task.bodyPath) && !moves->Move(task.bodyPath, *target)))
            return false;
        record.Set(FaxRecord::kBodyFileName, name);
    }
    for (std::size_t k = 0; k < task.files.size(); ++k) {
        const std::string suffix = "." + task.CreateTime;
        const std::string name = freeName(LastPathComponent(task.files[k]), kMaxAttachFileBytes, suffix);
        const std::string source = task.files[k] + "." + task.FileSuffix();
        const std::optional<std::string> target = AttachmentPath(directory_, name, task.CreateTime);
        if (!target)
            return false;
        if (exists(source) && !(copyAttachments_ ? moves->Copy(source, *target) : moves->Move(source, *target)))
            return false;
        const bool headed = k < task.headFlags.size() && task.headFlags[k] != 0;
        record.attachments.push_back({name, headed ? "1" : ""});
    }
    if (!AddFaxRecord(folderPath_, record))
        return false;
    for (std::string& name : RecordFileNames(record))
        namedInTarget_.insert(std::move(name));
    moves_.push_back(std::move(moves));
    return true;
}

void FaxMoveConsumer::SyncTargets() const
{
    std::vector<std::string> directories;
    for (const auto& moves : moves_)
        for (const std::string& directory : moves->TargetDirectories())
            if (std::find(directories.begin(), directories.end(), directory) == directories.end())
                directories.push_back(directory);
    SyncDirectories(directories);
}

void FaxMoveConsumer::Commit()
{
    committed_ = true;
    for (const auto& moves : moves_)
        moves->Keep();
}

// ---- the commands ----------------------------------------------------------

FaxMoveOutcome DeleteFaxes(TaskQueue& tasks, const std::string& folderPath, const std::vector<FaxRecordRef>& refs,
                           const std::string& accountPath)
{
    Spindle::VLock lock(AccountConfig::Mutex());
    return deleteRecords(tasks, folderPath, foundIndices(folderPath, refs), accountPath);
}

FaxMoveOutcome DeleteAllFaxes(TaskQueue& tasks, const std::string& folderPath, int count,
                              const std::string& accountPath)
{
    Spindle::VLock lock(AccountConfig::Mutex());
    std::vector<int> indices;
    const std::vector<FaxRecord> records = ReadFaxRecords(folderPath);
    for (std::size_t k = 0; k < records.size() && static_cast<int>(indices.size()) < count; ++k)
        if (IsListedRecord(records[k]))
            indices.push_back(static_cast<int>(k));
    return deleteRecords(tasks, folderPath, indices, accountPath);
}

FaxMoveOutcome ResendFailedFaxes(TaskQueue& tasks, const std::string& folderPath,
                                 const std::vector<FaxRecordRef>& refs, const std::string& accountPath)
{
    Spindle::VLock lock(AccountConfig::Mutex());
    FaxMoveOutcome outcome;
    const std::vector<int> indices = foundIndices(folderPath, refs);
    if (indices.empty() || isFolderType(folderPath, FolderType::kTrashBox))
        return outcome;
    const std::vector<FaxRecord> reports = ReadFaxRecords(folderPath);
    const std::string reportDirectory = FolderDirectory(folderPath);
    const std::string overbox = AccountConfig::FindFolderPath(accountPath, FolderType::kOverBox);
    const std::vector<FaxRecord> sentFaxes = overbox.empty() ? std::vector<FaxRecord>() : ReadFaxRecords(overbox);
    const std::string sentDirectory = overbox.empty() ? std::string() : FolderDirectory(overbox);
    FaxMoveConsumer outbox(accountPath, FolderType::kOutBox);
    std::map<std::string, int> sourceIndex;
    for (int index : indices) {
        const FaxRecord& report = reports[index];
        const FaxRecord* sent = findByCreateTime(sentFaxes, report.Get(FaxRecord::kSendFaxTime));
        if (!sent) {
            ++outcome.missingSources;
            continue;
        }
        std::unique_ptr<CFaxMoveTask> task =
            resendTask(report, folderPath, reportDirectory, index, *sent, sentDirectory);
        if (!task) {
            outcome.kept.push_back(report.CreateTime());
            continue;
        }
        sourceIndex[task->sourcePath] = index;
        tasks.AddTask(std::move(task));
    }
    fileAndSave(outbox, tasks, folderPath, sourceIndex, outcome);
    return outcome;
}
