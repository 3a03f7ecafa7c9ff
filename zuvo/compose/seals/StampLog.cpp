#include "compose/seals/StampLog.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "core/stores/ProgramPaths.h"
#include "safefile/SafeFile.h"

void LogFile::Open(const std::string& path)
{
    Close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        throw LogInitFailed();
    // An exclusive lock on this open file: every other opener is refused
    // until Close, including a second LogFile in this process.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        throw LogInitFailed();
    }
    fd_ = fd;
}

std::string LogFile::FormatLine(const std::tm& t, const std::string& first, const std::string& second)
{
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%d-%d-%d %d:%d  ", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min);
    return stamp + first + ", " + second + "\r\n";
}

void LogFile::Write(const std::string& first, const std::string& second)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    Write(local, first, second);
}

void LogFile::Write(const std::tm& localTime, const std::string& first, const std::string& second)
{
    if (fd_ < 0)
        throw LogInitFailed();
    if (!safefile::WriteAll(fd_, FormatLine(localTime, first, second)))
        throw LogInitFailed();
}

void LogFile::Close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

std::string StampLogPath()
{
    return JoinPath(ProgramDirectory(), "LogIt.txt");
}
