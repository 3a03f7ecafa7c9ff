// Case-blind comparison and number reading of ASCII text, independent of
// the C library's locale.
#include <climits>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "textcodec/AsciiText.h"

using TextCodec::clampToInt;
using TextCodec::equalsIgnoringAsciiCase;
using TextCodec::leadingDecimal;

TEST(AsciiText, EqualityFoldsTheAsciiLettersOnly)
{
    struct Case {
        std::string a, b;
        bool equal;
    } const cases[] = {
        {"HeartBeat", "heartbeat", true},
        {"", "", true},
        {"udp", "UDP", true},
        {"tcp", "tcp ", false},     // lengths differ
        {"tc", "tcp", false},
        {"[", "{", false},          // 0x5B and 0x7B differ by the case bit but are no letters
        {"@", "`", false},
        {"收件箱", "收件箱", true},
        {"\xC3\xA9", "\xC3\x89", false}, // é and É stay apart
        {std::string("a\0b", 3), std::string("A\0B", 3), true},
        {std::string("a\0b", 3), "a", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(equalsIgnoringAsciiCase(c.a, c.b), c.equal) << '"' << c.a << "\" against \"" << c.b << '"';
        EXPECT_EQ(equalsIgnoringAsciiCase(c.b, c.a), c.equal) << '"' << c.b << "\" against \"" << c.a << '"';
    }
}

TEST(AsciiText, LeadingDecimalReadsWhatStrtolReads)
{
    // The test program runs in the C locale, where strtol is the reference.
    const char* const texts[] = {
        "", "0", "42", "  42", "\t\n\v\f\r7", "+5", "-5", "--5", "+-5", "- 5", "12abc", "abc",
        "007", "3.9", "1e3", "0x1F", " -0",
        "9223372036854775807", "9223372036854775808", "99999999999999999999999",
        "-9223372036854775808", "-9223372036854775809", "-99999999999999999999999",
        "2147483648", "-2147483649",
    };
    for (const char* text : texts)
        EXPECT_EQ(leadingDecimal(text), std::strtol(text, nullptr, 10)) << '"' << text << '"';
}

TEST(AsciiText, LeadingDecimalStopsAtTheEndOfTheView)
{
    const std::string text = "12345";
    EXPECT_EQ(leadingDecimal(std::string_view(text).substr(0, 3)), 123);
    EXPECT_EQ(leadingDecimal(std::string_view(text).substr(0, 0)), 0);
}

TEST(AsciiText, ClampToIntKeepsTheIntRange)
{
    EXPECT_EQ(clampToInt(0), 0);
    EXPECT_EQ(clampToInt(-17), -17);
    EXPECT_EQ(clampToInt(INT_MAX), INT_MAX);
    EXPECT_EQ(clampToInt(INT_MIN), INT_MIN);
    EXPECT_EQ(clampToInt(static_cast<long long>(INT_MAX) + 1), INT_MAX);
    EXPECT_EQ(clampToInt(static_cast<long long>(INT_MIN) - 1), INT_MIN);
    EXPECT_EQ(clampToInt(LLONG_MAX), INT_MAX);
    EXPECT_EQ(clampToInt(LLONG_MIN), INT_MIN);
}
