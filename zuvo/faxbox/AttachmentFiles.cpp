// Attachment files: extensions, stored and plain-named paths, copies, and
// printing on the default CUPS destination.
#include "faxbox/AttachmentFiles.h"

#include <cups/cups.h>

#include <filesystem>

#include "core/TextUtil.h"
#include "core/stores/FaxRecordStore.h"
#include "jotter/Jotter.h"

namespace fs = std::filesystem;

namespace {

bool hasExtension(std::string_view name, std::string_view extension)
{
    const auto dot = name.rfind('.');
    return dot != std::string_view::npos && EqualsNoCase(name.substr(dot + 1), extension);
}

} // namespace

bool IsTiffAttachment(std::string_view name)
{
    return hasExtension(name, "tif");
}

bool IsWaveAttachment(std::string_view name)
{
    return hasExtension(name, "wav");
}

const char* AttachmentSaveFilter(std::string_view name)
{
    return IsTiffAttachment(name) ? AttachText::kTiffFilter : AttachText::kWaveFilter;
}

std::optional<std::string> StoredAttachmentPath(const std::string& folderDirectory, const std::string& file,
                                                const std::string& createTime)
{
    if (folderDirectory.empty())
        return std::nullopt;
    return AttachmentPath(folderDirectory, file, createTime);
}

std::optional<std::string> PlainAttachmentPath(const std::string& folderDirectory, const std::string& file)
{
    if (folderDirectory.empty() || file.empty() || AttachFileName(file) != file)
        return std::nullopt;
    return (fs::path(folderDirectory) / file).string();
}

bool CopyAttachmentFile(const std::string& from, const std::string& to)
{
    std::error_code error;
    if (fs::equivalent(from, to, error))
        return true;
    if (fs::copy_file(from, to, fs::copy_options::overwrite_existing, error))
        return true;
    cpLog(kLogFailure, "copying <%s> to <%s> failed: %s", from.c_str(), to.c_str(), error.message().c_str());
    return false;
}

int PrintOnDefaultDestination(const std::string& path, const std::string& title)
{
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests(&dests);
    cups_dest_t* chosen = cupsGetDest(nullptr, nullptr, count, dests);
    int job = 0;
    if (chosen == nullptr) {
        cpLog(kLogFailure, "printing <%s>: no default printer", path.c_str());
    } else {
        job = cupsPrintFile(chosen->name, path.c_str(), title.c_str(), chosen->num_options, chosen->options);
        if (job == 0)
            cpLog(kLogFailure, "printing <%s> on <%s> failed: %s", path.c_str(), chosen->name, cupsLastErrorString());
    }
    cupsFreeDests(count, dests);
    return job;
}

std::string PrintFailedText(const std::string& name)
{
    return std::string(AttachText::kPrintFailedBefore) + name + AttachText::kPrintFailedAfter;
}
