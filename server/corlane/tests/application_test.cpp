// The application frame: Main's phases, results and console lines in runs of
// corlane_main_probe (one process per case, since a failed phase leaves its
// application behind), and the creator and instance rules in this process.
#include <atomic>
#include <chrono>
#include <cstring>
#include <latch>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "corlane/Application.h"
#include "testsupport/TestSupport.h"

using CRL::Application;

namespace {

struct MainCase {
    const char* mode;
    int status;
    const char* out; // the phases that ran, and "deleted" when the application was destroyed
    const char* err;
};

void PrintTo(const MainCase& c, std::ostream* out) { *out << c.mode; }

const MainCase kMainCases[] = {
    {"ok", 7, "init\nrun\nuninit\ndeleted\n", ""},
    {"init-returns-0", 0, "init\n", ""},
    {"init-returns-3", 3, "init\n", ""},
    {"init-throws", 2, "init\n", "Unhandled exception from Application::init(). Exiting.\n"},
    {"run-throws", 2, "init\nrun\n", "Unhandled exception from Application::run(). Exiting.\n"},
    {"uninit-throws", 2, "init\nrun\nuninit\n", "Unhandled exception from Application::uninit(). Exiting.\n"},
};

class MainPhases : public ::testing::TestWithParam<MainCase> {};

TEST_P(MainPhases, RunsThePhasesAndReturnsTheirResult)
{
    const MainCase& c = GetParam();
    testsupport::TempDir dir;
    const std::string err = dir.file("stderr");
    const testsupport::CommandResult r =
        testsupport::run(testsupport::quote(CORLANE_MAIN_PROBE) + " " + c.mode + " 2>" + testsupport::quote(err));
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.output, c.out);
    EXPECT_EQ(testsupport::readFile(err), c.err);
}

INSTANTIATE_TEST_SUITE_P(Probe, MainPhases, ::testing::ValuesIn(kMainCases), [](const auto& info) {
    std::string name = info.param.mode;
    for (char& ch : name)
        if (ch == '-')
            ch = '_';
    return name;
});

// An application that counts its instances and does nothing.
class QuietApplication : public Application {
public:
    explicit QuietApplication(std::atomic<int>& alive) : alive_(alive) { ++alive_; }
    ~QuietApplication() override { --alive_; }
    int run() override { return 0; }

private:
    std::atomic<int>& alive_;
};

// Makes QuietApplications, slowly enough for two callers to meet in create().
class CountingCreator : public CRL::ApplicationCreator {
public:
    std::unique_ptr<Application> create() override
    {
        ++created;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (makeNone)
            return nullptr;
        return std::make_unique<QuietApplication>(alive);
    }
    std::atomic<int> created{0};
    std::atomic<int> alive{0};
    bool makeNone = false;
};

class ApplicationFrame : public ::testing::Test {
protected:
    void TearDown() override { Application::creator(nullptr); }

    // The exception text of instance(), or "" when it made an application.
    static std::string instanceFailure()
    {
        try {
            Application::instance();
        } catch (const char* text) {
            return text;
        }
        return "";
    }

    char program_[8] = "program";
    char* argv_[2] = {program_, nullptr};
    char* envp_[1] = {nullptr};
};

TEST_F(ApplicationFrame, WithoutCreatorTheExceptionReachesTheCaller)
{
    Application::creator(nullptr);
    EXPECT_THROW(Application::Main(1, argv_, envp_), const char*);
    EXPECT_EQ(instanceFailure(), "No ApplicationCreator");
}

TEST_F(ApplicationFrame, CreatorMakingNoApplicationCountsAsNone)
{
    CountingCreator creator;
    creator.makeNone = true;
    Application::creator(&creator);
    EXPECT_EQ(instanceFailure(), "No ApplicationCreator");
    EXPECT_THROW(Application::Main(1, argv_, envp_), const char*);
    EXPECT_EQ(creator.created, 2) << "asked again each time, as nothing was made";
}

TEST_F(ApplicationFrame, TwoThreadsGetOneApplicationThatMainDestroysAndForgets)
{
    CountingCreator creator;
    Application::creator(&creator);
    Application* seen[2] = {};
    std::latch start(2);
    std::thread first([&] { start.arrive_and_wait(); seen[0] = Application::instance(); });
    std::thread second([&] { start.arrive_and_wait(); seen[1] = Application::instance(); });
    first.join();
    second.join();
    ASSERT_NE(seen[0], nullptr);
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_EQ(creator.created, 1);

    EXPECT_EQ(Application::Main(1, argv_, envp_), 0);
    EXPECT_EQ(creator.alive, 0) << "Main destroyed the application it ran";
    EXPECT_EQ(Application::Main(1, argv_, envp_), 0);
    EXPECT_EQ(creator.created, 2) << "the next Main made a new one";
    EXPECT_EQ(creator.alive, 0);
}

} // namespace
