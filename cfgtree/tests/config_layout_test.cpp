// A save keeps the file's own layout: its indentation, its line ends, how
// its empty elements and its declaration were written. A change touches
// only the bytes it changes.

#include "TestFiles.h"
#include "cfgtree/Config.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace cfgtree_test;

namespace {

struct Layout {
    const char* name;
    std::string bytes;
};

std::string crlf(const std::string& lf)
{
    std::string lines;
    for (char c : lf) {
        if (c == '\n')
            lines += '\r';
        lines += c;
    }
    return lines;
}

const std::string kIndented =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Config>\n"
    "\t<System>\n"
    "\t\t<AdUrl></AdUrl>\n"
    "\t\t<LoginMode>direct</LoginMode>\n"
    "\t\t<FaxServers Current=\"0\">\n"
    "\t\t\t<FaxServer Address=\"127.0.0.1\" Port=\"18000\"/>\n"
    "\t\t\t<FaxServer Address=\"10.0.0.2\" Port=\"18001\"></FaxServer>\n"
    "\t\t</FaxServers>\n"
    "\t</System>\n"
    "</Config>\n";

const std::vector<Layout> kLayouts = {
    {"indented LF", kIndented},
    {"indented CR LF", crlf(kIndented)},
    {"one line, no line end", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Config>\t<A Name=\"x\"></A>\t<B/></Config>"},
    {"no declaration", "<Config>\n  <A/>\n  <B>text</B>\n</Config>\n"},
};

// What diff tells between a and b.
std::string diffOf(const std::string& a, const std::string& b, TempDir& dir)
{
    writeFile(dir.file("a.txt"), a);
    writeFile(dir.file("b.txt"), b);
    return run("diff " + quote(dir.file("a.txt")) + " " + quote(dir.file("b.txt"))).output;
}

// The layout written as config.xml in dir and opened in config: the file's path.
std::string openLayout(const Layout& layout, const TempDir& dir, Config& config)
{
    const std::string file = dir.file("config.xml");
    writeFile(file, layout.bytes);
    EXPECT_EQ(config.open(file.c_str()), 1) << layout.name;
    return file;
}

} // namespace

TEST(ConfigLayout, OpenAndSaveWritesTheFileBackByteForByte)
{
    for (const Layout& layout : kLayouts) {
        TempDir dir;
        Config config;
        const std::string file = openLayout(layout, dir, config);
        ASSERT_EQ(config.save(), 1) << layout.name;
        EXPECT_EQ(readFile(file), layout.bytes) << layout.name;
    }
}

TEST(ConfigLayout, AChangedAttributeIsTheOnlyChangedLine)
{
    for (const Layout& layout : {kLayouts[0], kLayouts[1]}) {
        TempDir dir;
        Config config;
        const std::string file = openLayout(layout, dir, config);
        ASSERT_EQ(config.setNodeAttr("System/FaxServers", "Current", "1"), 1);
        ASSERT_EQ(config.save(), 1);
        std::string expected = layout.bytes;
        expected.replace(expected.find("Current=\"0\""), 11, "Current=\"1\"");
        EXPECT_EQ(readFile(file), expected) << layout.name;
        const std::string diff = diffOf(layout.bytes, readFile(file), dir);
        EXPECT_EQ(diff.rfind("6c6\n", 0), 0u) << diff;
        EXPECT_EQ(std::count(diff.begin(), diff.end(), '\n'), 4) << diff;
    }
}

TEST(ConfigLayout, AnAttributeAddedAndRemovedAgainLeavesTheFileAsItWas)
{
    for (const Layout& layout : {kLayouts[0], kLayouts[1]}) {
        TempDir dir;
        Config config;
        const std::string file = openLayout(layout, dir, config);
        ASSERT_EQ(config.createNodeAttr("System/FaxServers", "Mark"), 1);
        ASSERT_EQ(config.setNodeAttr("System/FaxServers", "Mark", "2026-03-01 08:00:00"), 1);
        ASSERT_EQ(config.save(), 1);
        EXPECT_NE(readFile(file).find("Mark=\"2026-03-01 08:00:00\""), std::string::npos) << layout.name;
        EXPECT_EQ(config.removeNodeAttr("System/FaxServers", "MARK"), 1) << "names in any case";
        EXPECT_EQ(config.removeNodeAttr("System/FaxServers", "Mark"), 0) << "gone";
        EXPECT_EQ(config.removeNodeAttr("System/Missing", "Mark"), 0);
        ASSERT_EQ(config.save(), 1);
        EXPECT_EQ(readFile(file), layout.bytes) << layout.name;
    }
}

// Callers indent new elements with "\r\n\t": the text is written with the
// file's own line ends, never as the character reference &#13;.
TEST(ConfigLayout, IndentationOfNewElementsTakesTheFilesLineEnds)
{
    const std::string before = "<?xml version=\"1.0\"?>\n<Config>\n\t<A/>\n</Config>\n";
    const std::string after = "<?xml version=\"1.0\"?>\n<Config>\n\t<A/>\n\n\t<B/></Config>\n";
    for (bool windows : {false, true}) {
        TempDir dir;
        const std::string file = dir.file("account.xml");
        writeFile(file, windows ? crlf(before) : before);
        Config config;
        ASSERT_EQ(config.open(file.c_str()), 1);
        ASSERT_EQ(config.addNode(nullptr, "B", "", "\r\n\t", ""), 1);
        ASSERT_EQ(config.save(), 1);
        EXPECT_EQ(readFile(file), windows ? crlf(after) : after) << (windows ? "CR LF" : "LF");
    }
}
