// The GB encodings of the XML library, through the program's text codec.
#include "XmlEncodings.h"

#include <libxml/encoding.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "textcodec/AsciiText.h"
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

namespace {

const char* const kGbkNames[] = {"GB2312", "GBK"};

bool isGbkName(const char* encoding)
{
    return std::any_of(std::begin(kGbkNames), std::end(kGbkNames),
                       [encoding](const char* name) { return TextCodec::equalsIgnoringAsciiCase(encoding, name); });
}

// Whether GBK has a code for every character of the UTF-8 text.
bool gbkHolds(const xmlChar* text)
{
    if (text == nullptr)
        return true;
    const std::string_view utf8(reinterpret_cast<const char*>(text));
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return true;
    std::string bytes;
    return !TextCodec::encodeGb18030(utf8, bytes, TextCodec::Repertoire::Gbk, TextCodec::OnMissing::Stop, true)
                .stopped;
}

// The internal subset as it is written: names, entity values and defaults
// all in one text.
bool gbkHoldsSubset(xmlDocPtr document, xmlNodePtr dtd)
{
    std::unique_ptr<xmlBuffer, void (*)(xmlBufferPtr)> text(xmlBufferCreate(), xmlBufferFree);
    return text && xmlNodeDump(text.get(), document, dtd, 0, 0) >= 0 && gbkHolds(xmlBufferContent(text.get()));
}

bool gbkHoldsElementNames(xmlNodePtr element)
{
    if (!gbkHolds(element->name))
        return false;
    for (xmlNsPtr ns = element->nsDef; ns != nullptr; ns = ns->next)
        if (!gbkHolds(ns->prefix))
            return false;
    for (xmlAttrPtr attribute = element->properties; attribute != nullptr; attribute = attribute->next)
        if (!gbkHolds(attribute->name))
            return false;
    return true;
}

// Whether every character a character reference cannot stand for (in
// names, comments, processing instructions, CDATA and the internal subset)
// has a GBK code. Text and attribute values may hold any character.
bool gbkHoldsTheMarkup(xmlDocPtr document)
{
    xmlNodePtr node = document->children;
    while (node != nullptr) {
        switch (node->type) {
        case XML_ELEMENT_NODE:
            if (!gbkHoldsElementNames(node))
                return false;
            break;
        case XML_PI_NODE:
        case XML_ENTITY_REF_NODE:
            if (!gbkHolds(node->name) || !gbkHolds(node->content))
                return false;
            break;
        case XML_COMMENT_NODE:
        case XML_CDATA_SECTION_NODE:
            if (!gbkHolds(node->content))
                return false;
            break;
        case XML_DTD_NODE:
            if (!gbkHoldsSubset(document, node))
                return false;
            break;
        default:
            break;
        }
        // Depth first through the elements; an entity reference's children
        // are the entity's, written by its name only.
        if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
            node = node->children;
            continue;
        }
        // The next sibling, or that of the nearest ancestor that has one.
        while (node != nullptr && node->next == nullptr)
            node = node->parent == nullptr || node->parent->type != XML_ELEMENT_NODE ? nullptr : node->parent;
        if (node != nullptr)
            node = node->next;
    }
    return true;
}

} // namespace

const char* savedEncoding(xmlDocPtr document)
{
    const char* declared = reinterpret_cast<const char*>(document->encoding);
    if (declared == nullptr)
        return "UTF-8";
    if (isGbkName(declared))
        return gbkHoldsTheMarkup(document) ? declared : "GB18030";
    for (const char* kept : {"GB18030", "UTF-8"})
        if (TextCodec::equalsIgnoringAsciiCase(declared, kept))
            return declared;
    return "UTF-8";
}

} // namespace cfgtree
