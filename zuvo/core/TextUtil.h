#pragma once

#include <optional>
#include <string>
#include <string_view>

// Small text helpers shared by the stores.

// ASCII comparison without regard to letter case (bytes above 127 compare
// exactly, so GBK and UTF-8 text is never folded).
bool EqualsNoCase(std::string_view a, std::string_view b);

// The GBK bytes of a UTF-8 text (the form in which texts stored as GB2312
// are digested and counted); a character without a GBK code is "?".
std::string ToGbk(std::string_view utf8);
// The UTF-8 text of GBK bytes; a sequence that is not GBK is U+FFFD.
std::string FromGbk(std::string_view gbk);

// A text kept whole while its GBK form takes at most `limit` bytes; a longer
// one is cut to what fits in its first limit - 1 GBK bytes, never inside a
// character (the rule of the program's fixed text fields, which kept room
// for their terminating zero).
std::string CutGbkText(std::string_view utf8, std::size_t limit);

// The text with every `from` replaced by `to`, left to right.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// printf into a std::string of the right size.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The number at the start of a text the way atoi reads it (leading blanks,
// a sign, digits up to the first other character; 0 when there are none),
// without atoi's undefined overflow: values are clamped to the int range.
int AtoiText(std::string_view text);
