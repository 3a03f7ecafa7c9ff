#pragma once

// The fax service of the fake agent server (tests/agentsim/faxservice.py)
// as a child process, and what the client sent to it.

#include <sstream>
#include <string>
#include <vector>

#include "SessionFakes.h"
#include "TestFiles.h"
#include "testsupport/FakeServer.h"

namespace sessiontest {

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
    // port 0 picks a free one. The server ends itself after `lifetime`
    // seconds, long after any test on a loaded machine has done with it.
    FaxServiceSim(const std::string& serviceJson, const std::string& dir, int port = 0, int connections = 1,
                  double lifetime = 120.0)
        : log_(dir + "/sim-" + std::to_string(++counter()) + ".jsonl"),
          server_(Arguments(dir, serviceJson, port, connections, lifetime, log_))
    {
    }
    FaxServiceSim(const FaxServiceSim&) = delete;
    FaxServiceSim& operator=(const FaxServiceSim&) = delete;

    int port() const { return server_.port(); }
    // The server's log of every PDU (tests/agentsim/README.md).
    const std::string& LogPath() const { return log_; }

    // The exit status, or -1 when it still runs after timeoutMs.
    int WaitExit(int timeoutMs) { return server_.waitExit(timeoutMs); }
    // Whether the server's log holds the note (tests/agentsim/README.md),
    // read without a helper process, so that a test can poll it.
    bool Noted(const std::string& note) const
    {
        return testfiles::readFile(log_).find("\"note\": \"" + note + "\"") != std::string::npos;
    }

    std::vector<WireLine> Wire() const
    {
        const testfiles::CommandResult r = testfiles::run(
            testfiles::python3() + " " + testfiles::quote(std::string(ZUVO_SOURCE_DIR) + "/zuvo/core/tests/session_wire.py") + " " + testfiles::quote(log_));
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

    // Writes the service description beside the log; the server's arguments.
    static std::vector<std::string> Arguments(const std::string& dir, const std::string& serviceJson, int port,
                                              int connections, double lifetime, const std::string& log)
    {
        const std::string service = dir + "/service-" + std::to_string(counter()) + ".json";
        testfiles::writeFile(service, serviceJson);
        return {std::string(ZUVO_SOURCE_DIR) + "/tests/agentsim/faxservice.py", "--service", service, "--port",
                std::to_string(port), "--log", log, "--lifetime", std::to_string(lifetime), "--connections",
                std::to_string(connections)};
    }

    std::string log_;
    testsupport::FakeServer server_;
};

// One entry of "faults": the reply to request `chunk` (from 0) of `op`
// ("upload" or "download") is held back until the file releaseFile exists
// (note "reply-held" once it is held), so that a test can act while the
// transfer is under way for as long as it needs; ReleaseReply lets it go.
inline std::string HoldReplyFault(const std::string& op, int chunk, const std::string& releaseFile)
{
    return "{\"op\": \"" + op + "\", \"chunk\": " + std::to_string(chunk) + ", \"action\": \"hold\", \"release\": \"" +
           releaseFile + "\"}";
}
inline void ReleaseReply(const std::string& releaseFile)
{
    testfiles::writeFile(releaseFile, "");
}

// A port that nothing listens on right now.
inline int FreePort()
{
    testfiles::TempDir dir;
    FaxServiceSim probe("{}", dir.path(), 0, 1, 0.3);
    const int port = probe.port();
    probe.WaitExit(testsupport::kWaitLimitMs);
    return port;
}

} // namespace sessiontest
