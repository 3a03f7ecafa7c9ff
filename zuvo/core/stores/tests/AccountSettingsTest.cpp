// The account properties' reading and write-back against account.xml and
// config.xml, checked with xmllint, md5sum and base64.

#include "core/stores/AccountSettings.h"

#include <gtest/gtest.h>

#include "core/TextUtil.h"
#include "core/stores/SysConfig.h"
#include "core/tests/AccountFixture.h"

namespace {

using testfiles::quote;
using testfiles::run;

constexpr const char* kMail =
    R"(FaxEMail="fax@example.com" SmtpHost="smtp.example.com" SmtpPort="2525" SmtpUser="me@example.com" )"
    R"(SmtpPassword="c210cA==" ReplyEMail="reply@example.com" Pop3Host="pop.example.com" Pop3Port="995" )"
    R"(Pop3User="pop" Pop3Password="cG9w" Pop3EMail="in@example.com")";

std::string Account(const std::string& faxUser, const std::string& more = "")
{
    return "<Account Name=\"main\" Default=\"yes\" FaxUser=\"" + faxUser + "\" FaxPassword=\"c2VjcmV0\" " +
           kMail + " " + more + "/>\n";
}

class AccountSettingsTest : public testfiles::AccountStoreTest {
protected:
    void SetUp() override
    {
        testfiles::writeFile(dir_.file("config.xml"),
                             "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config><System><FaxServers Current=\"0\">"
                             "<FaxServer Address=\"a\" Port=\"1\" Caption=\"A\"/>"
                             "<FaxServer Address=\"b\" Port=\"2\" Caption=\"\"/>"
                             "<FaxServer Address=\"c\" Port=\"3\" Caption=\"C\"/>"
                             "</FaxServers></System></Config>\n");
        ASSERT_EQ(config_.Open(dir_.file("config.xml")), 1);
    }
    AccountSettings Read(const std::string& path = "Account[0]")
    {
        std::optional<AccountSettings> settings = ReadAccountSettings(path);
        EXPECT_TRUE(settings.has_value());
        return settings.value_or(AccountSettings{});
    }
    // account: as XPath counts, from 1.
    std::string Attr(const std::string& name, const std::string& account = "Account[1]")
    {
        return xpath("string(/Config/" + account + "/@" + name + ")").value_or("<none>");
    }
    std::string Mail()
    {
        std::string all;
        for (const char* name : {"FaxEMail", "SmtpHost", "SmtpPort", "SmtpUser", "SmtpPassword", "ReplyEMail",
                                 "Pop3Host", "Pop3Port", "Pop3User", "Pop3Password", "Pop3EMail"})
            all += Attr(name) + "|";
        return all;
    }

    SysConfig config_;
};

TEST(FaxUserParts, SplitAndJoin)
{
    struct Case {
        std::string faxUser;
        FaxUserParts shown;
    };
    const Case cases[] = {
        {"00210000012345", {"0021", "12345", ""}},
        {"00210000012345abc", {"0021", "12345", "abc"}},
        {"8001", {"8001", "", ""}},
        {"0086", {"0086", "", ""}},
        {"00860000000000", {"0086", "0", ""}},
        {"001", {"001", "", ""}},
        {"12349876543210x", {"1234", "9876543210", "x"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitFaxUser(c.faxUser), c.shown) << c.faxUser;

    struct Joined {
        FaxUserParts parts;
        std::optional<std::string> faxUser;
    };
    const Joined joins[] = {
        {{"21", "12345", ""}, "00210000012345"},
        {{"0021", "12346", "abc"}, "00210000012346abc"},
        {{"", "", ""}, "00000000000000"},
        {{"1234", "9999999999", ""}, "12349999999999"},
        {{"12345", "1", ""}, std::nullopt},
        {{"1", "12345678901", ""}, std::nullopt},
        {{"00a1", "1", ""}, std::nullopt},
        {{"1", "-5", ""}, std::nullopt},
        {{"1", " 5", ""}, std::nullopt},
    };
    for (const Joined& j : joins)
        EXPECT_EQ(JoinFaxUser(j.parts), j.faxUser) << j.parts.areaCode << "/" << j.parts.number;
}

TEST(PromptText, HundredGbkBytesAreKeptAndLongerTextsCutWithinNinetyNine)
{
    const std::string hundred(100, 'a');
    EXPECT_EQ(CutPromptText(hundred), hundred);
    EXPECT_EQ(CutPromptText(hundred + "b"), std::string(99, 'a'));
    // 49 two-byte characters and "ab": 100 bytes, kept.
    std::string chinese;
    for (int i = 0; i < 49; ++i)
        chinese += "传";
    EXPECT_EQ(CutPromptText(chinese + "ab"), chinese + "ab");
    // "a" and 50 characters: 101 bytes; 99 would cut the 50th in half, so 98.
    const std::string cut = CutPromptText("a" + chinese + "传");
    EXPECT_EQ(cut, "a" + chinese);
    EXPECT_EQ(ToGbk(cut).size(), 99u);
}

TEST_F(AccountSettingsTest, ReadsTheSelectedAccountAndTheDefaultAccountsProxyAndLock)
{
    openWith("<Account Name=\"other\" Default=\"no\" FaxUser=\"00100000000001\" FaxPassword=\"b3RoZXI=\" Tag=\"3\" "
             "TagContent=\"hello\" IsUse=\"1\" FromName=\"Li\" ProxyFlag=\"0\"/>\n" +
             Account("00210000012345", "ProxyFlag=\"1\" ProxyServer=\"proxy\" ProxyPort=\"8080\" EnableAccess=\"1\" "
                                       "AccessPassword=\"bG9jaw==\" FaxServer=\"2\""));
    const AccountSettings other = Read("Account[0]");
    EXPECT_EQ(other.name, "other");
    EXPECT_FALSE(other.isDefault);
    EXPECT_EQ(other.faxPassword, "other");
    EXPECT_EQ(other.promptMode, 3);
    EXPECT_EQ(other.promptText, "hello");
    EXPECT_TRUE(other.isUse);
    EXPECT_EQ(other.fromName, "Li");
    // The proxy and the lock are the default account's.
    EXPECT_TRUE(other.proxyFlag);
    EXPECT_EQ(other.proxyServer, "proxy");
    EXPECT_EQ(other.proxyPort, 8080);
    EXPECT_TRUE(other.enableAccess);
    EXPECT_EQ(other.accessPassword, "lock");

    const AccountSettings main = Read("Account[1]");
    EXPECT_TRUE(main.isDefault);
    EXPECT_EQ(main.faxUserParts, (FaxUserParts{"0021", "12345", ""}));
    EXPECT_EQ(main.faxServer, 2);
    EXPECT_EQ(main.smtpPort, 2525);
    EXPECT_EQ(main.smtpPassword, "smtp");
    EXPECT_EQ(main.pop3Password, "pop");
    EXPECT_EQ(main.promptMode, kPromptNone);
    EXPECT_FALSE(ReadAccountSettings("Account[2]").has_value());
}

TEST_F(AccountSettingsTest, ConfirmedWritesTheAttributesTheAccessKeyAndTheServerAndLeavesTheMail)
{
    openWith(Account("00210000012345"));
    const std::string mailBefore = Mail();
    AccountSettings shown = Read();
    AccountSettings edited = shown;
    edited.faxPassword = "newpw";
    edited.faxServer = 2;
    edited.proxyServer = "proxy.example.com";
    edited.proxyPort = 8081;
    edited.enableAccess = true;
    edited.accessPassword = "锁lock";
    edited.promptMode = kPromptCustom;
    edited.promptText = "您好";
    edited.directory = "data";
    edited.fromName = "王";
    edited.fromFaxNum = "0211234";
    edited.isToName = true;
    edited.isUse = true;
    // Mail values changed on the page are not the sheet's to write.
    edited.smtpHost = "changed";

    AccountSettingsWriter writer("Account[0]", shown, config_);
    const SettingsWrite write = writer.WriteConfirmed(edited);
    EXPECT_TRUE(write.saved);
    EXPECT_FALSE(write.identityChanged);

    EXPECT_EQ(Attr("FaxUser"), "00210000012345");
    EXPECT_EQ(Attr("FaxPassword"), run("printf %s newpw | base64").output.substr(0, 8));
    EXPECT_EQ(Attr("FaxServer"), "2");
    EXPECT_EQ(testfiles::xpath(dir_.file("config.xml"), "string(/Config/System/FaxServers/@Current)"), "2");
    EXPECT_EQ(config_.Servers().CurrentIndex(), 2);
    EXPECT_EQ(Attr("ProxyFlag"), "0");
    EXPECT_EQ(Attr("ProxyServer"), "proxy.example.com");
    EXPECT_EQ(Attr("ProxyPort"), "8081");
    EXPECT_EQ(Attr("EnableAccess"), "1");
    const std::string b64 = Attr("AccessPassword");
    // The password's UTF-8 bytes in Base64.
    EXPECT_EQ(run("printf %s " + quote("锁lock") + " | base64 -w0").output, b64);
    const std::string key =
        run("printf 'KOBRET%05d%sLUMIVATREX' 1 " + quote(b64) + " | md5sum").output.substr(0, 32);
    EXPECT_EQ(Attr("AccessKey"), key);
    EXPECT_EQ(Attr("Tag"), "3");
    EXPECT_EQ(Attr("TagContent"), "您好");
    EXPECT_EQ(Attr("Directory"), "data");
    EXPECT_EQ(Attr("Default"), "yes");
    EXPECT_EQ(Attr("FromName"), "王");
    EXPECT_EQ(Attr("FromFaxNum"), "0211234");
    EXPECT_EQ(Attr("IsToName"), "1");
    EXPECT_EQ(Attr("IsToFaxNum"), "0");
    EXPECT_EQ(Attr("IsUse"), "1");
    EXPECT_EQ(Mail(), mailBefore);
    // The access lock now takes the new password.
    EXPECT_EQ(ReadAccountSettings("Account[0]")->accessPassword, "锁lock");
}

TEST_F(AccountSettingsTest, AnUnchangedFaxUserIsKeptByteForByteOnBothPaths)
{
    for (const std::string faxUser : {"00210000012345", "00210000012345abc", "8001", "00000000000000", "0086x"}) {
        for (bool confirmed : {true, false}) {
            AccountConfig::Close();
            openWith(Account(faxUser));
            const AccountSettings shown = Read();
            AccountSettingsWriter writer("Account[0]", shown, config_);
            const SettingsWrite write = confirmed ? writer.WriteConfirmed(shown) : writer.WriteAfterCancel(shown);
            EXPECT_TRUE(write.saved) << faxUser;
            EXPECT_FALSE(write.identityChanged) << faxUser;
            EXPECT_EQ(Attr("FaxUser"), faxUser) << faxUser << (confirmed ? " OK" : " Cancel");
        }
    }
}

TEST_F(AccountSettingsTest, AChangedFaxUserOrProxyFlagChangesTheIdentity)
{
    struct Case {
        const char* what;
        FaxUserParts parts;
        bool proxy;
        const char* stored;
        bool changed;
    };
    const Case cases[] = {
        {"one digit of the number", {"0021", "12346", "abc"}, false, "00210000012346abc", true},
        {"area code typed short", {"21", "12345", "abc"}, false, "00210000012345abc", false},
        {"rest in other case", {"0021", "12345", "ABC"}, false, "00210000012345ABC", false},
        {"rest longer", {"0021", "12345", "abcx"}, false, "00210000012345abcx", true},
        {"proxy flag only", {"0021", "12345", "abc"}, true, "00210000012345abc", true},
    };
    for (const Case& c : cases) {
        AccountConfig::Close();
        openWith(Account("00210000012345abc"));
        const AccountSettings shown = Read();
        AccountSettings edited = shown;
        edited.faxUserParts = c.parts;
        edited.proxyFlag = c.proxy;
        AccountSettingsWriter writer("Account[0]", shown, config_);
        EXPECT_EQ(writer.WriteConfirmed(edited).identityChanged, c.changed) << c.what;
        EXPECT_EQ(Attr("FaxUser"), c.stored) << c.what;
    }
}

TEST_F(AccountSettingsTest, RefusedSheetsWriteNothing)
{
    openWith(Account("00210000012345"));
    const std::string before = testfiles::md5sumOf(accountPath());
    const AccountSettings shown = Read();
    AccountSettingsWriter writer("Account[0]", shown, config_);
    AccountSettings badNumber = shown;
    badNumber.faxUserParts.number = "12345678901";
    EXPECT_EQ(writer.Check(badNumber), SettingsRefusal::BadFaxUser);
    AccountSettings badArea = shown;
    badArea.faxUserParts.areaCode = "O021";
    EXPECT_EQ(writer.Check(badArea), SettingsRefusal::BadFaxUser);
    AccountSettings notDefault = shown;
    notDefault.isDefault = false;
    EXPECT_EQ(writer.Check(notDefault), SettingsRefusal::LastDefaultAccount);
    for (const AccountSettings& edited : {badNumber, badArea, notDefault})
        EXPECT_FALSE(writer.WriteConfirmed(edited).saved);
    EXPECT_EQ(testfiles::md5sumOf(accountPath()), before);
}

TEST_F(AccountSettingsTest, DefaultMayBeClearedWhileAnotherAccountIsDefault)
{
    openWith(Account("00210000012345") + "<Account Name=\"two\" Default=\"YES\" FaxUser=\"00100000000001\"/>\n");
    const AccountSettings shown = Read();
    AccountSettings edited = shown;
    edited.isDefault = false;
    AccountSettingsWriter writer("Account[0]", shown, config_);
    EXPECT_EQ(writer.Check(edited), SettingsRefusal::None);
    EXPECT_TRUE(writer.WriteConfirmed(edited).saved);
    EXPECT_EQ(Attr("Default"), "no");
}

TEST_F(AccountSettingsTest, CancelAfterAPasswordChangeStoresTheIdentityOnly)
{
    openWith(Account("00210000012345", "ProxyServer=\"old\" ProxyPort=\"1\""));
    const std::string mailBefore = Mail();
    const AccountSettings shown = Read();
    AccountSettings edited = shown;
    edited.faxPassword = "fromserver";
    edited.faxServer = 2;
    edited.proxyServer = "new";
    edited.proxyPort = 2;
    edited.fromName = "not written";
    edited.promptMode = kPromptStandard;
    edited.promptText = std::string(101, 'p');
    AccountSettingsWriter writer("Account[0]", shown, config_);
    const SettingsWrite write = writer.WriteAfterCancel(edited);
    EXPECT_TRUE(write.saved);
    EXPECT_FALSE(write.identityChanged);
    EXPECT_EQ(run("printf %s " + quote(Attr("FaxPassword")) + " | base64 -d").output, "fromserver");
    EXPECT_EQ(Attr("FaxServer"), "2");
    EXPECT_EQ(Attr("ProxyServer"), "new");
    EXPECT_EQ(Attr("ProxyPort"), "1");
    EXPECT_EQ(Attr("Tag"), "2");
    EXPECT_EQ(Attr("TagContent"), std::string(99, 'p'));
    EXPECT_EQ(Attr("FromName"), "");
    EXPECT_EQ(xpath("count(/Config/Account[1]/@FromName)"), "0");
    EXPECT_EQ(Mail(), mailBefore);
}

} // namespace
