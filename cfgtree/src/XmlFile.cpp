#include "XmlFile.h"

#include "DomNodes.h"
#include "jotter/Jotter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <libxml/encoding.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <random>
#include <vector>

namespace cfgtree {
namespace {

constexpr int kLogLevel = 3;

void logStructuredError(void*, xmlErrorPtr error)
{
    if (error == nullptr)
        return;
    std::string message = error->message ? error->message : "unknown error";
    while (!message.empty() && message.back() == '\n')
        message.pop_back();
    cpLog(kLogLevel, "XML %s:%d: %s", error->file ? error->file : "-", error->line,
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
        cpLog(kLogLevel, "XML: %s", text.c_str());
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
    cpLog(kLogLevel, "XML: external resource %s refused", url ? url : "-");
    return nullptr;
}

bool readWholeFile(const std::string& file, std::vector<char>& bytes)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string directoryOf(const std::string& file)
{
    std::size_t slash = file.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

std::string baseNameOf(const std::string& file)
{
    std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? file : file.substr(slash + 1);
}

// The mode of the file being replaced; none when there is no such file.
std::optional<mode_t> existingMode(const std::string& file)
{
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0)
        return std::nullopt;
    return info.st_mode & 07777;
}

// Random letters for a temporary file's name.
std::string randomSuffix()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 generator(std::random_device{}());
    std::uniform_int_distribution<std::size_t> pick(0, sizeof letters - 2);
    std::string suffix(8, ' ');
    for (char& c : suffix)
        c = letters[pick(generator)];
    return suffix;
}

// A temporary file beside the target, removed unless committed.
class TemporaryFile {
public:
    // Created with the mode of a new file (0666 less the umask, which the
    // kernel applies), so the process umask is never changed: other threads
    // create files meanwhile.
    explicit TemporaryFile(const std::string& target)
    {
        const std::string stem = directoryOf(target) + "/." + baseNameOf(target) + ".";
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            path_ = stem + randomSuffix();
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST)
                break;
        }
        if (fd_ < 0)
            path_.clear(); // the last name tried may be another's file
    }
    ~TemporaryFile()
    {
        closeFd();
        if (!committed_ && !path_.empty())
            ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    bool closeFd()
    {
        if (fd_ < 0)
            return true;
        int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }
    // Puts the file in place of target and makes the directory entry durable.
    bool renameTo(const std::string& target)
    {
        committed_ = ::rename(path_.c_str(), target.c_str()) == 0;
        if (committed_) {
            int directory = ::open(directoryOf(target).c_str(), O_RDONLY | O_DIRECTORY);
            if (directory >= 0) {
                ::fsync(directory);
                ::close(directory);
            }
        }
        return committed_;
    }

private:
    std::string path_;
    int fd_ = -1;
    bool committed_ = false;
};

bool writeDocument(xmlDocPtr document, int fd)
{
    const char* encoding = reinterpret_cast<const char*>(document->encoding);
    xmlSaveCtxtPtr context = xmlSaveToFd(fd, encoding, 0);
    if (context == nullptr)
        return false;
    bool written = xmlSaveDoc(context, document) >= 0;
    written = xmlSaveClose(context) >= 0 && written;
    return written;
}

} // namespace

void prepareXmlLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlAddEncodingAlias("GBK", "GB2312");
        xmlSetExternalEntityLoader(refuseExternalEntity);
    });
}

Document loadDocument(const std::string& file)
{
    prepareXmlLibrary();
    std::vector<char> bytes;
    if (!readWholeFile(file, bytes)) {
        cpLog(kLogLevel, "XML: cannot read %s", file.c_str());
        return nullptr;
    }
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
        cpLog(kLogLevel, "XML: %s is too large", file.c_str());
        return nullptr;
    }
    ErrorsToLog errors;
    Document document(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), file.c_str(),
                                    nullptr, XML_PARSE_NONET));
    xmlNodePtr root = document ? xmlDocGetRootElement(document.get()) : nullptr;
    if (root == nullptr) {
        cpLog(kLogLevel, "XML: %s is not a well-formed document", file.c_str());
        return nullptr;
    }
    dropBlankText(root);
    return document;
}

bool saveDocument(xmlDocPtr document, const std::string& file)
{
    prepareXmlLibrary();
    TemporaryFile temporary(file);
    if (temporary.fd() < 0) {
        cpLog(kLogLevel, "XML: cannot create a temporary file for %s: %s", file.c_str(),
              std::strerror(errno));
        return false;
    }
    ErrorsToLog errors;
    std::optional<mode_t> keptMode = existingMode(file);
    bool saved = writeDocument(document, temporary.fd()) &&
                 (!keptMode || ::fchmod(temporary.fd(), *keptMode) == 0) && ::fsync(temporary.fd()) == 0 &&
                 temporary.closeFd() && temporary.renameTo(file);
    if (!saved)
        cpLog(kLogLevel, "XML: cannot write %s: %s", file.c_str(), std::strerror(errno));
    return saved;
}

} // namespace cfgtree
