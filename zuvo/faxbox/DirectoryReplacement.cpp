// A directory's new version built beside it, filled with second names of
// its present files, and exchanged with it in one rename.

#include "faxbox/DirectoryReplacement.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/stores/ProgramPaths.h"
#include "jotter/Jotter.h"
#include "safefile/UniqueFd.h"

namespace fs = std::filesystem;

namespace {

// The directory part of path, "." without one.
std::string ParentOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes a rename in the directory survive a power cut.
void SyncDirectory(const std::string& directory)
{
    safefile::UniqueFd fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0)
        ::fsync(fd.get());
}

// A second name for the file at from, or else a copy of it.
bool LinkOrCopy(const fs::path& from, const fs::path& to)
{
    if (::link(from.c_str(), to.c_str()) == 0)
        return true;
    std::error_code error;
    return fs::copy_file(from, to, fs::copy_options::none, error) && !error;
}

// Exchanges the directories at mine and target: 0, or -1 with errno and
// both as they were. Where the file system cannot exchange in one step,
// three renames through a spare name, the first undone when the second
// fails; should the last one fail, mine becomes the spare name.
int Exchange(std::string& mine, const std::string& target)
{
    if (::renameat2(AT_FDCWD, mine.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    const std::string spare = mine + "-spare";
    if (::rename(target.c_str(), spare.c_str()) != 0)
        return -1;
    if (::rename(mine.c_str(), target.c_str()) != 0) {
        const int why = errno;
        ::rename(spare.c_str(), target.c_str());
        errno = why;
        return -1;
    }
    if (::rename(spare.c_str(), mine.c_str()) != 0)
        mine = spare;
    return 0;
}

} // namespace

DirectoryReplacement::DirectoryReplacement(std::string target) : target_(std::move(target))
{
    while (target_.size() > 1 && target_.back() == '/')
        target_.pop_back();
    const std::string name = LastPathComponent(target_);
    if (!IsSafeName(name)) {
        cpLog(kLogFailure, "no new version of the directory %s can be made", target_.c_str());
        return;
    }
    std::string pattern = JoinPath(ParentOf(target_), "." + name + ".new-XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr) {
        cpLog(kLogFailure, "cannot make a new version of %s: %s", target_.c_str(), std::strerror(errno));
        return;
    }
    path_ = pattern;
    struct stat st {};
    targetExisted_ = ::lstat(target_.c_str(), &st) == 0;
    ::chmod(path_.c_str(), targetExisted_ && S_ISDIR(st.st_mode) ? (st.st_mode & 07777) : 0755);
}

DirectoryReplacement::~DirectoryReplacement()
{
    if (path_.empty())
        return;
    std::error_code error;
    fs::remove_all(path_, error);
    if (error)
        cpLog(kLogFailure, "cannot remove %s: %s", path_.c_str(), error.message().c_str());
}

bool DirectoryReplacement::TakeCurrentContents()
{
    if (!IsOpen() || swapped_)
        return false;
    std::error_code error;
    const fs::file_status status = fs::symlink_status(target_, error);
    if (status.type() == fs::file_type::not_found)
        return true;
    if (!fs::is_directory(status)) {
        cpLog(kLogFailure, "%s is not a directory", target_.c_str());
        return false;
    }
    const fs::path root(target_);
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        const fs::path to = fs::path(path_) / it->path().lexically_relative(root);
        const fs::file_status kind = it->symlink_status(error);
        if (error)
            break;
        bool taken = true;
        if (fs::is_directory(kind)) {
            taken = fs::create_directory(to, error) && !error;
            if (taken)
                fs::permissions(to, kind.permissions(), error);
        } else if (fs::is_regular_file(kind)) {
            taken = LinkOrCopy(it->path(), to);
        } else if (fs::is_symlink(kind)) {
            fs::copy_symlink(it->path(), to, error);
        } else {
            cpLog(kLogFailure, "%s is left out of the new version (not a file or a directory)", it->path().c_str());
        }
        if (!taken || error) {
            cpLog(kLogFailure, "cannot take %s into the new version of %s", it->path().c_str(), target_.c_str());
            return false;
        }
    }
    if (error) {
        cpLog(kLogFailure, "cannot read %s: %s", target_.c_str(), error.message().c_str());
        return false;
    }
    return true;
}

bool DirectoryReplacement::Swap()
{
    if (!IsOpen() || swapped_)
        return false;
    int result = 0;
    if (targetExisted_) {
        result = Exchange(path_, target_);
    } else {
        result = ::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS))
            result = ::rename(path_.c_str(), target_.c_str());
    }
    if (result != 0) {
        cpLog(kLogFailure, "cannot put the new version of %s in place: %s", target_.c_str(), std::strerror(errno));
        return false;
    }
    swapped_ = true;
    SyncDirectory(ParentOf(target_));
    return true;
}

bool DirectoryReplacement::SwapBack()
{
    if (!swapped_)
        return false;
    const int result = targetExisted_ ? Exchange(path_, target_) : ::rename(target_.c_str(), path_.c_str());
    if (result != 0) {
        cpLog(kLogFailure, "cannot put the old version of %s back: %s", target_.c_str(), std::strerror(errno));
        return false;
    }
    swapped_ = false;
    SyncDirectory(ParentOf(target_));
    return true;
}
