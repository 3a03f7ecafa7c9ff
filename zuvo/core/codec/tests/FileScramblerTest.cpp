#include "core/codec/FileScrambler.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

#include "core/tests/TestFiles.h"

namespace {

std::string pattern(std::size_t n)
{
    std::string bytes;
    for (std::size_t i = 0; i < n; ++i)
        bytes += char((i * 37 + 11) & 0xFF);
    return bytes;
}

} // namespace

TEST(FileScrambler, XorsTheFirstKilobyteInPlace)
{
    testfiles::TempDir dir;
    const std::string key = "dravmol";
    for (std::size_t length : {std::size_t(10), std::size_t(1024), std::size_t(5000)}) {
        const std::string path = dir.file("f" + std::to_string(length));
        const std::string original = pattern(length);
        testfiles::writeFile(path, original);

        ASSERT_EQ(ScrambleFile(path), 1);
        const std::string scrambled = testfiles::readFile(path);
        ASSERT_EQ(scrambled.size(), length);
        for (std::size_t i = 0; i < length; ++i) {
            const char expected = i < 1024 ? char(original[i] ^ key[i % 7]) : original[i];
            ASSERT_EQ(scrambled[i], expected) << "byte " << i << " of " << length;
        }

        ASSERT_EQ(ScrambleFile(path), 1);
        EXPECT_EQ(testfiles::readFile(path), original) << length;
    }
}

TEST(FileScrambler, EmptyAndMissingFiles)
{
    testfiles::TempDir dir;
    const std::string empty = dir.file("empty");
    testfiles::writeFile(empty, "");
    EXPECT_EQ(ScrambleFile(empty), 1);
    EXPECT_EQ(std::filesystem::file_size(empty), 0u);

    const std::string missing = dir.file("missing");
    EXPECT_EQ(ScrambleFile(missing), 0);
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(ScrambleFile(dir.path()), 0); // a directory is not a file
}

TEST(FileScrambler, ShortWriteReportsFailure)
{
    // With the file-size limit below the region, the write back stops short.
    testfiles::TempDir dir;
    const std::string path = dir.file("f");
    testfiles::writeFile(path, pattern(2000));
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 100;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = ScrambleFile(path);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, 0);
}

TEST(FileScrambler, APlainCopyLeavesTheFileAsItWasAndGoesWithItsObject)
{
    testfiles::TempDir dir;
    testfiles::TempDir tmp;
    testfiles::ScopedEnv privateTmp("TMPDIR", tmp.path());
    for (std::size_t length : {std::size_t(0), std::size_t(700), std::size_t(3000)}) {
        const std::string original = pattern(length);
        const std::string path = dir.file("seal");
        testfiles::writeFile(path, original);
        ASSERT_EQ(ScrambleFile(path), 1);
        const std::string scrambled = testfiles::readFile(path);

        std::string inMemory = scrambled;
        ScrambleBytes(inMemory);
        EXPECT_EQ(inMemory, original) << "the bytes and the file unscramble alike, " << length;

        std::string copyPath;
        {
            const std::optional<UnscrambledCopy> copy = UnscrambledCopy::Make(path);
            ASSERT_TRUE(copy) << length;
            copyPath = copy->Path();
            EXPECT_EQ(testfiles::readFile(copyPath), original) << length;
            EXPECT_EQ(std::filesystem::path(copyPath).filename(), "seal");
            const auto mode = std::filesystem::status(std::filesystem::path(copyPath).parent_path()).permissions();
            EXPECT_EQ(mode & std::filesystem::perms::all, std::filesystem::perms::owner_all);
        }
        EXPECT_EQ(testfiles::readFile(path), scrambled) << length;
        EXPECT_FALSE(std::filesystem::exists(copyPath));
        EXPECT_TRUE(std::filesystem::is_empty(tmp.path())) << "its directory is gone too";
    }
    EXPECT_FALSE(UnscrambledCopy::Make(dir.file("missing")));
    testfiles::writeFile(dir.file("big"), pattern(2000));
    EXPECT_FALSE(UnscrambledCopy::Make(dir.file("big"), 1999)) << "longer than allowed";
    EXPECT_TRUE(std::filesystem::is_empty(tmp.path()));
}
