#pragma once

// Diagnostic log of the whole system. A line is written when its level is at
// most the priority set with cpLogSetPriority (default 10). Before cpLogOpen
// lines go to stderr, then they are appended to the file. Each call writes one
// whole, flushed line under a lock; logging never throws.

#define JOTTER_PRINTF(fmtIndex, argIndex) __attribute__((format(printf, fmtIndex, argIndex)))

// Directs the log to a file, appending. Returns 1 on success, 0 when the file
// cannot be opened (the log then stays where it was).
int cpLogOpen(const char* file);
// Closes the log file; later lines go to stderr again.
void cpLogClose();
void cpLogSetPriority(int level);
int cpLogGetPriority();
void cpLog_old_version(int level, const char* format, ...) JOTTER_PRINTF(2, 3);

// One line tagged with its source position: WrapLog(__FILE__, __LINE__)(6, "...").
class WrapLog {
public:
    WrapLog(const char* sourceFile, int line) : file_(sourceFile), line_(line) {}
    void operator()(int level, const char* format, ...) const JOTTER_PRINTF(3, 4);

private:
    const char* file_;
    int line_;
};

#define cpLog(level, ...) WrapLog(__FILE__, __LINE__)(level, __VA_ARGS__)
