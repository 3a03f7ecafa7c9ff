#pragma once
// What the benchmark programs share: running a program as a timed child
// process (wall and CPU time, peak memory), two programs in turn, a call
// timed inside this process, and medians.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace benchrun {

struct Run {
    double wallMs = 0;
    double cpuMs = 0;
    double peakMb = 0;
    int status = -1;
};

inline double millis(const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; }

// Runs a program to its end with its output thrown away.
inline Run runProcess(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    Run r;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid)
        return r;
    r.wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    r.cpuMs = millis(usage.ru_utime) + millis(usage.ru_stime);
    r.peakMb = usage.ru_maxrss / 1024.0;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Figures {
    double wallMs, cpuMs, peakMb;
};

inline Figures medians(const std::vector<Run>& runs)
{
    std::vector<double> wall, cpu, peak;
    for (const Run& r : runs) {
        wall.push_back(r.wallMs);
        cpu.push_back(r.cpuMs);
        peak.push_back(r.peakMb);
    }
    return {median(wall), median(cpu), median(peak)};
}

struct Pair {
    Figures ours;
    Figures theirs;
    bool ok = true;
};

// A and B in turn, one warm-up each, then `runs` counted pairs.
inline Pair alternate(const std::vector<std::string>& ours, const std::vector<std::string>& theirs, int runs)
{
    runProcess(ours);
    runProcess(theirs);
    std::vector<Run> a, b;
    Pair p;
    for (int i = 0; i < runs; ++i) {
        a.push_back(runProcess(ours));
        b.push_back(runProcess(theirs));
        p.ok = p.ok && a.back().status == 0 && b.back().status == 0;
    }
    p.ours = medians(a);
    p.theirs = medians(b);
    return p;
}

inline double cpuNowMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// The median CPU time of a call inside this process.
inline double inProcessMs(int runs, const std::function<bool()>& call, bool& ok)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = cpuNowMs();
        ok = call() && ok;
        times.push_back(cpuNowMs() - start);
    }
    return median(times);
}

// What a shell command writes to its standard output.
inline std::string commandOutput(const std::string& command)
{
    std::string text;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
            text.append(buffer, n);
        ::pclose(p);
    }
    return text;
}

// A fresh folder under /tmp, removed with what it holds at the end; path()
// is empty when none could be made.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix)
    {
        std::string name = "/tmp/" + prefix + "-XXXXXX";
        if (::mkdtemp(name.data()) != nullptr)
            path_ = name;
    }
    ~ScratchFolder()
    {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace benchrun
