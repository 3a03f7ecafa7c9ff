#include "core/TextUtil.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

TEST(TextUtil, AtoiTextReadsLikeAtoiWithoutOverflow)
{
    struct Case {
        const char* text;
        int value;
    };
    const std::vector<Case> cases = {
        {"", 0},          {"8000", 8000},    {"  \t42", 42},   {"+7", 7},
        {"-12", -12},     {"1abc", 1},       {"yes", 0},       {"- 5", 0},
        {"0009", 9},      {"2147483647", INT_MAX},             {"2147483648", INT_MAX},
        {"99999999999999999999", INT_MAX},   {"-99999999999999999999", INT_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AtoiText(c.text), c.value) << '"' << c.text << '"';
}

TEST(TextUtil, EqualsNoCaseFoldsAsciiOnly)
{
    EXPECT_TRUE(EqualsNoCase("OutBox", "outbox"));
    EXPECT_TRUE(EqualsNoCase("", ""));
    EXPECT_FALSE(EqualsNoCase("outbox", "outbox "));
    EXPECT_FALSE(EqualsNoCase("[", "{")); // 0x5B and 0x7B differ by the case bit but are no letters
    // Bytes above 127 (UTF-8 or GBK) compare exactly.
    EXPECT_TRUE(EqualsNoCase("收件箱", "收件箱"));
    EXPECT_FALSE(EqualsNoCase("\xC3\xA9", "\xC3\x89")); // é and É stay apart
}

TEST(TextUtil, GbkConversionBothWays)
{
    EXPECT_EQ(ToGbk("中A"), std::string("\xD6\xD0" "A"));
    EXPECT_EQ(ToGbk("镕"), std::string("\xE9\x46")); // GBK only, not in GB2312
    EXPECT_EQ(FromGbk("\xE9\x46\xD6\xD0"), "镕中");
    EXPECT_EQ(ToGbk(""), "");
    EXPECT_EQ(ToGbk("a\xF0\x9F\x98\x80"), "a?");  // an emoji has no GBK code
    EXPECT_EQ(ToGbk("\xFF"), "?");                 // no UTF-8
    EXPECT_EQ(FromGbk("\xD6"), "\xEF\xBF\xBD");     // a lead byte without its trail byte
}

TEST(TextUtil, FormatTextSizesItsResult)
{
    EXPECT_EQ(FormatText("Account[%d]/Folder[%d]", 3, 12), "Account[3]/Folder[12]");
    EXPECT_EQ(FormatText("%s", std::string(10000, 'x').c_str()).size(), 10000u);
    EXPECT_EQ(FormatText("%s", ""), "");
}
