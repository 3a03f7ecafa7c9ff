// The agent client against the fake agent server: start-up, addressing,
// heartbeat, dispatch (PDUs without use dropped), the Sys command, hostile
// endings of the connection, stop and idle cost.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

#include "SimFixture.h"
#include "jotter/Jotter.h"

TEST_F(NetvoyClientAgainstSim, StartupIsAnsweredAndLaterRequestsUseTheAssignedAddress)
{
    start(R"({"startup": [3, 9],
              "rules": [{"match": {"command": "login"},
                         "actions": [{"send": "ans", "event": {"event": "login", "result": "success",
                                                             "name": "${name}", "invokeid": "${invokeid}"}}]}]})");
    waitForAddress(NetAddr(3, 9));
    request({{"command", "login"}, {"name", "传真"}, {"invokeid", "7"}});
    ASSERT_TRUE(recorder.waitFor([&] { return !recorder.receivedLocked().empty(); }));
    EXPECT_EQ(recorder.received(), (std::vector<std::string>{"event=login|result=success|name=传真|invokeid=7|"}));
    finish();

    std::vector<Bytes> pdus = sim->receivedPdus();
    ASSERT_GE(pdus.size(), 2u);
    EXPECT_EQ(pdus[0], (Bytes{1, 1, 0, 0, 0, 0, 0, 0, 3, 9, 3, 9, 5, 5, 1, 0})) << "the start-up answer";
    const Bytes& login = pdus[1];
    ASSERT_TRUE(isRequire(login));
    EXPECT_EQ((Bytes(login.begin(), login.begin() + 15)),
              (Bytes{login[0], 1, 0, 0, 0, 0, 0, 0, 3, 9, 3, 9, 1, 0, 0}));
    // The text travels in GBK: 传真 is B4 AB D5 E6.
    EXPECT_EQ(textAt15(login), "command=login|name=\xB4\xAB\xD5\xE6|invokeid=7|");
    EXPECT_EQ(login.size(), login[0] * 16u);
}

TEST_F(NetvoyClientAgainstSim, GbkTrailByteEqualToTheSeparatorStaysInsideItsValue)
{
    // 閨 is E9 7C in GBK: its second byte is "|". Whole texts are converted,
    // so it never ends a pair on either side.
    start(R"({"rules": [{"match": {"command": "echo"},
                         "actions": [{"send": "ans", "event": {"event": "echo", "name": "${name}"}}]}]})");
    waitForAddress(NetAddr(3, 9));
    request({{"command", "echo"}, {"name", "閨门"}});
    ASSERT_TRUE(recorder.waitFor([&] { return !recorder.receivedLocked().empty(); }));
    finish();
    EXPECT_EQ(recorder.received(), (std::vector<std::string>{"event=echo|name=閨门|"}));
    std::vector<Bytes> sent = requiresOf(*sim);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(textAt15(sent[0]), "command=echo|name=\xE9\x7C\xC3\xC5|");
}

TEST_F(NetvoyClientAgainstSim, AReplyWithUnusualCodesKeepsEveryPairAndOnlyTheInvalidPairIsReplaced)
{
    // title = A1 40 (user-defined area), A6 D9, FE 50 (extension) and the
    // invalid pair 81 FF, then "called" after it.
    const std::string text = "event=faxreply-accept|title=\xA1\x40\xA6\xD9\xFE\x50\x81\xFF|called=88001234|";
    std::string hex;
    for (unsigned char c : text) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", c);
        hex += digits;
    }
    start(R"({"on_connect": [{"send": "ans", "hex": ")" + hex + R"("}]})");
    ASSERT_TRUE(recorder.waitFor([&] { return !recorder.receivedLocked().empty(); }));
    finish();
    const std::string received = recorder.received().at(0);
    // U+E4C6, then A6 D9 (U+FE10 in GB18030-2022, U+E78D in -2005), U+2E81, U+FFFD.
    const std::string a6d9 = received.find("\xEF\xB8\x90") != std::string::npos ? "\xEF\xB8\x90" : "\xEE\x9E\x8D";
    EXPECT_EQ(received, "event=faxreply-accept|title=\xEE\x93\x86" + a6d9 + "\xE2\xBA\x81\xEF\xBF\xBD|called=88001234|");
}

TEST_F(NetvoyClientAgainstSim, HeartbeatGetsOneAnswerAndReachesNoListener)
{
    start(R"({"on_connect": [{"send": "heartbeat"}, {"sleep": 0.3}, {"send": "ans", "event": {"event": "after"}}]})");
    ASSERT_TRUE(recorder.waitFor([&] { return !recorder.receivedLocked().empty(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    finish();
    EXPECT_EQ(recorder.received(), (std::vector<std::string>{"event=after|"}));
    std::vector<Bytes> answers = requiresOf(*sim);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(textAt15(answers[0]), "event=heartbeat|eventclass=system|");
    EXPECT_EQ(answers[0][0], 4); // 34 text bytes: (34 >> 4) + 1 + 1 blocks
}

TEST_F(NetvoyClientAgainstSim, UnknownMsuTypeIsReadWholeAndIgnored)
{
    start(R"({"on_connect": [{"send": "pdu", "family": 1, "type": 7, "text": "event=hidden|padding=0123456789abcdef|"},
                             {"send": "ans", "event": {"event": "shown"}},
                             {"send": "nmu", "type": 1, "event": {"event": "report"}}]})");
    ASSERT_TRUE(recorder.waitFor([&] { return recorder.receivedLocked().size() >= 2; }));
    finish();
    EXPECT_EQ(recorder.received(), (std::vector<std::string>{"event=shown|", "event=report|"}));
}

namespace {

struct Ending {
    const char* name;
    const char* actions;
};

class NetvoyConnectionEnding : public NetvoyClientAgainstSim, public ::testing::WithParamInterface<Ending> {};

} // namespace

TEST_P(NetvoyConnectionEnding, GivesExactlyOneDisconnectAndTheWorkerLivesOn)
{
    start(std::string(R"({"on_connect": )") + GetParam().actions + "}");
    ASSERT_TRUE(recorder.waitFor([&] { return recorder.disconnectsLocked() >= 1; }, 4000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(recorder.disconnects(), 1);
    EXPECT_EQ(client.isConnected(), 0);
    EXPECT_EQ(client.isRun(), 1);
    client.stop();
    EXPECT_EQ(recorder.disconnects(), 1) << "stop() after a lost connection tells nobody again";
    EXPECT_EQ(client.isRun(), 0);
    EXPECT_EQ(count(log(), "NetWork Broken"), 1u) << log();
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, NetvoyConnectionEnding,
    ::testing::Values(
        Ending{"CountByteZero", R"([{"send": "raw", "hex": "00000000000000000000000000000000"}, {"sleep": 3}])"},
        Ending{"HalfPduThenStall", R"([{"send": "raw", "hex": "0201000000000000000003090309"}, {"sleep": 5}])"},
        Ending{"PeerClose", R"([{"close": true}])"},
        Ending{"ServerShutdown", R"([{"send": "sys", "code": 2}, {"sleep": 3}])"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NetvoyClientAgainstSim, LogoutQueuedRightBeforeStopReachesTheServer)
{
    start(R"({})");
    waitForAddress(NetAddr(3, 9));
    request({{"command", "logout"}, {"invokeid", "1"}});
    client.stop();
    EXPECT_EQ(recorder.disconnects(), 1);
    ASSERT_GE(sim->waitExit(5000), 0);
    std::vector<Bytes> sent = requiresOf(*sim);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(textAt15(sent[0]), "command=logout|invokeid=1|");
    EXPECT_EQ(count(log(), "NetWork Broken"), 0u) << "a normal stop is no broken network:\n" << log();
}

// A request belongs to its connection. What is queued when the connection
// ends, and what is asked while it is down, is dropped (logged with its
// command and invoke id), so the next connection's first request is the one
// its owner sends first: the login.
TEST_F(NetvoyClientAgainstSim, NothingQueuedAcrossALostConnectionGoesAheadOfTheNextLogin)
{
    // Queued and not yet sent (no worker) when the owner ends the connection.
    connectTo(R"({})");
    request({{"command", "queryfaxlist"}, {"invokeid", "3"}});
    client.disConnect();
    EXPECT_EQ(client.pendingEvents(), 0u);
    EXPECT_EQ(sim->waitExit(5000), 0);

    // Asked while a connection the server closed is down.
    sim = std::make_unique<AgentSim>(R"({"on_connect": [{"close": true}]})");
    ASSERT_EQ(client.connect("127.0.0.1", sim->port()), 1);
    client.run();
    ASSERT_TRUE(recorder.waitFor([&] { return recorder.disconnectsLocked() >= 2; }));
    client.clearArgs();
    client.appendArg("command", "queryfax");
    client.appendArg("invokeid", "4");
    EXPECT_EQ(client.invoke(), 0);

    sim = std::make_unique<AgentSim>(R"({})");
    ASSERT_EQ(client.connect("127.0.0.1", sim->port()), 1);
    request({{"command", "login"}, {"invokeid", "5"}});
    auto start = Clock::now();
    while (client.pendingEvents() > 0 && msSince(start) < 3000)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    finish();
    std::vector<Bytes> sent = requiresOf(*sim);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(textAt15(sent[0]), "command=login|invokeid=5|");
    const std::string text = log();
    EXPECT_NE(text.find("request <queryfaxlist> invokeid <3> dropped: the connection ended"), std::string::npos) << text;
    EXPECT_NE(text.find("request <queryfax> invokeid <4> dropped: not connected"), std::string::npos) << text;
}

TEST_F(NetvoyClientAgainstSim, AServerNameOverTheLimitIsRefusedNotCut)
{
    sim = std::make_unique<AgentSim>(R"({})");
    // Cut to 127 characters this would be another name.
    const std::string name = std::string(127, 'h') + "x";
    EXPECT_EQ(client.connect(name.c_str(), sim->port()), 0);
    EXPECT_EQ(std::string(client.getServerAddress()), name);
    EXPECT_EQ(count(log(), "try connect"), 0u);
    EXPECT_NE(log().find("server name of 128 characters is over the 127 the client takes: not connected"),
              std::string::npos)
        << log();
    EXPECT_EQ(client.connect(std::string(127, 'h').c_str(), sim->port()), 0) << "127 characters are tried";
    EXPECT_EQ(count(log(), "try connect"), 1u);
}

TEST_F(NetvoyClientAgainstSim, EventsQueuedBeforeConnectGoOutInOrder)
{
    sim = std::make_unique<AgentSim>("{}");
    client.setTimeouts(quickTimeouts());
    request({{"command", "first"}});
    request({{"command", "second"}});
    client.run();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(client.connect("127.0.0.1", sim->port()), 1);
    auto start = Clock::now();
    while (client.pendingEvents() > 0 && msSince(start) < 3000)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    finish();
    std::vector<Bytes> sent = requiresOf(*sim);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(textAt15(sent[0]), "command=first|");
    EXPECT_EQ(textAt15(sent[1]), "command=second|");
}

TEST_F(NetvoyClientAgainstSim, OverlongEventIsRefusedAndNoStaleBytesFollowALongOne)
{
    start(R"({})");
    waitForAddress(NetAddr(3, 9));
    const std::string secret(3000, 'S');
    request({{"command", "checkpassword"}, {"password", secret.c_str()}});
    client.clearArgs();
    client.appendArg("command", "huge");
    client.appendArg("blob", std::string(4100, 'x').c_str());
    EXPECT_EQ(client.invoke(), 0) << "more than one PDU holds is refused, not cut";
    request({{"command", "short"}});
    auto start = Clock::now();
    while (client.pendingEvents() > 0 && msSince(start) < 3000)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    finish();

    std::vector<Bytes> sent = requiresOf(*sim);
    ASSERT_EQ(sent.size(), 2u) << "the refused event must not hold up the one behind it";
    const Bytes& shortOne = sent[1];
    EXPECT_EQ(textAt15(shortOne), "command=short|");
    EXPECT_EQ(shortOne[0], 2);
    EXPECT_EQ(shortOne[2], 0);
    EXPECT_EQ(shortOne[3], 0);
    EXPECT_EQ(shortOne[14], 0);
    for (std::size_t i = 15 + 14; i < shortOne.size(); ++i)
        EXPECT_EQ(shortOne[i], 0) << "padding byte " << i;
}

namespace {

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

TEST_F(NetvoyClientAgainstSim, TwoIdleSecondsWhileConnectedCostLittleCpu)
{
    start(R"({})");
    waitForAddress(NetAddr(3, 9));
    double before = cpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    double used = cpuSeconds() - before;
    EXPECT_LT(used, 0.2);
    EXPECT_EQ(client.isConnected(), 1);
}

TEST_F(NetvoyClientAgainstSim, StopReturnsPromptlyWhileAPduStalls)
{
    ClientTimeouts slow = quickTimeouts();
    slow.pduMs = 8000;
    start(R"({"on_connect": [{"send": "raw", "hex": "0401000000000000000003090309"}, {"sleep": 8}]})", slow);
    waitForAddress(NetAddr(3, 9));
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the worker now waits inside the PDU
    auto begin = Clock::now();
    client.stop();
    EXPECT_LT(msSince(begin), 1500);
    EXPECT_EQ(client.isRun(), 0);
    EXPECT_EQ(recorder.disconnects(), 1);
}

TEST_F(NetvoyClientAgainstSim, StopWithoutAWorkerLeavesTheConnectionAlone)
{
    connectTo(R"({})");
    client.stop();
    EXPECT_EQ(client.isConnected(), 1);
    EXPECT_EQ(recorder.disconnects(), 0);
    client.run(); // the same connection still serves: the start-up is answered
    waitForAddress(NetAddr(3, 9));
    finish();
    ASSERT_FALSE(sim->receivedPdus().empty());
    EXPECT_EQ(sim->receivedPdus()[0][12], 5) << "the start-up answer went out on it";
}

TEST(NetvoyClientLifecycle, StopReturnsPromptlyRightAfterRunAndWithoutRun)
{
    Client neverRun;
    auto begin = Clock::now();
    neverRun.stop();
    EXPECT_LT(msSince(begin), 100);

    for (int i = 0; i < 20; ++i) {
        Client client;
        client.run();
        begin = Clock::now();
        client.stop();
        EXPECT_LT(msSince(begin), 1000);
        EXPECT_EQ(client.isRun(), 0);
    }
}

namespace {

// Gives the tests the senders that nothing in the program calls.
class ClientWithSenders : public AgentProxy {
public:
    using Client::Net_SysCmd;
};

} // namespace

// Every Nmu message, types 1 to 5, reaches the listeners with its text (a
// disconnect notice is a header only: an empty event); the Msu types the
// client has no use for are read whole and dropped. The connection stays and
// a later request still gets its reply.
TEST_F(NetvoyClientAgainstSim, NmuMessagesReachTheListenersAndUnusedPdusAreDropped)
{
    testsupport::TempDir dir;
    const std::string logPath = dir.file("netvoy.log");
    ASSERT_EQ(cpLogOpen(logPath.c_str()), 1);
    struct Case {
        const char* send;    // the scenario's action
        const char* heard;   // what the listeners hear, nullptr: nothing
    };
    const Case cases[] = {
        {R"({"send": "nmu", "type": 1, "event": {"event": "nmu-rpt"}})", "event=nmu-rpt|"},
        {R"({"send": "nmu", "type": 2, "event": {"event": "nmu-brd"}})", "event=nmu-brd|"},
        {R"({"send": "nmu", "type": 3})", ""},
        {R"({"send": "nmu", "type": 4, "event": {"event": "nmu-cmd"}})", "event=nmu-cmd|"},
        {R"({"send": "nmu", "type": 5, "event": {"event": "nmu-ack"}})", "event=nmu-ack|"},
        {R"({"send": "nmu", "type": 6, "event": {"event": "nmu-6"}})", nullptr},
        {R"({"send": "pdu", "family": 1, "type": 1, "text": "event=msu-req|"})", nullptr},
        {R"({"send": "pdu", "family": 1, "type": 8, "text": "event=msu-rjt|"})", nullptr},
        {R"({"send": "pdu", "family": 1, "type": 9, "text": "event=msu-apt|"})", nullptr},
    };
    std::string actions;
    std::vector<std::string> heard;
    for (const Case& c : cases) {
        actions += std::string(c.send) + ",\n";
        if (c.heard)
            heard.push_back(c.heard);
    }
    heard.push_back("event=after|");
    start(R"({"on_connect": [)" + actions + R"({"send": "ans", "event": {"event": "after"}}],
              "rules": [{"match": {"command": "ping"},
                         "actions": [{"send": "ans", "event": {"event": "pong", "invokeid": "${invokeid}"}}]}]})");
    ASSERT_TRUE(recorder.waitFor([&] { return recorder.receivedLocked().size() >= heard.size(); }));
    request({{"command", "ping"}, {"invokeid", "5"}});
    ASSERT_TRUE(recorder.waitFor([&] { return recorder.receivedLocked().size() >= heard.size() + 1; }));
    EXPECT_EQ(client.isConnected(), 1);
    finish();
    cpLogClose();

    heard.push_back("event=pong|invokeid=5|");
    EXPECT_EQ(recorder.received(), heard);
    EXPECT_EQ(recorder.disconnects(), 1) << "only stop() ended the connection";
    const std::string log = testsupport::readFile(logPath);
    for (const char* kind : {"Msu Require", "Msu RJT", "Msu Apt"})
        EXPECT_NE(log.find(std::string(kind) + " from (3, 9)"), std::string::npos) << kind << "\n" << log;
}

TEST(NetvoySysCmd, IsOneHeaderBlockWithTheCodeInByte13AsTheServerReadsIt)
{
    AgentSim sim(R"({"startup": null})");
    ClientWithSenders client;
    client.setTimeouts(quickTimeouts());
    ASSERT_EQ(client.connect("127.0.0.1", sim.port()), 1);
    client.SetTermType(4);
    client.SetTermNo(2);
    EXPECT_EQ(client.Net_SysCmd(NetAddr(3, 9), 7), 0);
    client.closeServer();
    ASSERT_GE(sim.waitExit(5000), 0);

    std::vector<Bytes> pdus = sim.receivedPdus();
    ASSERT_EQ(pdus.size(), 1u);
    EXPECT_EQ(pdus[0], (Bytes{1, 1, 0, 0, 0, 0, 0, 0, 4, 2, 3, 9, 5, 7, 0, 0}));
}
