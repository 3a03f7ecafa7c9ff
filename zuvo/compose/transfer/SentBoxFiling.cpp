// The move of a sent fax from the outbox to the sent box: copies first, one
// save for both records, the outbox's files last.
#include "compose/transfer/SentBoxFiling.h"

#include <unistd.h>

#include <ctime>
#include <filesystem>

#include "core/TextUtil.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/FaxRecordStore.h"
#include "core/stores/NewFile.h"
#include "core/stores/ProgramPaths.h"
#include "jotter/Jotter.h"
#include "spindle/VLock.h"

namespace {

// No page file of a fax is larger (the agent refuses larger transfers).
constexpr std::uintmax_t kMaxPageBytes = 512u * 1024 * 1024;

std::vector<std::string> PageNames(const CFaxMoveTask& task)
{
    std::vector<std::string> names;
    for (const std::string& file : task.files)
        names.push_back(LastPathComponent(file));
    return names;
}

// The CreateTime of the sent-box record: the task's while nothing in the
// sent box has it.
std::string SentCreateTime(const std::string& overbox, const std::string& directory, const CFaxMoveTask& task)
{
    const std::vector<std::string> names = PageNames(task);
    bool taken = FindFaxByCreateTime(overbox, task.CreateTime) >= 0;
    std::error_code error;
    for (const std::string& name : names) {
        const auto path = AttachmentPath(directory, name, task.CreateTime);
        taken = taken || !path || std::filesystem::exists(*path, error);
    }
    if (!taken)
        return task.CreateTime;
    const std::string createTime = FormatCreateTime(AllocateRecordTime(overbox, names, std::time(nullptr)));
    cpLog(kLogFailure, "sent fax <%s> is filed as <%s>: the sent box has that time already", task.CreateTime.c_str(),
          createTime.c_str());
    return createTime;
}

FaxRecord SentRecord(const CFaxMoveTask& task, const std::string& createTime)
{
    FaxRecord record;
    SetMovedFaxParties(record, task);
    record.Set(FaxRecord::kReadFlag, "1");
    record.Set(FaxRecord::kPages, task.Pages);
    record.Set(FaxRecord::kCreateTime, createTime);
    record.Set(FaxRecord::kSendTimer, task.SendTimer);
    record.Set(FaxRecord::kTimerFlag, std::to_string(task.TimerFlag));
    for (std::size_t i = 0; i < task.files.size(); ++i)
        record.attachments.push_back(
            {LastPathComponent(task.files[i]), i < task.headFlags.size() && task.headFlags[i] != 0 ? "1" : ""});
    return record;
}

} // namespace

SentFiling MoveToOverBox(const CFaxMoveTask& task, const std::string& outboxFaxPath)
{
    Spindle::VLock lock(AccountConfig::Mutex());
    const std::string overbox = AccountConfig::GetOverBoxPath();
    const std::string directory = overbox.empty() ? "" : EnsureFolderDirectory(overbox);
    if (directory.empty()) {
        cpLog(kLogFailure, "sent fax <%s>: the default account has no sent box to file it in", task.CreateTime.c_str());
        return SentFiling::Failed;
    }
    const std::string createTime = SentCreateTime(overbox, directory, task);
    NewFiles copies;
    std::vector<std::string> sources;
    for (const std::string& file : task.files) {
        const std::string source = file + "." + task.CreateTime;
        std::error_code error;
        if (!std::filesystem::exists(source, error))
            continue; // missing in the outbox as well: the record still names it
        const auto target = AttachmentPath(directory, LastPathComponent(file), createTime);
        const std::optional<std::string> bytes = ReadWholeFile(source, kMaxPageBytes);
        if (!target || !bytes || copies.Create(*target, *bytes) != Created::Yes) {
            cpLog(kLogFailure, "sent fax <%s>: <%s> cannot be copied to the sent box; the fax stays in the outbox",
                  task.CreateTime.c_str(), source.c_str());
            return SentFiling::Failed;
        }
        sources.push_back(source);
    }
    const int before = FaxCount(overbox);
    if (!AddFaxRecord(overbox, SentRecord(task, createTime))) {
        cpLog(kLogFailure, "sent fax <%s>: no sent-box record could be added", task.CreateTime.c_str());
        return SentFiling::Failed;
    }
    if (!AccountConfig::RemoveNode(outboxFaxPath)) {
        RemoveFaxRecordsFrom(overbox, before);
        cpLog(kLogFailure, "sent fax <%s>: outbox record %s cannot be removed",
              task.CreateTime.c_str(), outboxFaxPath.c_str());
        return SentFiling::Failed;
    }
    if (!AccountConfig::Save()) {
        // The document goes back to the file, which still has the fax in the outbox.
        AccountConfig::Reload();
        cpLog(kLogFailure, "sent fax <%s>: account.xml cannot be saved; the fax stays in the outbox",
              task.CreateTime.c_str());
        return SentFiling::Failed;
    }
    copies.Keep();
    for (const std::string& source : sources)
        if (::unlink(source.c_str()) != 0)
            cpLog(kLogFailure, "sent fax <%s>: outbox copy <%s> stays behind", task.CreateTime.c_str(), source.c_str());
    return SentFiling::Filed;
}

SentFiling OnFaxSent(TaskQueue& tasks, const std::string& createTime)
{
    Spindle::VLock lock(AccountConfig::Mutex());
    const std::string outbox = AccountConfig::GetOutBoxPath();
    const int index = outbox.empty() ? -1 : FindFaxByCreateTime(outbox, createTime);
    if (index < 0) {
        cpLog(kLogFailure, "sent fax <%s> is no longer in the outbox; nothing to file", createTime.c_str());
        return SentFiling::Gone;
    }
    std::unique_ptr<CFaxMoveTask> queued = MakeFaxMoveTask(outbox, index);
    if (!queued)
        return SentFiling::Failed;
    const CTask* mine = queued.get();
    tasks.AddTask(std::move(queued));
    const std::unique_ptr<CTask> taken = tasks.PopTaskIf([mine](const CTask& task) { return &task == mine; });
    if (!taken)
        return SentFiling::Failed;
    return MoveToOverBox(static_cast<const CFaxMoveTask&>(*taken), FormatText("%s/Fax[%d]", outbox.c_str(), index));
}
