#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The log stays below its size limit: a full file becomes "<name>.1" (one
// old file kept) and a new file takes the next lines. The size of a file
// that already existed counts.
TEST_F(JotterTest, AFullLogRollsOverToOneOldFile)
{
    constexpr unsigned long limit = 1000;
    cpLogSetSizeLimit(limit);
    cpLog_old_version(5, "%s", std::string(900, 'x').c_str()); // nearly full before the numbered lines
    cpLogClose();
    ASSERT_EQ(cpLogOpen(path_.c_str()), 1);
    for (int i = 0; i < 30; ++i)
        cpLog_old_version(5, "line %02d %s", i, std::string(60, 'y').c_str());
    cpLogSetSizeLimit(kLogSizeLimit);

    const std::string old = path_ + ".1";
    auto linesOf = [](const std::string& file) {
        std::ifstream in(file);
        std::vector<std::string> result;
        for (std::string line; std::getline(in, line);)
            result.push_back(line);
        return result;
    };
    const std::vector<std::string> current = lines();
    const std::vector<std::string> previous = linesOf(old);
    ASSERT_FALSE(current.empty());
    ASSERT_FALSE(previous.empty());
    EXPECT_LE(testsupport::readFile(path_).size(), limit);
    EXPECT_LE(testsupport::readFile(old).size(), limit);
    for (const std::string& line : previous)
        EXPECT_EQ(line.find(std::string(900, 'x')), std::string::npos) << "only one old file is kept";
    // The old file ends right before the current one begins, with line 29 last.
    auto number = [](const std::string& line) { return std::stoi(line.substr(line.find("line ") + 5, 2)); };
    EXPECT_EQ(number(previous.back()) + 1, number(current.front()));
    EXPECT_EQ(number(current.back()), 29);
    EXPECT_EQ(number(current.back()) - number(previous.front()) + 1,
              static_cast<int>(previous.size() + current.size()));
}

// One call is one line: the control characters of the text (a line feed in
// a server's reply, a terminal's escape) are written escaped; a line end
// that closes the format is the line's own.
TEST_F(JotterTest, ControlCharactersAreWrittenEscaped)
{
    struct Case {
        const char* text;
        const char* written;
    };
    const Case cases[] = {
        {"reply=<ok>\n2024-01-01 00:00:00.000 [3] forged", "reply=<ok>\\n2024-01-01 00:00:00.000 [3] forged"},
        {"a\r\nb", "a\\r\\nb"},
        {"tab\there", "tab\\there"},
        {"\x1b[31mred\x7f", "\\x1b[31mred\\x7f"},
        {"\x01\x1f", "\\x01\\x1f"},
        {"张三\\路", "张三\\路"},
    };
    for (const Case& c : cases)
        cpLog(5, "%s", c.text);
    cpLog_old_version(5, "closed by its own line end\n");
    const std::vector<std::string> written = lines();
    ASSERT_EQ(written.size(), std::size(cases) + 1);
    auto endsWith = [](const std::string& line, const std::string& end) {
        return line.size() >= end.size() && line.compare(line.size() - end.size(), end.size(), end) == 0;
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_TRUE(endsWith(written[i], cases[i].written)) << written[i];
    EXPECT_TRUE(endsWith(written.back(), " closed by its own line end")) << written.back();
}

// Only a regular file of its own is rolled over: a pipe, a device or a link
// the log was opened on is written as it is, and never renamed or replaced.
TEST(JotterRollOver, OnlyARegularFileIsRolledOver)
{
    testsupport::TempDir dir;
    struct Case {
        const char* what;
        std::string path;
    };
    const std::string fifo = dir.file("pipe.log");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The reading end, so that the log can open the pipe without waiting;
    // what is written here stays below the pipe's buffer.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const std::string target = dir.file("target.log");
    const std::string link = dir.file("link.log");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    const Case cases[] = {{"a pipe", fifo}, {"a symbolic link", link}};

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        struct stat before {};
        ASSERT_EQ(::lstat(c.path.c_str(), &before), 0);
        ASSERT_EQ(cpLogOpen(c.path.c_str()), 1);
        cpLogSetSizeLimit(1000);
        for (int i = 0; i < 30; ++i)
            cpLog_old_version(5, "line %02d %s", i, std::string(60, 'y').c_str());
        cpLogSetSizeLimit(kLogSizeLimit);
        cpLogClose();
        struct stat after {};
        ASSERT_EQ(::lstat(c.path.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_NE(::access((c.path + ".1").c_str(), F_OK), 0) << "renamed to " << c.path << ".1";
    }
    std::string piped(8192, '\0');
    const ssize_t got = ::read(reader, piped.data(), piped.size());
    ::close(reader);
    ASSERT_GT(got, 0);
    piped.resize(static_cast<std::size_t>(got));
    EXPECT_NE(piped.find("line 29"), std::string::npos);
    EXPECT_NE(testsupport::readFile(target).find("line 00"), std::string::npos);
    EXPECT_NE(testsupport::readFile(target).find("line 29"), std::string::npos);
}
