// A GB2312-declared file is read and written as GBK; the API speaks UTF-8.

#include "TestFiles.h"
#include "cfgtree/Config.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

using namespace cfgtree_test;

namespace {

struct Expected {
    const char* path;
    const char* attribute; // nullptr: the element's text
    const char* value;
};

// The fixture holds 镕 (in GBK, not in GB2312), 閨 (its trail byte is "|"),
// an escaped ampersand and both kinds of quote.
const std::vector<Expected> kValues = {
    {"System/Version", nullptr, "4.2"},
    {"System/Title", nullptr, "传真 镕基"},
    {"Account[0]", "Name", "张三"},
    {"Account[0]", "Server", "閨|门"},
    {"Account[0]", "Note", "A & B \"quoted\" 'single'"},
    {"Account[0]/Folder[0]", "Name", "收件箱"},
    {"Account[2]", "Name", "王五"},
};

const char* kEmoji = "笑😀"; // 😀 lies outside GBK

std::string read(Config& config, const Expected& item)
{
    std::string value;
    int found = item.attribute ? config.getNodeAttr(item.path, item.attribute, value)
                               : config.getNodeText(item.path, value);
    return found ? value : "<absent>";
}

std::string unhex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

// Values of the saved file as Python's own XML parser reads them.
std::vector<std::string> readWithEtree(const std::string& file, const std::vector<Expected>& items)
{
    std::string command = "python3 " + quote(std::string(ZUVO_TEST_DATA) + "/etree_values.py") +
                          " " + quote(file);
    for (const Expected& item : items)
        command += " " + quote(std::string(item.path) +
                                (item.attribute ? std::string("@") + item.attribute : ""));
    CommandResult result = run(command + " 2>&1");
    EXPECT_EQ(result.status, 0) << result.output;
    std::vector<std::string> values;
    std::istringstream lines(result.output);
    for (std::string line; std::getline(lines, line);)
        values.push_back(line == "-" ? "<absent>" : unhex(line));
    return values;
}

} // namespace

TEST(ConfigEncoding, GbkFileReadsAsUtf8)
{
    Config config;
    ASSERT_EQ(config.open(fixture("accounts-gbk.xml").c_str()), 1);
    for (const Expected& item : kValues)
        EXPECT_EQ(read(config, item), item.value) << item.path << " " << (item.attribute ? item.attribute : "");
}

TEST(ConfigEncoding, SavedFileStaysGbkAndReadsTheSameElsewhere)
{
    TempDir dir;
    std::string file = copyFixture(dir, "accounts-gbk.xml", "account.xml");
    {
        Config config;
        ASSERT_EQ(config.open(file.c_str()), 1);
        ASSERT_EQ(config.addNodeAttr("Account[1]", "Smile", kEmoji), 1);
        ASSERT_EQ(config.save(), 1);
    }
    std::vector<Expected> values = kValues;
    values.push_back({"Account[1]", "Smile", kEmoji});

    std::string bytes = readFile(file);
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"GB2312\"?>", 0), 0u) << bytes.substr(0, 60);
    EXPECT_EQ(run("iconv -f GBK -t UTF-8 " + quote(file) + " >/dev/null 2>&1").status, 0);
    EXPECT_NE(bytes.find("\xE9\x46"), std::string::npos) << "镕 is written as its GBK bytes";
    EXPECT_NE(bytes.find("&#128512;"), std::string::npos) << "😀 becomes a character reference";

    std::vector<std::string> seen = readWithEtree(file, values);
    ASSERT_EQ(seen.size(), values.size());
    Config reopened;
    ASSERT_EQ(reopened.open(file.c_str()), 1);
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(seen[i], values[i].value) << "etree: " << values[i].path;
        EXPECT_EQ(read(reopened, values[i]), values[i].value) << "reopened: " << values[i].path;
    }
}

TEST(ConfigEncoding, TextThatXmlCannotHoldIsRefused)
{
    TempDir dir;
    std::string file = copyFixture(dir, "accounts-gbk.xml", "account.xml");
    Config config;
    ASSERT_EQ(config.open(file.c_str()), 1);
    // A control character or broken UTF-8 would make the saved file unreadable.
    EXPECT_EQ(config.setNodeAttr("Account[0]", "Name", "bell\x07"), 0);
    EXPECT_EQ(config.setNodeText("System/Version", "\xE5\xBC"), 0);
    EXPECT_EQ(config.addNode(nullptr, "bad name", "", "", ""), 0);
    EXPECT_EQ(config.getNodeAttr("Account[0]", "Name"), "张三");
    ASSERT_EQ(config.save(), 1);
    Config reopened;
    EXPECT_EQ(reopened.open(file.c_str()), 1);
}
