#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "jotter/Jotter.h"
#include "testsupport/TestSupport.h"

namespace {

class JotterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = dir_.file("zuvo.log");
        ASSERT_EQ(cpLogOpen(path_.c_str()), 1);
    }
    void TearDown() override
    {
        cpLogClose();
        cpLogSetPriority(10);
    }
    std::vector<std::string> lines() const
    {
        std::ifstream in(path_);
        std::vector<std::string> result;
        for (std::string line; std::getline(in, line);)
            result.push_back(line);
        return result;
    }
    testsupport::TempDir dir_;
    std::string path_;
};

} // namespace

TEST_F(JotterTest, WritesOnlyLevelsThatPassThePriority)
{
    cpLogSetPriority(6);
    cpLog_old_version(3, "kept %d", 3);
    cpLog_old_version(6, "kept %s", "six");
    cpLog_old_version(7, "dropped");
    cpLog(9, "dropped too");
    auto written = lines();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_NE(written[0].find("kept 3"), std::string::npos);
    EXPECT_NE(written[1].find("kept six"), std::string::npos);
}

TEST_F(JotterTest, WrapLogTagsTheSourcePosition)
{
    WrapLog("dir/client.cpp", 42)(6, "hello %d", 1);
    auto written = lines();
    ASSERT_EQ(written.size(), 1u);
    EXPECT_NE(written[0].find("client.cpp:42 hello 1"), std::string::npos);
}

TEST_F(JotterTest, AppendsToAnExistingLog)
{
    cpLog_old_version(5, "first");
    cpLogClose();
    ASSERT_EQ(cpLogOpen(path_.c_str()), 1);
    cpLog_old_version(5, "second");
    EXPECT_EQ(lines().size(), 2u);
}

TEST_F(JotterTest, EightThreadsWriteEightThousandWholeLines)
{
    constexpr int threads = 8;
    constexpr int perThread = 1000;
    const std::string payload(200, 'x');
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t)
        writers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i)
                cpLog(6, "T%d L%d %s END", t, i, payload.c_str());
        });
    for (auto& writer : writers)
        writer.join();

    auto written = lines();
    ASSERT_EQ(written.size(), static_cast<size_t>(threads * perThread));
    std::vector<int> perWriter(threads, 0);
    for (const auto& line : written) {
        ASSERT_EQ(line.substr(line.size() - 4), " END") << line;
        auto at = line.find(" T");
        ASSERT_NE(at, std::string::npos);
        ++perWriter[std::stoi(line.substr(at + 2))];
    }
    for (int count : perWriter)
        EXPECT_EQ(count, perThread);
}

TEST(JotterOpen, UnwritablePathFailsAndLoggingGoesOn)
{
    EXPECT_EQ(cpLogOpen("/nonexistent-dir/zuvo.log"), 0);
    EXPECT_EQ(cpLogOpen(nullptr), 0);
    cpLog_old_version(6, "still safe to call %d", 1);
}
