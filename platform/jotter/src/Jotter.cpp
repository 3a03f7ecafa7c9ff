#include "jotter/Jotter.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string_view>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>

namespace {

struct LogState {
    std::mutex mutex;
    std::FILE* file = nullptr;
    std::string path;        // of the open file
    bool rolls = false;      // the open file is a regular file of its own that may be rolled over
    unsigned long size = 0;  // bytes in the open file
    unsigned long sizeLimit = kLogSizeLimit;
    int priority = kLogDefaultPriority;
};

LogState& state()
{
    static LogState instance; // lives until exit, so late log lines stay safe
    return instance;
}

const char* baseName(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// The text of a line with its control characters written as escapes
// ("\\n", "\\x1b"), so that text from outside (a server's reply, a file
// name) can neither end the line early nor drive a terminal. One line end
// that closes the text is the line's own and goes.
void appendEscaped(std::string& line, std::string_view text)
{
    if (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    static const char hex[] = "0123456789abcdef";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            line += c;
            continue;
        }
        line += '\\';
        switch (c) {
        case '\n': line += 'n'; break;
        case '\r': line += 'r'; break;
        case '\t': line += 't'; break;
        default:
            line += 'x';
            line += hex[byte >> 4];
            line += hex[byte & 0x0F];
            break;
        }
    }
}

// Whether the log file open as `file` may be renamed and replaced when it is
// full: only when its path names a regular file (no link, pipe or device)
// and that file is the one open.
bool rollsOver(std::FILE* file, const std::string& path)
{
    struct stat opened {};
    struct stat named {};
    return ::fstat(fileno(file), &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && S_ISREG(named.st_mode) &&
           named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

// Formats the whole line first, so that one write puts it out in one piece.
std::string formatLine(int level, const char* file, int line, const char* format, va_list args)
{
    timeval now{};
    gettimeofday(&now, nullptr);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);

    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03ld [%d] ",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, static_cast<long>(now.tv_usec / 1000), level);
    std::string text(stamp);
    if (file) {
        text += baseName(file);
        text += ':';
        text += std::to_string(line);
        text += ' ';
    }

    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length > 0) {
        std::string body(static_cast<size_t>(length) + 1, '\0');
        std::vsnprintf(body.data(), body.size(), format, args);
        body.resize(static_cast<size_t>(length));
        appendEscaped(text, body);
    }
    text += '\n';
    return text;
}

// Makes room for `more` bytes under the size limit: the full file becomes
// the old log and a new one is opened (under log.mutex). When the new file
// cannot be opened the lines go to stderr. A log that is no regular file of
// its own (a pipe, /dev/null, a link) is written as it is.
void rollOver(LogState& log, unsigned long more)
{
    if (!log.file || log.sizeLimit == 0 || log.size == 0 || log.size + more <= log.sizeLimit)
        return;
    if (!log.rolls || !rollsOver(log.file, log.path)) {
        log.rolls = false;
        return;
    }
    std::fclose(log.file);
    log.file = nullptr;
    const std::string old = log.path + ".1";
    std::rename(log.path.c_str(), old.c_str());
    log.file = std::fopen(log.path.c_str(), "a");
    log.rolls = log.file != nullptr && rollsOver(log.file, log.path);
    log.size = 0;
}

void writeLine(int level, const char* file, int line, const char* format, va_list args) noexcept
{
    try {
        LogState& log = state();
        {
            std::lock_guard<std::mutex> guard(log.mutex);
            if (level > log.priority)
                return;
        }
        std::string text = formatLine(level, file, line, format, args);
        std::lock_guard<std::mutex> guard(log.mutex);
        rollOver(log, text.size());
        std::FILE* out = log.file ? log.file : stderr;
        std::fwrite(text.data(), 1, text.size(), out);
        std::fflush(out);
        if (log.file)
            log.size += text.size();
    } catch (...) {
        // Logging must never take the caller down.
    }
}

} // namespace

int cpLogOpen(const char* file)
{
    if (!file)
        return 0;
    std::FILE* opened = std::fopen(file, "a");
    if (!opened)
        return 0;
    std::fseek(opened, 0, SEEK_END);
    const long size = std::ftell(opened);
    LogState& log = state();
    std::lock_guard<std::mutex> guard(log.mutex);
    if (log.file)
        std::fclose(log.file);
    log.file = opened;
    log.path = file;
    log.rolls = rollsOver(opened, log.path);
    log.size = size > 0 ? static_cast<unsigned long>(size) : 0;
    return 1;
}

void cpLogSetSizeLimit(unsigned long bytes)
{
    LogState& log = state();
    std::lock_guard<std::mutex> guard(log.mutex);
    log.sizeLimit = bytes;
}

void cpLogClose()
{
    LogState& log = state();
    std::lock_guard<std::mutex> guard(log.mutex);
    if (log.file)
        std::fclose(log.file);
    log.file = nullptr;
    log.size = 0;
}

void cpLogSetPriority(int level)
{
    LogState& log = state();
    std::lock_guard<std::mutex> guard(log.mutex);
    log.priority = level;
}

int cpLogGetPriority()
{
    LogState& log = state();
    std::lock_guard<std::mutex> guard(log.mutex);
    return log.priority;
}

void cpLog_old_version(int level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    writeLine(level, nullptr, 0, format, args);
    va_end(args);
}

void WrapLog::operator()(int level, const char* format, ...) const
{
    va_list args;
    va_start(args, format);
    writeLine(level, file_, line_, format, args);
    va_end(args);
}
