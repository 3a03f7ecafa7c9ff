#pragma once

// Diagnostic log of the whole system. A line is written when its level is at
// most the priority set with cpLogSetPriority (kLogDefaultPriority). Before cpLogOpen
// lines go to stderr, then they are appended to the file. Each call writes one
// whole, flushed line under a lock; logging never throws. One call is one
// line: control characters in the text (line feeds, carriage returns, tabs,
// escapes) are written as "\n", "\r", "\t" and "\xHH", except one line feed
// that ends the text.

#define JOTTER_PRINTF(fmtIndex, argIndex) __attribute__((format(printf, fmtIndex, argIndex)))

// The levels of a line, the most important lowest.
inline constexpr int kLogFailure = 3;  // something failed or was refused
inline constexpr int kLogNotice = 5;   // the start-up banner, what the user was told, a library's warning
inline constexpr int kLogTrace = 6;    // the course of the program and of its agent client
inline constexpr int kLogEngine = 7;   // the event and state-machine engine
// The priority the log starts with and the main program sets: lines of every level named above are written.
inline constexpr int kLogDefaultPriority = 10;

// Directs the log to a file, appending. Returns 1 on success, 0 when the file
// cannot be opened (the log then stays where it was).
//
// The file is kept below a size limit (8 MiB unless set otherwise): a line
// that would take it past the limit first renames it to the same name with
// ".1" appended (replacing the older one, so one old log is kept) and opens
// a new file under the name. Only a regular file is rolled over: a path that
// names anything else (/dev/null, a pipe, a symbolic link) is written as it
// is, whatever its size.
int cpLogOpen(const char* file);
inline constexpr unsigned long kLogSizeLimit = 8ul * 1024 * 1024;
// Sets the size limit of the log file in bytes (0: no limit).
void cpLogSetSizeLimit(unsigned long bytes);
// Closes the log file; later lines go to stderr again.
void cpLogClose();
void cpLogSetPriority(int level);
int cpLogGetPriority();
void cpLog_old_version(int level, const char* format, ...) JOTTER_PRINTF(2, 3);

// One line tagged with its source position: WrapLog(__FILE__, __LINE__)(kLogTrace, "...").
class WrapLog {
public:
    WrapLog(const char* sourceFile, int line) : file_(sourceFile), line_(line) {}
    void operator()(int level, const char* format, ...) const JOTTER_PRINTF(3, 4);

private:
    const char* file_;
    int line_;
};

#define cpLog(level, ...) WrapLog(__FILE__, __LINE__)(level, __VA_ARGS__)
