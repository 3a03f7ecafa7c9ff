// The session's requests: keys and their order, pairs carried over from the
// request before, the lock over a whole request, and the invoke ids.

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "core/codec/Base64.h"
#include "core/session/InvokeIds.h"
#include "core/session/SessionRequests.h"
#include "core/tests/SessionFakes.h"
#include "jotter/Jotter.h"

using namespace sessiontest;

namespace {

LoginValues Login()
{
    return LoginValues{"00210000012345", "secret", "TOKEN", "client"};
}

UpdateValues Update()
{
    return UpdateValues{"00210000012345", "secret", "data-1", UpdateOsName(0, 0), "V4200", "Talvin"};
}

} // namespace

TEST(SessionRequests, EachRequestSendsItsKeysInOrder)
{
    struct Case {
        const char* name;
        std::function<int(SessionRequests&)> send;
        std::vector<std::string> keys;
    };
    CRL::Event item;
    item.setKV("faxid", "F7");
    item.setKV("faxtype", "30");
    const std::vector<Case> cases = {
        {"login", [](SessionRequests& r) { return r.Login(Login()); },
         {"command", "skillgroup", "loginid", "password", "netfaxflag", "loginmode", "invokeid", "devicename", "termnum"}},
        {"logout", [](SessionRequests& r) { return r.Logout(Login()); },
         {"command", "skillgroup", "loginid", "password", "netfaxflag", "invokeid", "devicename", "termnum"}},
        {"update", [](SessionRequests& r) { return r.Update(Update()); },
         {"command", "skillgroup", "loginid", "password", "invokeid", "updatedata", "os", "version", "releasemode"}},
        {"queryfaxlist", [](SessionRequests& r) { return r.QueryFaxList("u1"); },
         {"command", "user", "loginid", "invokeid"}},
        {"queryfax", [](SessionRequests& r) { return r.QueryFax("u1", "F7", "30"); },
         {"command", "user", "loginid", "faxid", "faxtype", "invokeid"}},
        {"updatefax", [&item](SessionRequests& r) { return r.UpdateFax("u1", item); },
         {"command", "user", "loginid", "invokeid", "faxid", "faxtype"}},
    };
    for (const Case& c : cases) {
        FakeAgent agent;
        SessionRequests requests(agent, 4711);
        EXPECT_EQ(c.send(requests), 1) << c.name;
        ASSERT_EQ(agent.requests().size(), 1u) << c.name;
        const Pairs sent = agent.requests()[0];
        EXPECT_EQ(KeysOf(sent), c.keys) << c.name;
        EXPECT_EQ(ValueOf(sent, "command"), c.name);
        EXPECT_EQ(ValueOf(sent, "invokeid"), "4711") << c.name;
    }
}

TEST(SessionRequests, LoginValuesAndAFailedInvoke)
{
    FakeAgent agent;
    SessionRequests requests(agent, 9);
    requests.Login(Login());
    const Pairs login = agent.requests().at(0);
    EXPECT_EQ(ValueOf(login, "skillgroup"), "");
    EXPECT_EQ(ValueOf(login, "loginid"), "00210000012345");
    EXPECT_EQ(ValueOf(login, "password"), "secret");
    EXPECT_EQ(ValueOf(login, "devicename"), "fax:///00210000012345");
    EXPECT_EQ(ValueOf(login, "termnum"), "00210000012345");

    agent.invokeResult = 0;
    EXPECT_EQ(requests.QueryFaxList("u"), 0);
}

TEST(SessionRequests, SignInAndUpdateKeepThePreviousPairsTheOthersDoNot)
{
    FakeAgent agent;
    SessionRequests requests(agent, 9);
    requests.QueryFaxList("listuser");
    requests.Update(Update());
    requests.Login(Login());
    requests.Update(Update());
    requests.QueryFax("u1", "F1", "20");
    const std::vector<Pairs> sent = agent.requests();
    ASSERT_EQ(sent.size(), 5u);
    // The update after the list request still carries its "user".
    EXPECT_EQ(ValueOf(sent[1], "user"), "listuser");
    // The update after the login carries the login's own keys.
    for (const char* key : {"netfaxflag", "loginmode", "devicename", "termnum"})
        EXPECT_NE(ValueOf(sent[3], key), "") << key;
    EXPECT_EQ(ValueOf(sent[3], "command"), "update");
    // A query starts from an empty list.
    EXPECT_EQ(KeysOf(sent[4]), (std::vector<std::string>{"command", "user", "loginid", "faxid", "faxtype", "invokeid"}));
}

TEST(SessionRequests, RequestsOfManyThreadsNeverMixTheirKeys)
{
    FakeAgent agent;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&agent, t] {
            SessionRequests requests(agent, 100 + t);
            for (int i = 0; i < 200; ++i)
                requests.QueryFax("user" + std::to_string(t), std::to_string(t), "30");
        });
    for (std::thread& thread : threads)
        thread.join();
    const std::vector<Pairs> sent = agent.requests();
    ASSERT_EQ(sent.size(), 800u);
    for (const Pairs& request : sent) {
        const std::string owner = ValueOf(request, "faxid");
        EXPECT_EQ(request.size(), 6u);
        EXPECT_EQ(ValueOf(request, "user"), "user" + owner);
        EXPECT_EQ(ValueOf(request, "invokeid"), std::to_string(100 + std::stoi(owner)));
    }
}

// The text form cannot escape its separators: a "|" in a value travels as
// the full-width bar, and a key the form cannot carry stops the request.
TEST(AgentRequestText, BarsInValuesBecomeFullWidthAndBadKeysRefuseTheRequest)
{
    const std::vector<std::pair<std::string, std::string>> values = {
        {"A|B", "A\xEF\xBD\x9C" "B"},
        {"||", "\xEF\xBD\x9C\xEF\xBD\x9C"},
        {"a=b", "a=b"}, // a value may hold "="
        {"Meeting \xE2\x80\xA2 agenda", "Meeting \xE2\x80\xA2 agenda"},
        {"", ""},
    };
    for (const auto& [given, carried] : values) {
        FakeAgent agent;
        EXPECT_EQ(AgentRequest(agent, "sendfax").arg("title", given).invoke(), 1) << given;
        ASSERT_EQ(agent.requests().size(), 1u);
        EXPECT_EQ(ValueOf(agent.requests()[0], "title"), carried) << given;
    }

    testsupport::TempDir dir;
    ASSERT_EQ(cpLogOpen(dir.file("zuvo.log").c_str()), 1);
    for (const char* key : {"to=cc", "a|b", ""}) {
        FakeAgent agent;
        EXPECT_EQ(AgentRequest(agent, "sendfax").arg(key, "x").arg("invokeid", 7L).invoke(), 0) << key;
        EXPECT_TRUE(agent.requests().empty()) << key;
    }
    cpLogClose();
    const std::string log = testsupport::readFile(dir.file("zuvo.log"));
    EXPECT_NE(log.find("request <sendfax>: the key <to=cc>"), std::string::npos) << log;
    EXPECT_NE(log.find("the key <a|b>"), std::string::npos) << log;
}

TEST(SessionRequests, LoginTokenAndOsName)
{
    EXPECT_EQ(Base64Decode(MakeLoginToken("2026-12-10 10:00:00", "0021000", "pw")), "2026-12-10 10:00:000021000pw");
    const std::vector<std::tuple<int, int, const char*>> os = {
        {1, 4, "win9x"}, {2, 4, "winnt4.0"}, {2, 5, "win2000_xp_2003"}, {2, 6, "win2000_xp_2003"}, {0, 0, "unknown"}, {3, 5, "unknown"}};
    for (const auto& [family, major, name] : os)
        EXPECT_EQ(UpdateOsName(family, major), name) << family << "." << major;
}

TEST(InvokeIds, PositiveBelowTwoToThe31AndUniqueAcrossThreads)
{
    EXPECT_EQ(InvokeIdAfter(0), 1);
    EXPECT_EQ(InvokeIdAfter(41), 42);
    EXPECT_EQ(InvokeIdAfter(0x7ffffffeL), 0x7fffffffL);
    EXPECT_EQ(InvokeIdAfter(0x7fffffffL), 1);
    EXPECT_EQ(InvokeIdAfter(-5), 1);

    std::vector<std::vector<long>> drawn(4);
    std::vector<std::thread> threads;
    for (auto& ids : drawn)
        threads.emplace_back([&ids] {
            for (int i = 0; i < 1000; ++i)
                ids.push_back(NextInvokeId());
        });
    for (std::thread& thread : threads)
        thread.join();
    std::set<long> all;
    for (const auto& ids : drawn)
        for (long id : ids) {
            EXPECT_GT(id, 0);
            EXPECT_LT(id, 0x80000000L);
            all.insert(id);
        }
    EXPECT_EQ(all.size(), 4000u);
}
