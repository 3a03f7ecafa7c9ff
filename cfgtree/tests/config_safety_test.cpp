// Failures that must not cost data: bad reloads, failed saves, use before
// open, hostile documents.

#include "TestFiles.h"
#include "cfgtree/Config.h"
#include "jotter/Jotter.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

using namespace cfgtree_test;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> namesIn(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs work in a child process that cannot write dir (root drops to
// "nobody" there); returns the child's exit code, 77 when that was impossible.
int runWithoutWriteAccess(const fs::path& dir, const std::function<int()>& work)
{
    ::chmod(dir.c_str(), 0555);
    pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(77);
        if (::access(dir.c_str(), W_OK) == 0)
            ::_exit(77);
        ::_exit(work());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chmod(dir.c_str(), 0700);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Captures what is written to the standard error stream while it lives.
class StderrCapture {
public:
    explicit StderrCapture(const fs::path& file)
        : file_(file), saved_(::dup(2))
    {
        std::fflush(stderr);
        int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~StderrCapture() { restore(); }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    std::string text()
    {
        restore();
        return readFile(file_);
    }

private:
    void restore()
    {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }

    fs::path file_;
    int saved_;
};

} // namespace

TEST(ConfigSafety, ReloadOfATruncatedFileKeepsTheOldDocument)
{
    TempDir dir;
    std::string file = copyFixture(dir, "accounts.xml", "account.xml");
    Config config;
    ASSERT_EQ(config.open(file.c_str()), 1);
    ASSERT_EQ(config.setCurNode("Account[0]"), 1);

    std::string bytes = readFile(file);
    writeFile(file, bytes.substr(0, bytes.size() / 2));
    EXPECT_EQ(config.reload(), 0);
    EXPECT_EQ(config.isOpen(), 1);
    EXPECT_EQ(config.getNodeAttr("Account[2]", "Name"), "third");
    EXPECT_EQ(config.getChildNum(), 2) << "the cursor still stands on the old document";

    writeFile(file, "");
    EXPECT_EQ(config.reload(), 0) << "an empty file has no root";
    writeFile(file, bytes);
    EXPECT_EQ(config.reload(), 1);
    EXPECT_EQ(config.getChildNum(), -1) << "a reload clears the cursor";
    EXPECT_EQ(config.getNodeCnt("Account"), 3);
}

TEST(ConfigSafety, FailedSaveLeavesTheOldFileAlone)
{
    TempDir dir;
    std::string file = copyFixture(dir, "accounts.xml", "account.xml");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
    std::string before = md5sumOf(file);
    std::vector<std::string> names = namesIn(dir.path());

    int saved = runWithoutWriteAccess(dir.path(), [&] {
        Config config;
        if (config.open(file.c_str()) != 1 || config.addNode(nullptr, "Extra", "", "", "") != 1)
            return 2;
        return config.save();
    });
    if (saved == 77)
        GTEST_SKIP() << "cannot take write access away here";
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(md5sumOf(file), before);
    EXPECT_EQ(namesIn(dir.path()), names) << "no temporary file is left behind";

    // A target that is a directory cannot be replaced either.
    Config config;
    ASSERT_EQ(config.open(file.c_str()), 1);
    fs::create_directory(dir / "taken.xml");
    EXPECT_EQ(config.save((dir / "taken.xml").c_str()), 0);
    EXPECT_EQ(config.save((dir / "missing" / "x.xml").c_str()), 0);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"account.xml", "taken.xml"}));

    // A successful save keeps the file's mode.
    ASSERT_EQ(config.save(), 1);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
}

TEST(ConfigSafety, SavingANewFileNeverWidensTheModeOfFilesOtherThreadsCreate)
{
    TempDir dir;
    Config config;
    ASSERT_EQ(config.open(fixture("accounts.xml").c_str()), 1);
    const mode_t oldMask = ::umask(022);
    std::atomic<bool> done{false};
    std::atomic<int> widened{0};
    // Another thread of the program creating its own files meanwhile: the
    // process umask must apply to each of them.
    std::thread creator([&] {
        const std::string path = dir.file("download.tif");
        while (!done.load()) {
            int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
            if (fd < 0)
                continue;
            struct stat info {};
            if (::fstat(fd, &info) == 0 && (info.st_mode & 022) != 0)
                ++widened;
            ::close(fd);
            ::unlink(path.c_str());
        }
    });
    const std::string target = dir.file("new.xml");
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(config.save(target.c_str()), 1);
        ::unlink(target.c_str());
    }
    done = true;
    creator.join();
    ASSERT_EQ(config.save(target.c_str()), 1);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read)
        << "a new file gets the usual mode";
    ::umask(oldMask);
    EXPECT_EQ(widened.load(), 0);
}

TEST(ConfigSafety, UseWithoutADocumentThrows)
{
    TempDir dir;
    writeFile(dir / "broken.xml", "<Config><Account Name=\"x\"></Config>");
    Config neverOpened;
    Config missing;
    Config broken;
    EXPECT_EQ(missing.open((dir / "absent.xml").c_str()), 0);
    EXPECT_EQ(broken.open((dir / "broken.xml").c_str()), 0);

    const std::vector<std::pair<const char*, std::function<void(Config&)>>> uses = {
        {"getNodeCnt", [](Config& c) { c.getNodeCnt("Account"); }},
        {"getNodeText", [](Config& c) { std::string v; c.getNodeText("System", v); }},
        {"getNodeText index", [](Config& c) { std::string v; c.getNodeText("System", -1, v); }},
        {"getNodeTextInt", [](Config& c) { c.getNodeTextInt("System"); }},
        {"setNodeText", [](Config& c) { c.setNodeText("System", "x"); }},
        {"getNodeAttr", [](Config& c) { c.getNodeAttr("Account", "Name"); }},
        {"getNodesAttr", [](Config& c) { std::vector<std::vector<std::string>> rows; c.getNodesAttr("Account", {"Name"}, rows); }},
        {"getNodesWithChildren", [](Config& c) { std::vector<Config::NodeAttributes> nodes; c.getNodesWithChildren("Account", {"Name"}, "Folder", {"Name"}, nodes); }},
        {"getNodeAttrLong", [](Config& c) { c.getNodeAttrLong("Account", "Name"); }},
        {"hasNodeAttr", [](Config& c) { c.hasNodeAttr("Account", "Name"); }},
        {"setNodeAttr", [](Config& c) { c.setNodeAttr("Account", "Name", "x"); }},
        {"addNode", [](Config& c) { c.addNode(nullptr, "Account", "", "", ""); }},
        {"insertNode", [](Config& c) { c.insertNode(nullptr, "Account", "", "", "", "A"); }},
        {"addNodeAttr path", [](Config& c) { c.addNodeAttr("Account", "Name", "x"); }},
        {"createNodeAttr", [](Config& c) { c.createNodeAttr("Account", "Name"); }},
        {"removeNode", [](Config& c) { c.removeNode("Account"); }},
        {"removeAllChild", [](Config& c) { c.removeAllChild(nullptr); }},
        {"setCurNode", [](Config& c) { c.setCurNode("Account"); }},
    };
    for (Config* config : {&neverOpened, &missing, &broken}) {
        for (const auto& [name, use] : uses) {
            try {
                use(*config);
                ADD_FAILURE() << name << " did not throw";
            } catch (const ConfigError& error) {
                EXPECT_EQ(error.code(), ConfigError::Code::NoDocument) << name;
            }
        }
        // What needs no document answers plainly.
        EXPECT_EQ(config->isOpen(), 0);
        EXPECT_EQ(config->save(), 0);
        EXPECT_EQ(config->save((dir / "out.xml").c_str()), 0);
        EXPECT_EQ(config->reload(), 0);
        EXPECT_EQ(config->getChildNum(), -1);
        EXPECT_EQ(config->goChild(0), 0);
        EXPECT_EQ(config->goParent(), 0);
        EXPECT_EQ(config->addNode("Account", "", "", ""), 0);
        std::string value = "stale";
        EXPECT_EQ(config->getAttr("Name", value), 0);
        EXPECT_EQ(value, "");
    }
    EXPECT_FALSE(fs::exists(dir / "out.xml"));
}

TEST(ConfigSafety, FailedOpenKeepsAnOpenDocument)
{
    TempDir dir;
    writeFile(dir / "broken.xml", "<Config>");
    Config config;
    ASSERT_EQ(config.open(fixture("accounts.xml").c_str()), 1);
    EXPECT_EQ(config.open((dir / "broken.xml").c_str()), 0);
    EXPECT_EQ(config.isOpen(), 1);
    EXPECT_EQ(config.getNodeCnt("Account"), 3);
}

TEST(ConfigSafety, ParseErrorsGoToTheLogAndNothingExternalIsFetched)
{
    TempDir dir;
    writeFile(dir / "broken.xml", "<Config><Account></Config>");
    writeFile(dir / "secret.txt", "SECRET-CONTENT");
    writeFile(dir / "entity.xml",
               "<?xml version=\"1.0\"?>\n<!DOCTYPE Config [<!ENTITY leak SYSTEM \"" +
                   (dir / "secret.txt").string() +
                   "\">]>\n<Config><System>&leak;</System><Name>plain</Name></Config>");
    ASSERT_EQ(cpLogOpen((dir / "log.txt").c_str()), 1);

    StderrCapture stderrText(dir / "stderr.txt");
    Config broken;
    EXPECT_EQ(broken.open((dir / "broken.xml").c_str()), 0);
    Config entity;
    int opened = entity.open((dir / "entity.xml").c_str());
    std::string leaked;
    if (opened == 1)
        entity.getNodeText("System", leaked);
    std::string errors = stderrText.text();
    cpLogClose();

    EXPECT_EQ(errors, "");
    EXPECT_NE(readFile(dir / "log.txt").find("broken.xml"), std::string::npos);
    ASSERT_EQ(opened, 1) << "a declared but unread entity leaves the document usable";
    EXPECT_EQ(leaked.find("SECRET"), std::string::npos);
    std::string name;
    EXPECT_EQ(entity.getNodeText("Name", name), 1);
    EXPECT_EQ(name, "plain");
}

// A store that exists but cannot be read is a failed open, like a missing
// or damaged one: no exception, no wait on a pipe, the open document kept.
TEST(ConfigSafety, AStoreThatCannotBeReadFailsItsOpen)
{
    TempDir dir;
    fs::create_directory(dir / "directory.xml");
    ASSERT_EQ(::mkfifo((dir / "pipe.xml").c_str(), 0600), 0);
    writeFile(dir / "unreadable.xml", readFile(fixture("accounts.xml")));
    ::chmod((dir / "unreadable.xml").c_str(), 0);
    struct Case {
        const char* what;
        std::string path;
    };
    const Case cases[] = {
        {"a directory", (dir / "directory.xml").string()},
        {"a pipe nobody writes", (dir / "pipe.xml").string()},
        {"a device", "/dev/zero"},
        {"a file without read permission", (dir / "unreadable.xml").string()},
        {"a missing file", (dir / "absent.xml").string()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (std::string(c.what) == "a file without read permission" && ::access(c.path.c_str(), R_OK) == 0)
            continue; // root reads it all the same
        Config fresh;
        int opened = -1;
        EXPECT_NO_THROW(opened = fresh.open(c.path.c_str()));
        EXPECT_EQ(opened, 0);
        EXPECT_EQ(fresh.isOpen(), 0);

        Config open;
        ASSERT_EQ(open.open(fixture("accounts.xml").c_str()), 1);
        EXPECT_NO_THROW(opened = open.open(c.path.c_str()));
        EXPECT_EQ(opened, 0);
        EXPECT_EQ(open.getNodeCnt("Account"), 3) << "the document read before stays";
        EXPECT_NO_THROW(opened = open.reload());
        EXPECT_EQ(opened, 1);
    }
}
