// Whole UTF-8 characters: a text cut to a byte limit never ends in half a
// character, and a walk steps over one character at a time, malformed bytes
// kept as they are.
#include <string>

#include <gtest/gtest.h>

#include "textcodec/Utf8.h"

using TextCodec::isUtf8Continuation;
using TextCodec::utf8CharacterEnd;
using TextCodec::utf8CodePoint;
using TextCodec::utf8Prefix;

TEST(Utf8, ContinuationBytesAreExactly80ToBF)
{
    for (int byte = 0; byte < 256; ++byte)
        EXPECT_EQ(isUtf8Continuation(static_cast<char>(byte)), byte >= 0x80 && byte <= 0xBF) << std::hex << byte;
}

TEST(Utf8, PrefixEndsOnACharacterBoundary)
{
    // "a" + "é" (2 bytes) + "传" (3 bytes) + U+1F4E0 (4 bytes) + "z": 11 bytes.
    const std::string text = "a\xC3\xA9\xE4\xBC\xA0\xF0\x9F\x93\xA0z";
    struct Case {
        const char* name;
        std::string text;
        std::size_t maxBytes;
        std::string prefix;
    } const cases[] = {
        {"shorter than the limit", text, 20, text},
        {"exactly the limit", text, 11, text},
        {"limit 0", text, 0, ""},
        {"after the ASCII letter", text, 1, "a"},
        {"inside the two-byte character", text, 2, "a"},
        {"after the two-byte character", text, 3, "a\xC3\xA9"},
        {"one byte into the three-byte character", text, 4, "a\xC3\xA9"},
        {"two bytes into the three-byte character", text, 5, "a\xC3\xA9"},
        {"after the three-byte character", text, 6, "a\xC3\xA9\xE4\xBC\xA0"},
        {"three bytes into the four-byte character", text, 9, "a\xC3\xA9\xE4\xBC\xA0"},
        {"before the last letter", text, 10, "a\xC3\xA9\xE4\xBC\xA0\xF0\x9F\x93\xA0"},
        {"empty text", "", 0, ""},
        {"only continuation bytes", "\x80\x80\x80", 2, ""},
        {"stray continuation bytes join the letter before them", "a\x80\x80" "b", 2, ""},
        {"cut after the stray continuation bytes", "a\x80\x80" "b", 3, "a\x80\x80"},
        {"lead byte without its continuation", "a\xE4" "b", 2, "a\xE4"},
        {"NUL is a character", std::string("a\0b", 3), 2, std::string("a\0", 2)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(utf8Prefix(c.text, c.maxBytes), c.prefix) << c.name;
}

TEST(Utf8, CharacterEndStepsOverOneCharacter)
{
    const std::string text = "a\xC3\xA9\xE4\xBC\xA0\xF0\x9F\x93\xA0z\x80\x80";
    struct Case {
        std::size_t at;
        std::size_t end;
    } const cases[] = {
        {0, 1}, {1, 3}, {3, 6}, {6, 10},
        {10, 13},  // stray continuation bytes join the character before them
        {2, 3},    // from inside a character: its remaining continuation bytes
        {12, 13}, {13, 13}, {99, 13},
    };
    for (const Case& c : cases)
        EXPECT_EQ(utf8CharacterEnd(text, c.at), c.end) << "at " << c.at;
    EXPECT_EQ(utf8CharacterEnd("", 0), 0u);
}

TEST(Utf8, CodePointOfOneCharacter)
{
    struct Case {
        const char* character;
        char32_t codePoint;
    } const cases[] = {
        {"a", U'a'},
        {"\xC3\xA9", U'é'},
        {"\xE4\xBC\xA0", U'传'},
        {"\xF0\x9F\x93\xA0", U'\U0001F4E0'},
        {"\xEF\xBF\xBD", U'\uFFFD'},
        {"\x07", U'\x07'},
        {"", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(utf8CodePoint(c.character), c.codePoint) << c.character;
    // Malformed bytes give some value without a read past the character.
    EXPECT_EQ(utf8CodePoint(std::string_view("\xE4\xBC\xA0", 2)), char32_t{(0x04 << 6) | 0x3C});
}
