#pragma once

#include <string>
#include <vector>

#include <libxml/tree.h>

namespace cfgtree {

// The children a cursor walk sees: elements, and text that is not blank
// (blank text too inside xml:space="preserve"; empty text never).
std::vector<xmlNodePtr> walkableChildren(xmlNodePtr node);

// The node's text: all its descendant text, trimmed at both ends unless the
// node lies inside xml:space="preserve".
std::string nodeText(xmlNodePtr node);
// Replaces the node's children by one text node (none for empty text).
// False when memory runs out.
bool replaceText(xmlNodePtr node, const char* text);

// Attributes, their names compared ignoring ASCII letter case.
xmlAttrPtr findAttribute(xmlNodePtr node, const char* name);
std::string attributeValue(xmlAttrPtr attribute);
// Sets name = value, reusing an attribute whose name differs only in case.
// False when memory runs out.
bool putAttribute(xmlNodePtr element, const char* name, const char* value);

// Whether text can be stored in XML 1.0 and read back: valid UTF-8 of
// characters that XML allows.
bool isStorableText(const char* text);

// Text as XML 1.0 can hold it: each character XML does not allow (the
// control characters but tab, line feed and carriage return; U+FFFE, U+FFFF)
// becomes a space, and each byte that starts no UTF-8 character becomes
// U+FFFD, as the text codec reads such bytes. Everything else is kept.
struct StorableText {
    std::string text;
    std::size_t replaced = 0; // characters and bytes replaced
    std::string what;         // the first few of them, for a log line: "U+0007 byte E5"
};
StorableText storableText(const char* text);
// Whether name can be an element or attribute name.
bool isStorableName(const char* name);

// The text with each CR LF and each lone CR written as LF.
std::string withLfLineEnds(const char* text);

// Whether node is ancestor itself or lies below it.
bool isWithin(const xmlNode* node, const xmlNode* ancestor);

} // namespace cfgtree
