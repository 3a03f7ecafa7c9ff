#include "Utf8.h"

#include "textcodec/Utf8.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

} // namespace

std::u32string DecodeUtf8(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t value = 0;
        char32_t smallest = 0;
        if (lead < 0x80) {
            length = 1, value = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, value = lead & 0x1F, smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, value = lead & 0x0F, smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, value = lead & 0x07, smallest = 0x10000;
        }
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto byte = static_cast<unsigned char>(text[i + k]);
            valid = TextCodec::isUtf8Continuation(text[i + k]);
            value = (value << 6) | (byte & 0x3F);
        }
        valid = valid && value >= smallest && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
        out.push_back(valid ? value : kReplacement);
        i += valid ? length : 1;
    }
    return out;
}
