// The cursor walk over an indented file, and anchors that must never dangle.

#include "TestFiles.h"
#include "cfgtree/Config.h"

#include <gtest/gtest.h>

#include <vector>

using namespace cfgtree_test;

namespace {

class ConfigCursor : public ::testing::Test {
protected:
    void SetUp() override
    {
        file = copyFixture(dir, "folders.xml", "address.xml");
        ASSERT_EQ(config.open(file.c_str()), 1);
    }

    // Child elements of an XPath, counted by xmllint.
    int elementsBelow(const std::string& xpath)
    {
        CommandResult result =
            run("xmllint --xpath " + quote("count(" + xpath + "/*)") + " " + quote(file));
        EXPECT_EQ(result.status, 0) << result.output;
        return std::stoi(result.output);
    }

    std::string cursorName()
    {
        std::string name;
        config.getAttr("name", name);
        return name;
    }

    TempDir dir;
    std::string file;
    Config config;
};

} // namespace

TEST_F(ConfigCursor, ChildNumCountsTheChildElements)
{
    struct Case {
        const char* path;
        const char* xpath;
    };
    for (const Case& item : std::vector<Case>{{"AddressBook[0]", "/Config/AddressBook[1]"},
                                              {"AddressBook[0]/Folder[0]", "/Config/AddressBook[1]/Folder[1]"},
                                              {"AddressBook[0]/Folder[1]", "/Config/AddressBook[1]/Folder[2]"},
                                              {"AddressBook[1]", "/Config/AddressBook[2]"}}) {
        ASSERT_EQ(config.setCurNode(item.path), 1) << item.path;
        EXPECT_EQ(config.getChildNum(), elementsBelow(item.xpath)) << item.path;
    }
}

TEST_F(ConfigCursor, WalkDownAndUp)
{
    EXPECT_EQ(config.getChildNum(), -1) << "no cursor yet";
    EXPECT_EQ(config.goChild(0), 0);
    EXPECT_EQ(config.goChild("Folder"), 0);

    ASSERT_EQ(config.setCurNode("AddressBook[0]"), 1);
    EXPECT_EQ(config.goChild(5), 0);
    EXPECT_EQ(config.goChild(-1), 0);
    EXPECT_EQ(config.goChild(2), 0);
    EXPECT_EQ(cursorName(), "public") << "a failed move keeps the cursor";
    ASSERT_EQ(config.goChild(0), 1);
    EXPECT_EQ(cursorName(), "family");

    std::vector<std::string> names;
    for (int i = 0; i < config.getChildNum(); ++i) {
        ASSERT_EQ(config.goChild(i), 1);
        std::string fax;
        EXPECT_EQ(config.getAttr("Fax", fax), 1);
        names.push_back(cursorName() + "=" + fax);
        ASSERT_EQ(config.goParent(), 1);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"mother=010-1", "father=010-2", "sister=010-3"}));

    ASSERT_EQ(config.goParent(), 1);
    ASSERT_EQ(config.goChild("Folder[1]"), 1);
    EXPECT_EQ(cursorName(), "work");
    EXPECT_EQ(config.goChild("Missing"), 0);

    // Up through the root element to the document, and no further.
    ASSERT_EQ(config.goParent(), 1);
    ASSERT_EQ(config.goParent(), 1);
    EXPECT_EQ(config.getChildNum(), 4) << "the root's children";
    ASSERT_EQ(config.goParent(), 1);
    EXPECT_EQ(config.getChildNum(), 1) << "the document holds the root";
    std::string value;
    EXPECT_EQ(config.getAttr("Name", value), 0);
    try {
        config.goParent();
        ADD_FAILURE() << "goParent above the document did not throw";
    } catch (const ConfigError& error) {
        EXPECT_EQ(error.code(), ConfigError::Code::NoParent);
    }
    ASSERT_EQ(config.goChild("Config/AddressBook[1]"), 1);
    EXPECT_EQ(cursorName(), "personal");
}

TEST_F(ConfigCursor, WhiteSpaceIsKeptWhereTheDocumentAsksAndTextIsTrimmed)
{
    ASSERT_EQ(config.setCurNode("Note"), 1);
    EXPECT_EQ(config.getChildNum(), 3) << "xml:space=\"preserve\" keeps the blanks";
    std::string text;
    EXPECT_EQ(config.getNodeText("Note", text), 1);
    EXPECT_EQ(text, "  one  ");
    EXPECT_EQ(config.getNodeText("Text", text), 1);
    EXPECT_EQ(text, "mixed bold tail");
    ASSERT_EQ(config.setCurNode("Text"), 1);
    EXPECT_EQ(config.getChildNum(), 3);
}

TEST_F(ConfigCursor, RemovingTheCursorsNodeClearsTheCursor)
{
    ASSERT_EQ(config.setCurNode("AddressBook[0]/Folder[0]/Address[1]"), 1);
    ASSERT_EQ(config.removeNode("AddressBook[0]/Folder[0]"), 1);
    std::string value = "stale";
    EXPECT_EQ(config.getChildNum(), -1);
    EXPECT_EQ(config.getAttr("Name", value), 0);
    EXPECT_EQ(value, "");
    EXPECT_EQ(config.goChild(0), 0);
    EXPECT_EQ(config.goChild("Address"), 0);
    EXPECT_EQ(config.goParent(), 0);

    // A cursor outside the removed subtree stays where it was.
    ASSERT_EQ(config.setCurNode("AddressBook[0]"), 1);
    ASSERT_EQ(config.removeNode("AddressBook[0]/Folder[0]"), 1);
    EXPECT_EQ(config.getChildNum(), 0);
    EXPECT_EQ(cursorName(), "public");

    ASSERT_EQ(config.removeAllChild(nullptr), 1);
    EXPECT_EQ(config.getChildNum(), -1);
}

TEST_F(ConfigCursor, RemovingTheLastAddedNodesClearsThem)
{
    ASSERT_EQ(config.addNode("AddressBook[1]", "Folder", "", "", ""), 1);
    ASSERT_EQ(config.addChild("Address", "", "", ""), 1);
    ASSERT_EQ(config.removeAllChild("AddressBook[1]"), 1);
    EXPECT_EQ(config.addNodeAttr("Name", "x"), 0);
    EXPECT_EQ(config.addChildAttr("Name", "x"), 0);
    EXPECT_EQ(config.addChild("Address", "", "", ""), 0);

    ASSERT_EQ(config.addNode("AddressBook[1]", "Folder", "", "", ""), 1);
    ASSERT_EQ(config.setCurNode("AddressBook[1]/Folder"), 1);
    ASSERT_EQ(config.setNodeText("AddressBook[1]", "flat"), 1);
    EXPECT_EQ(config.addNodeAttr("Name", "x"), 0) << "replaced content takes its anchors along";
    EXPECT_EQ(config.getChildNum(), -1);

    ASSERT_EQ(config.addNode(nullptr, "Extra", "", "", ""), 1);
    ASSERT_EQ(config.setCurNode("Extra"), 1);
    ASSERT_EQ(config.reload(), 1);
    EXPECT_EQ(config.addNodeAttr("Name", "x"), 0);
    EXPECT_EQ(config.getChildNum(), -1);
    EXPECT_EQ(config.getNodeCnt("Extra"), 0) << "the reload dropped the unsaved node";
}
