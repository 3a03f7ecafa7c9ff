// libtiff over memory buffers, with its messages sent to the log.

#include "TiffStream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "jotter/Jotter.h"
#include "pictra/ImageHandle.h"

namespace pictra::tiff {
namespace {

std::string formatMessage(const char* module, const char* format, va_list args)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    return module != nullptr && *module != '\0' ? std::string(module) + ": " + text : std::string(text);
}

// Messages that libtiff gives without a file of ours (none are expected)
// still go to the log rather than to standard error.
void logError(const char* module, const char* format, va_list args)
{
    cpLog(kLogFailure, "TIFF error: %s", formatMessage(module, format, args).c_str());
}

void logWarning(const char* module, const char* format, va_list args)
{
    cpLog(kLogNotice, "TIFF warning: %s", formatMessage(module, format, args).c_str());
}

void routeProcessWideMessages()
{
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(logError);
        TIFFSetWarningHandler(logWarning);
    });
}

struct OptionsDeleter {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

TiffStream* self(thandle_t handle) { return static_cast<TiffStream*>(handle); }

// The most a writer's buffer reserves at once.
constexpr std::size_t kMaxReservedBytes = std::size_t{256} * 1024 * 1024;

} // namespace

std::unique_ptr<TiffStream> TiffStream::forReading(const FileReader& file, std::string& error)
{
    std::unique_ptr<TiffStream> stream(new TiffStream);
    stream->in_ = &file;
    stream->newScope("directory 0");
    // Classic and big TIFF; "m": read, never mapped, so that a file cut
    // short by someone else meanwhile gives a read error, not a crash.
    if (!stream->open("rm", error))
        return nullptr;
    return stream;
}

std::unique_ptr<TiffStream> TiffStream::forWriting(std::size_t expectedBytes, std::string& error)
{
    std::unique_ptr<TiffStream> stream(new TiffStream);
    try {
        stream->out_.reserve(std::min<std::size_t>(expectedBytes, kMaxReservedBytes));
    } catch (const std::bad_alloc&) {
        // It grows as it is written.
    }
    // Little-endian classic TIFF, as fax software expects.
    if (!stream->open("wl", error))
        return nullptr;
    return stream;
}

bool TiffStream::open(const char* mode, std::string& error)
{
    routeProcessWideMessages();
    std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
    if (!options) {
        error = "failed to allocate memory";
        return false;
    }
    // No single buffer of libtiff's may be larger than a page handle.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(kMaxDibBytes));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), onError, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), onWarning, this);
    tiff_ = TIFFClientOpenExt("page", mode, this, read, write, seek, close, size, map, unmap, options.get());
    if (tiff_ == nullptr) {
        error = errorOr("not a TIFF file");
        return false;
    }
    return true;
}

TiffStream::~TiffStream()
{
    if (tiff_ != nullptr)
        TIFFClose(tiff_);
}

void TiffStream::newScope(std::string name)
{
    scope_ = std::move(name);
    scopeErrors_ = 0;
    firstError_.clear();
}

void TiffStream::reportError(const std::string& text)
{
    ++errors_;
    if (scopeErrors_++ == 0) {
        firstError_ = text;
        cpLog(kLogFailure, "TIFF error in %s: %s", scope_.c_str(), text.c_str());
    }
}

std::string TiffStream::errorOr(const std::string& fallback) const
{
    return firstError_.empty() ? fallback : firstError_;
}

std::optional<std::vector<uint8_t>> TiffStream::finish()
{
    TIFF* t = tiff_;
    tiff_ = nullptr;
    TIFFClose(t);
    if (failed())
        return std::nullopt;
    return std::move(out_);
}

tmsize_t TiffStream::read(thandle_t handle, void* buffer, tmsize_t size)
{
    TiffStream* s = self(handle);
    if (size <= 0)
        return 0;
    const uint64_t end = s->fileSize();
    if (s->position_ >= end)
        return 0;
    const auto n = static_cast<std::size_t>(std::min<uint64_t>(static_cast<uint64_t>(size), end - s->position_));
    if (s->in_ != nullptr) {
        if (!s->in_->readAt(s->position_, {static_cast<uint8_t*>(buffer), n}))
            return -1;
    } else {
        std::memcpy(buffer, s->out_.data() + s->position_, n);
    }
    s->position_ += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t TiffStream::write(thandle_t handle, void* buffer, tmsize_t size)
{
    TiffStream* s = self(handle);
    if (s->in_ != nullptr || size < 0)
        return -1;
    const auto n = static_cast<std::size_t>(size);
    const uint64_t end = s->position_ + n;
    if (end > kMaxTiffFileBytes)
        return -1;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    try {
        // Mostly an append at the end; libtiff also rewrites a few words
        // in place (the offsets of directories).
        if (s->position_ > s->out_.size())
            s->out_.resize(static_cast<std::size_t>(s->position_));
        const std::size_t inside = std::min<std::size_t>(n, s->out_.size() - static_cast<std::size_t>(s->position_));
        std::copy(bytes, bytes + inside, s->out_.begin() + static_cast<std::ptrdiff_t>(s->position_));
        s->out_.insert(s->out_.end(), bytes + inside, bytes + n);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    s->position_ = end;
    return size;
}

toff_t TiffStream::seek(thandle_t handle, toff_t offset, int whence)
{
    TiffStream* s = self(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = s->position_;
    else if (whence == SEEK_END)
        base = s->fileSize();
    if (base + offset < base)
        return static_cast<toff_t>(-1);
    s->position_ = base + offset;
    return s->position_;
}

int TiffStream::close(thandle_t) { return 0; }

toff_t TiffStream::size(thandle_t handle) { return self(handle)->fileSize(); }

int TiffStream::map(thandle_t, void**, toff_t*) { return 0; }

void TiffStream::unmap(thandle_t, void*, toff_t) {}

int TiffStream::onError(TIFF*, void* handle, const char* module, const char* format, va_list args)
{
    self(handle)->reportError(formatMessage(module, format, args));
    return 1; // handled: nothing for the process-wide handler
}

int TiffStream::onWarning(TIFF*, void*, const char* module, const char* format, va_list args)
{
    cpLog(kLogNotice, "TIFF warning: %s", formatMessage(module, format, args).c_str());
    return 1;
}

} // namespace pictra::tiff
