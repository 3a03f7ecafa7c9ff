// The default printer over CUPS and the fax printer switch, against a
// private cupsd (testsupport/PrivateCupsServer.h) whose queues keep every
// job: lpstat -d is the oracle for the default, cmp for a job's bytes, and
// a run of lpstat without the scratch HOME shows that the server's own
// default never changes. Without cupsd the tests skip, saying why.

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "compose/print/DefaultPrinter.h"
#include "compose/print/FaxPrinterSwitch.h"
#include "compose/tests/ScriptedComposePrompts.h"
#include "testsupport/PrivateCupsServer.h"

using testsupport::PrivateCupsServer;
using testsupport::quote;
using testsupport::run;

namespace {

#define START_CUPS(name, ...)                                                                                         \
    PrivateCupsServer name(__VA_ARGS__);                                                                            \
    if (!name.Ready())                                                                                               \
    GTEST_SKIP() << name.Why()

std::string UserDefault()
{
    return run("lpstat -d 2>&1").output;
}

// The server's own default, seen without the user's lpoptions.
std::string ServerDefault()
{
    return run("HOME=/nonexistent lpstat -d 2>&1").output;
}

std::string DefaultLine(const std::string& queue)
{
    return "system default destination: " + queue + "\n";
}

TEST(FaxPrinterNameTest, BothSpellingsInAnyCaseNameTheFaxPrinter)
{
    const struct {
        const char* name;
        bool fax;
    } cases[] = {
        {"Zuvo Print", true},  {"zuvo print", true},    {"ZUVO_PRINT", true},  {"Zuvo_Print", true},
        {"Zuvo Printer", false}, {"Zuvo-Print", false}, {"ZuvoPrint", false}, {" Zuvo Print", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsFaxPrinterName(c.name), c.fax) << c.name;
}

TEST(DefaultPrinterTest, TheNameIsReadUnderTheSizeRule)
{
    START_CUPS(cups, {"Earlier", "Zuvo_Print"});
    ASSERT_EQ(UserDefault(), DefaultLine("Earlier"));

    std::array<char, 16> buffer{};
    buffer.fill('x');
    std::size_t size = 7; // "Earlier" needs 8
    EXPECT_EQ(GetDefaultPrinterName(buffer.data(), size), 0);
    EXPECT_EQ(size, 8U);
    EXPECT_EQ(buffer[0], 'x') << "nothing is written when the name does not fit";

    size = 0;
    EXPECT_EQ(GetDefaultPrinterName(nullptr, size), 0);
    EXPECT_EQ(size, 8U);

    size = 8;
    ASSERT_EQ(GetDefaultPrinterName(buffer.data(), size), 1);
    EXPECT_STREQ(buffer.data(), "Earlier");
    EXPECT_EQ(size, 8U);
}

TEST(DefaultPrinterTest, NoDefaultFailsAndLeavesTheSize)
{
    START_CUPS(cups, std::vector<std::string>{});
    std::array<char, 128> buffer{};
    std::size_t size = buffer.size();
    EXPECT_EQ(GetDefaultPrinterName(buffer.data(), size), 0);
    EXPECT_EQ(size, 128U);
}

TEST(DefaultPrinterTest, SettingWritesOnlyTheUsersOptions)
{
    START_CUPS(cups, {"Earlier", "Zuvo_Print"});
    for (const char* refused : {static_cast<const char*>(nullptr), "", "Nowhere", "Zuvo Print"})
        EXPECT_EQ(SetDefaultPrinterName(refused), 0) << (refused ? refused : "null");
    EXPECT_FALSE(std::filesystem::exists(PrivateCupsServer::UserOptionsFile()));
    EXPECT_EQ(UserDefault(), DefaultLine("Earlier"));

    ASSERT_EQ(SetDefaultPrinterName(kFaxPrinterQueue), 1);
    EXPECT_EQ(UserDefault(), DefaultLine("Zuvo_Print"));
    EXPECT_EQ(ServerDefault(), DefaultLine("Earlier"));
    EXPECT_NE(testsupport::readFile(PrivateCupsServer::UserOptionsFile()).find("Default Zuvo_Print"),
              std::string::npos);

    ASSERT_EQ(SetDefaultPrinterName("Earlier"), 1);
    EXPECT_EQ(UserDefault(), DefaultLine("Earlier"));
}

class FaxPrinterSwitchTest : public ::testing::Test {
protected:
    FaxPrinterSwitchTest() { testsupport::writeFile(document_, "a document to fax\n"); }

    testsupport::TempDir dir_;
    const std::string document_ = dir_.file("备忘 memo.txt");
    ScriptedComposePrompts prompts_;
    FaxPrinterSwitch switch_;
};

TEST_F(FaxPrinterSwitchTest, TheJobGoesToTheFaxPrinterAndTheEarlierDefaultComesBack)
{
    START_CUPS(cups, {"Earlier", "Zuvo_Print"});
    ASSERT_TRUE(switch_.PrintOnFaxPrinter(document_, prompts_));
    EXPECT_TRUE(prompts_.texts.empty());
    EXPECT_EQ(UserDefault(), DefaultLine("Zuvo_Print"));
    EXPECT_EQ(switch_.PreviousDefault(), "Earlier");

    const std::vector<std::string> jobs = cups.Jobs(1);
    ASSERT_EQ(jobs.size(), 1U);
    EXPECT_TRUE(jobs[0].ends_with("-Zuvo_Print")) << jobs[0];
    EXPECT_EQ(run("cmp " + quote(jobs[0]) + " " + quote(document_)).status, 0);

    switch_.RestorePreviousDefault();
    EXPECT_EQ(UserDefault(), DefaultLine("Earlier"));
    EXPECT_EQ(ServerDefault(), DefaultLine("Earlier"));
    EXPECT_EQ(switch_.PreviousDefault(), "");
}

TEST_F(FaxPrinterSwitchTest, ADefaultNamedAsTheFaxPrinterIsLeftAsItIs)
{
    START_CUPS(cups, {"ZUVO_PRINT"});
    ASSERT_TRUE(switch_.PrintOnFaxPrinter(document_, prompts_));
    EXPECT_EQ(switch_.PreviousDefault(), "ZUVO_PRINT");
    switch_.RestorePreviousDefault();

    EXPECT_FALSE(std::filesystem::exists(PrivateCupsServer::UserOptionsFile())) << "no default was written";
    EXPECT_EQ(UserDefault(), DefaultLine("ZUVO_PRINT"));
    const std::vector<std::string> jobs = cups.Jobs(1);
    ASSERT_EQ(jobs.size(), 1U);
    EXPECT_EQ(run("cmp " + quote(jobs[0]) + " " + quote(document_)).status, 0);
}

TEST_F(FaxPrinterSwitchTest, ARefusedJobSaysSoAndTheDefaultComesBack)
{
    START_CUPS(cups, {"Earlier", "Zuvo_Print"});
    ASSERT_TRUE(testsupport::runOk("cupsreject Zuvo_Print"));
    EXPECT_FALSE(switch_.PrintOnFaxPrinter(document_, prompts_));
    EXPECT_EQ(prompts_.texts, std::vector<std::string>{"打印失败，可能文件" + document_ + "不能打印!"});
    EXPECT_EQ(UserDefault(), DefaultLine("Earlier"));
    EXPECT_TRUE(std::filesystem::is_empty(cups.JobDirectory()));
}

TEST_F(FaxPrinterSwitchTest, AFaxPrinterThatCannotBeMadeTheDefaultIsAskedAboutUntilNo)
{
    START_CUPS(cups, {"Earlier"});
    prompts_.answers = {true, false};
    EXPECT_FALSE(switch_.PrintOnFaxPrinter(document_, prompts_));
    EXPECT_EQ(prompts_.texts, std::vector<std::string>(2, "set default printer failed , try...."));
    EXPECT_EQ(UserDefault(), DefaultLine("Earlier"));
    EXPECT_TRUE(std::filesystem::is_empty(cups.JobDirectory()));
    EXPECT_EQ(switch_.PreviousDefault(), "");
}

TEST_F(FaxPrinterSwitchTest, WithoutADefaultNothingIsPrinted)
{
    START_CUPS(cups, std::vector<std::string>{});
    ASSERT_TRUE(testsupport::runOk("lpadmin -p Zuvo_Print -E -v capture:" + quote(cups.JobDirectory())));
    EXPECT_FALSE(switch_.PrintOnFaxPrinter(document_, prompts_));
    EXPECT_EQ(prompts_.texts, std::vector<std::string>{"get default printer failed"});
    EXPECT_TRUE(std::filesystem::is_empty(cups.JobDirectory()));
}

} // namespace
