// The demo that scripts/run starts, as a new user meets it, headless: the
// program directory made by scripts/demo-home, the fake fax service with the
// demo's service.json, and the real program, whose three demo faxes must be
// in account.xml's boxes within 10 s of the login (read with xmllint).

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "SessionSim.h"

using namespace sessiontest;

namespace {

// The program, run with the given program directory until the test ends.
class ProgramRun {
public:
    explicit ProgramRun(const std::string& home)
    {
        pid_ = ::fork();
        if (pid_ != 0)
            return;
        ::setenv("ZUVO_HOME", home.c_str(), 1);
        ::setenv("HOME", home.c_str(), 1); // settings and the fax printer's note stay out of the user's home
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const std::string program = std::string(ZUVO_BINARY_DIR) + "/bin/zuvo";
        const std::string out = home + "/zuvo.out";
        std::FILE* log = std::fopen(out.c_str(), "w");
        if (log) {
            ::dup2(::fileno(log), 1);
            ::dup2(::fileno(log), 2);
        }
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ~ProgramRun()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

private:
    pid_t pid_ = -1;
};

// Waits as WaitFor does, trying condition only every tryEveryMs: each try
// here starts a process (the log's parser, xmllint).
bool WaitTryingEvery(const std::function<bool()>& condition, int timeoutMs, int tryEveryMs)
{
    return WaitFor(
        [&] {
            if (condition())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(tryEveryMs));
            return false;
        },
        timeoutMs);
}

std::string DemoHome(const std::string& home, int port)
{
    return "bash " + testfiles::quote(std::string(ZUVO_SOURCE_DIR) + "/scripts/demo-home") + " --faxes " +
           testfiles::quote(home) + " " + std::to_string(port);
}

} // namespace

TEST(DemoHome, TheThreeDemoFaxesAreFiledWithinTenSecondsOfTheLogin)
{
    testfiles::TempDir dir;
    const std::string home = dir.file("demo");
    // The service does not depend on the port: made first, then the server
    // it describes starts, then the directory points at its port.
    ASSERT_TRUE(testfiles::runOk(DemoHome(home, 1)));
    FaxServiceSim sim(testfiles::readFile(home + "/service.json"), dir.path(), 0, 2, 120.0);
    ASSERT_TRUE(testfiles::runOk(DemoHome(home, sim.port())));

    ProgramRun program(home);
    ASSERT_TRUE(WaitTryingEvery([&] { return !sim.Requests("login").empty(); }, 60000, 100))
        << testfiles::readFile(home + "/zuvo.out");
    const std::string account = home + "/account.xml";
    auto filed = [&] { return testfiles::xpath(account, "count(//Folder/Fax)").value_or("?"); };
    EXPECT_TRUE(WaitTryingEvery([&] { return filed() == "3"; }, 10000, 50)) << filed();

    struct Box {
        const char* type;
        const char* topic;
        const char* pages;
    };
    for (const Box& box : {Box{"faxbox", "报价单", "2"}, Box{"inbox", "发送回执", "1"},
                           Box{"failedbox", "发送失败报告", "1"}}) {
        const std::string fax = std::string("/Config/Account/Folder[@Type='") + box.type + "']/Fax";
        EXPECT_EQ(testfiles::xpath(account, "count(" + fax + ")"), "1") << box.type;
        EXPECT_EQ(testfiles::xpath(account, "string(" + fax + "/@Topic)"), box.topic) << box.type;
        EXPECT_EQ(testfiles::xpath(account, "string(" + fax + "/@Pages)"), box.pages) << box.type;
    }
    // The sender is the demo address book's contact.
    EXPECT_EQ(testfiles::xpath(account, "string(//Folder[@Type='faxbox']/Fax/@Name)"), "王明");
    std::vector<std::string> acknowledged;
    for (const WireLine& line : sim.Requests("updatefax"))
        acknowledged.push_back(line.get("faxid"));
    EXPECT_EQ(acknowledged, (std::vector<std::string>{"DEMO-1", "DEMO-2", "DEMO-3"}));
}
