// A directory's new version built beside it: the present one stays byte for
// byte while the new one is written, one swap puts it in place, the swap
// can be undone, and nothing stays beside afterwards. Checked with md5sum
// and find.

#include "faxbox/DirectoryReplacement.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/tests/TestFiles.h"

namespace fs = std::filesystem;
using testfiles::quote;
using testfiles::readFile;
using testfiles::run;
using testfiles::writeFile;

namespace {

class DirectoryReplacementTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(dir_.file("data/faxbox/deeper"));
        writeFile(dir_.file("data/faxbox/a.tif"), "page a");
        writeFile(dir_.file("data/faxbox/deeper/b.tif"), "page b");
        fs::create_symlink("a.tif", dir_.file("data/faxbox/link"));
    }
    // Every path below dir with the md5 of its files and the target of its links.
    std::string snapshot(const std::string& dir) const
    {
        return run("cd " + quote(dir) + " && find . | LC_ALL=C sort && find . -type f -exec md5sum {} + | LC_ALL=C sort -k2"
                   " && find . -type l -printf '%p -> %l\\n'").output;
    }
    // What lies in the parent directory besides data.
    std::string beside() const { return run("cd " + quote(dir_.path()) + " && ls -A").output; }

    testfiles::TempDir dir_;
    const std::string target_ = dir_.file("data");
};

} // namespace

TEST_F(DirectoryReplacementTest, TheNewVersionStartsAsTheOldAndChangesNothingOfItUntilSwapped)
{
    const std::string old = snapshot(target_);
    {
        DirectoryReplacement next(target_);
        ASSERT_TRUE(next.IsOpen());
        EXPECT_EQ(fs::path(next.Path()).parent_path(), fs::path(dir_.path()));
        ASSERT_TRUE(next.TakeCurrentContents());
        EXPECT_EQ(snapshot(next.Path()), old);

        // A file written over one of its names (as the crash-safe writer
        // does: a new file renamed over it) and a file added.
        writeFile(next.Path() + "/faxbox/a.tif.new", "new page a");
        fs::rename(next.Path() + "/faxbox/a.tif.new", next.Path() + "/faxbox/a.tif");
        writeFile(next.Path() + "/faxbox/c.tif", "page c");
        EXPECT_EQ(snapshot(target_), old);

        ASSERT_TRUE(next.Swap());
        EXPECT_EQ(readFile(target_ + "/faxbox/a.tif"), "new page a");
        EXPECT_EQ(readFile(target_ + "/faxbox/c.tif"), "page c");
        EXPECT_EQ(readFile(target_ + "/faxbox/deeper/b.tif"), "page b");
        EXPECT_EQ(fs::read_symlink(target_ + "/faxbox/link"), "a.tif");
        EXPECT_EQ(snapshot(next.Path()), old) << "the old version lies beside until the end";
    }
    EXPECT_EQ(beside(), "data\n");
    EXPECT_EQ(readFile(target_ + "/faxbox/deeper/b.tif"), "page b") << "the second names kept the files";
}

TEST_F(DirectoryReplacementTest, ASwapUndoneOrNeverMadeLeavesTheOldVersionAlone)
{
    const std::string old = snapshot(target_);
    {
        DirectoryReplacement next(target_);
        ASSERT_TRUE(next.TakeCurrentContents());
        writeFile(next.Path() + "/faxbox/c.tif", "page c");
        ASSERT_TRUE(next.Swap());
        ASSERT_TRUE(next.SwapBack());
        EXPECT_EQ(snapshot(target_), old);
    }
    {
        DirectoryReplacement abandoned(target_);
        ASSERT_TRUE(abandoned.TakeCurrentContents());
        fs::remove(abandoned.Path() + "/faxbox/a.tif");
    }
    EXPECT_EQ(snapshot(target_), old);
    EXPECT_EQ(beside(), "data\n");
}

TEST_F(DirectoryReplacementTest, AMissingDirectoryIsMadeAndCanBeTakenAwayAgain)
{
    fs::remove_all(target_);
    DirectoryReplacement next(target_);
    ASSERT_TRUE(next.TakeCurrentContents());
    writeFile(next.Path() + "/a.tif", "page a");
    ASSERT_TRUE(next.Swap());
    EXPECT_EQ(readFile(target_ + "/a.tif"), "page a");
    ASSERT_TRUE(next.SwapBack());
    EXPECT_FALSE(fs::exists(target_));

    // A file under the name is no directory to take.
    writeFile(target_, "a file");
    DirectoryReplacement notADirectory(target_);
    EXPECT_FALSE(notADirectory.TakeCurrentContents());
}
