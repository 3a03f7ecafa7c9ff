#include "AgentSim.h"

#include <sstream>

AgentSim::AgentSim(const std::string& scenarioJson, double lifetimeSeconds, int connections)
    : logPath_(dir_.file("pdus.jsonl"))
{
    const std::string scenarioPath = dir_.file("scenario.json");
    testsupport::writeFile(scenarioPath, scenarioJson);
    server_ = std::make_unique<testsupport::FakeServer>(std::vector<std::string>{
        std::string(ZUVO_SOURCE_DIR) + "/tests/agentsim/agentsim.py", "--port", "0", "--scenario", scenarioPath,
        "--log", logPath_, "--lifetime", std::to_string(lifetimeSeconds), "--connections",
        std::to_string(connections)});
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
