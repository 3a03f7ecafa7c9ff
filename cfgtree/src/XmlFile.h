#pragma once

#include <memory>
#include <string>

#include <libxml/tree.h>

namespace cfgtree {

struct DocumentFree {
    void operator()(xmlDocPtr document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentFree>;

// Sets the XML library up for this process, once: "GB2312" read and written
// as GBK, and no external entity or DTD ever fetched.
void prepareXmlLibrary();

// Parses file without network, external entities or DTD loading, drops the
// blank text nodes and returns the document; nullptr (the reason logged)
// when the file is missing or not well-formed or has no root element.
Document loadDocument(const std::string& file);

// Writes document to file in its declared encoding (characters the encoding
// lacks become character references): into a temporary file in the same
// directory, flushed to disk and renamed over file. False (reason logged, the
// old file untouched) when any step fails.
bool saveDocument(xmlDocPtr document, const std::string& file);

} // namespace cfgtree
