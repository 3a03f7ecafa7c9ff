#include "core/stores/ProgramPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "core/tests/TestFiles.h"

TEST(ProgramPaths, ProgramDirectoryFromEnvironmentOrExecutable)
{
    {
        testfiles::ScopedEnv home("ZUVO_HOME", "/opt/zuvo-home");
        EXPECT_EQ(ProgramDirectory(), "/opt/zuvo-home");
    }
    {
        // Relative: below the directory the program started in, also after
        // start-up has made the program directory the current one.
        testfiles::TempDir start;
        const std::filesystem::path before = std::filesystem::current_path();
        std::filesystem::current_path(start.path());
        testfiles::ScopedEnv home("ZUVO_HOME", "demo-home/");
        const std::string expected = (std::filesystem::current_path() / "demo-home").string();
        EXPECT_EQ(ProgramDirectory(), expected);
        std::filesystem::create_directory(expected);
        std::filesystem::current_path(expected);
        EXPECT_EQ(ProgramDirectory(), expected);
        std::filesystem::current_path(before);
    }
    // Without it, and with no config.xml beside the test program, the
    // user's data directory.
    testfiles::ScopedEnv empty("ZUVO_HOME", "");
    testfiles::TempDir data;
    ASSERT_FALSE(std::filesystem::exists(
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / "config.xml"));
    {
        testfiles::ScopedEnv dataHome("XDG_DATA_HOME", data.path());
        EXPECT_EQ(ProgramDirectory(), data.path() + "/zuvo");
    }
    testfiles::ScopedEnv noDataHome("XDG_DATA_HOME", std::nullopt);
    testfiles::ScopedEnv home("HOME", data.path());
    EXPECT_EQ(ProgramDirectory(), data.path() + "/.local/share/zuvo");
}

TEST(ProgramPaths, ProgramDirectoryOfAnInstalledOrPortableProgram)
{
    testfiles::TempDir root;
    const std::string portable = root.file("portable");
    const std::string installed = root.file("bin");
    std::filesystem::create_directories(portable);
    std::filesystem::create_directories(installed);
    testfiles::writeFile(portable + "/config.xml", "<Config/>");
    // A directory named config.xml is no configuration.
    std::filesystem::create_directories(installed + "/config.xml");
    const std::string home = root.file("home");

    struct Case {
        const char* what;
        const char* zuvoHome;
        std::string executableDirectory;
        const char* xdgDataHome;
        std::string expected;
    };
    const Case cases[] = {
        {"$ZUVO_HOME first", "/srv/fax", portable, "/data", "/srv/fax"},
        {"a portable copy carries config.xml", nullptr, portable, "/data", portable},
        {"an empty $ZUVO_HOME is unset", "", portable, "/data", portable},
        {"an installed program: $XDG_DATA_HOME", nullptr, installed, "/data", "/data/zuvo"},
        {"a trailing slash", nullptr, installed, "/data/", "/data/zuvo"},
        {"XDG's default when unset", nullptr, installed, nullptr, home + "/.local/share/zuvo"},
        {"XDG's default when empty", nullptr, installed, "", home + "/.local/share/zuvo"},
        {"a relative $XDG_DATA_HOME is ignored", nullptr, installed, "data", home + "/.local/share/zuvo"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseProgramDirectory(c.zuvoHome, c.executableDirectory, c.xdgDataHome, home.c_str()), c.expected)
            << c.what;
}

TEST(ProgramPaths, JoinAbsoluteAndLastComponent)
{
    EXPECT_TRUE(IsAbsolutePath("/a"));
    EXPECT_FALSE(IsAbsolutePath("a/b"));
    EXPECT_FALSE(IsAbsolutePath("C:\\data")); // no drive letters here
    EXPECT_FALSE(IsAbsolutePath(""));

    EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
    EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(JoinPath("", "b"), "b");
    EXPECT_EQ(JoinPath("/a", "/abs"), "/abs");

    const std::vector<std::pair<std::string, std::string>> last = {
        {"/x/y/page.tif", "page.tif"}, {"C:\\faxes\\page.tif", "page.tif"}, {"C:page", "page"},
        {"plain", "plain"},           {"/x/y/", ""},                        {"a\\b/c:d", "d"},
    };
    for (const auto& [path, component] : last)
        EXPECT_EQ(LastPathComponent(path), component) << path;
}

TEST(ProgramPaths, NamesFromOutsideAreChecked)
{
    for (const char* good : {"page.tif", "收件箱", "a b", ".hidden", "x..y"})
        EXPECT_TRUE(IsSafeName(good)) << good;
    for (const std::string& bad : std::vector<std::string>{"", ".", "..", "a/b", "a\\b", "c:x", std::string("a\0b", 3)})
        EXPECT_FALSE(IsSafeName(bad)) << bad;

    EXPECT_TRUE(IsSafeRelativePath("faxbox"));
    EXPECT_TRUE(IsSafeRelativePath("data/faxbox"));
    for (const char* bad : {"", "/etc", "../x", "a/../b", "a//b", "a/"})
        EXPECT_FALSE(IsSafeRelativePath(bad)) << bad;
}
