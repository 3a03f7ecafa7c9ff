// Task records: the setters with their "no text keeps the old one" rule, and
// the move task made from a stored record.
#include "faxbox/FaxTasks.h"

#include "core/stores/AccountConfig.h"
#include "core/stores/ProgramPaths.h"
#include "core/TextUtil.h"
#include "jotter/Jotter.h"
#include "spindle/VLock.h"

namespace {

void SetUnlessEmpty(std::string& field, std::string_view text)
{
    if (!text.empty())
        field = text;
}

} // namespace

void CFaxNewTask::SetFaxPath(std::string_view path) { SetUnlessEmpty(faxPath_, path); }
void CFaxReplyTask::SetFaxPath(std::string_view path) { SetUnlessEmpty(faxPath_, path); }
void CFaxTransferTask::SetFaxPath(std::string_view path) { SetUnlessEmpty(faxPath_, path); }

std::unique_ptr<CFaxMoveTask> MakeFaxMoveTask(const std::string& folderPath, int index)
{
    Spindle::VLock lock(AccountConfig::Mutex());
    const std::optional<FaxRecord> record = ReadFaxRecord(folderPath, index);
    if (!record)
        return nullptr;
    return MakeFaxMoveTask(*record, folderPath, FolderDirectory(folderPath), index);
}

std::unique_ptr<CFaxMoveTask> MakeFaxMoveTask(const FaxRecord& record, const std::string& folderPath,
                                              const std::string& directory, int index)
{
    if (directory.empty() || !HasSafeFileNames(record)) {
        cpLog(kLogFailure, "fax %s/Fax[%d] names a file outside %s; not moved", folderPath.c_str(), index,
              directory.c_str());
        return nullptr;
    }
    auto task = std::make_unique<CFaxMoveTask>();
    task->sourcePath = FormatText("%s/Fax[%d]", folderPath.c_str(), index);
    task->Caller = record.Get(FaxRecord::kCaller);
    task->ToCC = record.Get(FaxRecord::kToCC);
    task->Topic = record.Get(FaxRecord::kTopic);
    task->Name = record.Get(FaxRecord::kName);
    task->Company = record.Get(FaxRecord::kCompany);
    task->Date = record.Get(FaxRecord::kDate);
    task->Pages = record.Get(FaxRecord::kPages);
    task->CreateTime = record.CreateTime();
    task->SendTimer = record.Get(FaxRecord::kSendTimer);
    task->SendFaxTime = record.Get(FaxRecord::kSendFaxTime);
    task->ReadFlag = record.Get(FaxRecord::kReadFlag);
    task->TimerFlag = AtoiText(record.Get(FaxRecord::kTimerFlag));
    for (const AttachFile& page : record.attachments) {
        task->files.push_back(JoinPath(directory, page.file));
        task->headFlags.push_back(AtoiText(page.headFlag));
    }
    if (record.Flag() == 1) {
        task->hasBody = 1;
        task->bodyPath = JoinPath(directory, record.Get(FaxRecord::kBodyFileName));
    }
    return task;
}

void SetMovedFaxParties(FaxRecord& record, const CFaxMoveTask& task)
{
    record.Set(FaxRecord::kCaller, task.Caller);
    record.Set(FaxRecord::kToCC, task.ToCC);
    record.Set(FaxRecord::kTopic, task.Topic);
    record.Set(FaxRecord::kName, task.Name);
    record.Set(FaxRecord::kCompany, task.Company);
    record.Set(FaxRecord::kDate, task.Date);
}
