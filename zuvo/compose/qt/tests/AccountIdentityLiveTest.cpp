// The account properties over a running session and the fake fax service:
// what a confirmed sheet sends on the wire.

#include "core/qt/AccountAttrSheet.h"
#include "core/qt/AccountPropertiesCommand.h"

#include <QLineEdit>

#include <gtest/gtest.h>

#include "core/stores/SysConfig.h"
#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "core/tests/LiveSession.h"

namespace {

using namespace sessiontest;

class AccountIdentityLive : public LiveSession {
protected:
    AccountIdentityLive() { QtTest::EnsureApplication(); }

    // The command over the session's account, the sheet answered by `edit` and OK.
    void ConfirmSheet(std::function<void(CAccountAttrSheet&)> edit)
    {
        script_.dialogs.push_back([edit](QDialog& dialog) {
            auto& sheet = static_cast<CAccountAttrSheet&>(dialog);
            edit(sheet);
            sheet.accept();
            return sheet.result();
        });
        AccountPropertiesContext context;
        context.treeAccount = [] { return std::string("Account[0]"); };
        context.sheet.config = &config_;
        context.sheet.faxPrintIni = home.file("FaxPrint.ini");
        context.identityChanged = [this] { session->LogInAgain(); };
        RunAccountProperties(context);
    }
    std::vector<std::string> Identity(FaxServiceSim& sim)
    {
        std::vector<std::string> sent;
        for (const WireLine& line : sim.Requests())
            if (line.get("command") == "login" || line.get("command") == "logout")
                sent.push_back(line.get("command") + " " + line.get("loginid"));
        return sent;
    }

    SysConfig config_;
    ScriptedPrompter::Script script_;
    ScopedPrompter prompter_{script_};
};

TEST_F(AccountIdentityLive, OneDigitOfTheNumberLogsTheOldUserOutAndTheNewOneInAndNoChangeKeepsTheSession)
{
    FaxServiceSim& sim = Serve(R"({"login": "success", "netfaxno": "88001234"})");
    StartSession(sim.port());
    ASSERT_TRUE(WaitFor([&] { return session->IsLoggedIn(); }));

    // Nothing changed: the session stays (a logout would stand in the list below).
    ConfirmSheet([](CAccountAttrSheet&) {});
    EXPECT_TRUE(session->IsLoggedIn());

    ConfirmSheet([](CAccountAttrSheet& sheet) {
        sheet.AccountPage().findChild<QLineEdit*>(QStringLiteral("1147"))->setText(QStringLiteral("12346"));
    });
    ASSERT_TRUE(WaitFor([&] { return sim.Requests("login").size() >= 2; }));
    EXPECT_EQ(Identity(sim), (std::vector<std::string>{"login 00210000012345", "logout 00210000012345",
                                                       "login 00210000012346"}));
    EXPECT_EQ(Xpath("string(/Config/Account[1]/@FaxUser)"), "00210000012346");
    EXPECT_TRUE(WaitFor([&] { return session->IsLoggedIn(); }));
}

} // namespace
