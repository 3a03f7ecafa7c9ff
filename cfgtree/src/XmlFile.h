#pragma once

#include <memory>
#include <optional>
#include <string>

#include <libxml/tree.h>

namespace cfgtree {

struct DocumentFree {
    void operator()(xmlDocPtr document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentFree>;

// How a file was laid out, so that a save writes it back the same way.
struct FileLayout {
    bool crlf = false;         // its lines end with CR LF
    bool finalLineEnd = true;  // its last line ends with a line end
    bool declaration = true;   // it starts with an XML declaration
    bool declarationOwnLine = true; // a line end follows the declaration
};

// Sets the XML library up for this process, once: GB2312, GBK and GB18030
// read through the lenient GB18030 codec (what is still invalid becomes
// U+FFFD) and written with its codes (GB2312 and GBK: characters without a
// one- or two-byte code as character references), and no external entity or
// DTD ever fetched.
void prepareXmlLibrary();

// Parses file without network, external entities or DTD loading, keeping
// every text node (the file's own indentation included) and whether each
// empty element was written as <a></a> or <a/>, and returns the document
// with the file's layout; nullptr (the reason logged) when the file is
// missing or not well-formed or has no root element.
Document loadDocument(const std::string& file, FileLayout& layout);

// The bytes of the document as a file, in the encoding savedEncoding
// (XmlEncodings.h) gives, so that the file always reloads; with the line
// ends of the layout. No value (reason logged) when it cannot be written.
std::optional<std::string> documentBytes(xmlDocPtr document, const FileLayout& layout);

// Writes document to file as documentBytes gives it: into a temporary file
// in the same directory, flushed to disk and renamed over file. False
// (reason logged, the old file untouched) when any step fails.
bool saveDocument(xmlDocPtr document, const FileLayout& layout, const std::string& file);

} // namespace cfgtree
