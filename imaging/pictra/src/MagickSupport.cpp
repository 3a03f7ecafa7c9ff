// Starting ImageMagick and reading files from memory with a forced coder.

#include "MagickSupport.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "jotter/Jotter.h"
#include "pictra/Pictra.h"

namespace pictra::codec {
namespace {

struct ExceptionDeleter {
    void operator()(mc::ExceptionInfo* e) const { mc::DestroyExceptionInfo(e); }
};
using Exception = std::unique_ptr<mc::ExceptionInfo, ExceptionDeleter>;

std::string exceptionText(const mc::ExceptionInfo& e)
{
    std::string text = e.reason != nullptr ? e.reason : "image decoding failed";
    if (e.description != nullptr)
        text += std::string(" (") + e.description + ")";
    return text;
}

} // namespace

void ensureMagickInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        // No single allocation of the codec above 256 MiB: a length read
        // from a file (a PNG text chunk claiming 1.5 GB in a 300-byte file)
        // must not become a buffer that is then filled and copied.
        Exception exception(mc::AcquireExceptionInfo());
        if (mc::SetMagickSecurityPolicy(
                R"(<policymap><policy domain="system" name="max-memory-request" value="256MiB"/></policymap>)",
                exception.get()) == mc::MagickFalse)
            cpLog(kLogFailure, "ImageMagick refused the limit on a single allocation: %s",
                  exceptionText(*exception).c_str());
        // Pages are small and callers run on several threads of their own.
        Magick::ResourceLimits::thread(1);
    });
}

namespace {

// The most pixels a page decoded through ImageMagick may have: what its
// pixel cache can hold (a PixelPacket and an IndexPacket a pixel) within the
// memory and map limits of the machine's policy, and never more than 512 MiB
// of cache (about 53 million pixels). Checked from a file's header before
// decoding, so that a small hostile file cannot make one page cost gigabytes:
// the cache, and the buffers the page is copied through, grow with its
// pixels. A larger page would only fail inside the codec, after allocating.
uint64_t magickPixelLimit()
{
    static const uint64_t limit = [] {
        ensureMagickInitialised();
        constexpr uint64_t kMostCacheBytes = uint64_t{512} * 1024 * 1024;
        constexpr uint64_t kBytesPerPixel = sizeof(mc::PixelPacket) + sizeof(mc::IndexPacket);
        // Either limit may be "unlimited", the largest number there is.
        const uint64_t cache = std::min<uint64_t>(Magick::ResourceLimits::memory(), kMostCacheBytes) +
                               std::min<uint64_t>(Magick::ResourceLimits::map(), kMostCacheBytes);
        return std::min(cache, kMostCacheBytes) / kBytesPerPixel;
    }();
    return limit;
}

} // namespace

bool fitsHandle(uint64_t columns, uint64_t rows)
{
    return columns <= INT32_MAX && rows <= INT32_MAX && columns * rows <= magickPixelLimit() &&
           DibBlockSize(static_cast<int64_t>(columns), static_cast<int64_t>(rows), 24).has_value();
}

const char* coderFor(uint16_t format)
{
    switch (format) {
    case PtxFormat::Bmp: return "BMP";
    case PtxFormat::Gif: return "GIF";
    case PtxFormat::Jpeg: return "JPEG";
    case PtxFormat::Png: return "PNG";
    case PtxFormat::Ico: return "ICO";
    case PtxFormat::Tga: return "TGA";
    case PtxFormat::Pcx: return "PCX";
    case PtxFormat::Wmf: return "WMF";
    case PtxFormat::J2k: return "J2K";
    case PtxFormat::Pgx: return "PGX";
    case PtxFormat::Pnm: return "PNM";
    case PtxFormat::Ras: return "SUN";
    default: return nullptr;
    }
}

ImageList readBlob(std::span<const uint8_t> file, uint16_t format, bool ping, int32_t frame, std::string& error,
                   uint32_t reduction)
{
    ensureMagickInitialised();
    const char* coder = coderFor(format);
    if (coder == nullptr) {
        error = "Unknown or wrong format";
        return nullptr;
    }
    std::unique_ptr<mc::ImageInfo, ImageInfoDeleter> info(mc::AcquireImageInfo());
    Exception exception(mc::AcquireExceptionInfo());
    std::snprintf(info->magick, sizeof info->magick, "%s", coder);
    // The name is ours alone: the forced coder and, to decode one frame,
    // the frame's number as a subimage range.
    if (ping)
        std::snprintf(info->filename, sizeof info->filename, "%s:", coder);
    else
        std::snprintf(info->filename, sizeof info->filename, "%s:[%d]", coder, frame);
    if (reduction > 1) {
        // The least size the decoder scales the picture to, from its header.
        ImageList header(mc::PingBlob(info.get(), file.data(), file.size(), exception.get()));
        if (!header || header->columns == 0 || header->rows == 0) {
            error = exception->severity != mc::UndefinedException ? exceptionText(*exception) : "no image in file";
            return nullptr;
        }
        char size[64];
        std::snprintf(size, sizeof size, "%zux%zu", (header->columns + reduction - 1) / reduction,
                      (header->rows + reduction - 1) / reduction);
        mc::SetImageOption(info.get(), "jpeg:size", size);
    }
    ImageList images(ping ? mc::PingBlob(info.get(), file.data(), file.size(), exception.get())
                          : mc::BlobToImage(info.get(), file.data(), file.size(), exception.get()));
    if (exception->severity >= mc::ErrorException) {
        error = exceptionText(*exception);
        return nullptr;
    }
    if (!images || images->columns == 0 || images->rows == 0) {
        error = exception->severity != mc::UndefinedException ? exceptionText(*exception) : "no image in file";
        return nullptr;
    }
    return images;
}

} // namespace pictra::codec
