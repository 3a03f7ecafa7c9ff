// Moves as hard links (or whole copies across file systems) whose sources go
// only once the move is kept; copies as new whole files; and their undo.
#include "faxbox/FileMoves.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/stores/NewFile.h"
#include "jotter/Jotter.h"
#include "safefile/SafeFile.h"

namespace {

// No page file of a fax is larger (the agent refuses larger transfers).
constexpr std::uintmax_t kMaxFileBytes = 512u * 1024 * 1024;

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

FileMoves::~FileMoves()
{
    if (kept_)
        return;
    for (const std::string& path : created_)
        if (::unlink(path.c_str()) != 0)
            cpLog(kLogFailure, "cannot take back <%s>: %s", path.c_str(), std::strerror(errno));
}

void FileMoves::noteTarget(const std::string& to)
{
    created_.push_back(to);
    const std::string directory = directoryOf(to);
    if (std::find(directories_.begin(), directories_.end(), directory) == directories_.end())
        directories_.push_back(directory);
}

bool FileMoves::Move(const std::string& from, const std::string& to)
{
    // link() never replaces: a taken name fails with EEXIST.
    if (::link(from.c_str(), to.c_str()) == 0) {
        noteTarget(to);
        sources_.push_back(from);
        return true;
    }
    if (errno != EXDEV && errno != EPERM && errno != EMLINK) {
        cpLog(kLogFailure, "cannot move <%s> to <%s>: %s", from.c_str(), to.c_str(), std::strerror(errno));
        return false;
    }
    // Another file system, or one without hard links: a whole copy.
    if (!Copy(from, to))
        return false;
    sources_.push_back(from);
    return true;
}

bool FileMoves::Copy(const std::string& from, const std::string& to)
{
    const std::optional<std::string> bytes = ReadWholeFile(from, kMaxFileBytes);
    if (!bytes || CreateNewFile(to, *bytes) != Created::Yes) {
        cpLog(kLogFailure, "cannot copy <%s> to <%s>", from.c_str(), to.c_str());
        return false;
    }
    noteTarget(to);
    return true;
}

void FileMoves::Keep()
{
    kept_ = true;
    for (const std::string& path : sources_)
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            cpLog(kLogFailure, "moved file <%s> stays behind as well: %s", path.c_str(), std::strerror(errno));
}

bool SyncDirectories(const std::vector<std::string>& directories)
{
    bool synced = true;
    for (const std::string& directory : directories)
        if (!safefile::SyncDirectory(directory)) {
            cpLog(kLogFailure, "cannot sync the directory <%s>: %s", directory.c_str(), std::strerror(errno));
            synced = false;
        }
    return synced;
}
