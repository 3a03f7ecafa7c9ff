// The launcher that the fake servers start through, on stand-in servers
// written inline: the announced port, a server that ends before announcing
// one, its exit status, and the stop.

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>

#include "testsupport/FakeServer.h"

using testsupport::FakeServer;


TEST(FakeServer, TheAnnouncedPortAndTheServersExitStatus)
{
    FakeServer quitting({"-c", "import sys, time; print('LISTENING 4712', flush=True); time.sleep(0.2); sys.exit(3)"});
    EXPECT_EQ(quitting.port(), 4712);
    EXPECT_EQ(quitting.waitExit(0), -1);
    EXPECT_EQ(quitting.waitExit(30000), 3);
    EXPECT_EQ(quitting.waitExit(0), 3); // reaped once, asked again
}

TEST(FakeServer, AServerThatEndsOrSaysSomethingElseFailsWithoutWaitingOutTheStart)
{
    const char* programs[] = {
        "import sys; sys.exit(2)",
        "print('Traceback (most recent call last):', flush=True)",
        "print('LISTENING nothing', flush=True)",
    };
    for (const char* program : programs) {
        SCOPED_TRACE(program);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_THROW(FakeServer({"-c", program}), std::runtime_error);
        // Far below the minute a silent server gets.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    }
    EXPECT_THROW(FakeServer({"-c", "import time; time.sleep(30)"}, 300), std::runtime_error);
}

TEST(FakeServer, StopEndsARunningServerWithTheTermSignal)
{
    FakeServer server({"-c", "import time; print('LISTENING 4713', flush=True); time.sleep(60)"});
    EXPECT_EQ(server.waitExit(0), -1);
    server.stop();
    EXPECT_EQ(server.waitExit(0), 128);
}
