#include "core/stores/FaxRecord.h"

#include <algorithm>

#include "core/TextUtil.h"
#include "core/stores/ProgramPaths.h"
#include "jotter/Jotter.h"

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
            cpLog(kLogFailure, "fax record \"%s\": page \"%s\" has no safe path in \"%s\"; record skipped",
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
