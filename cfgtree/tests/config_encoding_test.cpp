// A GB2312-declared file is read and written as GBK; the API speaks UTF-8.

#include "TestFiles.h"
#include "cfgtree/Config.h"

#include <gtest/gtest.h>

#include <functional>
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

// Text that XML 1.0 cannot hold is stored with each such character replaced,
// by every write: a control character by a space, a byte that starts no
// UTF-8 character by U+FFFD; the file saves and reloads with the rest of the
// value as it was. Names that are no XML names are still refused.
TEST(ConfigEncoding, TextThatXmlCannotHoldIsStoredWithTheCharacterReplaced)
{
    struct Case {
        const char* what;
        std::string value;
        std::string stored;
    };
    const Case cases[] = {
        {"a bell in a title", "传真\x07标题", "传真 标题"},
        {"an escape in a caller number", "\x1b[0m010-1234", " [0m010-1234"},
        {"a copied line break", "读书\v旅行", "读书 旅行"},
        {"a form feed and a start of heading", "路\f号\x01", "路 号 "},
        {"U+FFFE and U+FFFF", "a\xEF\xBF\xBE" "b\xEF\xBF\xBF", "a b "},
        {"a cut UTF-8 sequence", "张\xE5\xBC", "张\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"tab, line feed and carriage return stay", "a\tb\nc\rd", "a\tb\nc\rd"},
    };
    using Write = std::function<int(Config&, const std::string&)>;
    using Read = std::function<std::string(Config&)>;
    struct Store {
        const char* operation;
        Write write;
        Read read;
    };
    const Store stores[] = {
        {"setNodeAttr", [](Config& c, const std::string& v) { return c.setNodeAttr("Account[0]", "Name", v.c_str()); },
         [](Config& c) { return c.getNodeAttr("Account[0]", "Name"); }},
        {"addNodeAttr",
         [](Config& c, const std::string& v) {
             return c.addNode("Account[1]", "Fax", "", "", "") * c.addNodeAttr("Topic", v.c_str());
         },
         [](Config& c) { return c.getNodeAttr("Account[1]/Fax[0]", "Topic"); }},
        {"addChildAttr",
         [](Config& c, const std::string& v) {
             return c.addNode(nullptr, "Box", "", "", "") * c.addChild("AttachFile", "", "", "") *
                    c.addChildAttr("File", v.c_str());
         },
         [](Config& c) { return c.getNodeAttr("Box[0]/AttachFile[0]", "File"); }},
        {"setNodeText", [](Config& c, const std::string& v) { return c.setNodeText("System/Version", v.c_str()); },
         [](Config& c) {
             std::string text;
             c.getNodeText("System/Version", text);
             return text;
         }},
        {"addNode text",
         [](Config& c, const std::string& v) { return c.addNode(nullptr, "Note", v.c_str(), "\n\t", "\n"); },
         [](Config& c) {
             std::string text;
             c.getNodeText("Note", text);
             return text;
         }},
    };
    TempDir dir;
    for (const Store& store : stores) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(store.operation) + ": " + c.what);
            std::string file = copyFixture(dir, "accounts-gbk.xml", "account.xml");
            Config config;
            ASSERT_EQ(config.open(file.c_str()), 1);
            ASSERT_EQ(store.write(config, c.value), 1);
            // Text nodes are read trimmed at both ends.
            const bool text = std::string(store.operation).find("Text") != std::string::npos ||
                              std::string(store.operation).find("text") != std::string::npos;
            auto trimmed = [&](std::string value) {
                if (!text)
                    return value;
                const char* blanks = " \t\r\n";
                const std::size_t first = value.find_first_not_of(blanks);
                return first == std::string::npos ? std::string() : value.substr(first, value.find_last_not_of(blanks) - first + 1);
            };
            EXPECT_EQ(store.read(config), trimmed(c.stored));
            ASSERT_EQ(config.save(), 1);
            Config reopened;
            ASSERT_EQ(reopened.open(file.c_str()), 1) << readFile(file);
            EXPECT_EQ(store.read(reopened), trimmed(c.stored));
            EXPECT_EQ(reopened.getNodeAttr("Account[2]", "Name"), "王五");
        }
    }

    TempDir names;
    std::string file = copyFixture(names, "accounts-gbk.xml", "account.xml");
    Config config;
    ASSERT_EQ(config.open(file.c_str()), 1);
    EXPECT_EQ(config.addNode(nullptr, "bad name", "", "", ""), 0);
    EXPECT_EQ(config.addNodeAttr("Account[0]", "bad\x07name", "x"), 0);
    EXPECT_EQ(config.getNodeAttr("Account[0]", "Name"), "张三");
}

// One unusual pair costs one character, not the file: GB18030's user-defined
// and extension codes read as their characters and are written back as the
// same bytes; an invalid pair reads as U+FFFD.
TEST(ConfigEncoding, CodesBeyondGb2312AndAnInvalidPairCostNothingElse)
{
    TempDir dir;
    const std::string file = dir.file("address.xml");
    const std::string head = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<Config>\r\n\t<Address Name=\"";
    const std::string codes = "\xA1\x40\xA6\xD9\xFE\x50\xE9\x46"; // A1 40, A6 D9, FE 50 and 镕
    const std::string rest = "\" Fax=\"010-1\"/>\r\n\t<Address Name=\"x\x81\xFFy\" Fax=\"010-2\"/>\r\n</Config>\r\n";
    writeFile(file, head + codes + rest);

    Config config;
    ASSERT_EQ(config.open(file.c_str()), 1);
    const std::string name = config.getNodeAttr("Address[0]", "Name");
    // A6 D9: U+FE10 in GB18030-2022, U+E78D in -2005.
    const std::string a6d9 = name.find("\xEF\xB8\x90") != std::string::npos ? "\xEF\xB8\x90" : "\xEE\x9E\x8D";
    EXPECT_EQ(name, "\xEE\x93\x86" + a6d9 + "\xE2\xBA\x81镕");
    EXPECT_EQ(config.getNodeAttr("Address[1]", "Name"), "x\xEF\xBF\xBDy");
    EXPECT_EQ(config.getNodeAttr("Address[1]", "Fax"), "010-2");

    ASSERT_EQ(config.save(), 1);
    std::string expected = head + codes + rest;
    expected.replace(expected.find("\x81\xFF"), 2, "&#65533;"); // U+FFFD has no GBK code
    EXPECT_EQ(readFile(file), expected);
}

// A document is saved in an encoding that reloads: its own when that is
// GB2312, GBK, GB18030 or UTF-8, else UTF-8 with a declaration saying so.
TEST(ConfigEncoding, EveryDeclaredEncodingSavesAFileThatReopens)
{
    struct Case {
        const char* declared;
        const char* savedAs;
        std::string text;  // what the encoding can hold
        std::string bytes; // the file, when iconv does not write it as such files are
    };
    const std::string any = "日本 é ß 😀";
    // iconv writes even "<" in UTF-7's base64; files that declare it are ASCII.
    const std::string utf7 = "<?xml version=\"1.0\" encoding=\"UTF-7\"?>\n<Config><Seal Name=\"+ZeVnLA- caf+AOk-\"/></Config>\n";
    for (const Case& c : std::vector<Case>{{"UTF-7", "UTF-8", "日本 café", utf7},
                                           {"UTF-16", "UTF-8", any, ""},
                                           {"ISO-8859-1", "UTF-8", "café", ""},
                                           {"utf-8", "utf-8", any, ""},
                                           {"GB18030", "GB18030", any, ""},
                                           {"gbk", "gbk", "日本 é 镕", ""}}) {
        TempDir dir;
        const std::string file = dir.file("seal.xml");
        const std::string& text = c.text;
        writeFile(dir.file("utf8.xml"), std::string("<?xml version=\"1.0\" encoding=\"") + c.declared +
                                            "\"?>\n<Config><Seal Name=\"" + text + "\"/></Config>\n");
        if (!c.bytes.empty())
            writeFile(file, c.bytes);
        else
            ASSERT_TRUE(testsupport::runOk("iconv -f UTF-8 -t " + std::string(c.declared) + " " +
                                           quote(dir.file("utf8.xml")) + " > " + quote(file)))
                << c.declared;
        Config config;
        ASSERT_EQ(config.open(file.c_str()), 1) << c.declared;
        ASSERT_EQ(config.getNodeAttr("Seal", "Name"), text) << c.declared;
        ASSERT_EQ(config.save(), 1) << c.declared;

        const std::string saved = readFile(file);
        EXPECT_EQ(saved.rfind(std::string("<?xml version=\"1.0\" encoding=\"") + c.savedAs + "\"?>", 0), 0u)
            << c.declared << ": " << saved.substr(0, 60);
        Config reopened;
        ASSERT_EQ(reopened.open(file.c_str()), 1) << c.declared;
        EXPECT_EQ(reopened.getNodeAttr("Seal", "Name"), text) << c.declared;
    }
}

// A name can hold no character reference: an element or attribute name, a
// comment or a processing instruction with a character GBK lacks (an invalid
// pair read as U+FFFD, or a name given by a caller) is saved in GB18030,
// which has a code for every character. Every other byte stays as it was, and
// the saved file reopens with the same names and saves again unchanged.
TEST(ConfigEncoding, NamesWithoutAGbkCodeAreSavedInGb18030AndReopen)
{
    TempDir dir;
    const std::string file = dir.file("address.xml");
    const std::string body = "\r\n<Config>\r\n\t<Card\x81\xFF Name=\"\xD5\xC5\" Fax\x85\xFF=\"1\"/>\r\n"
                             "\t<!-- \x83\xFF -->\r\n\t<?note \x84\xFF?>\r\n</Config>\r\n";
    writeFile(file, "<?xml version=\"1.0\" encoding=\"GB2312\"?>" + body);

    Config config;
    ASSERT_EQ(config.open(file.c_str()), 1);
    ASSERT_EQ(config.getNodeAttr("Card\xEF\xBF\xBD", "Name"), "张");
    ASSERT_EQ(config.save(), 1);
    const std::string saved = readFile(file);
    // U+FFFD is 84 31 A4 37 in GB18030.
    const std::string fffd = "\x84\x31\xA4\x37";
    std::string expected = body;
    for (const char* invalid : {"\x81\xFF", "\x85\xFF", "\x83\xFF", "\x84\xFF"})
        expected.replace(expected.find(invalid), 2, fffd);
    EXPECT_EQ(saved, "<?xml version=\"1.0\" encoding=\"GB18030\"?>" + expected);

    Config reopened;
    ASSERT_EQ(reopened.open(file.c_str()), 1);
    EXPECT_EQ(reopened.getNodeAttr("Card\xEF\xBF\xBD", "Name"), "张");
    EXPECT_EQ(reopened.getNodeAttr("Card\xEF\xBF\xBD", "Fax\xEF\xBF\xBD"), "1");
    ASSERT_EQ(reopened.save(), 1);
    EXPECT_EQ(readFile(file), saved);

    // The same for a name a caller gives.
    const std::string plain = dir.file("plain.xml");
    writeFile(plain, "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config><Card Name=\"\xD5\xC5\"/></Config>\n");
    Config named;
    ASSERT_EQ(named.open(plain.c_str()), 1);
    ASSERT_EQ(named.addNode(nullptr, "한글", "", "", ""), 1) << "Hangul has no GBK code";
    ASSERT_EQ(named.save(), 1);
    Config again;
    ASSERT_EQ(again.open(plain.c_str()), 1) << readFile(plain);
    EXPECT_EQ(again.setCurNode("한글"), 1);
    EXPECT_EQ(readFile(plain).rfind("<?xml version=\"1.0\" encoding=\"GB18030\"?>", 0), 0u);
}
