#include "textcodec/Utf8.h"

namespace TextCodec {

std::string_view utf8Prefix(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t cut = maxBytes;
    while (cut > 0 && isUtf8Continuation(text[cut]))
        --cut;
    return text.substr(0, cut);
}

std::size_t utf8CharacterEnd(std::string_view text, std::size_t at)
{
    if (at >= text.size())
        return text.size();
    std::size_t end = at + 1;
    while (end < text.size() && isUtf8Continuation(text[end]))
        ++end;
    return end;
}

char32_t utf8CodePoint(std::string_view character)
{
    if (character.empty())
        return 0;
    const auto lead = static_cast<unsigned char>(character[0]);
    const std::size_t length = character.size();
    if (length == 1 || length > 6)
        return lead;
    char32_t value = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k)
        value = (value << 6) | (static_cast<unsigned char>(character[k]) & 0x3F);
    return value;
}

} // namespace TextCodec
