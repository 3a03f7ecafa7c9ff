#pragma once

#include <string_view>

// Byte-level readings of ASCII text that must not depend on the C library's
// locale (which the windows' toolkit sets from the environment): keywords,
// attribute and encoding names compared without regard to letter case, and
// numbers read from stored or received text.
namespace TextCodec {

// Equality of two texts ignoring the case of the ASCII letters only; every
// other byte, GBK and UTF-8 included, compares as it is.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The decimal number at the start of a text as strtol(text, nullptr, 10)
// reads it in the C locale: leading blanks (space, \t \n \v \f \r), one
// sign, then digits up to the first other byte; 0 when there are none. A
// number beyond the range of long gives LONG_MAX or LONG_MIN.
long leadingDecimal(std::string_view text);

// A value clamped to the range of int.
int clampToInt(long long value);

} // namespace TextCodec
