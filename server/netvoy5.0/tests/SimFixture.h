#pragma once

// A client connected to the fake agent server, with a recording listener.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AgentSim.h"
#include "Recorder.h"
#include "jotter/Jotter.h"
#include "netvoy/AgentProxy.h"

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

inline long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

inline ClientTimeouts quickTimeouts()
{
    ClientTimeouts t;
    t.sendMs = 1000;
    t.pduMs = 500;
    return t;
}

inline std::string textAt15(const Bytes& pdu)
{
    std::string text;
    for (std::size_t i = 15; i < pdu.size() && pdu[i] != 0; ++i)
        text += static_cast<char>(pdu[i]);
    return text;
}

inline bool isRequire(const Bytes& pdu)
{
    return pdu.size() >= 16 && pdu[1] == 1 && pdu[12] == 1;
}

inline std::vector<Bytes> requiresOf(const AgentSim& sim)
{
    std::vector<Bytes> found;
    for (Bytes& pdu : sim.receivedPdus())
        if (isRequire(pdu))
            found.push_back(pdu);
    return found;
}

class NetvoyClientAgainstSim : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(cpLogOpen(logDir.file("netvoy.log").c_str()), 1); }
    // Starts the server and connects to it; the worker is not running yet.
    void connectTo(const std::string& scenario, ClientTimeouts timeouts = quickTimeouts())
    {
        sim = std::make_unique<AgentSim>(scenario);
        client.setTimeouts(timeouts);
        client.addEventListener(&recorder);
        ASSERT_EQ(client.connect("127.0.0.1", sim->port()), 1);
    }
    void start(const std::string& scenario, ClientTimeouts timeouts = quickTimeouts())
    {
        connectTo(scenario, timeouts);
        client.run();
    }
    // The start-up from the server has been answered when the own address is set.
    void waitForAddress(const NetAddr& expected)
    {
        auto start = Clock::now();
        while (!(client.GetNetAddr() == expected) && msSince(start) < 5000)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_EQ(client.GetNetAddr(), expected);
    }
    void request(const std::vector<std::pair<const char*, const char*>>& pairs)
    {
        client.clearArgs();
        for (const auto& [key, val] : pairs)
            client.appendArg(key, val);
        ASSERT_EQ(client.invoke(), 1);
    }
    // Ends the client and the server and returns once the server's log is complete.
    void finish()
    {
        client.stop();
        EXPECT_GE(sim->waitExit(5000), 0) << "the fake server did not end";
    }
    void TearDown() override
    {
        client.stop();
        client.removeEventListeners();
        cpLogClose();
    }
    // The client's log so far.
    std::string log() const { return testsupport::readFile(logDir.file("netvoy.log")); }
    static std::size_t count(const std::string& text, const std::string& what)
    {
        std::size_t found = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++found;
        return found;
    }

    testsupport::TempDir logDir;
    Recorder recorder; // declared before the client, so it outlives the client
    AgentProxy client;
    std::unique_ptr<AgentSim> sim;
};

