#pragma once

#include <optional>
#include <string>
#include <string_view>

// Conversion between the program's UTF-8 strings and GBK (Windows code page
// 936), the encoding of the agent protocol and of the files declared GB2312.
namespace TextCodec {

// UTF-8 to GBK. Empty when the text is not valid UTF-8 or holds a character
// that GBK cannot represent.
std::optional<std::string> utf8ToGbk(std::string_view utf8);

// GBK to UTF-8. Empty when the bytes are not valid GBK.
std::optional<std::string> gbkToUtf8(std::string_view gbk);

} // namespace TextCodec
