#pragma once

// The session against the fake fax service, headless: the session logic
// hosted by the test over the real agent client, account.xml and the
// mailbox directories of a program directory of its own, with the
// program's log written there.

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "SessionFakes.h"
#include "SessionSim.h"
#include "TestFiles.h"
#include "compose/PageCount.h"
#include "contacts/AddressBookConfig.h"
#include "core/frame/SilentSoundPlayer.h"
#include "core/session/AgentHelp.h"
#include "core/session/ServerSession.h"
#include "core/session/SessionStores.h"
#include "core/stores/AccountConfig.h"
#include "jotter/Jotter.h"

namespace sessiontest {

inline const char* const kAccountXml = R"(<?xml version="1.0" encoding="GB2312"?>
<Config>
  <Account Name="test" Default="yes" FaxUser="00210000012345" FaxPassword="c2VjcmV0" Directory="data">
    <Folder Name="rcvBox" Type="faxbox" Directory="faxbox"/>
    <Folder Name="replyBox" Type="inbox" Directory="inbox"/>
    <Folder Name="Failed" Type="failedbox" Directory="failedbox"/>
    <Folder Name="Invalid" Type="deposebox" Directory="deposebox"/>
  </Account>
</Config>
)";

inline SessionPeriods Quick()
{
    SessionPeriods periods;
    periods.retryMs = 100;
    periods.loginRepeatMs = 400;
    periods.reconnectMs = 50;
    periods.downloadStallMs = 700;
    return periods;
}

class LiveSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        testfiles::writeFile(home.file("account.xml"), kAccountXml);
        cpLogOpen(home.file("zuvo.log").c_str());
        AccountConfig::Close();
        ASSERT_EQ(AccountConfig::Open(home.path()), 1);
        // As in a program that has just started: requests that keep the
        // previous pairs find none from an earlier test, and nothing an
        // earlier test queued while its server was gone is still waiting.
        AgentHelp* help = AgentHelp::getInstance();
        help->clearArgs();
        if (help->proxy().pendingEvents() > 0) {
            FaxServiceSim sink(R"({"login": "silent"})", home.path());
            ASSERT_EQ(help->connect("127.0.0.1", sink.port()), 1);
            help->run();
            ASSERT_TRUE(WaitFor([help] { return help->proxy().pendingEvents() == 0; }));
            help->stop();
        }
    }
    void TearDown() override
    {
        // The session ends while its servers still listen, so that nothing
        // it sends at shut-down stays queued for the next test.
        if (session)
            EndSession();
        servers.clear();
        AccountConfig::Close();
        cpLogClose();
        if (HasFailure())
            std::cerr << "-- the end of the program's log:\n" << LogTail(40);
    }

    FaxServiceSim& Serve(const std::string& service, int port = 0, double lifetimeSeconds = 20.0)
    {
        servers.push_back(std::make_unique<FaxServiceSim>(service, home.path(), port, 1, lifetimeSeconds));
        return *servers.back();
    }

    // The address book's card for a calling number, as the program looks it up.
    static InboxWriter::Contact addressBookContact(const std::string& faxNumber)
    {
        InboxWriter::Contact contact;
        AddressBookConfig::GetInstance().FindByFaxNumber(faxNumber, contact.name, contact.company);
        return contact;
    }

    void StartSession(int port, SessionPeriods periods = Quick())
    {
        settings.server = ServerAddress{"127.0.0.1", port};
        session = std::make_unique<ServerSession>(
            SessionContext{*AgentHelp::getInstance(), account, settings, events, sound, CountImagePages,
                           addressBookContact},
            periods);
        session->Start();
    }

    // The faxbox, inbox, ... directory of the account.
    std::string Box(const std::string& type) const { return home.file("data/" + type); }

    // Ends the running session as the program's quit does (logout and all).
    void EndSession()
    {
        session->Stop();
        session->Disconnect();
        session.reset();
    }

    // The program's log so far, and its last lines.
    std::string Log() const { return testfiles::readFile(home.file("zuvo.log")); }
    std::string LogTail(std::size_t lines) const
    {
        const std::string log = Log();
        std::size_t start = log.size();
        for (std::size_t n = 0; n <= lines && start > 0; ++n)
            start = log.rfind('\n', start - 1);
        return start == std::string::npos ? log : log.substr(start + 1);
    }

    std::string Xpath(const std::string& expression) const
    {
        return testfiles::xpath(home.file("account.xml"), expression).value_or("<none>");
    }

    testfiles::TempDir home;
    testfiles::ScopedEnv programDir{"ZUVO_HOME", home.path()};
    AccountStoreSource account;
    FakeSettings settings;
    RecordingEvents events;
    SilentSoundPlayer sound;
    std::vector<std::unique_ptr<FaxServiceSim>> servers;
    std::unique_ptr<ServerSession> session;
};

inline std::vector<std::string> Commands(const std::vector<WireLine>& requests)
{
    std::vector<std::string> commands;
    for (const WireLine& line : requests)
        commands.push_back(line.get("command"));
    return commands;
}

// A TIFF of `pages` pages; files of other widths differ in their bytes.
inline std::string MakeTiff(const std::string& path, int pages, int width = 48)
{
    std::string command = "convert -size " + std::to_string(width) + "x32";
    for (int i = 0; i < pages; ++i)
        command += " xc:gray" + std::to_string(20 + 30 * i);
    testfiles::run(command + " -compress none " + testfiles::quote(path));
    return path;
}

} // namespace sessiontest
