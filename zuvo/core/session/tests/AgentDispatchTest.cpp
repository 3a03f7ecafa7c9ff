// The agent's events applied to the session: login, shutdown and the lost
// connection, the fax-list chain, foreign invoke ids, updates.

#include <gtest/gtest.h>

#include "core/frame/SilentSoundPlayer.h"
#include "core/session/ServerSession.h"
#include "core/tests/SessionFakes.h"
#include "core/tests/TestFiles.h"

using namespace sessiontest;

namespace {

class RecordingPlayer : public NotificationSoundPlayer {
public:
    bool Play(const std::string& path) override
    {
        played.push_back(path);
        return true;
    }
    void Stop() override {}
    std::vector<std::string> played;
};

class DispatchTest : public ::testing::Test {
protected:
    DispatchTest()
    {
        account.data.present = true;
        account.data.faxUser = "00210000012345";
        account.data.faxPassword = "c2VjcmV0"; // "secret"
        account.data.rcvFaxNotifyFile = "/sounds/fax.wav";
        account.data.faxReplyNotifyFile = "/sounds/reply.wav";
        account.dataDirectory = dir.path();
        for (const char* type : {"faxbox", "inbox", "failedbox"})
            account.folders[type] = dir.file(type);
    }

    long Id() { return session.session().invokeId(); }

    int Receive(std::vector<std::pair<std::string, std::string>> pairs, bool own = true)
    {
        CRL::Event event;
        for (const auto& [key, value] : pairs)
            event.setKV(key.c_str(), value.c_str());
        if (own)
            event.setKV("invokeid", Id());
        return session.onReceive(&event);
    }

    std::vector<std::string> Queries()
    {
        std::vector<std::string> ids;
        for (const Pairs& request : agent.requests())
            if (ValueOf(request, "command") == "queryfax")
                ids.push_back(ValueOf(request, "faxid"));
        return ids;
    }

    testfiles::TempDir dir;
    FakeAgent agent;
    FakeAccount account;
    FakeSettings settings;
    RecordingEvents events;
    RecordingPlayer player;
    ServerSession session{SessionContext{agent, account, settings, events, player, [](const std::string&) { return 1; }}};
};

} // namespace

TEST_F(DispatchTest, ARefusedLoginShowsTheCauseAndSendsNothing)
{
    EXPECT_EQ(Receive({{"event", "login"}, {"result", "failed"}, {"cause", "密码错误"}}, false), 1);
    EXPECT_EQ(events.Values("notice"), std::vector<std::string>{"登入网络传真服务失败：密码错误!"});
    EXPECT_EQ(events.Values("state"), std::vector<std::string>{"0"});
    EXPECT_EQ(events.Values("loginfailed").size(), 1u);
    EXPECT_TRUE(agent.requests().empty());
    EXPECT_FALSE(session.IsLoggedIn());
}

TEST_F(DispatchTest, ASuccessfulLoginGoesOnlineAndAsksForUpdates)
{
    Receive({{"event", "login"}, {"result", "success"}, {"remoteaddress", "10.0.0.9"}, {"netfaxno", "88001234"}}, false);
    EXPECT_TRUE(session.IsLoggedIn());
    EXPECT_EQ(events.Values("state"), std::vector<std::string>{"1"});
    EXPECT_EQ(events.Values("pane3"), std::vector<std::string>{"10.0.0.9"});
    EXPECT_EQ(events.Values("pane2"), std::vector<std::string>{"88001234"});
    EXPECT_EQ(events.Values("autoreceive"), std::vector<std::string>{"1"});
    EXPECT_EQ(events.Values("loggedin").size(), 1u);
    EXPECT_EQ(agent.commands(), std::vector<std::string>{"update"});
}

TEST_F(DispatchTest, AfterShutdownADisconnectChangesNothingUntilTheSessionIsOnlineAgain)
{
    session.session().state().ArmRetry(10000);
    EXPECT_EQ(Receive({{"event", "shutdown"}}, false), 1);
    EXPECT_EQ(events.Values("notice"), std::vector<std::string>{"您的账号已经在另一台机器登入！"});
    EXPECT_EQ(events.Values("state"), std::vector<std::string>{"2"});
    EXPECT_EQ(events.Values("kicked").size(), 1u);
    events.Clear();

    session.onDisconnect();
    EXPECT_TRUE(events.Values("state").empty());
    EXPECT_TRUE(events.Values("connectionlost").empty());

    // "联机", then logged in again: a later loss is noticed.
    session.Reconnect();
    Receive({{"event", "login"}, {"result", "success"}}, false);
    events.Clear();
    session.onDisconnect();
    EXPECT_EQ(events.Values("state"), std::vector<std::string>{"2"});
    EXPECT_EQ(events.Values("connectionlost").size(), 1u);
    EXPECT_FALSE(session.IsLoggedIn());
}

TEST_F(DispatchTest, RepliesToAnotherWindowAreIgnored)
{
    Receive({{"event", "queryfaxlist"}, {"result", "success"}, {"count", "1"}, {"faxlist[0].faxid", "F1"}}, false);
    Receive({{"event", "queryfax"}, {"result", "success"}, {"faxtype", "20"}, {"faxid", "F1"}}, false);
    Receive({{"event", "updatefax"}, {"result", "success"}}, false);
    EXPECT_TRUE(agent.requests().empty());
    EXPECT_TRUE(account.Records().empty());
    EXPECT_TRUE(events.Values("notice").empty());
}

TEST_F(DispatchTest, TheFaxListChainStoresRepliesAtOnceAndQueuesFaxes)
{
    Receive({{"event", "queryfaxlist"}, {"result", "success"}, {"count", "2"},
             {"faxlist[0].faxid", "R1"}, {"faxlist[0].type", "20"},
             {"faxlist[1].faxid", "F2"}, {"faxlist[1].type", "30"}});
    EXPECT_EQ(Queries(), std::vector<std::string>{"R1"});
    EXPECT_EQ(ValueOf(agent.requests().back(), "faxtype"), "20");

    Receive({{"event", "queryfax"}, {"result", "success"}, {"faxid", "R1"}, {"faxtype", "20"}, {"sendfaxflag", "1"}});
    ASSERT_EQ(account.Records().size(), 1u);
    EXPECT_EQ(account.Records()[0].first, "inbox");
    EXPECT_EQ(agent.commands().back(), "updatefax");
    EXPECT_EQ(player.played, std::vector<std::string>{"/sounds/reply.wav"});

    Receive({{"event", "updatefax"}, {"result", "success"}});
    EXPECT_EQ(Queries(), (std::vector<std::string>{"R1", "F2"}));

    Receive({{"event", "queryfax"}, {"result", "success"}, {"faxid", "F2"}, {"faxtype", "30"},
             {"attachfilecount", "1"}, {"attachfile.items[0].filename", "f2.tif"}, {"attachfile[0].name", "f2.tif"}});
    EXPECT_EQ(session.session().queue().size(), 1u);
    EXPECT_EQ(player.played.back(), "/sounds/fax.wav");

    // The pump fetches it; the end of the download comes back as an event.
    while (session.session().HandleDownload()) {
    }
    ASSERT_EQ(agent.downloads().size(), 1u);
    testfiles::writeFile(agent.downloads()[0].localPath, "page");
    EXPECT_EQ(Receive({{"event", "download-success"}, {"taskid", std::to_string(agent.downloads()[0].taskId)}}), 1);
    while (session.session().HandleDownload()) {
    }
    ASSERT_EQ(account.Records().size(), 2u);
    EXPECT_EQ(account.Records()[1].first, "faxbox");
    EXPECT_EQ(agent.commands().back(), "updatefax");
    EXPECT_EQ(ValueOf(agent.requests().back(), "faxid"), "F2");

    Receive({{"event", "updatefax"}, {"result", "success"}});
    EXPECT_EQ(events.Values("notice"), (std::vector<std::string>{"您有传真件，请阅览！", "您有传真件，请阅览！"}));
    EXPECT_EQ(Queries().size(), 2u);
}

TEST_F(DispatchTest, AFaxThatCannotBeFetchedDoesNotStopTheChain)
{
    Receive({{"event", "queryfaxlist"}, {"result", "success"}, {"count", "2"},
             {"faxlist[0].faxid", "F1"}, {"faxlist[1].faxid", "F2"}});
    Receive({{"event", "queryfax"}, {"result", "success"}, {"faxid", "F1"}, {"faxtype", "30"},
             {"attachfilecount", "1"}, {"attachfile.items[0].filename", "f1.tif"}});
    while (session.session().HandleDownload()) {
    }
    Receive({{"event", "download-failed"}, {"taskid", std::to_string(agent.downloads().at(0).taskId)}});
    while (session.session().HandleDownload()) {
    }
    EXPECT_EQ(Queries(), (std::vector<std::string>{"F1", "F2"}));
    for (const std::string& command : agent.commands())
        EXPECT_NE(command, "updatefax");
    EXPECT_EQ(events.Values("notice"), std::vector<std::string>{"下载文件失败！"});
}

TEST_F(DispatchTest, WhereTheChainGoesOnAndWhereItEnds)
{
    // An empty list: nothing more, no notice.
    Receive({{"event", "queryfaxlist"}, {"result", "success"}, {"count", "0"}});
    EXPECT_TRUE(agent.requests().empty());
    // A type the session does not receive and a failed reply are each
    // skipped; a success that carries no fax ends the list.
    Receive({{"event", "queryfaxlist"}, {"result", "success"}, {"count", "5"}, {"faxlist[0].faxid", "X"},
             {"faxlist[1].faxid", "Y"}, {"faxlist[2].faxid", "Z"}});
    Receive({{"event", "queryfax"}, {"result", "success"}, {"faxid", "X"}, {"faxtype", "60"}});
    Receive({{"event", "queryfax"}, {"result", "failed"}});
    EXPECT_EQ(Queries(), (std::vector<std::string>{"X", "Y", "Z"}));
    Receive({{"event", "queryfax"}, {"result", "success"}});
    EXPECT_EQ(Queries().size(), 3u);
    EXPECT_TRUE(session.session().FaxListAtEnd());
    for (const std::string& command : agent.commands())
        EXPECT_NE(command, "updatefax");
    // A refused acknowledgement.
    Receive({{"event", "updatefax"}, {"result", "failed"}});
    EXPECT_EQ(events.Values("notice"), std::vector<std::string>{"接收传真件失败！"});
}

TEST_F(DispatchTest, AListCountBeyondTheBoundIsWorkedThroughOnlyUpToIt)
{
    // Only listed faxes are asked for: this list holds one more than the bound.
    CRL::Event list;
    list.setKV("event", "queryfaxlist");
    list.setKV("result", "success");
    list.setKV("count", "1000000000");
    list.setKV("invokeid", Id());
    for (int i = 0; i <= FaxListWalk::kMaxEntries; ++i) // appended: no search for a key already there
        list.addKV(std::make_unique<CRL::KV>(("faxlist[" + std::to_string(i) + "].faxid").c_str(), "F"));
    session.onReceive(&list);
    while (Receive({{"event", "queryfax"}, {"result", "failed"}}) == 1 && !session.session().FaxListAtEnd()) {
    }
    Receive({{"event", "queryfax"}, {"result", "failed"}});
    EXPECT_EQ(Queries().size(), static_cast<std::size_t>(FaxListWalk::kMaxEntries));
}

TEST_F(DispatchTest, TransferEventsOfOtherWindowsOrUnknownTasks)
{
    CRL::Event fax;
    fax.setKV("event", "faxreceived");
    fax.setKV("attachfilecount", 1);
    fax.setKV("attachfile.items[0].filename", "a.tif");
    session.onReceive(&fax);
    while (session.session().HandleDownload()) {
    }
    const std::string task = std::to_string(agent.downloads().at(0).taskId);
    EXPECT_EQ(Receive({{"event", "download-success"}, {"taskid", task}, {"invokeid", "999999"}}, false), 1);
    EXPECT_EQ(session.session().queue().PeekEvent()->getInt("currentstate"), 1);
    EXPECT_EQ(Receive({{"event", "download-success"}, {"taskid", "424242"}}), 0);
    EXPECT_EQ(Receive({{"event", "download-failed"}, {"taskid", "424242"}}), 0);
}

TEST_F(DispatchTest, UpdateRepliesAndNotify)
{
    session.SetUpdateInProgress(true);
    Receive({{"event", "update"}, {"result", "failed"}}, false);
    EXPECT_FALSE(session.IsUpdateInProgress());
    session.SetUpdateInProgress(true);
    Receive({{"event", "update-last"}}, false);
    EXPECT_FALSE(session.IsUpdateInProgress());
    Receive({{"event", "update"}, {"result", "success"}, {"attachfilecount", "0"}}, false);
    while (session.session().HandleDownload()) {
    }
    Receive({{"event", "notify"}, {"state", "空闲"}}, false);
    EXPECT_EQ(events.Values("notice"),
              (std::vector<std::string>{"系统升级失败！", "您当前使用的程序已经是最新版本！", "没有最新的版本！"}));
    EXPECT_EQ(events.Values("pane4"), std::vector<std::string>{"空闲"});
}

TEST_F(DispatchTest, AnEmptyFaxUserIsNoticedAndSendsNoLogin)
{
    account.data.faxUser = "";
    EXPECT_EQ(session.session().loginFaxServer(), 0);
    EXPECT_EQ(events.Values("notice"),
              std::vector<std::string>{"您还没有填写网络传真号码！如果还没有申请，请与传真服务的客服联系。"});
    EXPECT_EQ(events.Values("state"), std::vector<std::string>{"2"});
    EXPECT_TRUE(agent.requests().empty());
    account.data.present = false;
    EXPECT_EQ(session.session().loginFaxServer(), 0);
    EXPECT_EQ(session.SendUpdateRequest(), 0);
}

TEST_F(DispatchTest, TheOtherEventsOfTheServer)
{
    // Rows that do not check the invoke id: each event comes as another
    // window's would.
    struct Case {
        std::vector<std::pair<std::string, std::string>> event;
        std::vector<std::string> commands; // requests sent
        std::vector<std::string> states;
        std::vector<std::string> played;
        std::size_t records;
        std::size_t queued;
    };
    const std::vector<Case> cases = {
        {{{"event", "logout"}}, {}, {"2"}, {}, 0, 0},
        {{{"event", "changestate"}}, {}, {}, {}, 0, 0},
        {{{"event", "nosuchevent"}}, {}, {}, {}, 0, 0},
        {{{"event", "faxreply-accept"}, {"sendfaxflag", "1"}}, {"updatefax"}, {}, {"/sounds/reply.wav"}, 1, 0},
        {{{"event", "FaxReply-Reject"}, {"invalidatefax", "1"}}, {"updatefax"}, {}, {"/sounds/reply.wav"}, 1, 0},
        {{{"event", "voxreceived"}, {"attachfilecount", "1"}}, {}, {}, {"/sounds/fax.wav"}, 0, 1},
        {{{"event", "filetransfered"}, {"attachfilecount", "1"}}, {}, {}, {"/sounds/fax.wav"}, 0, 1},
    };
    for (const Case& c : cases) {
        FakeAgent caseAgent;
        FakeAccount caseAccount;
        caseAccount.data = account.data;
        caseAccount.folders = account.folders;
        RecordingEvents caseEvents;
        RecordingPlayer casePlayer;
        ServerSession caseSession{SessionContext{caseAgent, caseAccount, settings, caseEvents, casePlayer,
                                                 [](const std::string&) { return 1; }}};
        CRL::Event event;
        for (const auto& [key, value] : c.event)
            event.setKV(key.c_str(), value.c_str());
        event.setKV("invokeid", 999999L);
        SCOPED_TRACE(c.event[0].second);
        EXPECT_EQ(caseSession.onReceive(&event), 1);
        EXPECT_EQ(caseAgent.commands(), c.commands);
        EXPECT_EQ(caseEvents.Values("state"), c.states);
        EXPECT_EQ(casePlayer.played, c.played);
        EXPECT_EQ(caseAccount.Records().size(), c.records);
        EXPECT_EQ(caseSession.session().queue().size(), c.queued);
    }
}

TEST_F(DispatchTest, WithoutASoundFileNothingIsPlayed)
{
    account.data.rcvFaxNotifyFile = "";
    account.data.faxReplyNotifyFile = "";
    Receive({{"event", "faxreceived"}, {"attachfilecount", "1"}}, false);
    Receive({{"event", "faxreply-accept"}}, false);
    EXPECT_TRUE(player.played.empty());
    EXPECT_EQ(session.session().queue().size(), 1u);
}

TEST_F(DispatchTest, AReceiptThatCannotBeStoredIsNotAcknowledgedAndTheListGoesOn)
{
    account.addSucceeds = false;
    Receive({{"event", "queryfaxlist"}, {"result", "success"}, {"count", "2"},
             {"faxlist[0].faxid", "R1"}, {"faxlist[0].type", "20"}, {"faxlist[1].faxid", "F2"}});
    Receive({{"event", "queryfax"}, {"result", "success"}, {"faxid", "R1"}, {"faxtype", "20"}, {"sendfaxflag", "1"}});
    EXPECT_EQ(agent.commands(), (std::vector<std::string>{"queryfax", "queryfax"}));
    EXPECT_EQ(Queries(), (std::vector<std::string>{"R1", "F2"}));
    EXPECT_EQ(events.Values("notice"), std::vector<std::string>{"接收传真件失败！"});
    EXPECT_TRUE(player.played.empty());
}

TEST_F(DispatchTest, TheSessionListensOnceAndFromBeforeTheConnectionOpens)
{
    std::vector<ClientEventListener*> atConnect;
    agent.onConnect = [&] { atConnect = agent.listeners(); };
    ASSERT_EQ(session.session().openFaxServer(), 1);
    EXPECT_EQ(atConnect, std::vector<ClientEventListener*>{&session});
    ASSERT_EQ(session.session().openFaxServer(), 1);
    EXPECT_EQ(agent.listeners(), std::vector<ClientEventListener*>{&session});
}

TEST_F(DispatchTest, NoDownloadIsGivenUpWhileTheSessionIsOffline)
{
    SessionPeriods periods;
    periods.downloadStallMs = 80;
    ServerSession quick{SessionContext{agent, account, settings, events, player, [](const std::string&) { return 1; }},
                        periods};
    CRL::Event fax;
    fax.setKV("event", "faxreceived");
    fax.setKV("attachfilecount", 1);
    fax.setKV("attachfile.items[0].filename", "a.tif");
    quick.onReceive(&fax);
    auto pump = [&] {
        while (quick.session().HandleDownload()) {
        }
    };
    pump();
    CRL::Event kick;
    kick.setKV("event", "shutdown");
    quick.onReceive(&kick);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    pump();
    EXPECT_TRUE(agent.cancelled().empty());

    CRL::Event login;
    login.setKV("event", "login");
    login.setKV("result", "success");
    quick.onReceive(&login);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    pump();
    EXPECT_EQ(agent.cancelled().size(), 1u);
    // Given up, it waits for its second try.
    ASSERT_EQ(quick.session().queue().size(), 1u);
    EXPECT_TRUE(DownloadQueue::IsRetry(*quick.session().queue().PeekEvent()));
}
