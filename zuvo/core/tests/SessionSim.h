#pragma once

// The fax service of the fake agent server (tests/agentsim/faxservice.py)
// as a child process, and what the client sent to it.

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "SessionFakes.h"
#include "TestFiles.h"

namespace sessiontest {

// The system's Python 3 where there is one (it starts fastest), else the first on the path.
inline const char* Python()
{
    return ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

// One PDU the client sent: a request with its pairs, a file PDU, or a note
// of the server's log.
struct WireLine {
    std::string kind; // "REQ", "FILE" or "NOTE"
    double t = 0;
    Pairs pairs;                                            // REQ
    std::string bytes;                                      // REQ: its text as the server got it
    std::string code;                                       // FILE
    std::string text;                                       // FILE: server name; NOTE: the note

    std::string get(const std::string& key) const { return ValueOf(pairs, key); }
};

class FaxServiceSim {
public:
    // port 0 picks a free one.
    FaxServiceSim(const std::string& serviceJson, const std::string& dir, int port = 0, int connections = 1,
                  double lifetime = 20.0)
        : log_(dir + "/sim-" + std::to_string(++counter()) + ".jsonl")
    {
        const std::string service = dir + "/service-" + std::to_string(counter()) + ".json";
        testfiles::writeFile(service, serviceJson);
        int out[2];
        if (::pipe(out) != 0)
            throw std::runtime_error("pipe failed");
        const std::string script = std::string(ZUVO_SOURCE_DIR) + "/tests/agentsim/faxservice.py";
        const std::string portText = std::to_string(port);
        const std::string connectionsText = std::to_string(connections);
        const std::string lifetimeText = std::to_string(lifetime);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            ::execlp(Python(), Python(), script.c_str(), "--service", service.c_str(), "--port", portText.c_str(),
                     "--log", log_.c_str(), "--lifetime", lifetimeText.c_str(), "--connections",
                     connectionsText.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        std::string line;
        pollfd ready{out[0], POLLIN, 0};
        char c = 0;
        // Python can take many seconds to start on a loaded machine.
        while (line.find('\n') == std::string::npos && ::poll(&ready, 1, 60000) > 0 && ::read(out[0], &c, 1) == 1)
            line += c;
        ::close(out[0]);
        if (line.rfind("LISTENING ", 0) != 0)
            throw std::runtime_error("the fake server did not start: " + line);
        port_ = std::stoi(line.substr(10));
    }
    ~FaxServiceSim()
    {
        if (pid_ > 0 && WaitExit(0) < 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    FaxServiceSim(const FaxServiceSim&) = delete;
    FaxServiceSim& operator=(const FaxServiceSim&) = delete;

    int port() const { return port_; }
    // The server's log of every PDU (tests/agentsim/README.md).
    const std::string& LogPath() const { return log_; }

    // The exit status, or -1 when it still runs after timeoutMs.
    int WaitExit(int timeoutMs)
    {
        if (exited_)
            return status_;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        do {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
                return status_;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        } while (std::chrono::steady_clock::now() < end);
        return -1;
    }

    std::vector<WireLine> Wire() const
    {
        const testfiles::CommandResult r = testfiles::run(
            std::string(Python()) + " " + testfiles::quote(std::string(ZUVO_SOURCE_DIR) + "/zuvo/core/tests/session_wire.py") + " " + testfiles::quote(log_));
        std::vector<WireLine> lines;
        std::istringstream in(r.output);
        std::string text;
        while (std::getline(in, text)) {
            std::vector<std::string> fields;
            std::istringstream parts(text);
            std::string field;
            while (std::getline(parts, field, '\t'))
                fields.push_back(field);
            if (fields.size() < 2)
                continue;
            WireLine line;
            line.kind = fields[0];
            line.t = std::stod(fields[1]);
            if (line.kind == "REQ" && fields.size() >= 3) {
                for (std::size_t i = 0; i + 1 < fields[2].size(); i += 2)
                    line.bytes += static_cast<char>(std::stoi(fields[2].substr(i, 2), nullptr, 16));
                for (std::size_t i = 3; i < fields.size(); ++i) {
                    const std::size_t eq = fields[i].find('=');
                    line.pairs.emplace_back(fields[i].substr(0, eq), eq == std::string::npos ? "" : fields[i].substr(eq + 1));
                }
            } else if (fields.size() >= 4) {
                line.code = fields[2];
                line.text = fields[3];
            }
            lines.push_back(line);
        }
        return lines;
    }

    std::vector<WireLine> Requests(const std::string& command = "") const
    {
        std::vector<WireLine> requests;
        for (const WireLine& line : Wire())
            if (line.kind == "REQ" && (command.empty() || line.get("command") == command))
                requests.push_back(line);
        return requests;
    }

private:
    static int& counter()
    {
        static int n = 0;
        return n;
    }

    std::string log_;
    pid_t pid_ = -1;
    int port_ = 0;
    bool exited_ = false;
    int status_ = -1;
};

// A port that nothing listens on right now.
inline int FreePort()
{
    testfiles::TempDir dir;
    FaxServiceSim probe("{}", dir.path(), 0, 1, 0.3);
    const int port = probe.port();
    probe.WaitExit(3000);
    return port;
}

} // namespace sessiontest
