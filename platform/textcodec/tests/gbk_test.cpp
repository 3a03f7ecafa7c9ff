// The GBK codec: GB18030 read leniently, GBK written with "?" for what it
// lacks, every two-byte code read and written back byte for byte, and the
// buffer-at-a-time steps the XML library drives.
#include <string>

#include <gtest/gtest.h>

#include "textcodec/Gbk.h"

using TextCodec::gbkToUtf8;
using TextCodec::utf8ToGbk;

namespace {

struct Case {
    const char* name;
    std::string from;
    std::string to;
    std::size_t replaced;
};

} // namespace

TEST(Gbk, ReadsGb18030AndReplacesOnlyWhatIsInvalid)
{
    const Case cases[] = {
        {"ascii and separators", "abc|=", "abc|=", 0},
        {"GB2312", "\xB4\xAB\xD5\xE6", "传真", 0},
        {"GBK beyond GB2312", "\xE9\x46", "镕", 0},
        {"trail byte equal to |", "\xE9\x7C", "閨", 0},
        {"user-defined area A1 40", "\xA1\x40", "\xEE\x93\x86", 0},     // U+E4C6
        {"extension FE 50", "\xFE\x50", "\xE2\xBA\x81", 0},             // U+2E81
        {"four-byte code", "\x81\x30\x81\x30", "\xC2\x80", 0},          // U+0080
        {"invalid trail keeps the ASCII after it", "\x81 x", "\xEF\xBF\xBD x", 1},
        {"invalid pair", "a\x81\xFF" "b", "a\xEF\xBF\xBD" "b", 1},
        {"lone 80 and FF", "\x80|\xFF", "\xEF\xBF\xBD|\xEF\xBF\xBD", 2},
        {"unassigned four-byte code", "\x84\x31\xA5\x30" "z", "\xEF\xBF\xBD" "z", 1},
        {"lead byte cut short at the end", "ab\xB4", "ab\xEF\xBF\xBD", 1},
        {"= after a bad lead stays", "k\x81=v|", "k\xEF\xBF\xBD=v|", 1},
        {"| after a bad byte stays", "k=\xFF|v=1|", "k=\xEF\xBF\xBD|v=1|", 1},
    };
    for (const Case& c : cases) {
        TextCodec::Converted read = gbkToUtf8(c.from);
        EXPECT_EQ(read.text, c.to) << c.name;
        EXPECT_EQ(read.replaced, c.replaced) << c.name;
    }
    // A6 D9 is a user-defined code in GB18030-2005 (U+E78D) and the vertical
    // comma U+FE10 since GB18030-2022; either way one character, no U+FFFD.
    const std::string a6d9 = gbkToUtf8("\xA6\xD9").text;
    EXPECT_TRUE(a6d9 == "\xEE\x9E\x8D" || a6d9 == "\xEF\xB8\x90") << a6d9;
    EXPECT_EQ(gbkToUtf8("\x81 ").replacedWhat, "81");
}

TEST(Gbk, WritesTwoByteCodesAndAQuestionMarkForTheRest)
{
    const Case cases[] = {
        {"ascii", "abc|=", "abc|=", 0},
        {"GB2312", "传真", "\xB4\xAB\xD5\xE6", 0},
        {"trail byte equal to |", "閨", "\xE9\x7C", 0},
        {"user-defined area", "\xEE\x93\x86", "\xA1\x40", 0},
        {"Latin with a GBK code", "\xC3\xA9", "\xA8\xA6", 0}, // é
        {"euro sign", "\xE2\x82\xAC", "\xA2\xE3", 0},
        {"bullet", "Meeting \xE2\x80\xA2 agenda", "Meeting ? agenda", 1},
        {"sharp s", "wei\xC3\x9F", "wei?", 1},
        {"hangul and emoji", "\xED\x95\x9C-\xF0\x9F\x98\x80", "?-?", 2},
        {"bytes that are not UTF-8", "a\xFF\xC3", "a??", 2},
        {"surrogate", "\xED\xA0\x80", "???", 3},
    };
    for (const Case& c : cases) {
        TextCodec::Converted written = utf8ToGbk(c.from);
        EXPECT_EQ(written.text, c.to) << c.name;
        EXPECT_EQ(written.replaced, c.replaced) << c.name;
    }
    EXPECT_EQ(utf8ToGbk("\xE2\x80\xA2 wei\xC3\x9F").replacedWhat, "U+2022 U+00DF");
}

// Whatever was read is written back as it was: every lead byte with every
// trail byte.
TEST(Gbk, EveryTwoByteCodeReadsAndWritesBackByteForByte)
{
    int codes = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
            TextCodec::Converted read = gbkToUtf8(code);
            ASSERT_EQ(read.replaced, 0u) << std::hex << lead << " " << trail;
            TextCodec::Converted back = utf8ToGbk(read.text);
            ASSERT_EQ(back.replaced, 0u) << std::hex << lead << " " << trail;
            ASSERT_EQ(back.text, code) << std::hex << lead << " " << trail;
            ++codes;
        }
    EXPECT_EQ(codes, 126 * 190);
}

TEST(Gbk, LongTextSurvivesBufferGrowth)
{
    std::string utf8;
    for (int i = 0; i < 5000; ++i)
        utf8 += "网络传真";
    utf8 += "\xE2\x80\xA2";
    TextCodec::Converted gbk = utf8ToGbk(utf8);
    EXPECT_EQ(gbk.text.size(), 5000u * 8 + 1);
    EXPECT_EQ(gbkToUtf8(gbk.text).text, utf8.substr(0, utf8.size() - 3) + "?");
}

TEST(Gbk, StepsLeaveACutSequenceForTheNextBuffer)
{
    std::string out;
    TextCodec::Step step = TextCodec::decodeGb18030("ab\xB4", out, false);
    EXPECT_EQ(step.consumed, 2u);
    EXPECT_EQ(out, "ab");
    step = TextCodec::decodeGb18030("\x81\x30\x81", out, false);
    EXPECT_EQ(step.consumed, 0u);

    out.clear();
    step = TextCodec::encodeGb18030("x\xE4\xBC", out, TextCodec::Repertoire::Gbk, TextCodec::OnMissing::Question,
                                    false);
    EXPECT_EQ(step.consumed, 1u);
    EXPECT_EQ(out, "x");
}

TEST(Gbk, StepsStopBeforeACharacterTheRepertoireLacks)
{
    std::string out;
    const std::string text = "传\xE2\x80\xA2真";
    TextCodec::Step step =
        TextCodec::encodeGb18030(text, out, TextCodec::Repertoire::Gbk, TextCodec::OnMissing::Stop, true);
    EXPECT_TRUE(step.stopped);
    EXPECT_EQ(step.consumed, 3u);
    EXPECT_EQ(out, "\xB4\xAB");

    out.clear();
    step = TextCodec::encodeGb18030(text, out, TextCodec::Repertoire::Gb18030, TextCodec::OnMissing::Stop, true);
    EXPECT_FALSE(step.stopped);
    EXPECT_EQ(step.consumed, text.size());
    EXPECT_EQ(out, "\xB4\xAB\x81\x36\xA6\x31\xD5\xE6");
}
