// GBK and UTF-8, leniently, through iconv's GB18030: valid text converts in
// bulk; only the places where iconv stops are looked at one by one.
#include "textcodec/Gbk.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <iconv.h>

namespace TextCodec {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD in UTF-8
constexpr std::size_t kNamedReplacements = 8;    // how many replacedWhat names

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// One iconv descriptor per direction and thread, opened on first use.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (cd_ != kNoConverter)
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != kNoConverter; }

    // Converts from the start of `in`, appending to out, until all is done
    // or iconv stops: the bytes consumed, and errno of the stop (0: none).
    std::size_t convert(std::string_view in, std::string& out, int& error)
    {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr); // from the initial state
        char* from = const_cast<char*>(in.data());
        std::size_t fromLeft = in.size();
        char buffer[4096];
        error = 0;
        while (fromLeft > 0) {
            char* to = buffer;
            std::size_t toLeft = sizeof buffer;
            const bool stopped = iconv(cd_, &from, &fromLeft, &to, &toLeft) == static_cast<std::size_t>(-1);
            const int reason = errno;
            out.append(buffer, static_cast<std::size_t>(to - buffer));
            if (!stopped)
                break;
            if (reason != E2BIG) {
                error = reason;
                break;
            }
        }
        return in.size() - fromLeft;
    }

private:
    iconv_t cd_;
};

Converter& decoder()
{
    thread_local Converter converter("UTF-8", "GB18030");
    return converter;
}

Converter& encoder()
{
    thread_local Converter converter("GB18030", "UTF-8");
    return converter;
}

unsigned byteAt(std::string_view text, std::size_t i)
{
    return static_cast<unsigned char>(text[i]);
}

// The number of ASCII bytes from `at` on.
std::size_t asciiRun(std::string_view text, std::size_t at)
{
    std::size_t end = at;
    while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80)
        ++end;
    return end - at;
}

bool inRange(unsigned byte, unsigned low, unsigned high)
{
    return byte >= low && byte <= high;
}

void note(std::string* what, std::size_t replacedSoFar, const std::string& name)
{
    if (!what || replacedSoFar > kNamedReplacements)
        return;
    if (replacedSoFar == kNamedReplacements) {
        *what += " ...";
        return;
    }
    if (!what->empty())
        *what += ' ';
    *what += name;
}

std::string hexBytes(std::string_view bytes)
{
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, i ? " %02X" : "%02X", byteAt(bytes, i));
        text += hex;
    }
    return text;
}

std::string codePointName(std::uint32_t codePoint)
{
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(codePoint));
    return name;
}

// ---- reading

// The GB18030 sequence structure: a lead byte 81-FE, then a trail 40-7E or
// 80-FE (two bytes), or 30-39, 81-FE, 30-39 (four bytes).
bool isTwoByteTrail(unsigned byte)
{
    return inRange(byte, 0x40, 0x7E) || inRange(byte, 0x80, 0xFE);
}

// How many bytes at `at` one U+FFFD stands for, where iconv stopped on an
// invalid or unassigned sequence. An ASCII byte is never swallowed, so a
// bad lead byte cannot take a "|" or "=" of the text with it.
std::size_t invalidLength(std::string_view in, std::size_t at)
{
    const std::size_t left = in.size() - at;
    const unsigned lead = byteAt(in, at);
    if (!inRange(lead, 0x81, 0xFE) || left < 2)
        return 1;
    const unsigned second = byteAt(in, at + 1);
    if (isTwoByteTrail(second))
        return 2; // well formed but unassigned
    if (inRange(second, 0x30, 0x39))
        return left >= 4 && inRange(byteAt(in, at + 2), 0x81, 0xFE) && inRange(byteAt(in, at + 3), 0x30, 0x39)
                   ? 4
                   : 1;
    return second < 0x80 ? 1 : 2;
}

// ---- writing

// The length of the UTF-8 character at `at` (1-4), or 0 when the bytes there
// are not one; `cut` tells a character that the end of the text cut short.
std::size_t utf8Length(std::string_view in, std::size_t at, bool& cut)
{
    cut = false;
    const unsigned lead = byteAt(in, at);
    if (lead < 0x80)
        return 1;
    std::size_t length;
    unsigned low = 0x80, high = 0xBF; // allowed range of the second byte
    if (inRange(lead, 0xC2, 0xDF)) {
        length = 2;
    } else if (inRange(lead, 0xE0, 0xEF)) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (inRange(lead, 0xF0, 0xF4)) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (at + i >= in.size()) {
            cut = true;
            return 0;
        }
        const unsigned byte = byteAt(in, at + i);
        if (!(i == 1 ? inRange(byte, low, high) : inRange(byte, 0x80, 0xBF)))
            return 0;
    }
    return length;
}

std::uint32_t codePointOf(std::string_view character)
{
    const unsigned lead = byteAt(character, 0);
    if (character.size() == 1)
        return lead;
    std::uint32_t value = lead & (0x7F >> character.size());
    for (std::size_t i = 1; i < character.size(); ++i)
        value = (value << 6) | (byteAt(character, i) & 0x3F);
    return value;
}

// Length of the GB18030 code at `at` of iconv's output (always well formed).
std::size_t gbCodeLength(std::string_view codes, std::size_t at)
{
    if (byteAt(codes, at) < 0x80)
        return 1;
    return at + 1 < codes.size() && inRange(byteAt(codes, at + 1), 0x30, 0x39) ? 4 : 2;
}

struct Encoding {
    Repertoire repertoire;
    OnMissing onMissing;
    std::string* replacedWhat;
};

// Handles one character without a code in the repertoire: false to stop.
bool missing(std::string_view character, std::string& out, Step& step, const Encoding& how)
{
    if (how.onMissing == OnMissing::Stop) {
        step.stopped = true;
        return false;
    }
    note(how.replacedWhat, step.replaced, codePointName(codePointOf(character)));
    out += '?';
    ++step.replaced;
    step.consumed += character.size();
    return true;
}

// Encodes a run of valid UTF-8 characters: false when it stopped.
bool encodeRun(std::string_view run, std::string& out, Step& step, const Encoding& how)
{
    std::size_t at = 0;
    std::string codes;
    while (at < run.size()) {
        int error = 0;
        codes.clear();
        const std::size_t done = encoder().valid() ? encoder().convert(run.substr(at), codes, error) : 0;
        // Walk the characters and their codes side by side: one code each.
        std::size_t code = 0;
        const std::size_t end = at + done;
        while (at < end) {
            bool cut = false;
            const std::size_t length = utf8Length(run, at, cut);
            const std::size_t codeLength = gbCodeLength(codes, code);
            if (codeLength == 4 && how.repertoire == Repertoire::Gbk) {
                if (!missing(run.substr(at, length), out, step, how))
                    return false;
            } else {
                out.append(codes, code, codeLength);
                step.consumed += length;
            }
            at += length;
            code += codeLength;
        }
        if (at < run.size()) {
            // iconv refused a character of valid UTF-8 (or is unavailable).
            bool cut = false;
            const std::size_t length = utf8Length(run, at, cut);
            if (!missing(run.substr(at, length), out, step, how))
                return false;
            at += length;
        }
    }
    return true;
}

} // namespace

Step decodeGb18030(std::string_view in, std::string& out, bool last, std::string* replacedWhat)
{
    Step step;
    std::size_t at = 0;
    while (at < in.size()) {
        const std::size_t ascii = asciiRun(in, at);
        out.append(in, at, ascii);
        at += ascii;
        if (at == in.size())
            break;
        int error = 0;
        at += decoder().valid() ? decoder().convert(in.substr(at), out, error) : 0;
        if (at == in.size())
            break;
        if (error == EINVAL && !last)
            break; // cut short: the next buffer completes it
        const std::size_t length = invalidLength(in, at);
        note(replacedWhat, step.replaced, hexBytes(in.substr(at, length)));
        out += kReplacement;
        ++step.replaced;
        at += length;
    }
    step.consumed = at;
    return step;
}

Step encodeGb18030(std::string_view in, std::string& out, Repertoire repertoire, OnMissing onMissing, bool last,
                   std::string* replacedWhat)
{
    Step step;
    const Encoding how{repertoire, onMissing, replacedWhat};
    std::size_t at = 0;
    while (at < in.size()) {
        // ASCII is the same in both: copied as it is.
        const std::size_t ascii = asciiRun(in, at);
        out.append(in, at, ascii);
        step.consumed += ascii;
        at += ascii;
        if (at == in.size())
            break;
        // The longest run of valid UTF-8 from here.
        std::size_t end = at;
        bool cut = false;
        for (std::size_t length; end < in.size() && (length = utf8Length(in, end, cut)) != 0;)
            end += length;
        if (end > at && !encodeRun(in.substr(at, end - at), out, step, how))
            return step;
        at = end;
        if (at == in.size() || (cut && !last))
            break;
        // A byte that is not UTF-8.
        note(replacedWhat, step.replaced, "\\x" + hexBytes(in.substr(at, 1)));
        out += '?';
        ++step.replaced;
        ++step.consumed;
        ++at;
    }
    return step;
}

Converted utf8ToGbk(std::string_view utf8)
{
    Converted result;
    result.text.reserve(utf8.size());
    result.replaced =
        encodeGb18030(utf8, result.text, Repertoire::Gbk, OnMissing::Question, true, &result.replacedWhat).replaced;
    return result;
}

Converted gbkToUtf8(std::string_view gbk)
{
    Converted result;
    result.text.reserve(gbk.size() + gbk.size() / 2);
    result.replaced = decodeGb18030(gbk, result.text, true, &result.replacedWhat).replaced;
    return result;
}

} // namespace TextCodec
