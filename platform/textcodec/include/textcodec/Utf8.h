#pragma once

#include <cstddef>
#include <string_view>

// Whole characters of UTF-8 text, for the fixed-size fields, names and
// messages that must never end in half a character, and for walking a text
// one character at a time.
//
// These read the form of the bytes only: a character is a byte that is no
// continuation byte (10xxxxxx) and the continuation bytes after it. They
// neither check nor repair the text; malformed bytes are kept as they are
// (a stray continuation byte joins the character before it).
namespace TextCodec {

// Whether the byte continues a UTF-8 character (10xxxxxx) rather than
// starting one.
constexpr bool isUtf8Continuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The longest start of `text` of at most `maxBytes` bytes that does not end
// inside a character: the whole text when it fits, else the cut at maxBytes
// moved back over continuation bytes (to 0 when only such bytes precede it).
std::string_view utf8Prefix(std::string_view text, std::size_t maxBytes);

// Where the character that starts at byte `at` ends: after that byte and
// the continuation bytes that follow it. text.size() at the most; `at` at
// or past the end gives text.size().
std::size_t utf8CharacterEnd(std::string_view text, std::size_t at);

// The code point of one character (its lead byte and the continuation bytes
// after it, as utf8CharacterEnd marks it out). The bits are taken as they
// stand: for a character of well-formed UTF-8 this is its code point; for
// malformed bytes it is some value, never a read past `character`.
char32_t utf8CodePoint(std::string_view character);

} // namespace TextCodec
