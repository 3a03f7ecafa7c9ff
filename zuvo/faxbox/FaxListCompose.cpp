// The fax list's compose tasks, chosen by the folder's role.
#include "faxbox/FaxListCompose.h"

#include "core/stores/AccountConfig.h"
#include "core/TextUtil.h"
#include "spindle/VLock.h"

namespace {

std::string faxPath(const std::string& folderPath, int index)
{
    return FormatText("%s/Fax[%d]", folderPath.c_str(), index);
}

ComposeRequest editTask(const std::string& fax, const std::string& folderPath, const std::string& accountPath,
                        const std::string& caller = "")
{
    auto task = std::make_unique<CFaxEditTask>();
    task->SetFaxPath(fax);
    task->SetFolderPath(folderPath);
    task->SetAccountPath(accountPath);
    if (!caller.empty())
        task->SetCaller(caller);
    return {std::move(task), false};
}

// The sent fax that the report at reportPath names, opened with the report's Caller.
ComposeRequest editSentFax(const std::string& reportPath, const std::string& accountPath)
{
    const std::string overbox = AccountConfig::FindFolderPath(accountPath, FolderType::kOverBox);
    const int sent = overbox.empty() ? -1
                                     : FindFaxByCreateTime(overbox, AccountConfig::GetAttr(reportPath, FaxRecord::kSendFaxTime));
    if (sent < 0)
        return {nullptr, true};
    return editTask(faxPath(overbox, sent), overbox, accountPath, AccountConfig::GetAttr(reportPath, FaxRecord::kCaller));
}

bool isType(const std::string& type, const char* role)
{
    return EqualsNoCase(type, role);
}

} // namespace

ComposeRequest OpenForEditing(const std::string& folderPath, int index, const std::string& accountPath)
{
    Spindle::VLock lock(AccountConfig::Mutex());
    const std::string fax = faxPath(folderPath, index);
    if (index < 0 || AccountConfig::GetNodeCount(fax) == 0)
        return {};
    const std::string type = AccountConfig::GetAttr(folderPath, "Type");
    if (isType(type, FolderType::kTempBox))
        return editTask(fax, folderPath, accountPath);
    if (isType(type, FolderType::kInBox))
        return editSentFax(fax, accountPath);
    return {};
}

ComposeRequest ResendThroughCompose(const std::string& folderPath, int index, const std::string& accountPath)
{
    Spindle::VLock lock(AccountConfig::Mutex());
    const std::string fax = faxPath(folderPath, index);
    if (index < 0 || AccountConfig::GetNodeCount(fax) == 0)
        return {};
    const std::string type = AccountConfig::GetAttr(folderPath, "Type");
    if (isType(type, FolderType::kTempBox) || isType(type, FolderType::kOverBox))
        return editTask(fax, folderPath, accountPath);
    if (isType(type, FolderType::kTrashBox)) {
        if (AtoiText(AccountConfig::GetAttr(fax, FaxRecord::kFlag)) != 0)
            return editSentFax(fax, accountPath);
        return editTask(fax, folderPath, accountPath);
    }
    if (isType(type, FolderType::kInBox) || isType(type, FolderType::kDeposeBox))
        return editSentFax(fax, accountPath);
    return {};
}

std::unique_ptr<CFaxReplyTask> MakeReplyTask(const std::string& faxPath)
{
    auto task = std::make_unique<CFaxReplyTask>();
    task->SetFaxPath(faxPath);
    return task;
}

std::unique_ptr<CFaxTransferTask> MakeForwardTask(const std::string& faxPath, const std::string& folderPath,
                                                  const std::string& accountPath)
{
    auto task = std::make_unique<CFaxTransferTask>();
    task->SetFaxPath(faxPath);
    task->SetFolderPath(folderPath);
    task->SetAccountPath(accountPath);
    return task;
}
