#include "core/session/DownloadStaging.h"

#include <filesystem>
#include <system_error>

#include "core/TextUtil.h"
#include "core/stores/ProgramPaths.h"
#include "jotter/Jotter.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kStagingFolder = ".incoming";
constexpr const char* kPartialSuffix = ".download";

} // namespace

std::string DownloadStagingRoot(const std::string& dataDirectory)
{
    return dataDirectory.empty() ? "" : JoinPath(dataDirectory, kStagingFolder);
}

std::string MakeStagingDirectory(const std::string& root, long invokeId, long sequence)
{
    if (root.empty())
        return "";
    const std::string directory = JoinPath(root, FormatText("%ld-%ld", invokeId, sequence));
    std::error_code error;
    fs::remove_all(directory, error);
    if (error || !fs::create_directories(directory, error) || error) {
        cpLog(kLogFailure, "staging directory <%s> cannot be made: %s", directory.c_str(), error.message().c_str());
        return "";
    }
    return directory;
}

std::string StagedFileName(int index, const std::string& serverName)
{
    const std::string prefix = FormatText("%d", index);
    const std::string name = LastPathComponent(serverName);
    if (!IsSafeName(name))
        return prefix;
    const std::size_t room = kMaxFileNameBytes - prefix.size() - 1 - std::string(kPartialSuffix).size();
    return prefix + "-" + ShortenName(name, room);
}

bool RemoveStagingDirectory(const std::string& directory)
{
    if (directory.empty())
        return true;
    std::error_code error;
    fs::remove_all(directory, error);
    if (error) {
        cpLog(kLogFailure, "staging directory <%s> not removed: %s", directory.c_str(), error.message().c_str());
        return false;
    }
    return true;
}

int RemoveDownloadLeftovers(const std::string& stagingRoot, const std::vector<std::string>& directories)
{
    std::error_code error;
    int removed = 0;
    if (!stagingRoot.empty() && fs::exists(stagingRoot, error)) {
        const std::uintmax_t count = fs::remove_all(stagingRoot, error);
        if (error)
            cpLog(kLogFailure, "downloads left in <%s> not removed: %s", stagingRoot.c_str(), error.message().c_str());
        else
            removed += static_cast<int>(count);
    }
    for (const std::string& directory : directories) {
        if (directory.empty())
            continue;
        for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
            const fs::path& path = it->path();
            if (path.extension() == kPartialSuffix && it->is_regular_file(error) && fs::remove(path, error))
                ++removed;
        }
    }
    if (removed > 0)
        cpLog(kLogTrace, "removed %d leftovers of earlier downloads", removed);
    return removed;
}
