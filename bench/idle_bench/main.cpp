// idle_bench: starts Zuvo against the fake agent server in a fresh demo
// program directory, waits until it has logged in and asked for its (empty)
// fax list, then reads the CPU time of each of its threads from /proc over a
// quiet stretch and prints it as a share of one core, with the resident
// memory at the end. Fails (exit 1) only when Zuvo does not start, does not
// log in or dies meanwhile; the figures themselves never fail it.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchRun.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct Options {
    int seconds = 20;
    std::string program = ZUVO_BINARY_DIR "/bin/zuvo";
    std::string platform = "offscreen";
};

Options ParseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--seconds")
            options.seconds = std::max(1, std::atoi(argv[i + 1]));
        else if (name == "--program")
            options.program = argv[i + 1];
        else if (name == "--platform")
            options.platform = argv[i + 1];
    }
    return options;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A child process, ended (TERM, then KILL) and reaped when this goes.
class Child {
public:
    Child(const std::vector<std::string>& argv, const std::map<std::string, std::string>& environment,
          const std::string& output)
    {
        pid_ = ::fork();
        if (pid_ != 0)
            return;
        for (const auto& [name, value] : environment)
            ::setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (std::FILE* out = std::fopen(output.c_str(), "w")) {
            ::dup2(::fileno(out), 1);
            ::dup2(::fileno(out), 2);
        }
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ~Child()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        for (int i = 0; i < 50 && Alive(); ++i)
            std::this_thread::sleep_for(100ms);
        if (Alive())
            ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }
    bool Alive() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

private:
    pid_t pid_ = -1;
};

// Waits up to limit for the file to hold text.
// Looks every `step`.
bool WaitForText(const std::string& path, const std::string& text, std::chrono::seconds limit, const Child& child,
                 std::chrono::milliseconds step = 100ms)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (ReadFile(path).find(text) != std::string::npos)
            return true;
        if (!child.Alive())
            return false;
        std::this_thread::sleep_for(step);
    }
    return false;
}

// utime + stime (clock ticks) of a /proc stat line: fields 14 and 15, after
// the command name in parentheses (which may hold spaces).
long long CpuTicks(const std::string& statPath)
{
    const std::string stat = ReadFile(statPath);
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int n = 3; fields >> field; ++n) {
        if (n == 14)
            utime = std::atoll(field.c_str());
        if (n == 15) {
            stime = std::atoll(field.c_str());
            return utime + stime;
        }
    }
    return -1;
}

struct ThreadTicks {
    std::string name;
    long long ticks;
};

std::map<std::string, ThreadTicks> Threads(pid_t pid)
{
    std::map<std::string, ThreadTicks> threads;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : fs::directory_iterator(tasks, error)) {
        std::string name = ReadFile(task.path() / "comm");
        if (!name.empty() && name.back() == '\n')
            name.pop_back();
        threads[task.path().filename()] = ThreadTicks{name, CpuTicks(task.path() / "stat")};
    }
    return threads;
}

std::string StatusLine(pid_t pid, const std::string& key)
{
    std::istringstream status(ReadFile("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key + ":", 0) == 0)
            return line.substr(key.size() + 1);
    return "?";
}

// Resident kB of each mapped file (anonymous mappings under their
// bracketed name, "[anon]" when they have none), summed over
// /proc/PID/smaps.
std::map<std::string, long> ResidentByMapping(pid_t pid)
{
    std::map<std::string, long> resident;
    std::istringstream smaps(ReadFile("/proc/" + std::to_string(pid) + "/smaps"));
    std::string current = "[anon]";
    for (std::string line; std::getline(smaps, line);) {
        if (line.rfind("Rss:", 0) == 0) {
            resident[current] += std::atol(line.c_str() + 4);
            continue;
        }
        // A mapping's header: "start-end perms offset dev inode [path]".
        std::istringstream fields(line);
        std::string range, perms, offset, device, inode, path;
        if (!(fields >> range >> perms >> offset >> device >> inode) || range.find('-') == std::string::npos ||
            range.back() == ':')
            continue;
        std::getline(fields >> std::ws, path);
        current = path.empty() ? "[anon]" : path;
    }
    return resident;
}

// The resident memory of the process, by kind (/proc/PID/smaps_rollup) and
// by the mappings that hold the most of it.
void PrintResidentMemory(pid_t pid, std::size_t largest)
{
    std::printf("resident memory (VmRSS):%s\n\n", StatusLine(pid, "VmRSS").c_str());
    std::istringstream rollup(ReadFile("/proc/" + std::to_string(pid) + "/smaps_rollup"));
    std::printf("| kind (smaps_rollup) | kB |\n|---|---:|\n");
    for (std::string line; std::getline(rollup, line);) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || line.find(" kB") == std::string::npos)
            continue;
        const std::string key = line.substr(0, colon);
        if (key == "Rss" || key == "Pss" || key == "Pss_Anon" || key == "Pss_File" || key == "Anonymous" ||
            key == "Private_Dirty" || key == "Shared_Clean" || key == "Private_Clean")
            std::printf("| %s | %ld |\n", key.c_str(), std::atol(line.c_str() + colon + 1));
    }
    std::vector<std::pair<long, std::string>> mappings;
    for (const auto& [path, kb] : ResidentByMapping(pid))
        mappings.emplace_back(kb, path);
    std::sort(mappings.rbegin(), mappings.rend());
    long rest = 0;
    std::printf("\n| mapping (smaps) | resident kB |\n|---|---:|\n");
    for (std::size_t i = 0; i < mappings.size(); ++i) {
        if (i < largest)
            std::printf("| %s | %ld |\n", mappings[i].second.c_str(), mappings[i].first);
        else
            rest += mappings[i].first;
    }
    std::printf("| (%zu others) | %ld |\n", mappings.size() > largest ? mappings.size() - largest : 0, rest);
}

} // namespace

int main(int argc, char** argv)
{
    const Options options = ParseOptions(argc, argv);
    benchrun::ScratchFolder scratch("zuvo-idle");
    if (scratch.path().empty() || !fs::exists(options.program)) {
        std::fprintf(stderr, "idle_bench: no scratch folder or no program %s\n", options.program.c_str());
        return 1;
    }
    const std::string home = scratch.path() + "/home";
    const std::string service = scratch.path() + "/idle.json";
    std::ofstream(service) << R"({"login": "success", "netfaxno": "88001234", "remoteaddress": "127.0.0.1", "faxes": []})";

    const std::string serverOut = scratch.path() + "/server.out";
    const std::string wire = scratch.path() + "/wire.jsonl";
    Child server({"python3", ZUVO_SOURCE_DIR "/tests/agentsim/faxservice.py", "--service", service, "--port", "0",
                  "--lifetime", std::to_string(options.seconds + 120), "--connections", "10", "--log", wire},
                 {}, serverOut);
    if (!WaitForText(serverOut, "LISTENING", 60s, server)) {
        std::fprintf(stderr, "idle_bench: the fake agent server did not start\n");
        return 1;
    }
    const std::string port = ReadFile(serverOut).substr(ReadFile(serverOut).find("LISTENING") + 10);
    const std::string setUp =
        "bash " ZUVO_SOURCE_DIR "/scripts/demo-home '" + home + "' " + std::to_string(std::atoi(port.c_str()));
    if (std::system((setUp + " > /dev/null").c_str()) != 0) {
        std::fprintf(stderr, "idle_bench: %s failed\n", setUp.c_str());
        return 1;
    }

    const auto started = std::chrono::steady_clock::now();
    Child zuvo({options.program}, {{"ZUVO_HOME", home}, {"HOME", home}, {"QT_QPA_PLATFORM", options.platform}},
               scratch.path() + "/zuvo.out");
    const long tick = ::sysconf(_SC_CLK_TCK);
    const std::string processStat = "/proc/" + std::to_string(zuvo.pid()) + "/stat";
    // The start: the windows are made before the program logs in, so its
    // login request, looked for every 2 ms, closes it.
    if (!WaitForText(wire, "login", 60s, zuvo, 2ms)) {
        std::fprintf(stderr, "idle_bench: Zuvo did not start and log in\n");
        return 1;
    }
    const double startWallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    const long long startTicks = CpuTicks(processStat);
    if (!WaitForText(wire, "queryfaxlist", 60s, zuvo)) {
        std::fprintf(stderr, "idle_bench: Zuvo did not log in and ask for its faxes\n");
        return 1;
    }
    // The start-up settles (windows drawn, the update check answered).
    std::this_thread::sleep_for(3s);

    const auto before = Threads(zuvo.pid());
    const long long processBefore = CpuTicks(processStat);
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(options.seconds));
    const auto after = Threads(zuvo.pid());
    const long long processAfter = CpuTicks(processStat);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!zuvo.Alive() || processBefore < 0 || processAfter < 0) {
        std::fprintf(stderr, "idle_bench: Zuvo ended while it was measured\n");
        return 1;
    }

    auto share = [&](long long ticks) { return 100.0 * ticks / tick / seconds; };
    std::printf("Zuvo started (to its login request) in %.0f ms wall, %.0f ms CPU\n", startWallMs,
                1000.0 * startTicks / tick);
    std::printf("Zuvo logged in and idle for %.1f s (%s)\n\n", seconds, options.program.c_str());
    std::printf("| thread | CPU ms | %% of a core |\n|---|---:|---:|\n");
    for (const auto& [id, thread] : after) {
        const auto was = before.find(id);
        const long long ticks = thread.ticks - (was == before.end() ? 0 : was->second.ticks);
        std::printf("| %s | %.0f | %.3f |\n", thread.name.c_str(), 1000.0 * ticks / tick, share(ticks));
    }
    std::printf("| **whole process** | %.0f | **%.3f** |\n\n", 1000.0 * (processAfter - processBefore) / tick,
                share(processAfter - processBefore));
    PrintResidentMemory(zuvo.pid(), 15);
    return 0;
}
