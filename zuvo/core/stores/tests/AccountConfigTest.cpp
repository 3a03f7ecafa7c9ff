#include "core/stores/AccountConfig.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/tests/AccountFixture.h"

namespace {

using testfiles::AccountStoreTest;

const std::string kTwoDefaults =
    "<Account Name=\"off\" Default=\"no\" FaxUser=\"u0\"/>\n"
    "<Account Name=\"first\" Default=\"YES\" FaxUser=\"u1\" ProxyPort=\"8080\" UpdateFlag=\"2\" ProxyFlag=\"yes\""
    " EnableAccess=\"1\" SmtpPort=\"25\" FaxServer=\"3\">\n"
    "  <Folder Name=\"Out\" Type=\"OutBox\" Directory=\"outbox\"/>\n"
    "</Account>\n"
    "<Account Name=\"second\" Default=\"yes\" FaxUser=\"u2\">\n"
    "  <Folder Name=\"Sent\" Type=\"overbox\" Directory=\"/srv/sent\"/>\n"
    "</Account>\n";

} // namespace

TEST_F(AccountStoreTest, FirstAccountMarkedDefaultInAnyCaseWins)
{
    openWith(kTwoDefaults);
    EXPECT_EQ(AccountConfig::GetDefaultAccountPath(), "Account[1]");
    EXPECT_EQ(AccountConfig::GetAccountName(), "first");
    EXPECT_EQ(AccountConfig::GetFaxUser(), "u1");
    // Folder search goes on through the later default accounts.
    EXPECT_EQ(AccountConfig::GetOutBoxPath(), "Account[1]/Folder[0]");
    EXPECT_EQ(AccountConfig::GetOverBoxPath(), "Account[2]/Folder[0]");
    EXPECT_EQ(AccountConfig::GetOverBoxDirectory(), "/srv/sent");
    EXPECT_EQ(AccountConfig::HasFolderOfType("OVERBOX"), 0); // only the first default account's own folders
    EXPECT_EQ(AccountConfig::HasFolderOfType("outbox"), 1);
    EXPECT_EQ(AccountConfig::FindFolderPath("Account[2]", "overbox"), "Account[2]/Folder[0]");
}

TEST_F(AccountStoreTest, SettingsReadTheirValuesOrDefaults)
{
    openWith(kTwoDefaults);
    struct Case {
        const char* what;
        int value;
        int expected;
    };
    const std::vector<Case> cases = {
        {"UpdateFlag \"2\"", AccountConfig::GetUpdateFlag(), 0},
        {"ProxyFlag \"yes\"", AccountConfig::GetProxyFlag(), 0},
        {"ProxyPort", AccountConfig::GetProxyPort(), 8080},
        {"EnableAccess", AccountConfig::GetEnableAccess(), 1},
        {"SmtpPort", AccountConfig::GetSmtpPort(), 25},
        {"FaxServer", AccountConfig::GetFaxServer(), 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.value, c.expected) << c.what;

    // Setters create what is missing; nothing reaches the file before Save.
    const std::string before = testfiles::md5sumOf(accountPath());
    EXPECT_EQ(AccountConfig::SetUpdateFlag(1), 1);
    EXPECT_EQ(AccountConfig::SetProxyServer("proxy.example"), 1);
    EXPECT_EQ(AccountConfig::SetAccessKey("0123abcd"), 1);
    EXPECT_EQ(AccountConfig::GetUpdateFlag(), 1);
    EXPECT_EQ(testfiles::md5sumOf(accountPath()), before);
    ASSERT_EQ(AccountConfig::Save(), 1);
    EXPECT_EQ(xpath("string(/Config/Account[2]/@ProxyServer)"), "proxy.example");
    EXPECT_EQ(xpath("string(/Config/Account[2]/@AccessKey)"), "0123abcd");
    EXPECT_EQ(xpath("string(/Config/Account[2]/@UpdateFlag)"), "1");
}

TEST_F(AccountStoreTest, WithoutDefaultAccountEveryDefaultApplies)
{
    openWith("<Account Name=\"a\" Default=\"no\" ProxyPort=\"1\" UpdateFlag=\"1\"><Folder Type=\"outbox\"/></Account>\n");
    const std::string before = testfiles::md5sumOf(accountPath());
    EXPECT_EQ(AccountConfig::GetDefaultAccountPath(), "");
    EXPECT_EQ(AccountConfig::GetProxyPort(), 9000);
    EXPECT_EQ(AccountConfig::GetUpdateFlag(), 0);
    EXPECT_EQ(AccountConfig::GetFaxServer(), 0);
    EXPECT_EQ(AccountConfig::GetFaxUser(), "");
    EXPECT_EQ(AccountConfig::GetDataDirectory(), "");
    EXPECT_EQ(AccountConfig::GetOutBoxPath(), "");
    EXPECT_EQ(AccountConfig::GetOutBoxFaxCount(), 0);
    EXPECT_EQ(AccountConfig::SetProxyPort(1), 0);
    EXPECT_EQ(AccountConfig::EnsureDefaultFolders("CN"), 0);
    EXPECT_EQ(AccountConfig::PrepareDataDirectories(dir_.path()), 0);
    EXPECT_EQ(testfiles::md5sumOf(accountPath()), before);
}

TEST_F(AccountStoreTest, FaxboxGoesBeforeTheRenamedInboxOnce)
{
    for (const auto& [language, faxbox, inbox, failed] :
         {std::tuple{"CN", "收件箱", "回执箱", "失败箱"}, std::tuple{"en", "rcvBox", "replyBox", "Failed"}}) {
        AccountConfig::Close();
        openWith("<Account Default=\"yes\" Directory=\"data\">"
                 "<Folder Name=\"Out\" Type=\"outbox\" Directory=\"outbox\"/>"
                 "<Folder Name=\"anything\" Type=\"InBox\" Directory=\"inbox\"/>"
                 "<Folder Name=\"Sent\" Type=\"overbox\" Directory=\"overbox\"/></Account>\n");
        ASSERT_EQ(AccountConfig::EnsureDefaultFolders(language), 1);
        EXPECT_EQ(xpath("count(/Config/Account/Folder)"), "5") << language;
        EXPECT_EQ(xpath("string(/Config/Account/Folder[2]/@Type)"), "faxbox") << language;
        EXPECT_EQ(xpath("string(/Config/Account/Folder[2]/@Name)"), faxbox) << language;
        EXPECT_EQ(xpath("string(/Config/Account/Folder[2]/@Directory)"), "faxbox") << language;
        EXPECT_EQ(xpath("string(/Config/Account/Folder[3]/@Name)"), inbox) << language;
        EXPECT_EQ(xpath("string(/Config/Account/Folder[@Type='failedbox']/@Name)"), failed) << language;
        EXPECT_EQ(xpath("string(/Config/Account/Folder[5]/@Type)"), "failedbox") << language;

        // A second start finds both folders and leaves the file alone.
        const std::string once = testfiles::md5sumOf(accountPath());
        AccountConfig::Close();
        ASSERT_EQ(AccountConfig::Open(dir_.path()), 1);
        EXPECT_EQ(AccountConfig::EnsureDefaultFolders(language), 1);
        EXPECT_EQ(testfiles::md5sumOf(accountPath()), once) << language;
    }
}

TEST_F(AccountStoreTest, DataDirectoryEndsUpBelowTheProgramDirectory)
{
    const std::string elsewhere = dir_.file("elsewhere");
    std::filesystem::create_directory(elsewhere);
    openWith("<Account Default=\"yes\" Directory=\"" + elsewhere + "\"/>\n");
    EXPECT_EQ(AccountConfig::GetDataDirectory(), elsewhere);

    ASSERT_EQ(AccountConfig::PrepareDataDirectories(dir_.path()), 1);
    const std::string data = dir_.file("data");
    EXPECT_TRUE(std::filesystem::is_directory(data));
    EXPECT_EQ(xpath("string(/Config/Account/@Directory)"), data);
    EXPECT_EQ(AccountConfig::GetDataDirectory(), data);

    // Already there: nothing is written.
    const std::string once = testfiles::md5sumOf(accountPath());
    EXPECT_EQ(AccountConfig::PrepareDataDirectories(dir_.path()), 1);
    EXPECT_EQ(testfiles::md5sumOf(accountPath()), once);

    // A Directory attribute that is missing is created.
    AccountConfig::Close();
    std::filesystem::remove_all(data);
    openWith("<Account Default=\"yes\"/>\n");
    ASSERT_EQ(AccountConfig::PrepareDataDirectories("relative/dir"), 1);
    EXPECT_TRUE(std::filesystem::is_directory(data));
    EXPECT_EQ(xpath("string(/Config/Account/@Directory)"), data);
}

TEST_F(AccountStoreTest, OpenFallsBackToTheBackupAndRewritesIt)
{
    // Each start rewrites the backup from what was loaded.
    openWith("<Account Name=\"main\" Default=\"yes\"/>\n");
    EXPECT_EQ(testfiles::xpath(backupPath(), "string(/Config/Account/@Name)"), "main");

    // account.xml unreadable: the backup is loaded, and later saves go to it.
    AccountConfig::Close();
    testfiles::writeFile(accountPath(), "<Config><Account");
    const std::string broken = testfiles::md5sumOf(accountPath());
    ASSERT_EQ(AccountConfig::Open(dir_.path()), 1);
    EXPECT_EQ(AccountConfig::GetAccountName(), "main");
    ASSERT_EQ(AccountConfig::SetProxyPort(1234), 1);
    ASSERT_EQ(AccountConfig::Save(), 1);
    EXPECT_EQ(testfiles::xpath(backupPath(), "string(/Config/Account/@ProxyPort)"), "1234");
    EXPECT_EQ(testfiles::md5sumOf(accountPath()), broken);

    // The backup alone.
    AccountConfig::Close();
    std::filesystem::remove(accountPath());
    ASSERT_EQ(AccountConfig::Open(dir_.path()), 1);
    EXPECT_EQ(AccountConfig::GetProxyPort(), 1234);
    ASSERT_EQ(AccountConfig::SetProxyPort(4321), 1);
    ASSERT_EQ(AccountConfig::Save(), 1);
    EXPECT_EQ(testfiles::xpath(backupPath(), "string(/Config/Account/@ProxyPort)"), "4321");
    EXPECT_FALSE(std::filesystem::exists(accountPath()));

    // Neither file.
    AccountConfig::Close();
    std::filesystem::remove(backupPath());
    EXPECT_EQ(AccountConfig::Open(dir_.path()), 0);
    EXPECT_EQ(AccountConfig::IsOpen(), 0);
    EXPECT_EQ(AccountConfig::Save(), 0);
    EXPECT_EQ(AccountConfig::GetAttrInt("Account[0]", "ProxyPort"), -1);
    EXPECT_EQ(AccountConfig::GetChildNum(), -1);
}

TEST_F(AccountStoreTest, SaveFailureIsReportedAndListenerTold)
{
    openWith("<Account Default=\"yes\"/>\n");
    int saves = 0;
    AccountConfig::SetSaveListener([&] { ++saves; });
    EXPECT_EQ(AccountConfig::Save(), 1);
    // A directory where the file should be: the rename over it fails.
    std::filesystem::remove(accountPath());
    std::filesystem::create_directory(accountPath());
    EXPECT_EQ(AccountConfig::SetProxyPort(1), 1);
    EXPECT_EQ(AccountConfig::Save(), 0);
    EXPECT_TRUE(std::filesystem::is_directory(accountPath()));
    EXPECT_EQ(saves, 2);
}

TEST(AccountFolderRule, OneRuleForEveryFolderDirectory)
{
    testfiles::ScopedEnv home("ZUVO_HOME", "/opt/zuvo");
    struct Case {
        std::string account, folder, expected;
    };
    const std::vector<Case> cases = {
        {"/home/u/data", "faxbox", "/home/u/data/faxbox"},
        {"data", "faxbox", "/opt/zuvo/data/faxbox"},
        {"data", "/mnt/faxes", "/mnt/faxes"},
        {"", "/mnt/faxes", "/mnt/faxes"},
        {"/home/u/data", "sub/box", "/home/u/data/sub/box"},
        {"/home/u/data", "../../etc", ""},
        {"../up", "faxbox", ""},
        {"/home/u/data", "", ""},
        {"", "faxbox", ""},
        {"/home/u/data", "C:\\faxes", ""}, // a Windows path is no name here
    };
    for (const Case& c : cases)
        EXPECT_EQ(AccountConfig::ResolveFolderDirectory(c.account, c.folder), c.expected)
            << c.account << " + " << c.folder;
}

TEST_F(AccountStoreTest, ShippedSampleNeedsNoRepairAndGetsItsDataDirectory)
{
    testfiles::writeFile(accountPath(),
                         testfiles::readFile(std::string(ZUVO_SOURCE_DIR) + "/zuvo/res/samples/account.xml"));
    ASSERT_EQ(AccountConfig::Open(dir_.path()), 1);
    const std::string shipped = testfiles::md5sumOf(accountPath());
    EXPECT_EQ(AccountConfig::EnsureDefaultFolders("CN"), 1);
    EXPECT_EQ(testfiles::md5sumOf(accountPath()), shipped);
    for (const char* type : {"tempbox", "deposebox", "faxbox", "inbox", "outbox", "trashbox", "overbox", "failedbox"})
        EXPECT_EQ(AccountConfig::HasFolderOfType(type), 1) << type;
    // Each role's shorthands find the folder of its own Type.
    struct Role {
        const char* type;
        std::string path, directory;
    };
    const std::vector<Role> roles = {
        {"tempbox", AccountConfig::GetTempBoxPath(), AccountConfig::GetTempBoxDirectory()},
        {"deposebox", AccountConfig::GetDeposeBoxPath(), AccountConfig::GetDeposeBoxDirectory()},
        {"faxbox", AccountConfig::GetFaxBoxPath(), AccountConfig::GetFaxBoxDirectory()},
        {"inbox", AccountConfig::GetInBoxPath(), AccountConfig::GetInBoxDirectory()},
        {"outbox", AccountConfig::GetOutBoxPath(), AccountConfig::GetOutBoxDirectory()},
        {"trashbox", AccountConfig::GetTrashBoxPath(), AccountConfig::GetTrashBoxDirectory()},
        {"overbox", AccountConfig::GetOverBoxPath(), AccountConfig::GetOverBoxDirectory()},
    };
    for (const Role& role : roles) {
        EXPECT_EQ(AccountConfig::GetAttr(role.path, "Type"), role.type);
        EXPECT_EQ(role.directory, role.type); // the sample names each directory after its role
    }
    ASSERT_EQ(AccountConfig::PrepareDataDirectories(dir_.path()), 1);
    EXPECT_EQ(AccountConfig::GetDataDirectory(), dir_.file("data"));
    EXPECT_EQ(AccountConfig::GetFolderFullDirectory(AccountConfig::GetOutBoxPath()), dir_.file("data/outbox"));
    EXPECT_EQ(AccountConfig::GetFolderFullDirectory("Account[0]"), dir_.file("data"));
}
