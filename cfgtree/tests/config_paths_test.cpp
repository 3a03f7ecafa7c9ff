// Selection paths: 0-based indexes per parent, and every malformed path is
// an ordinary "not found".

#include "TestFiles.h"
#include "cfgtree/Config.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <vector>

using namespace cfgtree_test;

namespace {

class ConfigPaths : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(config.open(fixture("accounts.xml").c_str()), 1); }
    Config config;
};

struct NameCase {
    const char* path;
    const char* name; // nullptr: not found
};

} // namespace

TEST_F(ConfigPaths, IndexesCountFromZeroAmongTheParentsChildren)
{
    const std::vector<NameCase> cases = {
        {"Account[0]", "first"},
        {"Account", "first"},
        {"Account[1]", "second"},
        {"Account[2]", "third"},
        {"Account[3]", nullptr},
        {"Account[-1]", nullptr},
        {"", nullptr},
        {nullptr, nullptr},
        {"A[0]/", nullptr},
        {"Account[0]/", nullptr},
        {"/Account[0]", nullptr},
        {"Account//Folder", nullptr},
        {"Account[]", nullptr},
        {"Account[x]", nullptr},
        {"Account[ 0]", nullptr},
        {"Account[+0]", nullptr},
        {"Account[0", nullptr},
        {"Account[99999999999999999999999]", nullptr},
        {"Account[@Name='first']", nullptr},
        {"account[0]", nullptr}, // element names keep their case
        {"Account[0]/Folder[1]", "sent"},
        {"Account[1]/Folder[0]", "drafts"},
        {"Account[1]/Folder[1]", nullptr},
        {"Account/Folder", "inbox"},
        {"Account/Folder[0]", "inbox"},
        {"Other", "other"},
    };
    for (const NameCase& item : cases) {
        const char* shown = item.path ? item.path : "(null)";
        std::string value = "stale";
        int found = -1;
        EXPECT_NO_THROW(found = config.getNodeAttr(item.path, "Name", value)) << shown;
        EXPECT_EQ(found, item.name ? 1 : 0) << shown;
        EXPECT_EQ(value, item.name ? item.name : "") << shown;
        EXPECT_EQ(config.hasNodeAttr(item.path, "Name"), item.name ? 1 : 0) << shown;
        EXPECT_EQ(config.setCurNode(item.path), item.name ? 1 : 0) << shown;
    }
}

TEST_F(ConfigPaths, NodeCountsAndIndexedItems)
{
    struct Count {
        const char* path;
        int count;
    };
    for (const Count& item : std::vector<Count>{{"Account", 3},
                                                {"Account/Folder", 3},
                                                {"Account[0]/Folder", 2},
                                                {"Account[2]/Folder", 0},
                                                {"System/Version", 1},
                                                {"Missing", 0},
                                                {"", 0},
                                                {"Account[-1]", 0}})
        EXPECT_EQ(config.getNodeCnt(item.path), item.count) << item.path;

    std::string value;
    EXPECT_EQ(config.getNodeAttr("Account/Folder", 2, "Name", value), 1);
    EXPECT_EQ(value, "drafts") << "items run across parents in document order";
    EXPECT_EQ(config.getNodeAttr("Account", 3, "Name", value), 0);
    EXPECT_EQ(value, "");
    EXPECT_EQ(config.getNodeAttr("Account", -1, "Name", value), 0);
    EXPECT_EQ(config.getNodeAttr("Account", INT_MAX, "Name", value), 0);
    EXPECT_EQ(config.getNodeText("System/Version", 0, value), 1);
    EXPECT_EQ(value, "4.2");
    EXPECT_EQ(config.getNodeText("System/Version", -1, value), 0);
    EXPECT_EQ(config.getNodeText("System/Version", 1, value), 0);
}

TEST_F(ConfigPaths, AttributeNamesIgnoreCase)
{
    for (const char* name : {"Name", "name", "NAME", "nAmE"}) {
        EXPECT_EQ(config.getNodeAttr("Account[1]", name), "second") << name;
        EXPECT_EQ(config.hasNodeAttr("Account[1]", name), 1) << name;
    }
    EXPECT_EQ(config.hasNodeAttr("Account[1]", "Nam"), 0);
    EXPECT_EQ(config.getNodeAttr("Account[1]", "Missing"), "");
}

TEST_F(ConfigPaths, AttributesOfEveryNodeAPathSelectsReadInOneCall)
{
    using Rows = std::vector<std::vector<std::string>>;
    struct RowsCase {
        const char* path;
        std::vector<std::string> names;
        Rows rows;
    };
    const std::vector<RowsCase> cases = {
        {"Account", {"Name", "ID", "Balance"},
         {{"first", "101", "4000000000"}, {"second", "202", ""}, {"third", "-7x", ""}}},
        {"Account/Folder", {"name"}, {{"inbox"}, {"sent"}, {"drafts"}}}, // across parents, in document order
        {"Account[1]/Folder", {"Name", "Missing"}, {{"drafts", ""}}},
        {"Account[0]", {}, {{}}},
        {"Account[2]/Folder", {"Name"}, {}},
        {"Missing", {"Name"}, {}},
        {"", {"Name"}, {}},
        {nullptr, {"Name"}, {}},
    };
    for (const RowsCase& item : cases) {
        const char* shown = item.path ? item.path : "(null)";
        Rows rows = {{"stale"}};
        EXPECT_EQ(config.getNodesAttr(item.path, item.names, rows), static_cast<int>(item.rows.size())) << shown;
        EXPECT_EQ(rows, item.rows) << shown;
        // The same values as the item-by-item reads.
        for (std::size_t i = 0; i < rows.size(); ++i)
            for (std::size_t k = 0; k < item.names.size(); ++k)
            {
                std::string one;
                config.getNodeAttr(item.path, static_cast<int>(i), item.names[k].c_str(), one);
                EXPECT_EQ(rows[i][k], one) << shown << " " << i << " " << item.names[k];
            }
    }
}

TEST_F(ConfigPaths, NodesReadWithTheirChildrenTellAbsentFromEmptyAndStopAtTheLimit)
{
    using Values = std::vector<std::optional<std::string>>;
    std::vector<Config::NodeAttributes> nodes = {{{"stale"}, {}}};
    ASSERT_EQ(config.getNodesWithChildren("Account", {"Name", "Balance"}, "Folder", {"Name", "Type"}, nodes), 3);
    EXPECT_EQ(nodes[0].values, (Values{"first", "4000000000"}));
    EXPECT_EQ(nodes[0].children, (std::vector<Values>{{"inbox", std::nullopt}, {"sent", std::nullopt}}));
    EXPECT_EQ(nodes[1].values, (Values{"second", std::nullopt}));
    EXPECT_EQ(nodes[1].children, (std::vector<Values>{{"drafts", std::nullopt}}));
    EXPECT_TRUE(nodes[2].children.empty());

    EXPECT_EQ(config.getNodesWithChildren("Account", {"Name"}, "Folder", {"Name"}, nodes, 2), 2);
    EXPECT_EQ(nodes[1].values, (Values{"second"}));
    EXPECT_EQ(config.getNodesWithChildren("Account", {"Name"}, nullptr, {"Name"}, nodes), 3);
    EXPECT_TRUE(nodes[0].children.empty()) << "a null child path selects no children";
    EXPECT_EQ(config.getNodesWithChildren("Missing", {"Name"}, "Folder", {}, nodes), 0);
    EXPECT_TRUE(nodes.empty());
}

TEST_F(ConfigPaths, TextAndNumbers)
{
    std::string value;
    EXPECT_EQ(config.getNodeText("System/Port", value), 1);
    EXPECT_EQ(value, "8080") << "text is trimmed";
    EXPECT_EQ(config.getNodeText("System/Missing", value), 0);
    EXPECT_EQ(config.getNodeTextInt("System/Port"), 8080);
    EXPECT_EQ(config.getNodeTextInt("System/Missing"), 0);
    EXPECT_EQ(config.getNodeAttrInt("Account[0]", "Id"), 101);
    EXPECT_EQ(config.getNodeAttrInt("Account[2]", "Id"), -7) << "leading digits, like atoi";
    EXPECT_EQ(config.getNodeAttrInt("Account[0]", "Balance"), INT_MAX) << "saturates";
    EXPECT_EQ(config.getNodeAttrLong("Account[0]", "Balance"), 4000000000L);
    EXPECT_EQ(config.getNodeAttrInt("Account[0]", "Missing"), 0);
}
