// The crash-safe writer: whatever fails on the way (a write, a full disk,
// the sync, the rename, an unwritable directory), the old file keeps its
// bytes and no temporary file stays; create-only never replaces; the new
// name is made durable by a sync of its directory. Failures are forced
// through the writer's system calls.

#include "safefile/SafeFile.h"
#include "safefile/UniqueFd.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "testsupport/TestSupport.h"

using namespace safefile;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> namesIn(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Calls that fail as a test says: the state is global because the calls are
// plain function pointers.
struct Faults {
    std::size_t writeRoom = SIZE_MAX; // bytes the "disk" still takes
    int fsyncErrno = 0;
    int renameErrno = 0;
    int renameNoReplaceErrno = 0;
    std::string createDuringWrite;    // a file another process creates meanwhile
    std::string renamedFrom;          // the temporary file's path at the last rename
    std::vector<std::string> log;     // "fsync dir", "fsync file", "rename"
};
Faults faults;

ssize_t faultyWrite(int fd, const void* bytes, size_t count)
{
    if (!faults.createDuringWrite.empty()) {
        writeFile(faults.createDuringWrite, "theirs");
        faults.createDuringWrite.clear();
    }
    if (faults.writeRoom == 0) {
        errno = ENOSPC;
        return -1;
    }
    const std::size_t taken = std::min(count, faults.writeRoom);
    faults.writeRoom -= taken;
    return ::write(fd, bytes, taken);
}

int faultyFsync(int fd)
{
    struct stat info {};
    ::fstat(fd, &info);
    faults.log.push_back(S_ISDIR(info.st_mode) ? "fsync dir " + std::to_string(info.st_ino) : "fsync file");
    if (faults.fsyncErrno != 0 && !S_ISDIR(info.st_mode)) {
        errno = faults.fsyncErrno;
        return -1;
    }
    return ::fsync(fd);
}

int faultyRename(const char* from, const char* to)
{
    faults.log.push_back("rename");
    faults.renamedFrom = from;
    if (faults.renameErrno != 0) {
        errno = faults.renameErrno;
        return -1;
    }
    return RealSystemCalls().rename(from, to);
}

int faultyRenameNoReplace(const char* from, const char* to)
{
    faults.log.push_back("rename");
    faults.renamedFrom = from;
    if (faults.renameNoReplaceErrno != 0) {
        errno = faults.renameNoReplaceErrno;
        return -1;
    }
    return RealSystemCalls().renameNoReplace(from, to);
}

const SystemCalls kFaultyCalls{faultyWrite, faultyFsync, faultyRename, faultyRenameNoReplace, ::link};

class SafeFileTest : public ::testing::Test {
protected:
    void SetUp() override { faults = Faults{}; }
    void TearDown() override { faults = Faults{}; }

    TempDir dir_;
    const std::string target_ = dir_.file("account.xml");
    const std::string newBytes_ = std::string(64 * 1024, 'n'); // more than one short write
};

} // namespace

TEST_F(SafeFileTest, ReplaceKeepsTheOldModeAndLeavesOnlyTheTarget)
{
    writeFile(target_, "old");
    ::chmod(target_.c_str(), 0640);
    ASSERT_EQ(WriteFile(target_, newBytes_, {}, kFaultyCalls), WriteResult::Written);
    EXPECT_EQ(readFile(target_), newBytes_);
    EXPECT_EQ(modeOf(target_), 0640u);
    EXPECT_EQ(namesIn(dir_.path()), std::vector<std::string>{"account.xml"});

    // A file that was not there gets the mode asked for, or the kernel's.
    const mode_t oldMask = ::umask(027);
    EXPECT_EQ(WriteFile(dir_.file("a"), "x"), WriteResult::Written);
    EXPECT_EQ(WriteFile(dir_.file("b"), "x", {Mode::Replace, 0604}), WriteResult::Written);
    ::umask(oldMask);
    EXPECT_EQ(modeOf(dir_.file("a")), 0640u);
    EXPECT_EQ(modeOf(dir_.file("b")), 0604u);
    EXPECT_EQ(WriteFile(dir_.file("empty"), ""), WriteResult::Written);
    // A copy that carries its source's mode says so.
    EXPECT_EQ(WriteFile(target_, "copy", {Mode::Replace, 0700, false}), WriteResult::Written);
    EXPECT_EQ(modeOf(target_), 0700u);
    EXPECT_EQ(readFile(dir_.file("empty")), "");
}

TEST_F(SafeFileTest, ReplacingThroughASymbolicLinkKeepsTheLinkAndReplacesItsTarget)
{
    // The link and the file it names lie in different directories; a
    // relative link resolves from the link's own directory.
    fs::create_directories(dir_.file("real"));
    const std::string real = dir_.file("real/page.tif");
    writeFile(real, "old");
    ::chmod(real.c_str(), 0640);
    struct Case {
        const char* name;
        std::string linkText;
    };
    for (const Case& c : {Case{"absolute", real}, Case{"relative", "real/page.tif"}}) {
        SCOPED_TRACE(c.name);
        const std::string link = dir_.file("link.tif");
        fs::remove(link);
        ASSERT_EQ(::symlink(c.linkText.c_str(), link.c_str()), 0);
        ASSERT_EQ(WriteFile(link, std::string("new ") + c.name, {}, kFaultyCalls), WriteResult::Written);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link).string(), c.linkText);
        EXPECT_EQ(readFile(real), std::string("new ") + c.name);
        EXPECT_EQ(modeOf(real), 0640u);
        EXPECT_EQ(namesIn(dir_.file("real")), std::vector<std::string>{"page.tif"});
    }

    // A chain of links ends at the file; a link to nothing makes the file it names.
    const std::string second = dir_.file("second.tif");
    ASSERT_EQ(::symlink("link.tif", second.c_str()), 0);
    ASSERT_EQ(WriteFile(second, "chain"), WriteResult::Written);
    EXPECT_TRUE(fs::is_symlink(second));
    EXPECT_EQ(readFile(real), "chain");
    const std::string dangling = dir_.file("dangling.tif");
    ASSERT_EQ(::symlink("real/new.tif", dangling.c_str()), 0);
    ASSERT_EQ(WriteFile(dangling, "made"), WriteResult::Written);
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ(readFile(dir_.file("real/new.tif")), "made");

    // Links that name each other fail, and leave both links.
    ASSERT_EQ(::symlink("loop-b", dir_.file("loop-a").c_str()), 0);
    ASSERT_EQ(::symlink("loop-a", dir_.file("loop-b").c_str()), 0);
    EXPECT_EQ(WriteFile(dir_.file("loop-a"), "x"), WriteResult::Failed);
    EXPECT_TRUE(fs::is_symlink(dir_.file("loop-a")));
    // CreateOnly takes a link for a name in use.
    EXPECT_EQ(WriteFile(dangling, "again", {Mode::CreateOnly, std::nullopt}), WriteResult::TargetExists);
    EXPECT_EQ(readFile(dir_.file("real/new.tif")), "made");
}

TEST_F(SafeFileTest, ATargetNameOfTheLongestLengthIsWritten)
{
    // 255 bytes, the longest name; multi-byte letters where the temporary
    // name is cut.
    std::string name;
    while (name.size() + 3 <= 255)
        name += "页";
    name += std::string(255 - name.size(), 'x');
    const std::string target = dir_.file(name);
    for (Mode mode : {Mode::CreateOnly, Mode::Replace}) {
        EXPECT_EQ(WriteFile(target, newBytes_, {mode, std::nullopt}), WriteResult::Written);
        EXPECT_EQ(readFile(target), newBytes_);
    }
    EXPECT_EQ(namesIn(dir_.path()), std::vector<std::string>{name});
}

TEST_F(SafeFileTest, AFailureOnTheWayLeavesTheOldFileByteIdentical)
{
    struct Case {
        const char* what;
        Mode mode;
        std::size_t writeRoom;
        int fsyncErrno, renameErrno, renameNoReplaceErrno;
        int expectedErrno;
    };
    const std::vector<Case> cases = {
        {"disk full after 1000 bytes", Mode::Replace, 1000, 0, 0, 0, ENOSPC},
        {"disk full at once", Mode::Replace, 0, 0, 0, 0, ENOSPC},
        {"file sync fails", Mode::Replace, SIZE_MAX, EIO, 0, 0, EIO},
        {"rename fails", Mode::Replace, SIZE_MAX, 0, EIO, 0, EIO},
        {"create-only: disk full", Mode::CreateOnly, 10, 0, 0, 0, ENOSPC},
        {"create-only: rename fails", Mode::CreateOnly, SIZE_MAX, 0, 0, EIO, EIO},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(target_);
        if (c.mode == Mode::Replace)
            writeFile(target_, "the old bytes");
        const std::vector<std::string> before = namesIn(dir_.path());
        faults = Faults{};
        faults.writeRoom = c.writeRoom;
        faults.fsyncErrno = c.fsyncErrno;
        faults.renameErrno = c.renameErrno;
        faults.renameNoReplaceErrno = c.renameNoReplaceErrno;

        errno = 0;
        EXPECT_EQ(WriteFile(target_, newBytes_, {c.mode, std::nullopt}, kFaultyCalls), WriteResult::Failed);
        EXPECT_EQ(errno, c.expectedErrno) << std::strerror(errno);
        if (c.mode == Mode::Replace) {
            EXPECT_EQ(readFile(target_), "the old bytes");
        }
        EXPECT_EQ(namesIn(dir_.path()), before) << "no temporary file stays";
    }
}

TEST_F(SafeFileTest, WhatCannotBeWrittenFailsWithoutLeavingAnything)
{
    writeFile(target_, "the old bytes");
    {
        testsupport::ReadOnlyDirectory readOnly(dir_.path());
        if (!readOnly.held())
            GTEST_SKIP() << "cannot take write access away here";
        EXPECT_EQ(WriteFile(target_, newBytes_), WriteResult::Failed);
        EXPECT_EQ(WriteFile(dir_.file("new"), newBytes_, {Mode::CreateOnly, std::nullopt}), WriteResult::Failed);
    }
    EXPECT_EQ(readFile(target_), "the old bytes");
    fs::create_directory(dir_ / "taken.xml");
    EXPECT_EQ(WriteFile(dir_.file("taken.xml"), "x"), WriteResult::Failed) << "a directory is not replaced";
    EXPECT_EQ(WriteFile(dir_.file("missing/x.xml"), "x"), WriteResult::Failed);
    EXPECT_EQ(WriteFile("", "x"), WriteResult::Failed);
    EXPECT_EQ(namesIn(dir_.path()), (std::vector<std::string>{"account.xml", "taken.xml"}));
}

TEST_F(SafeFileTest, CreateOnlyNeverReplaces)
{
    const std::vector<int> renameErrnos = {0, EINVAL}; // renameat2, then a file system without it: link
    for (int renameErrno : renameErrnos) {
        SCOPED_TRACE(renameErrno == 0 ? "rename without replacing" : "hard link");
        fs::remove(target_);
        faults = Faults{};
        faults.renameNoReplaceErrno = renameErrno;
        EXPECT_EQ(WriteFile(target_, "first", {Mode::CreateOnly, 0600}, kFaultyCalls), WriteResult::Written);
        EXPECT_EQ(readFile(target_), "first");
        EXPECT_EQ(modeOf(target_), 0600u);
        EXPECT_EQ(WriteFile(target_, "second", {Mode::CreateOnly, std::nullopt}, kFaultyCalls),
                  WriteResult::TargetExists);
        EXPECT_EQ(readFile(target_), "first");

        // The name is taken while the bytes are written: the other file stays.
        fs::remove(target_);
        faults.createDuringWrite = target_;
        EXPECT_EQ(WriteFile(target_, newBytes_, {Mode::CreateOnly, std::nullopt}, kFaultyCalls),
                  WriteResult::TargetExists);
        EXPECT_EQ(readFile(target_), "theirs");
        EXPECT_EQ(namesIn(dir_.path()), std::vector<std::string>{"account.xml"});
    }
}

TEST_F(SafeFileTest, TheFileIsSyncedBeforeAndItsDirectoryAfterTheRename)
{
    struct stat directory {};
    ASSERT_EQ(::stat(dir_.path().c_str(), &directory), 0);
    const std::vector<std::string> expected = {"fsync file", "rename", "fsync dir " + std::to_string(directory.st_ino)};
    for (Mode mode : {Mode::Replace, Mode::CreateOnly}) {
        fs::remove(target_);
        faults = Faults{};
        ASSERT_EQ(WriteFile(target_, newBytes_, {mode, std::nullopt}, kFaultyCalls), WriteResult::Written);
        EXPECT_EQ(faults.log, expected);
    }
    // A write that did not happen syncs no directory.
    faults = Faults{};
    faults.renameErrno = EIO;
    EXPECT_EQ(WriteFile(target_, newBytes_, {}, kFaultyCalls), WriteResult::Failed);
    EXPECT_EQ(faults.log, (std::vector<std::string>{"fsync file", "rename"}));
}

TEST_F(SafeFileTest, NewFilesNeverWidenTheModeOfFilesOtherThreadsCreate)
{
    const mode_t oldMask = ::umask(022);
    std::atomic<bool> done{false};
    std::atomic<int> widened{0};
    // Another thread creating its own files meanwhile: the process umask
    // must apply to each of them, so the writer never changes it.
    std::thread creator([&] {
        const std::string path = dir_.file("download.tif");
        while (!done.load()) {
            UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666));
            if (fd.get() < 0)
                continue;
            struct stat info {};
            if (::fstat(fd.get(), &info) == 0 && (info.st_mode & 022) != 0)
                ++widened;
            fd.reset();
            ::unlink(path.c_str());
        }
    });
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(WriteFile(target_, "x"), WriteResult::Written);
        ::unlink(target_.c_str());
    }
    done = true;
    creator.join();
    ASSERT_EQ(WriteFile(target_, "x"), WriteResult::Written);
    ::umask(oldMask);
    EXPECT_EQ(modeOf(target_), 0644u) << "a new file gets the usual mode";
    EXPECT_EQ(widened.load(), 0);
}

TEST_F(SafeFileTest, ATemporaryFileIsKnownByItsNameAndItsMaker)
{
    // The name the writer really gives its temporary file.
    faults.renameErrno = EIO;
    ASSERT_EQ(WriteFile(target_, "new", {}, kFaultyCalls), WriteResult::Failed);
    const std::string made = fs::path(faults.renamedFrom).filename().string();
    const std::optional<TemporaryName> parsed = ParseTemporaryName(made);
    ASSERT_TRUE(parsed) << made;
    EXPECT_EQ(parsed->targetStart, "account.xml");
    EXPECT_EQ(parsed->owner, ::getpid());

    const std::string longTarget = dir_.file(std::string(200, 'p') + ".tif.20260301000000");
    faults.renameNoReplaceErrno = EIO;
    ASSERT_EQ(WriteFile(longTarget, "new", WriteOptions{Mode::CreateOnly, std::nullopt}, kFaultyCalls), WriteResult::Failed);
    const auto cut = ParseTemporaryName(fs::path(faults.renamedFrom).filename().string());
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->targetStart, std::string(64, 'p'));

    for (const char* other : {"page.tif.20260301000000", "body-2026-03-01-00-00-01.html", ".hidden", ".x.12a-3",
                              "..12-3", ".x.-3", ".x.12-", "x.12-3", ".x.0-3", ".x.1234567890-1"})
        EXPECT_FALSE(ParseTemporaryName(other)) << other;
    EXPECT_EQ(ParseTemporaryName(".seal.xml.4711-0")->targetStart, "seal.xml");
}

TEST_F(SafeFileTest, ACopyIsWrittenLikeBytesAndReadPieceByPiece)
{
    // Bytes over several pieces, with every byte value, checked by cmp.
    std::string bytes;
    for (std::size_t i = 0; i < 300 * 1024 + 7; ++i)
        bytes.push_back(static_cast<char>((i * 131) >> 3));
    const std::string source = dir_.file("source");
    writeFile(source, bytes);
    ASSERT_EQ(CopyFile(source, target_, {Mode::CreateOnly, std::nullopt}), WriteResult::Written);
    EXPECT_EQ(std::system(("cmp -s " + source + " " + target_).c_str()), 0);
    EXPECT_EQ(CopyFile(source, target_, {Mode::CreateOnly, std::nullopt}), WriteResult::TargetExists);

    // The same failures as for bytes leave the target as it was.
    writeFile(target_, "the old bytes");
    struct Case {
        const char* what;
        std::string source;
        std::uint64_t maxBytes;
        std::size_t writeRoom;
        int expectedErrno;
    };
    ASSERT_EQ(::mkfifo(dir_.file("fifo").c_str(), 0600), 0);
    const std::vector<Case> cases = {
        {"disk full half-way", source, UINT64_MAX, 100 * 1024, ENOSPC},
        {"larger than allowed", source, bytes.size() - 1, SIZE_MAX, EFBIG},
        {"no source", dir_.file("missing"), UINT64_MAX, SIZE_MAX, ENOENT},
        {"a FIFO, not waited on", dir_.file("fifo"), UINT64_MAX, SIZE_MAX, EINVAL},
        {"a directory", dir_.path(), UINT64_MAX, SIZE_MAX, EINVAL},
    };
    const std::vector<std::string> before = namesIn(dir_.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        faults = Faults{};
        faults.writeRoom = c.writeRoom;
        errno = 0;
        EXPECT_EQ(CopyFile(c.source, target_, {}, c.maxBytes, kFaultyCalls), WriteResult::Failed);
        EXPECT_EQ(errno, c.expectedErrno) << std::strerror(errno);
        EXPECT_EQ(readFile(target_), "the old bytes");
        EXPECT_EQ(namesIn(dir_.path()), before) << "no temporary file stays";
    }
    EXPECT_EQ(CopyFile(source, target_, {}, bytes.size()), WriteResult::Written);
    EXPECT_EQ(readFile(target_), bytes);
}

TEST(UniqueFd, ClosesWhatItOwnsOnceAndHandsItOver)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    {
        UniqueFd reader(fds[0]);
        UniqueFd moved(std::move(reader));
        EXPECT_EQ(reader.get(), -1);
        EXPECT_EQ(moved.get(), fds[0]);
        UniqueFd writer(fds[1]);
        const int handed = writer.release();
        EXPECT_EQ(writer.get(), -1);
        EXPECT_GE(::fcntl(handed, F_GETFD), 0) << "released, so still open";
        writer.reset(handed);
    }
    EXPECT_EQ(::fcntl(fds[0], F_GETFD), -1);
    EXPECT_EQ(::fcntl(fds[1], F_GETFD), -1);
}
