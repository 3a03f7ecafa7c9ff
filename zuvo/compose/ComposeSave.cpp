// Writing a composed fax into the outbox or the drafts folder: checks,
// copies of the page files, the record, one save of account.xml.
#include "compose/ComposeSave.h"

#include <filesystem>
#include <set>

#include "compose/PageCount.h"
#include "core/TextUtil.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/FaxRecordStore.h"
#include "faxbox/AttachmentFiles.h"
#include "jotter/Jotter.h"
#include "res/StringTable.h"
#include "spindle/VLock.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned kNoFaxFile = 61489;
constexpr unsigned kNoNumber = 61490;
constexpr unsigned kTooManyNumbers = 61536;
constexpr unsigned kNoAttachment = 61554;
constexpr unsigned kNoNumberForDraft = 61564;
constexpr std::size_t kRecipientBytes = 1200;

std::string Text(unsigned id)
{
    return std::string(LoadString(id));
}

std::string Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    std::string result;
    std::size_t start = 0;
    for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, start)) {
        result.append(text.substr(start, at - start)).append(to);
        start = at + from.size();
    }
    return result.append(text.substr(start));
}

// Where a record goes and how it is written.
struct RecordKind {
    bool outbox = false; // the outbox's attribute order and HeadFlag rule; a record needs a page file
    int isUse = 0;       // the account's IsUse (outbox only)
};

std::string HeadFlagOf(const RecordKind& kind, int itemFlag)
{
    const bool stamped = kind.outbox ? ((kind.isUse != 0 && itemFlag == 0) || itemFlag == 1) : itemFlag != 0;
    return stamped ? "1" : "";
}

void SetHeader(FaxRecord& record, const ComposedFax& fax, const RecordKind& kind, std::time_t when)
{
    record.Set(FaxRecord::kCaller, NormalizeRecipients(fax.to));
    record.Set(FaxRecord::kToCC, NormalizeRecipients(fax.cc));
    record.Set(FaxRecord::kTopic, fax.subject);
    record.Set(FaxRecord::kName, fax.name);
    record.Set(FaxRecord::kCompany, fax.company);
    if (!kind.outbox)
        record.Set(FaxRecord::kReadFlag, "1");
    record.Set(FaxRecord::kDate, FormatRecordDate(when));
    record.Set(FaxRecord::kCreateTime, FormatCreateTime(when));
    if (kind.outbox)
        record.Set(FaxRecord::kReadFlag, "1");
    record.Set(FaxRecord::kSendTimer, fax.sendTime);
    record.Set(FaxRecord::kTimerFlag, std::to_string(fax.timerFlag != 0 ? 1 : 0));
}

// One attachment that is there to be copied, with the File it is stored as.
struct PageFile {
    const ComposeAttachment* item;
    std::string file;
};

// Copies the page files beside the folder's records and appends the record,
// under the account store's lock; what is to be said afterwards goes to
// notices. True when account.xml was saved with the record.
bool FileRecord(const std::string& folderPath, const ComposedFax& fax, const RecordKind& kind, std::time_t now,
                std::vector<std::string>& notices)
{
    Spindle::VLock lock(AccountConfig::Mutex());
    std::vector<PageFile> present;
    std::set<std::string> names;
    std::vector<std::string> files;
    std::error_code error;
    for (const ComposeAttachment& item : fax.attachments) {
        if (!fs::is_regular_file(item.path, error)) {
            cpLog(kLogTrace, "attachment <%s> is gone; left out", item.path.c_str());
            continue;
        }
        std::string file = AttachFileName(item.path);
        if (file.empty() || !names.insert(file).second) {
            cpLog(kLogFailure, "attachment <%s> cannot be stored as <%s>", item.path.c_str(), file.c_str());
            notices.push_back(ComposeText::kCopyFailed);
            continue;
        }
        files.push_back(file);
        present.push_back({&item, std::move(file)});
    }
    if (kind.outbox && present.empty()) {
        notices.push_back(Text(kNoFaxFile));
        return false;
    }
    const std::time_t when = AllocateRecordTime(folderPath, files, now);
    FaxRecord record;
    SetHeader(record, fax, kind, when);
    const std::string directory = EnsureFolderDirectory(folderPath);
    std::vector<std::string> copies;
    int pages = 0;
    for (const PageFile& page : present) {
        const std::optional<std::string> target =
            directory.empty() ? std::nullopt : AttachmentPath(directory, page.file, record.CreateTime());
        if (!target || !CopyAttachmentFile(page.item->path, *target)) {
            notices.push_back(ComposeText::kCopyFailed);
            continue;
        }
        copies.push_back(*target);
        pages += CountImagePages(page.item->path);
        record.attachments.push_back({page.file, HeadFlagOf(kind, page.item->headFlag)});
    }
    if (kind.outbox && record.attachments.empty()) {
        notices.push_back(Text(kNoFaxFile));
        return false;
    }
    record.Set(FaxRecord::kPages, std::to_string(pages));
    if (AppendFaxRecord(folderPath, record) == 1)
        return true;
    for (const std::string& copy : copies)
        fs::remove(copy, error);
    notices.push_back(ComposeText::kSaveFailed);
    return false;
}

bool FileAndTell(const std::string& folderPath, const ComposedFax& fax, const RecordKind& kind, std::time_t now,
                 ComposePrompts& prompts)
{
    std::vector<std::string> notices;
    const bool saved = FileRecord(folderPath, fax, kind, now, notices);
    for (const std::string& notice : notices)
        prompts.Inform(notice);
    return saved;
}

} // namespace

std::string NormalizeRecipients(std::string_view text)
{
    return ReplaceAll(ReplaceAll(ReplaceAll(Trimmed(text), "，", ","), "－", "-"), "；", ";");
}

bool SaveToOutbox(const ComposedFax& fax, std::time_t now, ComposePrompts& prompts)
{
    if (fax.attachments.empty()) {
        prompts.Inform(Text(kNoFaxFile));
        return false;
    }
    const std::string to = NormalizeRecipients(fax.to);
    if (ToGbk(to).size() + ToGbk(NormalizeRecipients(fax.cc)).size() > kRecipientBytes) {
        prompts.Inform(Text(kTooManyNumbers));
        return false;
    }
    if (to.empty()) {
        prompts.Inform(Text(kNoNumber));
        return false;
    }
    const std::string account = AccountConfig::GetDefaultAccountPath();
    const std::string outbox = account.empty() ? std::string() : AccountConfig::FindFolderPath(account, FolderType::kOutBox);
    if (outbox.empty()) {
        cpLog(kLogFailure, "no default account with an outbox: the fax is not queued");
        return false;
    }
    RecordKind kind;
    kind.outbox = true;
    kind.isUse = AccountConfig::GetAttrInt(account, "IsUse");
    return FileAndTell(outbox, fax, kind, now, prompts);
}

bool SaveToDrafts(const ComposedFax& fax, const std::string& accountPath, bool checked, std::time_t now,
                  ComposePrompts& prompts)
{
    if (checked && fax.attachments.empty()) {
        prompts.Inform(Text(kNoAttachment));
        return false;
    }
    const std::string account = accountPath.empty() ? AccountConfig::GetDefaultAccountPath() : accountPath;
    if (account.empty())
        return false;
    if (checked && NormalizeRecipients(fax.to).empty() && NormalizeRecipients(fax.cc).empty()) {
        prompts.Inform(Text(kNoNumberForDraft));
        return false;
    }
    const std::string tempbox = AccountConfig::FindFolderPath(account, FolderType::kTempBox);
    if (tempbox.empty()) {
        cpLog(kLogFailure, "account <%s> has no drafts folder: the fax is not kept", account.c_str());
        return false;
    }
    return FileAndTell(tempbox, fax, RecordKind{}, now, prompts);
}
