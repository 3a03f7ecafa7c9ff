// A file's new version beside it: the target is untouched until the commit,
// and nothing is left behind either way.

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "safefile/ReplacementFile.h"
#include "testsupport/TestSupport.h"

using safefile::ReplacementFile;

namespace {

std::size_t EntriesIn(const std::string& directory)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory))
        ++count;
    return count;
}

void WriteThroughPath(const ReplacementFile& file, const std::string& text)
{
    testsupport::writeFile(file.TemporaryPath(), text);
}

} // namespace

TEST(ReplacementFileTest, CommitPutsTheNewVersionInPlaceWithTheOldPermissions)
{
    testsupport::TempDir dir;
    const std::string target = dir.file("voice.wav");
    testsupport::writeFile(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);

    ReplacementFile file(target);
    ASSERT_TRUE(file.IsOpen()) << file.Error();
    EXPECT_EQ(std::filesystem::path(file.TemporaryPath()).parent_path(), std::filesystem::path(dir.path()));
    WriteThroughPath(file, "new");
    EXPECT_EQ(testsupport::readFile(target), "old") << "untouched before the commit";
    ASSERT_TRUE(file.Commit()) << file.Error();

    EXPECT_EQ(testsupport::readFile(target), "new");
    struct stat after {};
    ASSERT_EQ(::stat(target.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(ReplacementFileTest, ACommitThroughASymbolicLinkReplacesTheFileItNames)
{
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir.file("real"));
    const std::string real = dir.file("real/voice.wav");
    testsupport::writeFile(real, "old");
    const std::string link = dir.file("voice.wav");
    ASSERT_EQ(::symlink("real/voice.wav", link.c_str()), 0);

    ReplacementFile file(link);
    ASSERT_TRUE(file.IsOpen()) << file.Error();
    WriteThroughPath(file, "new");
    ASSERT_TRUE(file.Commit()) << file.Error();
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(testsupport::readFile(real), "new");
    EXPECT_EQ(EntriesIn(dir.file("real")), 1u);
}

TEST(ReplacementFileTest, WithoutACommitTheTargetStaysAndTheTemporaryGoes)
{
    testsupport::TempDir dir;
    const std::string target = dir.file("voice.wav");
    testsupport::writeFile(target, "old");
    {
        ReplacementFile abandoned(target);
        WriteThroughPath(abandoned, "half");
    }
    ReplacementFile discarded(target);
    WriteThroughPath(discarded, "half");
    discarded.Discard();
    EXPECT_FALSE(discarded.Commit());

    EXPECT_EQ(testsupport::readFile(target), "old");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(ReplacementFileTest, ATargetInAMissingDirectoryCannotBeReplaced)
{
    testsupport::TempDir dir;
    ReplacementFile file(dir.file("missing/voice.wav"));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_NE(file.Error().find("cannot create"), std::string::npos) << file.Error();
    EXPECT_FALSE(file.Commit());
}
