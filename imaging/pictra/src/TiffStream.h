#pragma once
// One libtiff file: read from a page file piece by piece (libtiff asks for
// a directory or a strip at a time), or written into a growing buffer.
// libtiff's messages go to the log, never to standard error. Errors are
// counted in scopes (reading one directory, decoding one page): the first
// error of a scope is logged, with the scope's name, and kept as its failure
// text; the others are only counted, so that one damaged page costs one line
// of the log.

#include <cstdint>
#include <cstdarg>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <tiffio.h>

#include "FileReader.h"

namespace pictra::tiff {

// A classic TIFF file holds at most 4 GB.
inline constexpr uint64_t kMaxTiffFileBytes = uint64_t{1} << 32;

class TiffStream {
public:
    // Nothing when libtiff refuses the header; its text goes into `error`.
    // `file` must outlive the stream.
    static std::unique_ptr<TiffStream> forReading(const FileReader& file, std::string& error);
    // `expectedBytes` is room the buffer takes at once (address space only
    // until written), so that a long file is not copied as it grows.
    static std::unique_ptr<TiffStream> forWriting(std::size_t expectedBytes, std::string& error);

    ~TiffStream();
    TiffStream(const TiffStream&) = delete;
    TiffStream& operator=(const TiffStream&) = delete;

    TIFF* tiff() const { return tiff_; }
    uint64_t fileSize() const { return in_ != nullptr ? in_->size() : out_.size(); }

    // The first error libtiff reported in this scope, or `fallback` when it
    // reported none.
    std::string errorOr(const std::string& fallback) const;
    // Errors reported since the stream was made.
    uint64_t errors() const { return errors_; }
    bool failed() const { return errors_ != 0; }
    // Starts a new scope of errors, named in the log ("page 2").
    void newScope(std::string name);
    // An error found by the reader itself, counted and logged as libtiff's.
    void reportError(const std::string& text);

    // A writer's file: closes the TIFF (which writes what is pending) and
    // hands over the bytes; nothing when closing reported an error.
    std::optional<std::vector<uint8_t>> finish();

private:
    TiffStream() = default;
    bool open(const char* mode, std::string& error);

    static tmsize_t read(thandle_t self, void* buffer, tmsize_t size);
    static tmsize_t write(thandle_t self, void* buffer, tmsize_t size);
    static toff_t seek(thandle_t self, toff_t offset, int whence);
    static int close(thandle_t self);
    static toff_t size(thandle_t self);
    static int map(thandle_t self, void** base, toff_t* size);
    static void unmap(thandle_t self, void* base, toff_t size);
    static int onError(TIFF*, void* self, const char* module, const char* format, va_list args);
    static int onWarning(TIFF*, void* self, const char* module, const char* format, va_list args);

    const FileReader* in_ = nullptr; // null when writing
    std::vector<uint8_t> out_;
    uint64_t position_ = 0;
    uint64_t errors_ = 0;
    uint64_t scopeErrors_ = 0;
    std::string scope_ = "the file";
    std::string firstError_; // of the scope
    TIFF* tiff_ = nullptr;
};

} // namespace pictra::tiff
