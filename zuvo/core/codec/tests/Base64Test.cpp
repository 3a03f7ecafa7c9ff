#include "core/codec/Base64.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "core/tests/TestFiles.h"

namespace {

std::string sampleBytes(std::size_t n)
{
    std::string bytes;
    uint32_t x = 12345;
    for (std::size_t i = 0; i < n; ++i) {
        x = x * 1103515245 + 12345;
        bytes += char(x >> 16);
    }
    return bytes;
}

std::string toHex(const std::string& bytes)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += kHex[c >> 4];
        hex += kHex[c & 15];
    }
    return hex;
}

// Python's own encoder gives the characters; the lines are laid out as the
// stored files have them: CR LF after every 76 characters of whole groups,
// never after the padded last group.
constexpr const char* kOracle = R"(
import base64, sys
data = open(sys.argv[1], 'rb').read()
for n in range(len(data) + 1):
    s = base64.b64encode(data[:n]).decode()
    whole = n // 3 * 4
    out = ''
    for i in range(0, whole, 76):
        out += s[i:min(i + 76, whole)]
        if i + 76 <= whole:
            out += '\r\n'
    out += s[whole:]
    print(out.encode().hex())
)";

} // namespace

TEST(Base64, MatchesPythonForEveryLengthUpTo200)
{
    testfiles::TempDir dir;
    const std::string data = sampleBytes(200);
    testfiles::writeFile(dir.file("data"), data);
    testfiles::writeFile(dir.file("oracle.py"), kOracle);
    const auto r = testfiles::run("python3 " + dir.file("oracle.py") + " " + dir.file("data"));
    ASSERT_EQ(r.status, 0);
    std::istringstream lines(r.output);
    std::string expected;
    for (std::size_t n = 0; n <= data.size(); ++n) {
        ASSERT_TRUE(std::getline(lines, expected));
        const std::string encoded = Base64Encode(data.substr(0, n));
        EXPECT_EQ(toHex(encoded), expected) << "length " << n;
        EXPECT_EQ(Base64Decode(encoded), data.substr(0, n)) << "length " << n;
    }
}

TEST(Base64, LineBreakEdgeCases)
{
    struct Case {
        std::size_t length;
        std::size_t encodedSize;
        bool crlfAt76;
    };
    const std::vector<Case> cases = {
        {1, 4, false}, {2, 4, false}, {3, 4, false}, {57, 78, true}, {58, 82, true}, {114, 156, true},
    };
    for (const Case& c : cases) {
        const std::string encoded = Base64Encode(sampleBytes(c.length));
        EXPECT_EQ(encoded.size(), c.encodedSize) << c.length;
        EXPECT_EQ(encoded.size() > 76 && encoded.substr(76, 2) == "\r\n", c.crlfAt76) << c.length;
    }
    EXPECT_EQ(Base64Encode(std::string("a")), "YQ==");
    EXPECT_EQ(Base64Encode(std::string("ab")), "YWI=");
    EXPECT_EQ(Base64Encode(std::string("abc")), "YWJj");
    // 58 bytes: the padded group starts the second line and ends the text.
    EXPECT_EQ(Base64Encode(sampleBytes(58)).substr(78).size(), 4u);
    EXPECT_EQ(Base64Encode(sampleBytes(58)).substr(80), "==");
}

TEST(Base64, DecoderSkipsNoiseAndMissingPadding)
{
    const std::string data = sampleBytes(100);
    const std::string clean = Base64Encode(data);
    std::string noisy;
    for (std::size_t i = 0; i < clean.size(); ++i) {
        noisy += clean[i];
        if (i % 7 == 0)
            noisy += " \n\t\xB0\xA1";
    }
    EXPECT_EQ(Base64Decode(noisy), data);

    EXPECT_EQ(Base64Decode("YQ"), "a");
    EXPECT_EQ(Base64Decode("YWI"), "ab");
    EXPECT_EQ(Base64Decode("YWJjZ"), "abc"); // a lone trailing character gives nothing
    EXPECT_EQ(Base64Decode(""), "");
    EXPECT_EQ(Base64Encode(nullptr, 5), "");
    EXPECT_EQ(Base64Encode(std::string()), "");
}

TEST(Base64, DecodesBase64ToolOutput)
{
    // base64(1) wraps at 76 with LF only; the lenient decoder reads it too.
    testfiles::TempDir dir;
    const std::string data = sampleBytes(500);
    testfiles::writeFile(dir.file("data"), data);
    const auto r = testfiles::run("base64 " + dir.file("data"));
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(Base64Decode(r.output), data);

    // And base64 -d -i reads what we write.
    testfiles::writeFile(dir.file("ours"), Base64Encode(data));
    const auto back = testfiles::run("base64 -d -i " + dir.file("ours"));
    EXPECT_EQ(back.output, data);
}
