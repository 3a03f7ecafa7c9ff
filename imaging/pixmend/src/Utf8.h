#pragma once
// UTF-8 to code points; a malformed sequence gives U+FFFD and decoding goes on
// with the next byte.

#include <string>
#include <string_view>

std::u32string DecodeUtf8(std::string_view text);
