#pragma once

#include <ctime>
#include <stdexcept>
#include <string>

// Raised when the stamp log cannot be opened or written.
class LogInitFailed : public std::runtime_error {
public:
    LogInitFailed() : std::runtime_error("Open File Failed!") {}
};

// The stamp log LogIt.txt: every electronic seal pressed on a fax page adds
// one line "Y-M-D h:m  first, second\r\n" (local time, no leading zeros).
// The file is held exclusively while open: a second Open of the same file,
// from this process or another, fails.
class LogFile {
public:
    LogFile() = default;
    ~LogFile() { Close(); }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Opens for appending, creating the file when missing. Throws LogInitFailed.
    void Open(const std::string& path);
    // Appends a line stamped with the current local time. Throws LogInitFailed.
    void Write(const std::string& first, const std::string& second);
    // The same with a given local time.
    void Write(const std::tm& localTime, const std::string& first, const std::string& second);
    void Close();
    int IsOpen() const { return fd_ >= 0 ? 1 : 0; }

    // The line as written, for a given local time.
    static std::string FormatLine(const std::tm& localTime, const std::string& first,
                                  const std::string& second);

private:
    int fd_ = -1;
};

// Path of the stamp log in the program directory.
std::string StampLogPath();
