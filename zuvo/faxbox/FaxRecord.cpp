#include "faxbox/FaxRecord.h"

#include <algorithm>
#include <filesystem>

#include "core/AccountConfig.h"
#include "core/ProgramPaths.h"
#include "core/TextUtil.h"
#include "jotter/Jotter.h"
#include "spindle/VLock.h"

namespace {

std::string formatLocal(std::time_t when, const char* format)
{
    std::tm local{};
    localtime_r(&when, &local);
    char text[64];
    const std::size_t n = std::strftime(text, sizeof text, format, &local);
    return std::string(text, n);
}

bool isNonZero(std::string_view number)
{
    return AtoiText(number) != 0;
}

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

const char* FolderTypeForServerItem(std::string_view event, std::string_view faxType,
                                    std::string_view sendFaxFlag, std::string_view invalidateFax)
{
    if (event == "faxreceived" || event == "filetransfered" || faxType == "30" || faxType == "50")
        return FolderType::kFaxBox;
    if (isNonZero(sendFaxFlag))
        return FolderType::kInBox;
    if (isNonZero(invalidateFax))
        return FolderType::kDeposeBox;
    return FolderType::kFailedBox;
}

// ---- FaxRecord ----------------------------------------------------------

const std::vector<const char*>& FaxRecord::AttributeNames()
{
    static const std::vector<const char*> names = {kCaller,   kToCC,     kTopic,     kName,        kCompany,
                                                   kDate,     kCreateTime, kSendFaxTime, kPages, kReadFlag,
                                                   kFlag,     kBodyFileName, kSendTimer, kTimerFlag};
    return names;
}

std::string FaxRecord::Get(std::string_view name) const
{
    for (const auto& [key, value] : attributes_)
        if (key == name)
            return value;
    return "";
}

bool FaxRecord::Has(std::string_view name) const
{
    return std::any_of(attributes_.begin(), attributes_.end(), [&](const auto& a) { return a.first == name; });
}

void FaxRecord::Set(std::string_view name, std::string value)
{
    for (auto& [key, old] : attributes_)
        if (key == name) {
            old = std::move(value);
            return;
        }
    attributes_.emplace_back(std::string(name), std::move(value));
}

void FaxRecord::Remove(std::string_view name)
{
    std::erase_if(attributes_, [&](const auto& a) { return a.first == name; });
}

int FaxRecord::ReadFlag() const { return AtoiText(Get(kReadFlag)); }
int FaxRecord::Flag() const { return AtoiText(Get(kFlag)); }
int FaxRecord::Pages() const { return AtoiText(Get(kPages)); }

// ---- names and times --------------------------------------------------

std::string FormatCreateTime(std::time_t when) { return formatLocal(when, "%Y%m%d%H%M%S"); }
std::string FormatRecordDate(std::time_t when) { return formatLocal(when, "%Y-%m-%d %H:%M:%S"); }
std::string FormatBodyFileName(std::time_t when) { return formatLocal(when, "body-%Y-%m-%d-%H-%M-%S.html"); }

bool IsValidCreateTime(std::string_view createTime)
{
    return createTime.size() == 14 &&
           std::all_of(createTime.begin(), createTime.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<std::string> AttachmentPath(const std::string& folderDirectory, const std::string& file,
                                          const std::string& createTime)
{
    if (folderDirectory.empty() || !IsSafeName(file) || !IsValidCreateTime(createTime))
        return std::nullopt;
    return JoinPath(folderDirectory, file + "." + createTime);
}

std::string AttachFileName(std::string_view name)
{
    const std::string file = ShortenName(LastPathComponent(name), kMaxAttachFileBytes);
    return IsSafeName(file) ? file : std::string();
}

std::optional<std::string> BodyFilePath(const std::string& folderDirectory, const std::string& bodyFileName)
{
    if (folderDirectory.empty() || !IsSafeName(bodyFileName))
        return std::nullopt;
    return JoinPath(folderDirectory, bodyFileName);
}

std::optional<std::vector<std::string>> AttachmentPaths(const std::string& folderDirectory,
                                                        const FaxRecord& record)
{
    std::vector<std::string> paths;
    for (const AttachFile& page : record.attachments) {
        auto path = AttachmentPath(folderDirectory, page.file, record.CreateTime());
        if (!path) {
            cpLog(3, "fax record \"%s\": page \"%s\" has no safe path in \"%s\"; record skipped",
                  record.CreateTime().c_str(), page.file.c_str(), folderDirectory.c_str());
            return std::nullopt;
        }
        paths.push_back(std::move(*path));
    }
    return paths;
}

bool HasSafeFileNames(const FaxRecord& record)
{
    if (!IsValidCreateTime(record.CreateTime()))
        return false;
    if (record.Has(FaxRecord::kBodyFileName) && !IsSafeName(record.Get(FaxRecord::kBodyFileName)))
        return false;
    return std::all_of(record.attachments.begin(), record.attachments.end(),
                       [](const AttachFile& a) { return IsSafeName(a.file); });
}

uint32_t MakeRowKey(int readFlag, std::string_view createTime)
{
    const std::string tail = createTime.size() > 5 ? std::string(createTime.substr(5)) : std::string();
    const std::string key = FormatText("%01d%09ld", readFlag, static_cast<long>(AtoiText(tail)));
    return static_cast<uint32_t>(std::stoul(key));
}

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
        cpLog(2, "cannot create the folder directory %s", directory.c_str());
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
        cpLog(3, "fax record \"%s\" names a file outside its folder; not written", record.CreateTime().c_str());
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
