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

} // namespace TextCodec
