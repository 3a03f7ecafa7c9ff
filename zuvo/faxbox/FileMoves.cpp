// Renames that never replace (renameat2 with RENAME_NOREPLACE), copies as
// new whole files, and their undo.
#include "faxbox/FileMoves.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "core/stores/NewFile.h"
#include "core/stores/WholeFiles.h"
#include "jotter/Jotter.h"

namespace {

// No page file of a fax is larger (the agent refuses larger transfers).
constexpr std::uintmax_t kMaxFileBytes = 512u * 1024 * 1024;

} // namespace

FileMoves::~FileMoves()
{
    if (kept_)
        return;
    for (auto it = renamed_.rbegin(); it != renamed_.rend(); ++it)
        if (::renameat2(AT_FDCWD, it->second.c_str(), AT_FDCWD, it->first.c_str(), RENAME_NOREPLACE) != 0)
            cpLog(kLogFailure, "cannot move <%s> back to <%s>", it->second.c_str(), it->first.c_str());
    for (const std::string& path : created_)
        ::unlink(path.c_str());
}

bool FileMoves::Move(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        renamed_.emplace_back(from, to);
        return true;
    }
    if (errno != EXDEV) {
        cpLog(kLogFailure, "cannot move <%s> to <%s>: errno %d", from.c_str(), to.c_str(), errno);
        return false;
    }
    if (!Copy(from, to))
        return false;
    removeWhenKept_.push_back(from);
    return true;
}

bool FileMoves::Copy(const std::string& from, const std::string& to)
{
    const std::optional<std::string> bytes = ReadWholeFile(from, kMaxFileBytes);
    if (!bytes || CreateNewFile(to, *bytes) != Created::Yes) {
        cpLog(kLogFailure, "cannot copy <%s> to <%s>", from.c_str(), to.c_str());
        return false;
    }
    created_.push_back(to);
    return true;
}

void FileMoves::Keep()
{
    kept_ = true;
    for (const std::string& path : removeWhenKept_)
        if (::unlink(path.c_str()) != 0)
            cpLog(kLogFailure, "moved file <%s> stays behind as well", path.c_str());
}
