#include "core/codec/Base64.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kGroupsPerLine = 19;

constexpr std::array<int8_t, 256> makeDecodeTable()
{
    std::array<int8_t, 256> table{};
    table.fill(-1);
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int8_t>(i);
    return table;
}

constexpr std::array<int8_t, 256> kDecode = makeDecodeTable();

} // namespace

std::string Base64Encode(const void* data, std::size_t length)
{
    std::string out;
    if (data == nullptr || length == 0)
        return out;
    const auto* in = static_cast<const unsigned char*>(data);
    const std::size_t groups = length / 3;
    out.reserve((length + 2) / 3 * 4 + groups / kGroupsPerLine * 2);

    std::size_t i = 0;
    for (std::size_t g = 0; g < groups; ++g, i += 3) {
        const uint32_t v = (uint32_t(in[i]) << 16) | (uint32_t(in[i + 1]) << 8) | in[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
        if ((g + 1) % kGroupsPerLine == 0)
            out += "\r\n";
    }

    const std::size_t rest = length - i;
    if (rest == 1) {
        const uint32_t v = uint32_t(in[i]) << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (rest == 2) {
        const uint32_t v = (uint32_t(in[i]) << 16) | (uint32_t(in[i + 1]) << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

std::string Base64Encode(std::string_view bytes)
{
    return Base64Encode(bytes.data(), bytes.size());
}

std::string Base64Decode(std::string_view text)
{
    std::string out;
    out.reserve(text.size() / 4 * 3 + 2);
    uint32_t bits = 0;
    int collected = 0;
    for (unsigned char c : text) {
        const int8_t value = kDecode[c];
        if (value < 0)
            continue;
        bits = (bits << 6) | uint32_t(value);
        if (++collected == 4) {
            out += char((bits >> 16) & 0xFF);
            out += char((bits >> 8) & 0xFF);
            out += char(bits & 0xFF);
            bits = 0;
            collected = 0;
        }
    }
    if (collected == 3) {
        bits <<= 6;
        out += char((bits >> 16) & 0xFF);
        out += char((bits >> 8) & 0xFF);
    } else if (collected == 2) {
        bits <<= 12;
        out += char((bits >> 16) & 0xFF);
    }
    return out;
}
