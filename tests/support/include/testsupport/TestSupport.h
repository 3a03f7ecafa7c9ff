#pragma once

// Scratch directories, environment overrides, file contents and the outside
// tools used as oracles, shared by every test suite.

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace testsupport {

// A fresh directory under /tmp, removed with everything in it at the end.
class TempDir {
public:
    TempDir()
    {
        char name[] = "/tmp/zuvo-test-XXXXXX";
        if (::mkdtemp(name) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = name;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::filesystem::path operator/(const std::string& name) const { return std::filesystem::path(path_) / name; }

private:
    std::string path_;
};

// Sets an environment variable (or, given std::nullopt, removes it) for the
// lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ScopedEnv(const char* name, std::nullopt_t) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A file's bytes; empty when it cannot be read.
inline std::vector<uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

struct CommandResult {
    int status = -1; // exit status; -1 when the command did not run or did not exit
    std::string output;
};

// Runs a shell command and collects its standard output.
inline CommandResult run(const std::string& command)
{
    CommandResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    std::array<char, 4096> chunk;
    std::size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        result.output.append(chunk.data(), n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Runs a shell command with its output discarded; true when it exited with 0.
inline bool runOk(const std::string& command)
{
    return run("(" + command + ") >/dev/null 2>&1").status == 0;
}

// Shell quoting for a path or text argument.
inline std::string quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The system's Python 3 where there is one (it starts fastest), else the
// first on the path.
inline std::string python3()
{
    return ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

// md5sum of a file: 32 lowercase hex digits.
inline std::string md5sumOf(const std::string& path)
{
    return run("md5sum " + quote(path)).output.substr(0, 32);
}

// The result of xmllint --xpath on a file (without the trailing newline);
// nothing when the expression selects nothing or the file does not parse.
// Files declared GB2312 hold GBK bytes, which xmllint's strict GB2312
// decoder refuses: they are read through iconv's GBK first.
inline std::optional<std::string> xpath(const std::string& file, const std::string& expression)
{
    const std::string head = readFile(file).substr(0, 100);
    const bool gbk = head.find("encoding=\"GB2312\"") != std::string::npos;
    const std::string input =
        gbk ? "iconv -f GBK -t UTF-8 " + quote(file) + " | sed '1s/encoding=\"GB2312\"/encoding=\"UTF-8\"/' | "
            : std::string();
    CommandResult r = run(input + "xmllint --xpath " + quote(expression) + " " + (gbk ? "-" : quote(file)) +
                          " 2>/dev/null");
    if (r.status != 0)
        return std::nullopt;
    while (!r.output.empty() && r.output.back() == '\n')
        r.output.pop_back();
    return r.output;
}

// Makes a directory unwritable for the lifetime of the object, also for
// root (which ignores the mode): the directory is marked immutable then.
// held() is false when that was impossible here; the test should skip.
class ReadOnlyDirectory {
public:
    explicit ReadOnlyDirectory(const std::string& path) : path_(path)
    {
        ::chmod(path_.c_str(), 0555);
        if (::geteuid() == 0)
            setImmutable(true);
        const std::string probe = path_ + "/.probe";
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        held_ = fd < 0;
        if (fd >= 0) {
            ::close(fd);
            ::unlink(probe.c_str());
        }
    }
    ~ReadOnlyDirectory()
    {
        if (::geteuid() == 0)
            setImmutable(false);
        ::chmod(path_.c_str(), 0755);
    }
    ReadOnlyDirectory(const ReadOnlyDirectory&) = delete;
    ReadOnlyDirectory& operator=(const ReadOnlyDirectory&) = delete;

    bool held() const { return held_; }

private:
    void setImmutable(bool on)
    {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return;
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        ::close(fd);
    }

    std::string path_;
    bool held_ = false;
};

// How long a test waits for something that is to happen: generous, so that
// a sound test passes on a loaded machine (a parallel run, the sanitizers);
// a condition that holds ends the wait at once.
inline constexpr int kWaitLimitMs = 30000;

// Polls the condition every few milliseconds until it holds, at most for the
// limit; whether it held.
template <typename Condition>
bool waitFor(Condition condition, std::chrono::milliseconds limit = std::chrono::milliseconds(kWaitLimitMs))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Runs `call` on a thread of its own: whether it returned within the bound,
// and its result. A call that is still waiting in opening the FIFO `fifo`
// (for a writer that never comes) is let go by opening the FIFO's writing
// end, so that the test ends either way.
template <typename Call>
auto returnsWithin(std::chrono::milliseconds bound, const std::string& fifo, Call call)
{
    auto result = std::async(std::launch::async, call);
    const bool returned = result.wait_for(bound) == std::future_status::ready;
    while (result.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0)
            ::close(writer);
    }
    return std::pair{returned, result.get()};
}

} // namespace testsupport
