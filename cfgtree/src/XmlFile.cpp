#include "XmlFile.h"

#include "XmlEncodings.h"
#include "jotter/Jotter.h"
#include "safefile/SafeFile.h"
#include "safefile/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <libxml/encoding.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/SAX2.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace cfgtree {
namespace {

void logStructuredError(void*, xmlErrorPtr error)
{
    if (error == nullptr)
        return;
    std::string message = error->message ? error->message : "unknown error";
    while (!message.empty() && message.back() == '\n')
        message.pop_back();
    cpLog(kLogFailure, "XML %s:%d: %s", error->file ? error->file : "-", error->line,
          message.c_str());
}

void logGenericError(void*, const char* format, ...)
{
    char message[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    std::string text = message;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    if (!text.empty())
        cpLog(kLogFailure, "XML: %s", text.c_str());
}

// Sends the library's messages of this thread to the log while it lives.
class ErrorsToLog {
public:
    ErrorsToLog()
    {
        xmlSetStructuredErrorFunc(nullptr, logStructuredError);
        xmlSetGenericErrorFunc(nullptr, logGenericError);
    }
    ~ErrorsToLog()
    {
        xmlSetStructuredErrorFunc(nullptr, nullptr);
        xmlSetGenericErrorFunc(nullptr, nullptr);
    }
    ErrorsToLog(const ErrorsToLog&) = delete;
    ErrorsToLog& operator=(const ErrorsToLog&) = delete;
};

xmlParserInputPtr refuseExternalEntity(const char* url, const char*, xmlParserCtxtPtr)
{
    cpLog(kLogFailure, "XML: external resource %s refused", url ? url : "-");
    return nullptr;
}

// Why a file could not be read whole.
enum class ReadFailure { None, Unreadable, TooLarge };

// Reads a regular file whole. Every failure is a result, never an
// exception: a directory, a pipe or a device under the name (opened
// without waiting), a read error, a file over the parser's 2 GiB, memory
// that runs out.
ReadFailure readWholeFile(const std::string& file, std::vector<char>& bytes)
{
    safefile::UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0)
        return ReadFailure::Unreadable;
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return ReadFailure::Unreadable;
    }
    if (info.st_size > static_cast<off_t>(INT32_MAX))
        return ReadFailure::TooLarge;
    try {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        for (;;) {
            if (done == bytes.size())
                bytes.resize(done + 4096); // the file may have grown since
            const ssize_t got = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return ReadFailure::Unreadable;
            if (got == 0)
                break;
            done += static_cast<std::size_t>(got);
            if (done > static_cast<std::size_t>(INT32_MAX))
                return ReadFailure::TooLarge;
        }
        bytes.resize(done);
    } catch (const std::bad_alloc&) {
        return ReadFailure::TooLarge;
    }
    return ReadFailure::None;
}

struct ParserFree {
    void operator()(xmlParserCtxtPtr context) const { xmlFreeParserCtxt(context); }
};
using Parser = std::unique_ptr<xmlParserCtxt, ParserFree>;

struct BufferFree {
    void operator()(xmlBufferPtr buffer) const { xmlBufferFree(buffer); }
};
using Buffer = std::unique_ptr<xmlBuffer, BufferFree>;

FileLayout layoutOf(const std::vector<char>& bytes)
{
    FileLayout layout;
    const auto newline = std::find(bytes.begin(), bytes.end(), '\n');
    layout.crlf = newline != bytes.end() && newline != bytes.begin() && newline[-1] == '\r';
    layout.finalLineEnd = !bytes.empty() && bytes.back() == '\n';
    std::string_view start(bytes.data(), std::min<std::size_t>(bytes.size(), 64));
    if (start.substr(0, 3) == "\xEF\xBB\xBF")
        start.remove_prefix(3);
    layout.declaration = start.substr(0, 5) == "<?xml";
    const std::size_t end = std::string_view(bytes.data(), bytes.size()).find("?>");
    layout.declarationOwnLine =
        !layout.declaration || (end != std::string_view::npos && end + 2 < bytes.size() &&
                                (bytes[end + 2] == '\n' || bytes[end + 2] == '\r'));
    return layout;
}

// Puts the library's output into the file's layout: its line ends (the
// library writes LF, and a CR LF file gets CR LF; no GB or UTF-8 code
// holds the byte LF), a declaration on a line of its own or not, a last
// line end or not.
void applyLayout(std::string& bytes, const FileLayout& layout)
{
    if (layout.declaration && !layout.declarationOwnLine) {
        const std::size_t end = bytes.find("?>\n");
        if (end != std::string::npos)
            bytes.erase(end + 2, 1);
    }
    if (!layout.finalLineEnd && !bytes.empty() && bytes.back() == '\n')
        bytes.pop_back();
    if (layout.crlf) {
        std::string lines;
        lines.reserve(bytes.size() + bytes.size() / 16);
        for (char c : bytes) {
            if (c == '\n')
                lines += '\r';
            lines += c;
        }
        bytes.swap(lines);
    }
}

// Keeps an empty element as it was written: one closed by an end tag with
// nothing between gets an empty text node, which a save writes as nothing
// between the two tags (a childless element is written <a/>). The parser
// has just read the closing "/>" or ">" when it calls this.
void endElementKeepingItsForm(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri)
{
    auto parser = static_cast<xmlParserCtxtPtr>(context);
    const xmlParserInputPtr input = parser->input;
    const bool emptyElementTag =
        input != nullptr && input->cur - input->base >= 2 && input->cur[-2] == '/' && input->cur[-1] == '>';
    xmlNodePtr element = parser->node;
    if (element != nullptr && element->children == nullptr && !emptyElementTag)
        xmlAddChild(element, xmlNewDocText(parser->myDoc, reinterpret_cast<const xmlChar*>("")));
    xmlSAX2EndElementNs(context, localName, prefix, uri);
}

Document parse(const std::vector<char>& bytes, const std::string& file)
{
    Parser parser(xmlCreateMemoryParserCtxt(bytes.data(), static_cast<int>(bytes.size())));
    if (!parser || parser->sax == nullptr || parser->input == nullptr)
        return nullptr;
    parser->sax->endElementNs = endElementKeepingItsForm;
    parser->input->filename = reinterpret_cast<char*>(xmlStrdup(reinterpret_cast<const xmlChar*>(file.c_str())));
    xmlCtxtUseOptions(parser.get(), XML_PARSE_NONET);
    xmlParseDocument(parser.get());
    Document document(parser->myDoc);
    parser->myDoc = nullptr;
    if (!parser->wellFormed)
        document.reset();
    return document;
}

} // namespace

void prepareXmlLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        registerGbEncodings();
        xmlSetExternalEntityLoader(refuseExternalEntity);
    });
}

Document loadDocument(const std::string& file, FileLayout& layout)
{
    prepareXmlLibrary();
    std::vector<char> bytes;
    switch (readWholeFile(file, bytes)) {
    case ReadFailure::None: break;
    case ReadFailure::Unreadable:
        cpLog(kLogFailure, "XML: cannot read %s: %s", file.c_str(), std::strerror(errno));
        return nullptr;
    case ReadFailure::TooLarge:
        cpLog(kLogFailure, "XML: %s is too large", file.c_str());
        return nullptr;
    }
    ErrorsToLog errors;
    Document document = parse(bytes, file);
    if (!document || xmlDocGetRootElement(document.get()) == nullptr) {
        cpLog(kLogFailure, "XML: %s is not a well-formed document", file.c_str());
        return nullptr;
    }
    layout = layoutOf(bytes);
    return document;
}

std::optional<std::string> documentBytes(xmlDocPtr document, const FileLayout& layout)
{
    prepareXmlLibrary();
    ErrorsToLog errors;
    Buffer buffer(xmlBufferCreate());
    const char* declared = reinterpret_cast<const char*>(document->encoding);
    const char* encoding = savedEncoding(document);
    // A declared encoding was declared in a declaration, whatever the bytes
    // of the file looked like (UTF-16 ones do not read "<?xml").
    const bool declaration = layout.declaration || declared != nullptr;
    xmlSaveCtxtPtr context =
        buffer ? xmlSaveToBuffer(buffer.get(), encoding, declaration ? 0 : XML_SAVE_NO_DECL) : nullptr;
    if (context == nullptr) {
        cpLog(kLogFailure, "XML: cannot write a document in %s", encoding);
        return std::nullopt;
    }
    bool written = xmlSaveDoc(context, document) >= 0;
    written = xmlSaveClose(context) >= 0 && written;
    if (!written)
        return std::nullopt;
    if (declared && encoding != declared)
        cpLog(kLogFailure, "XML: a document declared %s is saved as %s", declared, encoding);
    std::string bytes(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                      static_cast<std::size_t>(xmlBufferLength(buffer.get())));
    if (!declared && declaration) {
        // Written as UTF-8, so that text stays text; a declaration that named
        // no encoding names none again.
        const std::string named = " encoding=\"UTF-8\"";
        const std::size_t at = bytes.find(named);
        if (at != std::string::npos && at < bytes.find("?>"))
            bytes.erase(at, named.size());
    }
    applyLayout(bytes, layout);
    return bytes;
}

bool saveDocument(xmlDocPtr document, const FileLayout& layout, const std::string& file)
{
    const std::optional<std::string> bytes = documentBytes(document, layout);
    if (!bytes) {
        cpLog(kLogFailure, "XML: cannot write %s", file.c_str());
        return false;
    }
    const bool saved = safefile::WriteFile(file, *bytes) == safefile::WriteResult::Written;
    if (!saved)
        cpLog(kLogFailure, "XML: cannot write %s: %s", file.c_str(), std::strerror(errno));
    return saved;
}

} // namespace cfgtree
