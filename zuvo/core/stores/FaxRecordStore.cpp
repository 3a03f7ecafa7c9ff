#include "core/stores/FaxRecordStore.h"

#include <algorithm>
#include <filesystem>

#include "core/TextUtil.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/ProgramPaths.h"
#include "jotter/Jotter.h"
#include "spindle/VLock.h"

namespace {

std::string faxPath(const std::string& folderPath, int index)
{
    return FormatText("%s/Fax[%d]", folderPath.c_str(), index);
}

// Walks the folder's records and returns the first index whose CreateTime satisfies match.
template <typename Match>
int findFax(const std::string& folderPath, Match match)
{
    Spindle::VLock lock(AccountConfig::Mutex());
    const int count = FaxCount(folderPath);
    for (int k = 0; k < count; ++k)
        if (match(AccountConfig::GetAttr(faxPath(folderPath, k), FaxRecord::kCreateTime)))
            return k;
    return -1;
}

} // namespace

// ---- records in account.xml ----------------------------------------------

std::string FolderDirectory(const std::string& folderPath)
{
    return AccountConfig::GetFolderFullDirectory(folderPath);
}

std::string EnsureFolderDirectory(const std::string& folderPath)
{
    const std::string directory = FolderDirectory(folderPath);
    if (directory.empty())
        return "";
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (!std::filesystem::is_directory(directory, error)) {
        cpLog(kLogFailure, "cannot create the folder directory %s", directory.c_str());
        return "";
    }
    return directory;
}

int FaxCount(const std::string& folderPath)
{
    return AccountConfig::GetNodeCount(folderPath + "/Fax");
}

std::optional<FaxRecord> ReadFaxRecord(const std::string& folderPath, int index)
{
    Spindle::VLock lock(AccountConfig::Mutex());
    const std::string fax = faxPath(folderPath, index);
    if (index < 0 || AccountConfig::GetNodeCount(fax) == 0)
        return std::nullopt;
    FaxRecord record;
    for (const char* name : FaxRecord::AttributeNames())
        if (AccountConfig::HasAttr(fax, name))
            record.Set(name, AccountConfig::GetAttr(fax, name));
    const int pages = AccountConfig::GetNodeCount(fax + "/AttachFile");
    for (int k = 0; k < pages; ++k) {
        const std::string child = FormatText("%s/AttachFile[%d]", fax.c_str(), k);
        record.attachments.push_back({AccountConfig::GetAttr(child, "File"), AccountConfig::GetAttr(child, "HeadFlag")});
    }
    return record;
}

int FindFaxByCreateTime(const std::string& folderPath, const std::string& createTime)
{
    return findFax(folderPath, [&](const std::string& value) { return EqualsNoCase(value, createTime); });
}

int FindFaxByRowKey(const std::string& folderPath, uint32_t rowKey)
{
    const long wanted = static_cast<long>(rowKey % 1000000000u);
    return findFax(folderPath, [&](const std::string& value) {
        return value.size() > 5 && AtoiText(std::string_view(value).substr(5)) == wanted;
    });
}

std::time_t AllocateRecordTime(const std::string& folderPath, const std::vector<std::string>& files,
                               std::time_t from)
{
    Spindle::VLock lock(AccountConfig::Mutex());
    const std::string directory = FolderDirectory(folderPath);
    std::error_code error;
    for (std::time_t when = from;; ++when) {
        const std::string createTime = FormatCreateTime(when);
        if (FindFaxByCreateTime(folderPath, createTime) >= 0)
            continue;
        const bool nameTaken = std::any_of(files.begin(), files.end(), [&](const std::string& file) {
            const auto path = AttachmentPath(directory, file, createTime);
            return path && std::filesystem::exists(*path, error);
        });
        if (!nameTaken)
            return when;
    }
}

std::time_t AllocateBodyFileTime(const std::string& folderDirectory, std::time_t from)
{
    std::error_code error;
    std::time_t when = from;
    while (std::filesystem::exists(JoinPath(folderDirectory, FormatBodyFileName(when)), error))
        ++when;
    return when;
}

int AddFaxRecord(const std::string& folderPath, const FaxRecord& record)
{
    if (!HasSafeFileNames(record)) {
        cpLog(kLogFailure, "fax record \"%s\" names a file outside its folder; not written",
              record.CreateTime().c_str());
        return 0;
    }
    Spindle::VLock lock(AccountConfig::Mutex());
    const int before = FaxCount(folderPath);
    if (!AccountConfig::AddNode(folderPath, "Fax"))
        return 0;
    bool complete = true;
    for (const auto& [name, value] : record.Attributes())
        complete = complete && AccountConfig::AddNodeAttr(name, value);
    for (const AttachFile& page : record.attachments) {
        complete = complete && AccountConfig::AddChild("AttachFile") && AccountConfig::AddChildAttr("File", page.file);
        if (!page.headFlag.empty())
            complete = complete && AccountConfig::AddChildAttr("HeadFlag", page.headFlag);
    }
    if (complete)
        return 1;
    RemoveFaxRecordsFrom(folderPath, before);
    return 0;
}

void RemoveFaxRecordsFrom(const std::string& folderPath, int count)
{
    Spindle::VLock lock(AccountConfig::Mutex());
    for (int k = FaxCount(folderPath); k > count; --k)
        AccountConfig::RemoveNode(faxPath(folderPath, k - 1));
}

int AppendFaxRecord(const std::string& folderPath, const FaxRecord& record)
{
    Spindle::VLock lock(AccountConfig::Mutex());
    const int before = FaxCount(folderPath);
    if (AddFaxRecord(folderPath, record) && AccountConfig::Save())
        return 1;
    // Keep the document equal to the file: a record that did not reach the disk is taken out again.
    RemoveFaxRecordsFrom(folderPath, before);
    return 0;
}
