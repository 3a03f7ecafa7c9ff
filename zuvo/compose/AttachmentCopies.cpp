// The compose window's private copies of its attachments: one folder a copy,
// so that copies of sources of one name never meet.
#include "compose/AttachmentCopies.h"

#include <filesystem>

#include "core/stores/ProgramPaths.h"
#include "jotter/Jotter.h"

namespace fs = std::filesystem;

AttachmentCopies::AttachmentCopies() : directory_("zuvo-compose") {}

std::optional<std::string> AttachmentCopies::Add(const std::string& source)
{
    const std::string name = LastPathComponent(source);
    if (!directory_.valid() || !IsSafeName(name))
        return std::nullopt;
    Remove(source);
    const std::string folder = directory_.file(std::to_string(++next_));
    const std::string copy = JoinPath(folder, name);
    std::error_code error;
    if (!fs::is_regular_file(source, error) || !fs::create_directory(folder, error) ||
        !fs::copy_file(source, copy, error)) {
        cpLog(kLogFailure, "attachment <%s> could not be copied: %s", source.c_str(), error.message().c_str());
        fs::remove_all(folder, error);
        return std::nullopt;
    }
    copies_[source] = copy;
    return copy;
}

std::string AttachmentCopies::WorkingPath(const std::string& source) const
{
    const auto found = copies_.find(source);
    return found == copies_.end() ? source : found->second;
}

void AttachmentCopies::Remove(const std::string& source)
{
    const auto found = copies_.find(source);
    if (found == copies_.end())
        return;
    std::error_code ignored;
    fs::remove_all(fs::path(found->second).parent_path(), ignored);
    copies_.erase(found);
}
