// The stamp of a file version.

#include "contacts/FileStamp.h"

#include <sys/stat.h>

std::optional<FileStamp> FileStamp::Of(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    FileStamp stamp;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modifiedSec = info.st_mtim.tv_sec;
    stamp.modifiedNsec = info.st_mtim.tv_nsec;
    stamp.changedSec = info.st_ctim.tv_sec;
    stamp.changedNsec = info.st_ctim.tv_nsec;
    return stamp;
}
