// The GB encodings of the XML library, through the program's text codec.
#include "XmlEncodings.h"

#include <libxml/encoding.h>
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "textcodec/Gbk.h"

namespace cfgtree {
namespace {

std::string_view bytesOf(const unsigned char* in, int length)
{
    return std::string_view(reinterpret_cast<const char*>(in), static_cast<std::size_t>(std::max(length, 0)));
}

// The library's input function: GB18030 bytes in, UTF-8 out. A sequence
// cut at the end of the buffer waits for the next one.
int readGb18030(unsigned char* out, int* outlen, const unsigned char* in, int* inlen)
{
    // One bad byte can give three bytes (U+FFFD): take no more than fits.
    const int take = std::min(*inlen, *outlen / 3);
    std::string text;
    const TextCodec::Step step = TextCodec::decodeGb18030(bytesOf(in, take), text, false);
    std::memcpy(out, text.data(), text.size());
    *outlen = static_cast<int>(text.size());
    *inlen = static_cast<int>(step.consumed);
    return *outlen;
}

// The library's output functions: UTF-8 in, GB bytes out. -2 tells the
// library that the character at *inlen has no code; it writes a character
// reference for it and goes on.
int writeGb(TextCodec::Repertoire repertoire, unsigned char* out, int* outlen, const unsigned char* in, int* inlen)
{
    // A GBK code is never longer than the UTF-8 it comes from; a four-byte
    // GB18030 code can be twice as long.
    const int given = *inlen;
    const int take = std::min(given, repertoire == TextCodec::Repertoire::Gbk ? *outlen : *outlen / 2);
    std::string bytes;
    const TextCodec::Step step =
        TextCodec::encodeGb18030(bytesOf(in, take), bytes, repertoire, TextCodec::OnMissing::Stop, false);
    std::memcpy(out, bytes.data(), bytes.size());
    *outlen = static_cast<int>(bytes.size());
    *inlen = static_cast<int>(step.consumed);
    if (step.stopped)
        return -2;
    if (step.consumed == 0 && given > 0)
        return -1; // no room for the next code
    return *outlen;
}

int writeGbk(unsigned char* out, int* outlen, const unsigned char* in, int* inlen)
{
    return writeGb(TextCodec::Repertoire::Gbk, out, outlen, in, inlen);
}

int writeGb18030(unsigned char* out, int* outlen, const unsigned char* in, int* inlen)
{
    return writeGb(TextCodec::Repertoire::Gb18030, out, outlen, in, inlen);
}

} // namespace

void registerGbEncodings()
{
    // The library keeps the handlers it registers until the process ends.
    xmlNewCharEncodingHandler("GB2312", readGb18030, writeGbk);
    xmlNewCharEncodingHandler("GBK", readGb18030, writeGbk);
    xmlNewCharEncodingHandler("GB18030", readGb18030, writeGb18030);
}

const char* savedEncoding(const char* declared)
{
    if (declared)
        for (const char* kept : {"GB2312", "GBK", "GB18030", "UTF-8"})
            if (::strcasecmp(declared, kept) == 0)
                return declared;
    return "UTF-8";
}

} // namespace cfgtree
