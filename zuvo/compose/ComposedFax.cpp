// The compose window's start from a task and a stored fax.
#include "compose/ComposedFax.h"

#include <optional>

#include "core/TextUtil.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/FaxRecordStore.h"
#include "faxbox/FaxTasks.h"
#include "spindle/VLock.h"

namespace {

constexpr unsigned kNewTitle = 61485;
constexpr unsigned kReplyTitle = 61486;
constexpr unsigned kForwardTitle = 61487;
constexpr unsigned kEditTitle = 61488;

// The folder and index of a fax path "Account[i]/Folder[j]/Fax[k]".
std::optional<std::pair<std::string, int>> SplitFaxPath(const std::string& faxPath)
{
    const auto slash = faxPath.rfind("/Fax[");
    if (slash == std::string::npos || faxPath.back() != ']')
        return std::nullopt;
    const std::string digits = faxPath.substr(slash + 5, faxPath.size() - slash - 6);
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::make_pair(faxPath.substr(0, slash), std::stoi(digits));
}

struct StoredFax {
    FaxRecord record;
    std::vector<ComposeAttachment> pages; // the page files in the folder, with their HeadFlag
};

std::optional<StoredFax> ReadStoredFax(const std::string& faxPath)
{
    const auto place = SplitFaxPath(faxPath);
    if (!place)
        return std::nullopt;
    Spindle::VLock lock(AccountConfig::Mutex());
    std::optional<FaxRecord> record = ReadFaxRecord(place->first, place->second);
    if (!record)
        return std::nullopt;
    StoredFax stored{std::move(*record), {}};
    const std::optional<std::vector<std::string>> paths =
        AttachmentPaths(FolderDirectory(place->first), stored.record);
    if (paths)
        for (std::size_t i = 0; i < paths->size(); ++i)
            stored.pages.push_back({(*paths)[i], AtoiText(stored.record.attachments[i].headFlag)});
    return stored;
}

// What a reply, a forward and an edit take alike.
void TakeCommonFields(const FaxRecord& record, ComposeStart& start)
{
    start.fax.sendTime = record.Get(FaxRecord::kSendTimer);
    start.fax.timerFlag = AtoiText(record.Get(FaxRecord::kTimerFlag));
    start.fax.name = record.Get(FaxRecord::kName);
    start.fax.company = record.Get(FaxRecord::kCompany);
    start.fillsTimedSend = true;
    start.modified = true;
}

} // namespace

bool HasAttachmentNamed(const std::vector<ComposeAttachment>& items, const std::string& path)
{
    const std::string file = AttachFileName(path);
    for (const ComposeAttachment& item : items)
        if (AttachFileName(item.path) == file)
            return true;
    return false;
}

bool IsComposeTask(const CTask& task)
{
    return dynamic_cast<const CFaxNewTask*>(&task) != nullptr || dynamic_cast<const CFaxReplyTask*>(&task) != nullptr ||
           dynamic_cast<const CFaxTransferTask*>(&task) != nullptr || dynamic_cast<const CFaxEditTask*>(&task) != nullptr;
}

ComposeStart StartFromTask(const CTask* task, bool chinese)
{
    ComposeStart start;
    if (const auto* fresh = dynamic_cast<const CFaxNewTask*>(task)) {
        start.titleId = kNewTitle;
        if (!fresh->GetFaxPath().empty())
            start.fax.attachments.push_back({fresh->GetFaxPath(), 0});
        return start;
    }
    std::string faxPath;
    if (const auto* reply = dynamic_cast<const CFaxReplyTask*>(task)) {
        start.titleId = kReplyTitle;
        faxPath = reply->GetFaxPath();
    } else if (const auto* forward = dynamic_cast<const CFaxTransferTask*>(task)) {
        start.titleId = kForwardTitle;
        faxPath = forward->GetFaxPath();
    } else if (const auto* edit = dynamic_cast<const CFaxEditTask*>(task)) {
        start.titleId = kEditTitle;
        faxPath = edit->GetFaxPath();
    } else {
        return start;
    }
    const std::optional<StoredFax> stored = ReadStoredFax(faxPath);
    if (!stored)
        return start;
    const FaxRecord& record = stored->record;
    TakeCommonFields(record, start);
    switch (start.titleId) {
    case kReplyTitle:
        start.fax.to = record.Get(FaxRecord::kCaller);
        start.fax.cc = record.Get(FaxRecord::kToCC);
        start.fax.subject = "回复：" + record.Get(FaxRecord::kTopic);
        break;
    case kForwardTitle:
        start.fax.subject = (chinese ? "转发：" : "Transfer：") + record.Get(FaxRecord::kTopic);
        start.fax.attachments = stored->pages;
        break;
    default: {
        const std::string& caller = static_cast<const CFaxEditTask*>(task)->GetCaller();
        start.fax.to = caller.empty() ? record.Get(FaxRecord::kCaller) : caller;
        start.fax.cc = record.Get(FaxRecord::kToCC);
        start.fax.subject = record.Get(FaxRecord::kTopic);
        start.fax.attachments = stored->pages;
        break;
    }
    }
    return start;
}
