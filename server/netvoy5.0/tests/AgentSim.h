#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "testsupport/FakeServer.h"
#include "testsupport/TestSupport.h"

// Runs the fake agent server (tests/agentsim/agentsim.py) as a child process
// on a free loopback port, with a scenario given as JSON text, and reads back
// its JSON-lines record of PDUs.
class AgentSim {
public:
    explicit AgentSim(const std::string& scenarioJson, double lifetimeSeconds = 10.0, int connections = 1);

    int port() const { return server_->port(); }
    // Waits for the server to end; its exit status, or -1 when it did not end in time.
    int waitExit(int timeoutMs) { return server_->waitExit(timeoutMs); }

    std::vector<std::string> logLines() const;
    // The PDUs the server received, in order, as bytes.
    std::vector<std::vector<std::uint8_t>> receivedPdus() const;
    // The log lines that carry "note": note.
    std::vector<std::string> notes(const std::string& note) const;

    // The string or number value of "key" in one JSON log line ("" when absent).
    static std::string field(const std::string& line, const std::string& key);

private:
    testsupport::TempDir dir_;
    std::string logPath_;
    std::unique_ptr<testsupport::FakeServer> server_; // ends before dir_ goes
};

std::vector<std::uint8_t> fromHex(const std::string& hex);
