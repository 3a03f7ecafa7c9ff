#pragma once
// What Pictra asks of its two codecs, in Pictra's own terms: facts about a
// file, its pages decoded one at a time into new handles, and handles
// encoded as the bytes of a file. TIFF goes through libtiff (the Tiff
// files), every other format through ImageMagick (the Magick files, a module
// of their own: MagickModule.h). Format numbers
// are those of ImgFileInfo::format.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "FileReader.h"
#include "pictra/ImageHandle.h"

namespace pictra::codec {

struct FileFacts {
    int32_t frames = 1;
    uint32_t encodeOption = 0; // TIFF: compression number of the first page
    uint8_t quality = 0;       // JPEG: the estimated quality
};

struct DecodedPage {
    ImageHandle handle;  // header resolution left at 0
    int32_t xDpi = 96;   // 96 when the file gives none
    int32_t yDpi = 96;
};

// One open file. Pages are asked for in increasing order, each once.
class PageDecoder {
public:
    virtual ~PageDecoder() = default;
    virtual const FileFacts& facts() const = 0;
    // Page `index` (0 first) as a new handle; nothing after a failure, whose
    // text goes into `error`.
    virtual std::optional<DecodedPage> page(int32_t index, std::string& error) = 0;
};

struct EncodeOptions {
    uint16_t format = 0;
    uint32_t encodeOption = 0;
    uint8_t quality = 0;
};

enum class EncodeStatus { Ok, BadHandle, Failed };

struct EncodeResult {
    EncodeStatus status = EncodeStatus::Failed;
    std::vector<uint8_t> bytes;
    std::string error; // the codec's text when status is Failed
};

// A resolution in dots per inch as a handle keeps it: rounded to a whole
// number, and 96 when it is not a usable number (0, negative, absurdly high).
inline int32_t wholeDpiOr96(double dotsPerInch)
{
    return dotsPerInch >= 0.5 && dotsPerInch < 100000.5 ? static_cast<int32_t>(dotsPerInch + 0.5) : 96;
}

// The text of a page too large for a handle.
inline constexpr char kTooLarge[] = "image is too large";

// ---- ImageMagick: every format but TIFF, loaded on first use ----
// Opens a file of `format` held in `file`, which must outlive the decoder.
// Both fail with the reason when ImageMagick's module cannot be loaded.
std::unique_ptr<PageDecoder> openMagick(std::span<const uint8_t> file, uint16_t format, std::string& error);
// One page in any savable format but TIFF. The JPEG output is always a
// baseline JFIF stream without metadata.
EncodeResult encodeMagick(const ImageHandle* page, const EncodeOptions& options);

// ---- libtiff: TIFF ----
// Opens the TIFF file `file`, which must outlive the decoder. Every
// directory is read first (a directory loop or a cut file fails the open);
// each page is checked before it is decoded: a size a handle can hold, a
// layout that can be decoded, every strip or tile inside the file.
std::unique_ptr<PageDecoder> openTiff(const FileReader& file, std::string& error);
// The pages that opening with `limit` slots would store: every directory
// read, the first `limit` checked as decoding them would check them, no
// pixel decoded.
std::optional<int32_t> countTiffPages(const FileReader& file, int32_t limit, std::string& error);
// Pages as one TIFF file, each with the compression the options name.
EncodeResult encodeTiff(std::span<const ImageHandle* const> pages, const EncodeOptions& options);

} // namespace pictra::codec
