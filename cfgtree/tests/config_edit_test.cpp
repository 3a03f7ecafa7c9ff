// Growing and changing a document, checked against an expected file in
// canonical form.

#include "TestFiles.h"
#include "cfgtree/Config.h"

#include <gtest/gtest.h>

using namespace cfgtree_test;

TEST(ConfigEdit, AddInsertAndSetGiveTheExpectedFile)
{
    TempDir dir;
    std::string file = copyFixture(dir, "accounts.xml", "account.xml");
    Config config;
    ASSERT_EQ(config.open(file.c_str()), 1);

    EXPECT_EQ(config.setNodeText("System/Version", "5.0 & more"), 1);

    EXPECT_EQ(config.insertNode("Account[0]", "Folder", "", "\n\t\t", "", "Account[0]/Folder[1]"), 1);
    EXPECT_EQ(config.addNodeAttr("Name", "outbox"), 1);

    // Setters change existing attributes only; creating one is explicit, and
    // neither adds a second attribute that differs only in case.
    EXPECT_EQ(config.setNodeAttr("Account[1]", "Extra", "x"), 0);
    EXPECT_EQ(config.createNodeAttr("Account[1]", "ID"), 1);
    EXPECT_EQ(config.getNodeAttr("Account[1]", "Id"), "");
    EXPECT_EQ(config.setNodeAttr("Account[1]", "id", "303"), 1);
    EXPECT_EQ(config.createNodeAttr("Account[1]", "Extra"), 1);
    EXPECT_EQ(config.setNodeAttr("Account[2]", "Missing", "x"), 0);
    EXPECT_EQ(config.setNodeAttr("Account[9]", "Name", "x"), 0);

    EXPECT_EQ(config.removeNode("Other"), 1);

    EXPECT_EQ(config.addNode(nullptr, "Account", "", "\n\t", "\n"), 1);
    EXPECT_EQ(config.addNodeAttr("Name", "fourth"), 1);
    EXPECT_EQ(config.addNodeAttr("NAME", "Fourth"), 1);
    EXPECT_EQ(config.addChild("Folder", "", "\n\t\t", "\n\t"), 1);
    EXPECT_EQ(config.addChildAttr("Name", "trash"), 1);
    EXPECT_EQ(config.addNode("Note", "hello & <bye>", "", ""), 1);

    // A reference that selects nothing appends at the end of the parent.
    EXPECT_EQ(config.insertNode(nullptr, "Header", "", "", "", "Missing"), 1);
    EXPECT_EQ(config.addNodeAttr("Kind", "end"), 1);
    EXPECT_EQ(config.insertNode(nullptr, "Top", "", "\n\t", "", "System"), 1);

    ASSERT_EQ(config.save(), 1);
    CommandResult saved = canonical(file);
    CommandResult expected = canonical(fixture("accounts-edited.xml"));
    ASSERT_EQ(expected.status, 0) << expected.output;
    ASSERT_EQ(saved.status, 0) << saved.output;
    EXPECT_EQ(saved.output, expected.output);
    EXPECT_EQ(config.getNodeCnt("Account[0]/Folder"), 3);
    EXPECT_EQ(config.getNodeAttr("Account[3]/Note", "Name"), "");
}

TEST(ConfigEdit, AnchoredOperationsNeedTheirAnchor)
{
    Config config;
    ASSERT_EQ(config.open(fixture("accounts.xml").c_str()), 1);
    EXPECT_EQ(config.addNode("Note", "", "", ""), 0);
    EXPECT_EQ(config.addChild("Note", "", "", ""), 0);
    EXPECT_EQ(config.addNodeAttr("Name", "x"), 0);
    EXPECT_EQ(config.addChildAttr("Name", "x"), 0);
    EXPECT_EQ(config.addNode("Missing", "Note", "", "", ""), 0);
    EXPECT_EQ(config.insertNode("Missing", "Note", "", "", "", "Account"), 0);
    EXPECT_EQ(config.addNodeAttr("Missing", "Name", "x"), 0);
    EXPECT_EQ(config.createNodeAttr("Missing", "Name"), 0);

    // A node added under the root is the anchor of the next calls.
    ASSERT_EQ(config.addNode(nullptr, "Account", "", "", ""), 1);
    EXPECT_EQ(config.addNodeAttr("Name", "fourth"), 1);
    EXPECT_EQ(config.addChildAttr("Name", "x"), 0) << "no child added yet";
    EXPECT_EQ(config.addChild("Folder", "", "", ""), 1);
    EXPECT_EQ(config.addChildAttr("Name", "trash"), 1);
    EXPECT_EQ(config.getNodeAttr("Account[3]", "Name"), "fourth");
    EXPECT_EQ(config.getNodeAttr("Account[3]/Folder[0]", "Name"), "trash");
    EXPECT_EQ(config.addNodeAttr("Account[3]/Folder[0]", "Count", "0"), 1);
    EXPECT_EQ(config.getNodeAttrInt("Account[3]/Folder", "count"), 0);
}

TEST(ConfigEdit, RemoveAllChildEmptiesTheNodeOrTheRoot)
{
    Config config;
    ASSERT_EQ(config.open(fixture("accounts.xml").c_str()), 1);
    EXPECT_EQ(config.removeAllChild("Missing"), 0);
    EXPECT_EQ(config.removeAllChild("Account[0]"), 1);
    EXPECT_EQ(config.getNodeCnt("Account[0]/Folder"), 0);
    EXPECT_EQ(config.getNodeAttr("Account[0]", "Name"), "first") << "attributes stay";
    EXPECT_EQ(config.removeAllChild(nullptr), 1);
    EXPECT_EQ(config.getNodeCnt("Account"), 0);
    EXPECT_EQ(config.setCurNode("System"), 0);
}
