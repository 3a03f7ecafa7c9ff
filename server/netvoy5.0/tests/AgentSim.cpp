#include "AgentSim.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

// Reads the "LISTENING <port>" line within the time limit.
int readPort(int fd, int timeoutMs)
{
    std::string line;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (line.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd entry{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0)
            return 0;
        char buf[64];
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            return 0;
        line.append(buf, static_cast<std::size_t>(n));
    }
    const std::string prefix = "LISTENING ";
    return line.rfind(prefix, 0) == 0 ? std::atoi(line.c_str() + prefix.size()) : 0;
}

} // namespace

AgentSim::AgentSim(const std::string& scenarioJson, double lifetimeSeconds, int connections)
    : logPath_(dir_.file("pdus.jsonl"))
{
    std::string scenarioPath = dir_.file("scenario.json");
    testsupport::writeFile(scenarioPath, scenarioJson);

    int out[2];
    if (::pipe(out) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string script = std::string(ZUVO_SOURCE_DIR) + "/tests/agentsim/agentsim.py";
    std::string lifetime = std::to_string(lifetimeSeconds);
    std::string count = std::to_string(connections);
    std::vector<std::string> args = {"python3", script, "--port", "0", "--scenario", scenarioPath,
                                     "--log", logPath_, "--lifetime", lifetime, "--connections", count};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    int rc = ::posix_spawnp(&pid_, "python3", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        throw std::runtime_error("cannot start python3");
    }
    // Python can take many seconds to start on a loaded machine; the wait
    // ends as soon as the port is announced.
    port_ = readPort(out[0], 60000);
    ::close(out[0]);
    if (port_ == 0)
        throw std::runtime_error("the fake agent server did not start");
}

AgentSim::~AgentSim()
{
    if (waitExit(0) == -1 && pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

int AgentSim::waitExit(int timeoutMs)
{
    if (pid_ <= 0)
        return status_;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
            return status_;
        }
        if (std::chrono::steady_clock::now() >= end)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::vector<std::string> AgentSim::logLines() const
{
    std::vector<std::string> lines;
    std::istringstream in(testsupport::readFile(logPath_));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::vector<std::uint8_t>> AgentSim::receivedPdus() const
{
    std::vector<std::vector<std::uint8_t>> pdus;
    for (const std::string& line : logLines())
        if (field(line, "dir") == "in")
            pdus.push_back(fromHex(field(line, "hex")));
    return pdus;
}

std::vector<std::string> AgentSim::notes(const std::string& note) const
{
    std::vector<std::string> found;
    for (const std::string& line : logLines())
        if (field(line, "note") == note)
            found.push_back(line);
    return found;
}

std::string AgentSim::field(const std::string& line, const std::string& key)
{
    std::string marker = "\"" + key + "\": ";
    std::size_t at = line.find(marker);
    if (at == std::string::npos)
        return "";
    at += marker.size();
    if (line[at] == '"') {
        std::size_t end = line.find('"', at + 1);
        return line.substr(at + 1, end - at - 1);
    }
    std::size_t end = line.find_first_of(",}", at);
    return line.substr(at, end - at);
}

std::vector<std::uint8_t> fromHex(const std::string& hex)
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}
