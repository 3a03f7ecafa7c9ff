// The whole session against the fake fax service, headless, checked on the
// wire and on the disk.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "core/session/InvokeIds.h"
#include "core/stores/AccountConfig.h"
#include "core/tests/LiveSession.h"

using namespace sessiontest;
namespace fs = std::filesystem;

TEST_F(LiveSession, LoginThenTheFaxListAndTheLogoutReachesTheServerAtShutDown)
{
    FaxServiceSim& sim = Serve(R"({"login": "success", "netfaxno": "88001234"})");
    StartSession(sim.port());
    ASSERT_TRUE(WaitFor([&] { return !sim.Requests("update").empty(); }));
    EXPECT_TRUE(WaitFor([&] { return session->IsLoggedIn(); }));

    const std::vector<WireLine> requests = sim.Requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(Commands(requests)[0], "login");
    EXPECT_EQ(Commands(requests)[1], "queryfaxlist");
    EXPECT_EQ(KeysOf(requests[0].pairs), (std::vector<std::string>{"command", "skillgroup", "loginid", "password", "netfaxflag",
                                                           "loginmode", "invokeid", "devicename", "termnum"}));
    EXPECT_EQ(requests[0].get("loginid"), "00210000012345");
    EXPECT_EQ(requests[0].get("password"), "secret");
    EXPECT_EQ(requests[0].get("devicename"), "fax:///00210000012345");
    EXPECT_EQ(requests[0].get("invokeid"), std::to_string(session->session().invokeId()));
    // The token decodes to the local time, the user and the password.
    const testfiles::CommandResult token = testfiles::run(
        "python3 -c 'import base64,sys; sys.stdout.write(base64.b64decode(sys.argv[1]).decode())' " +
        testfiles::quote(requests[0].get("netfaxflag")));
    EXPECT_TRUE(std::regex_match(token.output, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d00210000012345secret)")))
        << token.output;
    EXPECT_EQ(requests[1].get("user"), "00210000012345");
    EXPECT_EQ(events.Values("pane2").back(), "88001234");

    session->Stop();
    session->Disconnect();
    EXPECT_EQ(sim.WaitExit(5000), 0);
    EXPECT_EQ(Commands(sim.Requests()).back(), "logout");
    EXPECT_EQ(Log().find("NetWork Broken"), std::string::npos) << "the program's own end is no broken network";
    EXPECT_EQ(sim.Requests("logout").at(0).get("netfaxflag"), requests[0].get("netfaxflag"));
}

TEST_F(LiveSession, WithoutAReplyTheLoginRepeatsAndTheListIsAskedForOnce)
{
    FaxServiceSim& sim = Serve(R"({"login": "silent"})");
    StartSession(sim.port());
    ASSERT_TRUE(WaitFor([&] { return sim.Requests("login").size() >= 3; }));
    const std::vector<WireLine> logins = sim.Requests("login");
    EXPECT_GE(logins[1].t - logins[0].t, 0.35);
    EXPECT_GE(logins[2].t - logins[1].t, 0.35);
    EXPECT_EQ(sim.Requests("queryfaxlist").size(), 1u);
    EXPECT_FALSE(session->IsLoggedIn());
}

TEST_F(LiveSession, AServerStartedLateIsReachedByTheRetry)
{
    const int port = FreePort();
    StartSession(port);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(events.Values("state"), std::vector<std::string>{"0"});
    FaxServiceSim& sim = Serve("{}", port);
    ASSERT_TRUE(WaitFor([&] { return session->IsLoggedIn(); }));
    ASSERT_TRUE(WaitFor([&] { return !sim.Requests("queryfaxlist").empty(); }));
    // The login's reply sends the update check at once, and the session
    // thread asks for the list: either may reach the server first.
    std::vector<std::string> commands = Commands(sim.Requests());
    std::erase(commands, std::string("update"));
    EXPECT_EQ(commands.at(0), "login");
    EXPECT_EQ(commands.at(1), "queryfaxlist");
}

TEST_F(LiveSession, FaxesOfTypes30And20And40LandInTheirBoxes)
{
    const std::string tiff3 = MakeTiff(home.file("served3.tif"), 3);
    const std::string tiff1 = MakeTiff(home.file("served1.tif"), 1);
    // The page count the record must show, as ImageMagick sees the file.
    ASSERT_EQ(testfiles::run("identify -format '%n\\n' " + testfiles::quote(tiff3) + " | head -1").output, "3\n");
    Config addressBook;
    ASSERT_EQ(OpenAddressBookFile(addressBook, home.path(), true), 1);
    ASSERT_EQ(AppendAddressCard(addressBook, "AddressBook[0]/Folder[0]",
                                {{"FaxNum", "02155550000"}, {"Name", "王明"}, {"CompanyName", "明达贸易"}}),
              1);
    ASSERT_TRUE(AddressBookConfig::GetInstance().Open(home.path()));
    const std::string service = R"({"faxes": [
      {"faxid": "F30", "type": 30, "called": "02155550000", "title": "Quote", "content": "<html>fax body</html>",
       "createtime": "2026-12-01 08:00:00", "files": [{"name": "fax\\2026\\F30.tif", "path": ")" + tiff3 + R"("}]},
      {"faxid": "R20", "type": 20, "sendfaxflag": 1, "pages": 2, "title": "Receipt"},
      {"faxid": "F40", "type": 40, "files": [{"name": "F40.tif", "path": ")" + tiff1 + R"("}]}]})";
    FaxServiceSim& sim = Serve(service);
    StartSession(sim.port());
    ASSERT_TRUE(WaitFor([&] { return sim.Requests("updatefax").size() == 3; }, 15000));
    ASSERT_TRUE(WaitFor([&] { return events.Values("notice").size() >= 3; }));

    // On the wire: each fax is asked for, its file fetched, then acknowledged.
    std::vector<std::string> order;
    for (const WireLine& line : sim.Wire()) {
        if (line.kind == "REQ" && (line.get("command") == "queryfax" || line.get("command") == "updatefax"))
            order.push_back(line.get("command") + " " + line.get("faxid"));
        else if (line.kind == "FILE" && (order.empty() || order.back().rfind("file", 0) != 0))
            order.push_back("file " + line.text);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"queryfax F30", "file fax\\2026\\F30.tif", "updatefax F30",
                                               "queryfax R20", "updatefax R20", "queryfax F40", "file F40.tif",
                                               "updatefax F40"}));

    // On the disk.
    const std::string fax = "/Config/Account/Folder[@Type='faxbox']/Fax[1]";
    const std::string record = Xpath(fax);
    std::vector<std::string> names;
    const std::regex attribute(R"( (\w+)=")");
    const std::string startTag = record.substr(0, record.find('>'));
    for (std::sregex_iterator it(startTag.begin(), startTag.end(), attribute), end; it != end; ++it)
        names.push_back((*it)[1]);
    EXPECT_EQ(names, (std::vector<std::string>{"Caller", "ToCC", "Topic", "Name", "Company", "SendFaxTime", "ReadFlag",
                                               "Flag", "Date", "BodyFileName", "CreateTime", "Pages"}));
    EXPECT_EQ(Xpath("string(" + fax + "/@Pages)"), "3");
    EXPECT_EQ(Xpath("string(" + fax + "/@Topic)"), "Quote");
    EXPECT_EQ(Xpath("string(" + fax + "/@Name)"), "王明");
    EXPECT_EQ(Xpath("string(" + fax + "/@Company)"), "明达贸易");
    EXPECT_EQ(Xpath("string(" + fax + "/AttachFile/@File)"), "F30.tif");
    const std::string createTime = Xpath("string(" + fax + "/@CreateTime)");
    EXPECT_EQ(testfiles::md5sumOf(Box("faxbox") + "/F30.tif." + createTime), testfiles::md5sumOf(tiff3));
    EXPECT_EQ(testfiles::readFile(Box("faxbox") + "/" + Xpath("string(" + fax + "/@BodyFileName)")),
              "<html>fax body</html>");

    const std::string receipt = "/Config/Account/Folder[@Type='inbox']/Fax[1]";
    EXPECT_EQ(Xpath("string(" + receipt + "/@Topic)"), "Receipt");
    EXPECT_EQ(Xpath("string(" + receipt + "/@Pages)"), "2");

    const std::string report = "/Config/Account/Folder[@Type='failedbox']/Fax[1]";
    EXPECT_EQ(Xpath("string(" + report + "/@Pages)"), "1");
    EXPECT_EQ(testfiles::md5sumOf(Box("failedbox") + "/F40.tif." + Xpath("string(" + report + "/@CreateTime)")),
              testfiles::md5sumOf(tiff1));

    for (const auto& entry : fs::recursive_directory_iterator(home.file("data")))
        EXPECT_NE(entry.path().extension(), ".download") << entry.path();
}

TEST_F(LiveSession, AFaxOfAnUnknownTypeOrAFailedQueryIsLeftOnTheServerAndTheListGoesOn)
{
    const std::string tiff = MakeTiff(home.file("served.tif"), 1);
    const std::string service = R"({"faxes": [
      {"faxid": "ONE", "type": 30, "files": [{"name": "one.tif", "path": ")" + tiff + R"("}]},
      {"faxid": "ODD", "type": 60},
      {"faxid": "BROKEN", "type": 30, "queryfax": "failed"},
      {"faxid": "FOUR", "type": 30, "files": [{"name": "four.tif", "path": ")" + tiff + R"("}]}]})";
    FaxServiceSim& sim = Serve(service, 0, 60.0); // outlives both waits below
    StartSession(sim.port());
    // The session's cursor first (cheap to watch), then the server's log.
    ASSERT_TRUE(WaitFor([&] { return session->session().FaxListAtEnd(); }, 15000));
    ASSERT_TRUE(WaitFor([&] { return sim.Requests("updatefax").size() == 2; }, 15000));

    std::vector<std::string> asked;
    for (const WireLine& line : sim.Requests("queryfax"))
        asked.push_back(line.get("faxid"));
    EXPECT_EQ(asked, (std::vector<std::string>{"ONE", "ODD", "BROKEN", "FOUR"}));
    std::vector<std::string> acknowledged;
    for (const WireLine& line : sim.Requests("updatefax"))
        acknowledged.push_back(line.get("faxid"));
    EXPECT_EQ(acknowledged, (std::vector<std::string>{"ONE", "FOUR"}));
    const std::string fax = "/Config/Account/Folder[@Type='faxbox']/Fax";
    EXPECT_EQ(Xpath("count(" + fax + ")"), "2");
    EXPECT_EQ(Xpath("string(" + fax + "[1]/AttachFile/@File)"), "one.tif");
    EXPECT_EQ(Xpath("string(" + fax + "[2]/AttachFile/@File)"), "four.tif");
    const std::string log = Log();
    EXPECT_NE(log.find("fax <ODD> of type <60> is not one this program receives"), std::string::npos) << log;
    EXPECT_NE(log.find("queryfax of <BROKEN> failed"), std::string::npos) << log;
}

TEST_F(LiveSession, ARefusedChunkIsNotAcknowledgedAndBadNamesStayInTheMailbox)
{
    const std::string tiff = MakeTiff(home.file("served.tif"), 1);
    // BAD's download is refused, and so is its second try after the others
    // (each file takes two chunks: BAD 0, UP 1-2, ABS 3-4, BAD again 5).
    const std::string service = R"({"faxes": [
      {"faxid": "BAD", "type": 30, "files": [{"name": "refused.tif", "path": ")" + tiff + R"("}]},
      {"faxid": "UP", "type": 30, "files": [{"name": "../../x", "path": ")" + tiff + R"("}]},
      {"faxid": "ABS", "type": 50, "files": [{"name": "/etc/x2", "path": ")" + tiff + R"("}]}],
      "faults": [{"op": "download", "chunk": 0, "action": "refuse"}, {"op": "download", "chunk": 5, "action": "refuse"}]})";
    FaxServiceSim& sim = Serve(service);
    StartSession(sim.port());
    ASSERT_TRUE(WaitFor([&] { return sim.Requests("updatefax").size() == 2; }, 15000));
    ASSERT_TRUE(WaitFor([&] { return events.Values("notice").size() >= 4; }));

    std::vector<std::string> acknowledged;
    for (const WireLine& line : sim.Requests("updatefax"))
        acknowledged.push_back(line.get("faxid"));
    EXPECT_EQ(acknowledged, (std::vector<std::string>{"UP", "ABS"}));
    EXPECT_EQ(Xpath("count(/Config/Account/Folder[@Type='faxbox']/Fax)"), "2"); // types 30 and 50
    EXPECT_EQ(events.Values("notice").at(0), "下载文件失败！");
    EXPECT_EQ(events.Values("notice").back(), "下载文件失败！");
    const std::string fax = "/Config/Account/Folder[@Type='faxbox']/Fax";
    EXPECT_EQ(Xpath("string(" + fax + "[1]/AttachFile/@File)"), "x");
    EXPECT_EQ(Xpath("string(" + fax + "[2]/AttachFile/@File)"), "x2");
    EXPECT_EQ(testfiles::md5sumOf(Box("faxbox") + "/x." + Xpath("string(" + fax + "[1]/@CreateTime)")),
              testfiles::md5sumOf(tiff));
    // Nothing beside the mailbox directories (and the emptied staging one).
    for (const auto& entry : fs::directory_iterator(home.file("data")))
        EXPECT_TRUE(entry.is_directory()) << entry.path();
    EXPECT_TRUE(fs::is_empty(home.file("data/.incoming")));
    EXPECT_FALSE(fs::exists(home.file("x")));
    EXPECT_FALSE(fs::exists(home.file("data/x")));
}

TEST_F(LiveSession, AnUnansweredDownloadIsGivenUpAndTheNextFaxStillArrives)
{
    const std::string tiff = MakeTiff(home.file("served.tif"), 1);
    const std::string service = R"({"faxes": [
      {"faxid": "LOST", "type": 30, "files": [{"name": "lost.tif", "path": ")" + tiff + R"("}]},
      {"faxid": "NEXT", "type": 30, "files": [{"name": "next.tif", "path": ")" + tiff + R"("}]}],
      "faults": [{"op": "download", "chunk": 0, "action": "drop"}]})";
    FaxServiceSim& sim = Serve(service);
    StartSession(sim.port());
    ASSERT_TRUE(WaitFor([&] { return !sim.Requests("updatefax").empty(); }, 10000));
    EXPECT_EQ(sim.Requests("updatefax")[0].get("faxid"), "NEXT");
    EXPECT_EQ(events.Values("notice").at(0), "下载文件失败！");
    const std::string fax = "/Config/Account/Folder[@Type='faxbox']/Fax[1]";
    EXPECT_EQ(Xpath("string(" + fax + "/AttachFile/@File)"), "next.tif");
    EXPECT_EQ(testfiles::md5sumOf(Box("faxbox") + "/next.tif." + Xpath("string(" + fax + "/@CreateTime)")),
              testfiles::md5sumOf(tiff));
}

TEST_F(LiveSession, AfterShutdownNoReconnectUntilOnlineAgain)
{
    const int port = FreePort();
    FaxServiceSim& kicker = Serve(
        R"({"after_login": [{"send": "ans", "event": {"event": "shutdown"}}, {"sleep": 0.2}, {"close": true}]})", port);
    StartSession(port);
    ASSERT_TRUE(WaitFor([&] { return !events.Values("notice").empty(); }));
    EXPECT_EQ(events.Values("notice")[0], "您的账号已经在另一台机器登入！");
    EXPECT_EQ(kicker.WaitExit(5000), 0);

    FaxServiceSim& second = Serve(R"({"after_login": [{"sleep": 0.3}, {"close": true}]})", port);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_TRUE(second.Requests().empty());
    EXPECT_TRUE(events.Values("connectionlost").empty());

    session->Reconnect();
    ASSERT_TRUE(WaitFor([&] { return session->IsLoggedIn(); }));
    // Online again: the next loss of the connection is noticed.
    ASSERT_TRUE(WaitFor([&] { return !events.Values("connectionlost").empty(); }));
    EXPECT_FALSE(session->IsLoggedIn());
}

// The server closes after the login, before it answered the fax list. A
// request asked for while the connection is down goes nowhere; the next
// connection starts with the login, and the unanswered list is asked again.
TEST_F(LiveSession, AfterALostConnectionTheLoginComesFirstAndTheUnansweredListIsAskedAgain)
{
    const int port = FreePort();
    FaxServiceSim& first = Serve(R"({"after_login": [{"close": true}]})", port);
    StartSession(port);
    ASSERT_TRUE(WaitFor([&] { return !events.Values("connectionlost").empty(); }));
    EXPECT_EQ(first.WaitExit(5000), 0);
    EXPECT_EQ(Commands(first.Requests()).at(0), "login");
    EXPECT_EQ(AgentRequest(*AgentHelp::getInstance(), "queryfax").arg("faxid", "EARLY").arg("invokeid", 7L).invoke(), 0);

    FaxServiceSim& second = Serve("{}", port);
    ASSERT_TRUE(WaitFor([&] { return !second.Requests("queryfaxlist").empty(); }));
    const std::vector<std::string> commands = Commands(second.Requests());
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[0], "login");
    EXPECT_EQ(commands[1], "queryfaxlist");
    EXPECT_TRUE(second.Requests("queryfax").empty());
    EXPECT_NE(Log().find("request <queryfax> invokeid <7> dropped"), std::string::npos);
}

TEST_F(LiveSession, HeartbeatNotifyAndAForeignInvokeId)
{
    FaxServiceSim& sim = Serve(R"({"after_login": [
        {"send": "heartbeat"},
        {"send": "ans", "event": {"event": "notify", "state": "ready"}},
        {"send": "ans", "event": [["event", "queryfaxlist"], ["result", "success"], ["count", "1"],
                                  ["faxlist[0].faxid", "FOREIGN"], ["invokeid", "12345678"]]}]})");
    StartSession(sim.port());
    ASSERT_TRUE(WaitFor([&] { return events.Values("pane4") == std::vector<std::string>{"ready"}; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(sim.Requests("queryfax").empty());
    EXPECT_TRUE(session->IsLoggedIn());
}

namespace {

class CountingListener : public ClientEventListener {
public:
    int onDisconnect() override { return 1; }
    int onReceive(CRL::Event*) override
    {
        ++received;
        return 1;
    }
    int onProcess(CRL::Event*) override { return 1; }
    std::atomic<int> received{0};
};

} // namespace

TEST_F(LiveSession, AgentHelpIsOneObjectAndKeepsPairsForRequestsThatDoNotClear)
{
    AgentHelp* help = AgentHelp::getInstance();
    EXPECT_EQ(AgentHelp::getInstance(), help);

    FaxServiceSim& sim = Serve(R"({"login": "silent"})");
    CountingListener listener;
    ASSERT_EQ(help->connect("127.0.0.1", sim.port()), 1);
    help->addEventListener(&listener);
    help->run();
    ASSERT_TRUE(WaitFor([&] { return help->isRun() == 1; }));

    EXPECT_EQ(help->upLoadFile(NextInvokeId(), home.file("missing.tif").c_str()), 0);
    AgentRequest(*help, "queryfax").arg("faxid", "F9").arg("invokeid", 5L).invoke();
    AgentRequest(*help, "login", AgentRequest::Args::KeepPrevious).arg("loginid", "u").invoke();
    ASSERT_TRUE(WaitFor([&] { return sim.Requests().size() == 2; }));
    const WireLine login = sim.Requests().at(1);
    EXPECT_EQ(login.get("command"), "login");
    EXPECT_EQ(login.get("faxid"), "F9");
    EXPECT_EQ(login.get("invokeid"), "5");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(listener.received, 0); // the refused upload fired nothing

    help->removeEventListener(&listener);
    help->stop();
    EXPECT_EQ(help->isRun(), 0);
}

// What a user types reaches the server: a "|" as the full-width bar, a
// character GBK lacks as "?", the rest of the request as it was.
TEST_F(LiveSession, OddCharactersInValuesCostOnlyThemselvesOnTheWire)
{
    AgentHelp* help = AgentHelp::getInstance();
    FaxServiceSim& sim = Serve(R"({"login": "silent"})");
    ASSERT_EQ(help->connect("127.0.0.1", sim.port()), 1);
    help->run();
    ASSERT_TRUE(WaitFor([&] { return help->isRun() == 1; }));

    EXPECT_EQ(AgentRequest(*help, "sendfax")
                  .arg("title", "Meeting \xE2\x80\xA2 agenda")
                  .arg("name", "wei\xC3\x9F")
                  .arg("memo", "A|B")
                  .arg("invokeid", 5L)
                  .invoke(),
              1);
    ASSERT_TRUE(WaitFor([&] { return sim.Requests().size() == 1; }));
    help->stop();
    // One PDU, in GBK: "｜" is A3 FC.
    EXPECT_EQ(sim.Requests().at(0).bytes,
              "command=sendfax|title=Meeting ? agenda|name=wei?|memo=A\xA3\xFC" "B|invokeid=5|");
}

TEST_F(LiveSession, AnUpdateWithTwoFilesIsFetchedAndRecordedForTheNextStart)
{
    testfiles::writeFile(home.file("served-program"), "new program bytes");
    testfiles::writeFile(home.file("served-notes"), std::string(5000, 'n'));
    const std::string service = R"({"update": {"updatedata": "V4300-full", "files": [
        {"name": "bin\\zuvo.new", "path": ")" + home.file("served-program") + R"("},
        {"name": "notes.txt", "path": ")" + home.file("served-notes") + R"("}]}})";
    FaxServiceSim& sim = Serve(service);
    StartSession(sim.port());
    ASSERT_TRUE(WaitFor([&] { return Xpath("string(/Config/Account/@UpdateFlag)") == "1"; }, 10000));
    EXPECT_EQ(Xpath("string(/Config/Account/@UpdateData)"), "V4300-full");
    EXPECT_EQ(testfiles::md5sumOf(home.file("update/zuvo.new")), testfiles::md5sumOf(home.file("served-program")));
    EXPECT_EQ(testfiles::md5sumOf(home.file("update/notes.txt")), testfiles::md5sumOf(home.file("served-notes")));
    EXPECT_FALSE(fs::exists(home.file("update/notes.txt.download")));
    // The update request carried the version and the pending update data (none yet).
    const WireLine update = sim.Requests("update").at(0);
    EXPECT_EQ(update.get("version"), "V4200");
    EXPECT_EQ(update.get("os"), "unknown");
    EXPECT_TRUE(events.Values("notice").empty());
}

TEST_F(LiveSession, AChangedIdentityLogsTheLastUserOutAndTheNewOneInOnTheSameConnection)
{
    FaxServiceSim& sim = Serve(R"({"login": "success", "netfaxno": "88001234"})");
    StartSession(sim.port());
    ASSERT_TRUE(WaitFor([&] { return session->IsLoggedIn(); }));

    // The account is given another number, as the account properties store it.
    ASSERT_EQ(AccountConfig::SetAttr("Account[0]", "FaxUser", "00210000012346"), 1);
    ASSERT_EQ(AccountConfig::Save(), 1);
    EXPECT_EQ(session->LogInAgain(), 1);
    EXPECT_FALSE(session->IsLoggedIn());
    ASSERT_TRUE(WaitFor([&] { return sim.Requests("login").size() >= 2; }));
    EXPECT_TRUE(WaitFor([&] { return session->IsLoggedIn(); }));

    const std::vector<WireLine> requests = sim.Requests();
    std::vector<std::string> identity;
    for (const WireLine& line : requests)
        if (line.get("command") == "login" || line.get("command") == "logout")
            identity.push_back(line.get("command") + " " + line.get("loginid"));
    EXPECT_EQ(identity, (std::vector<std::string>{"login 00210000012345", "logout 00210000012345",
                                                  "login 00210000012346"}));
    const WireLine logout = sim.Requests("logout").at(0);
    EXPECT_EQ(logout.get("netfaxflag"), sim.Requests("login").at(0).get("netfaxflag"));
    EXPECT_EQ(logout.get("devicename"), "fax:///00210000012345");
    EXPECT_EQ(logout.get("password"), "secret");
    EXPECT_EQ(sim.Requests("login").at(1).get("devicename"), "fax:///00210000012346");
    // One connection throughout.
    EXPECT_EQ(Log().find("NetWork Broken"), std::string::npos);
}

TEST_F(LiveSession, NoLogoutForAUserThatNoLoginWasSentFor)
{
    // An empty fax user: the session never sends a login.
    testfiles::writeFile(home.file("account.xml"), std::regex_replace(std::string(kAccountXml),
                                                                      std::regex("00210000012345"), ""));
    AccountConfig::Close();
    ASSERT_EQ(AccountConfig::Open(home.path()), 1);
    FaxServiceSim& sim = Serve(R"({"login": "success"})");
    StartSession(sim.port());
    ASSERT_TRUE(WaitFor([&] { return !events.Values("notice").empty(); }));
    EXPECT_EQ(session->LogInAgain(), 0);
    EndSession();
    EXPECT_EQ(sim.WaitExit(5000), 0);
    EXPECT_TRUE(sim.Requests("logout").empty());
    EXPECT_TRUE(sim.Requests("login").empty());
}
