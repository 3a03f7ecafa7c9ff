#include "DomNodes.h"

#include <libxml/chvalid.h>
#include <libxml/xmlstring.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "textcodec/AsciiText.h"

namespace cfgtree {
namespace {

const xmlChar* xml(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

struct XmlFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};
using XmlString = std::unique_ptr<xmlChar, XmlFree>;

std::string takeString(xmlChar* text)
{
    XmlString owned(text);
    return owned ? std::string(reinterpret_cast<const char*>(owned.get())) : std::string();
}

bool isBlank(const xmlChar* text)
{
    if (text == nullptr)
        return true;
    for (; *text != 0; ++text)
        if (*text != ' ' && *text != '\t' && *text != '\r' && *text != '\n')
            return false;
    return true;
}

bool isBlankText(const xmlNode* node)
{
    return node->type == XML_TEXT_NODE && isBlank(node->content);
}

void trim(std::string& text)
{
    const char* blanks = " \t\r\n";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    text.erase(text.find_last_not_of(blanks) + 1);
    text.erase(0, first);
}

} // namespace

std::vector<xmlNodePtr> walkableChildren(xmlNodePtr node)
{
    std::vector<xmlNodePtr> children;
    bool keepBlanks = node->type == XML_ELEMENT_NODE && xmlNodeGetSpacePreserve(node) == 1;
    for (xmlNodePtr child = node->children; child != nullptr; child = child->next) {
        bool text = (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) &&
                    child->content != nullptr && *child->content != 0;
        if (child->type == XML_ELEMENT_NODE || (text && (keepBlanks || !isBlankText(child))))
            children.push_back(child);
    }
    return children;
}

std::string nodeText(xmlNodePtr node)
{
    std::string text = takeString(xmlNodeGetContent(node));
    if (xmlNodeGetSpacePreserve(node) != 1)
        trim(text);
    return text;
}

bool replaceText(xmlNodePtr node, const char* text)
{
    while (node->children != nullptr) {
        xmlNodePtr child = node->children;
        xmlUnlinkNode(child);
        xmlFreeNode(child);
    }
    if (text == nullptr || *text == '\0')
        return true;
    xmlNodePtr content = xmlNewDocText(node->doc, xml(text));
    return content != nullptr && xmlAddChild(node, content) != nullptr;
}

xmlAttrPtr findAttribute(xmlNodePtr node, const char* name)
{
    if (node == nullptr || node->type != XML_ELEMENT_NODE || name == nullptr)
        return nullptr;
    for (xmlAttrPtr attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
        const char* local = reinterpret_cast<const char*>(attribute->name);
        if (attribute->ns == nullptr || attribute->ns->prefix == nullptr) {
            if (TextCodec::equalsIgnoringAsciiCase(local, name))
                return attribute;
            continue;
        }
        // A qualified name "prefix:local".
        const std::string_view prefix = reinterpret_cast<const char*>(attribute->ns->prefix);
        const std::string_view qualified = name;
        if (qualified.size() > prefix.size() && qualified[prefix.size()] == ':' &&
            TextCodec::equalsIgnoringAsciiCase(qualified.substr(0, prefix.size()), prefix) &&
            TextCodec::equalsIgnoringAsciiCase(qualified.substr(prefix.size() + 1), local))
            return attribute;
    }
    return nullptr;
}

std::string attributeValue(xmlAttrPtr attribute)
{
    return takeString(xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attribute)));
}

bool putAttribute(xmlNodePtr element, const char* name, const char* value)
{
    const xmlChar* text = xml(value ? value : "");
    if (xmlAttrPtr existing = findAttribute(element, name))
        return xmlSetNsProp(element, existing->ns, existing->name, text) != nullptr;
    return xmlSetProp(element, xml(name), text) != nullptr;
}

bool isStorableText(const char* text)
{
    if (text == nullptr)
        return true;
    const xmlChar* at = xml(text);
    if (!xmlCheckUTF8(at))
        return false;
    while (*at != 0) {
        int length = 4;
        int character = xmlGetUTF8Char(at, &length);
        if (character < 0 || !xmlIsCharQ(character))
            return false;
        at += length;
    }
    return true;
}

StorableText storableText(const char* text)
{
    StorableText storable;
    if (text == nullptr)
        return storable;
    constexpr std::size_t kNamed = 8;
    auto note = [&storable](const char* format, unsigned value) {
        if (storable.replaced++ >= kNamed)
            return;
        char name[16];
        std::snprintf(name, sizeof name, format, value);
        if (!storable.what.empty())
            storable.what += ' ';
        storable.what += name;
    };
    const std::size_t size = std::strlen(text);
    storable.text.reserve(size);
    const xmlChar* at = xml(text);
    const xmlChar* end = at + size;
    while (at < end) {
        int length = static_cast<int>(std::min<std::ptrdiff_t>(end - at, 4));
        const int character = xmlGetUTF8Char(at, &length);
        if (character < 0 || length <= 0) {
            note("byte %02X", *at);
            storable.text += "\xEF\xBF\xBD"; // U+FFFD
            ++at;
            continue;
        }
        if (xmlIsCharQ(character)) {
            storable.text.append(reinterpret_cast<const char*>(at), static_cast<std::size_t>(length));
        } else {
            note("U+%04X", static_cast<unsigned>(character));
            storable.text += ' ';
        }
        at += length;
    }
    return storable;
}

bool isStorableName(const char* name)
{
    return name != nullptr && isStorableText(name) && xmlValidateName(xml(name), 0) == 0;
}

std::string withLfLineEnds(const char* text)
{
    std::string lines;
    for (const char* at = text ? text : ""; *at != 0; ++at) {
        if (*at == '\r') {
            lines += '\n';
            if (at[1] == '\n')
                ++at;
        } else {
            lines += *at;
        }
    }
    return lines;
}

bool isWithin(const xmlNode* node, const xmlNode* ancestor)
{
    for (; node != nullptr; node = node->parent)
        if (node == ancestor)
            return true;
    return false;
}

} // namespace cfgtree
