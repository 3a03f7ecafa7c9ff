#include <string>

#include <gtest/gtest.h>

#include "textcodec/Gbk.h"

using TextCodec::gbkToUtf8;
using TextCodec::utf8ToGbk;

struct GbkCase {
    const char* utf8;
    std::string gbk;
};

TEST(Gbk, ConvertsBothWays)
{
    const GbkCase cases[] = {
        {"", ""},
        {"abc|=", "abc|="},
        {"传真", "\xB4\xAB\xD5\xE6"},
        {"镕", "\xE9\x46"},        // outside GB2312, inside GBK
        {"閨", "\xE9\x7C"},        // trail byte equal to '|'
    };
    for (const auto& c : cases) {
        auto gbk = utf8ToGbk(c.utf8);
        ASSERT_TRUE(gbk) << c.utf8;
        EXPECT_EQ(*gbk, c.gbk) << c.utf8;
        auto back = gbkToUtf8(c.gbk);
        ASSERT_TRUE(back) << c.utf8;
        EXPECT_EQ(*back, c.utf8);
    }
}

TEST(Gbk, LongTextSurvivesBufferGrowth)
{
    std::string utf8;
    for (int i = 0; i < 5000; ++i)
        utf8 += "网络传真";
    auto gbk = utf8ToGbk(utf8);
    ASSERT_TRUE(gbk);
    EXPECT_EQ(gbk->size(), 5000u * 8);
    EXPECT_EQ(gbkToUtf8(*gbk), utf8);
}

TEST(Gbk, RefusesWhatItCannotConvert)
{
    EXPECT_FALSE(utf8ToGbk("\xFF\xFE"));           // not UTF-8
    EXPECT_FALSE(utf8ToGbk("\xF0\x9F\x98\x80"));   // an emoji has no GBK code
    EXPECT_FALSE(gbkToUtf8("\xB4"));               // lead byte cut short
}
