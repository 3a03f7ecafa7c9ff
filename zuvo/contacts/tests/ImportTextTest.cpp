// The address book's text imports read outside files: separators, byte
// limits on character boundaries, line ends, encodings (against iconv and an
// independent Python reading of the rules) and hostile files.

#include "contacts/ImportText.h"

#include <gtest/gtest.h>

#include <random>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/tests/TestFiles.h"
#include "textcodec/Gbk.h"

using namespace std::string_literals;

namespace {

using Pair = std::pair<std::string, std::string>; // number, name

std::vector<Pair> pairsOf(const ImportedCards& read)
{
    std::vector<Pair> pairs;
    for (const AddressCard& card : read.cards)
        pairs.emplace_back(card.at("FaxNum"), card.at("Name"));
    return pairs;
}

// The Python reading of the same file.
std::vector<Pair> oracle(const char* kind, const std::string& path)
{
    const auto result = testfiles::run(testfiles::python3() + " " ZUVO_TEST_DATA "/import_oracle.py " + kind + " " +
                                       testfiles::quote(path));
    EXPECT_EQ(result.status, 0);
    std::vector<Pair> pairs;
    std::size_t start = 0;
    while (start < result.output.size()) {
        const std::size_t end = result.output.find('\n', start);
        const std::string line = result.output.substr(start, end - start);
        const std::size_t unit = line.find('\x1f');
        pairs.emplace_back(line.substr(0, unit), line.substr(unit + 1));
        start = end + 1;
    }
    return pairs;
}

class ImportTextTest : public ::testing::Test {
protected:
    std::string file(const std::string& bytes, const std::string& name = "in.txt")
    {
        const std::string path = dir_.file(name);
        testfiles::writeFile(path, bytes);
        return path;
    }
    // The UTF-8 text converted by iconv.
    std::string converted(const std::string& utf8, const std::string& encoding, const std::string& name)
    {
        const std::string source = file(utf8, name + ".utf8");
        const std::string path = dir_.file(name);
        EXPECT_TRUE(testfiles::runOk("iconv -f UTF-8 -t " + encoding + " " + testfiles::quote(source) + " > " +
                                     testfiles::quote(path)));
        return path;
    }

    testfiles::TempDir dir_;
};

} // namespace

TEST_F(ImportTextTest, NumberListTokensAndTheirCards)
{
    struct Case {
        std::string bytes;
        std::vector<std::string> numbers;
    };
    const std::vector<Case> cases = {
        {"111,222;333||", {"111", "222", "333"}},
        {"1,,2;;3\r\n\r\n4", {"1", "2", "3", "4"}},
        {"", {}},
        {"|;,\r\n", {}},
        {" 5 |6\n", {" 5 ", "6"}},                  // bytes are kept as they stand
        {"7\0" "8|9\x01"s, {"78", "9"}},            // NULs and control characters are dropped
        {"\xEF\xBB\xBF" "10|11", {"10", "11"}},      // a UTF-8 byte-order mark is no text
        {"\xD5\xC5|\x81\x7C|12", {"张", "亅", "12"}}, // GBK: a trail byte "|" ends no token
    };
    for (const Case& c : cases) {
        const ImportedCards read = ReadNumberList(file(c.bytes));
        ASSERT_EQ(read.status, ImportTextStatus::Read) << c.bytes;
        std::vector<std::string> numbers;
        for (const AddressCard& card : read.cards)
            numbers.push_back(card.at("FaxNum"));
        EXPECT_EQ(numbers, c.numbers) << c.bytes;
    }

    // Each card: the number in the six fields of the number list.
    const ImportedCards read = ReadNumberList(file("111,222;333||"));
    ASSERT_EQ(read.cards.size(), 3u);
    const AddressCard expected = {{"Name", "222"},       {"FaxNum", "222"},      {"FirstName", "222"},
                                  {"HomeFaxNum", "222"}, {"CompanyName", "222"}, {"CompanyFaxNum", "222"}};
    EXPECT_EQ(read.cards[1], expected);
}

TEST_F(ImportTextTest, ByteLimitsFallOnCharacterBoundaries)
{
    // 60 digits keep 47; 23 Chinese characters are 46 GBK bytes, and the
    // 24th would make 48: the token keeps 23 whole characters.
    const std::string digits(60, '7');
    std::string chinese;
    for (int i = 0; i < 30; ++i)
        chinese += "汉";
    const ImportedCards read = ReadNumberList(file(digits + "\n" + chinese + "\n" + "1" + chinese));
    ASSERT_EQ(read.cards.size(), 3u);
    EXPECT_EQ(read.cards[0].at("FaxNum"), digits.substr(0, 47));
    EXPECT_EQ(read.cards[1].at("FaxNum"), chinese.substr(0, 23 * 3));
    EXPECT_EQ(read.cards[2].at("FaxNum"), "1" + chinese.substr(0, 23 * 3)) << "1 + 46 bytes";

    // A name keeps 255 bytes: 127 characters (254 bytes), not half of the 128th.
    std::string longName;
    for (int i = 0; i < 200; ++i)
        longName += "名";
    const ImportedCards named = ReadNumberAndNameLines(file("12345678 " + longName + "\r\n"));
    ASSERT_EQ(named.cards.size(), 1u);
    EXPECT_EQ(GbkByteCount(named.cards[0].at("Name")), 254u);
    EXPECT_EQ(named.cards[0].at("Name"), longName.substr(0, 127 * 3));
}

TEST_F(ImportTextTest, NumberAndNameLines)
{
    struct Case {
        std::string bytes;
        std::vector<Pair> cards;
    };
    const std::vector<Case> cases = {
        // A number, a blank and a name; a seven-digit number alone is too short.
        {"12345678 张三\r\n1234567\r\n", {{"12345678", "张三"}}},
        // A line of only a number has no separator: only the second line counts.
        {"12345678\n87654321\t李四\n", {{"87654321", "李四"}}},
        {"111|Ann\n222;Bob\n333,Cy \n444\t \t Dee\r", {{"111", "Ann"}, {"222", "Bob"}, {"333", "Cy "}, {"444", "Dee"}}},
        {"1234567 \n", {{"1234567", ""}}},        // 9 bytes with its line end: no name
        {"123 5\n", {}},                          // 6 bytes
        {" 12345678 name\n", {}},                 // empty number
        {"11111 a\r22222 b\r\n33333 cc", {{"11111", "a"}, {"22222", "b"}, {"33333", "cc"}}},
        {"55555 x\0y\n"s, {{"55555", "xy"}}},
    };
    for (const Case& c : cases) {
        const ImportedCards read = ReadNumberAndNameLines(file(c.bytes));
        ASSERT_EQ(read.status, ImportTextStatus::Read) << c.bytes;
        EXPECT_EQ(pairsOf(read), c.cards) << c.bytes;
    }
    const ImportedCards read = ReadNumberAndNameLines(file("12345678 张三\r\n"));
    const AddressCard expected = {{"Name", "张三"},         {"FaxNum", "12345678"},  {"FirstName", "张三"},
                                  {"HomeFaxNum", "12345678"}, {"CompanyName", "张三"}, {"CompanyFaxNum", "12345678"}};
    ASSERT_EQ(read.cards.size(), 1u);
    EXPECT_EQ(read.cards[0], expected);
}

TEST_F(ImportTextTest, TheRestOfALongLineIsNoCard)
{
    // 1100 bytes on one line: its tail holds what would look like a card.
    const std::string line = "11111111 " + std::string(1000, 'a') + "|22222222 tail";
    const ImportedCards read = ReadNumberAndNameLines(file(line + "\n33333333 next\n"));
    ASSERT_EQ(read.cards.size(), 2u);
    EXPECT_EQ(read.cards[0].at("Name"), std::string(255, 'a'));
    EXPECT_EQ(read.cards[1].at("Name"), "next");
}

// The same cards from the same text in UTF-8, GBK and UTF-16 (with its
// byte-order mark), and as the independent reading finds them.
TEST_F(ImportTextTest, EncodingsGiveTheSameCardsAsTheOracle)
{
    std::mt19937 random(28);
    const std::vector<std::string> pieces = {"0", "1", "5", "9", "张", "王", "镕", "José", " ", "\t", "|", ";", ",", "\r\n",
                                             "\n", "\r", "&", "\"", "<", "长长长长长长长长长长长长长长长长长长长长长长长长"};
    std::string text = "12345678 名字\r\n";
    for (int i = 0; i < 4000; ++i)
        text += pieces[random() % pieces.size()];
    for (const char* kind : {"numbers", "lines"}) {
        const std::string utf8 = file(text, std::string(kind) + ".txt");
        const std::vector<Pair> expected = oracle(kind, utf8);
        ASSERT_GT(expected.size(), 50u);
        const bool numberList = std::string(kind) == "numbers";
        auto read = [&](const std::string& path) {
            const ImportedCards cards = numberList ? ReadNumberList(path) : ReadNumberAndNameLines(path);
            EXPECT_EQ(cards.status, ImportTextStatus::Read) << path;
            return pairsOf(cards);
        };
        EXPECT_EQ(read(utf8), expected) << kind;
        for (const char* encoding : {"GBK", "UTF-16"})
            EXPECT_EQ(read(converted(text, encoding, std::string(kind) + "." + encoding)), expected)
                << kind << " " << encoding;
    }
}

// GBK files are read as GBK, though the GBK bytes of many common names are
// valid UTF-8 (叶伟 is D2 B6 CE B0: "Ҷΰ"); UTF-8 files are read as UTF-8
// when their reading is plainly text. The same lines in both encodings give
// the same cards.
TEST_F(ImportTextTest, GbkAndUtf8VersionsOfTheSameLinesGiveTheSameCards)
{
    struct Case {
        const char* what;
        std::string lines; // UTF-8
        std::vector<Pair> cards;
    };
    const std::vector<Case> cases = {
        {"names whose GBK bytes are UTF-8", "13800138000 叶伟\n13800138001 卢陆\n13800138002 石钱强平\n",
         {{"13800138000", "叶伟"}, {"13800138001", "卢陆"}, {"13800138002", "石钱强平"}}},
        {"one such name alone", "13800138000 叶伟\n", {{"13800138000", "叶伟"}}},
        {"such names beside others", "13800138000 张三\r\n13800138001 伟\r\n",
         {{"13800138000", "张三"}, {"13800138001", "伟"}}},
        {"Latin names with accents", "13800138000 Jürgen Müller\n13800138001 José\n",
         {{"13800138000", "Jürgen Müller"}, {"13800138001", "José"}}},
        {"a middle dot between Chinese names", "13800138000 约翰·史密斯\n", {{"13800138000", "约翰·史密斯"}}},
        {"numbers only", "13800138000 x13800138000\n", {{"13800138000", "x13800138000"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string utf8 = file(c.lines, "utf8.txt");
        EXPECT_EQ(pairsOf(ReadNumberAndNameLines(utf8)), c.cards) << "UTF-8";
        EXPECT_EQ(oracle("lines", utf8), c.cards) << "UTF-8, the oracle";
        const std::string gbk = converted(c.lines, "GBK", "gbk.txt");
        EXPECT_EQ(pairsOf(ReadNumberAndNameLines(gbk)), c.cards) << "GBK";
        EXPECT_EQ(oracle("lines", gbk), c.cards) << "GBK, the oracle";
        const std::string marked = file("\xEF\xBB\xBF" + c.lines, "marked.txt");
        EXPECT_EQ(pairsOf(ReadNumberAndNameLines(marked)), c.cards) << "UTF-8 with its byte-order mark";
    }
}

TEST_F(ImportTextTest, HostileFiles)
{
    // Read-only is enough (for root too, which the mode does not stop: the
    // file is made immutable while the test reads it).
    const std::string readOnly = file("12345678 只读\n", "readonly.txt");
    ::chmod(readOnly.c_str(), 0444);
    struct Immutable {
        std::string path;
        bool set = ::geteuid() == 0 && testfiles::runOk("chattr +i " + testfiles::quote(path));
        ~Immutable()
        {
            if (set)
                testfiles::runOk("chattr -i " + testfiles::quote(path));
        }
    } immutable{readOnly};
    const int writable = ::open(readOnly.c_str(), O_RDWR);
    if (writable >= 0)
        ::close(writable);
    EXPECT_LT(writable, 0) << "the file can still be opened for writing";
    EXPECT_EQ(ReadNumberAndNameLines(readOnly).cards.size(), 1u);

    // What is no file to read.
    EXPECT_EQ(ReadNumberList(dir_.file("missing.txt")).status, ImportTextStatus::Unopenable);
    EXPECT_EQ(ReadNumberList(dir_.path()).status, ImportTextStatus::Unopenable);
    const std::string fifo = dir_.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadNumberAndNameLines(fifo).status, ImportTextStatus::Unopenable) << "opened without waiting";
    EXPECT_EQ(ReadNumberList("/dev/zero").status, ImportTextStatus::Unopenable);

    // Binary files: a program, and random bytes.
    EXPECT_EQ(ReadNumberList("/bin/sh").status, ImportTextStatus::Binary);
    std::mt19937 random(7);
    std::string noise(100000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    const ImportedCards binary = ReadNumberAndNameLines(file(noise, "noise.bin"));
    EXPECT_EQ(binary.status, ImportTextStatus::Binary);
    EXPECT_TRUE(binary.cards.empty());

    // A 20 MB line without separators is one card of 47 bytes.
    const ImportedCards huge = ReadNumberList(file(std::string(20 << 20, '8'), "huge.txt"));
    ASSERT_EQ(huge.status, ImportTextStatus::Read);
    ASSERT_EQ(huge.cards.size(), 1u);
    EXPECT_EQ(huge.cards[0].at("FaxNum"), std::string(47, '8'));

    // More cards than an import takes: none.
    const ImportedCards many = ReadNumberList(file("1,2,3,4,5"), 4);
    EXPECT_EQ(many.status, ImportTextStatus::TooMany);
    EXPECT_TRUE(many.cards.empty());
    EXPECT_EQ(ReadNumberList(file("1,2,3,4"), 4).cards.size(), 4u);
}
