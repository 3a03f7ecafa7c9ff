#include "core/TextUtil.h"

#include <cstdarg>
#include <cstdio>

#include "textcodec/AsciiText.h"
#include "textcodec/Gbk.h"

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return TextCodec::equalsIgnoringAsciiCase(a, b);
}

std::string ToGbk(std::string_view utf8)
{
    return TextCodec::utf8ToGbk(utf8).text;
}

std::string FromGbk(std::string_view gbk)
{
    return TextCodec::gbkToUtf8(gbk).text;
}

std::string CutGbkText(std::string_view utf8, std::size_t limit)
{
    const std::string gbk = ToGbk(utf8);
    if (gbk.size() <= limit)
        return std::string(utf8);
    // GBK written from UTF-8 has one-byte ASCII and two-byte codes only.
    std::size_t cut = 0;
    while (cut < gbk.size()) {
        const std::size_t width = static_cast<unsigned char>(gbk[cut]) < 0x80 ? 1 : 2;
        if (cut + width + 1 > limit)
            break;
        cut += width;
    }
    return FromGbk(std::string_view(gbk).substr(0, cut));
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    std::string result;
    std::size_t start = 0;
    for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, start)) {
        result.append(text.substr(start, at - start)).append(to);
        start = at + from.size();
    }
    return result.append(text.substr(start));
}

std::string FormatText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (needed > 0) {
        out.resize(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<std::size_t>(needed));
    }
    va_end(args);
    return out;
}

int AtoiText(std::string_view text)
{
    return TextCodec::clampToInt(TextCodec::leadingDecimal(text));
}
