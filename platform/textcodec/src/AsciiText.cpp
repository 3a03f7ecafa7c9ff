#include "textcodec/AsciiText.h"

#include <algorithm>
#include <climits>

namespace TextCodec {

namespace {

unsigned char lowerAscii(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

long leadingDecimal(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // The magnitude is gathered unsigned, so LONG_MIN's, one more than
    // LONG_MAX's, still fits.
    const unsigned long limit = negative ? static_cast<unsigned long>(LONG_MAX) + 1 : LONG_MAX;
    unsigned long magnitude = 0;
    bool saturated = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const unsigned long digit = static_cast<unsigned long>(text[i] - '0');
        if (saturated || magnitude > (limit - digit) / 10) {
            saturated = true;
            continue;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (saturated)
        return negative ? LONG_MIN : LONG_MAX;
    return negative ? static_cast<long>(0 - magnitude) : static_cast<long>(magnitude);
}

int clampToInt(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

} // namespace TextCodec
