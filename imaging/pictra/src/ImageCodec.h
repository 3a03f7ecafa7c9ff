#pragma once
// What Pictra asks of its codec library, in Pictra's own terms: facts about
// a file, one decoded frame as a new handle, and handles encoded as the bytes
// of a file. Format numbers are those of ImgFileInfo::format.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

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

// Every call reports a codec failure through `error`; warnings do not fail.
std::optional<FileFacts> probe(std::span<const uint8_t> file, uint16_t format, std::string& error);
std::optional<DecodedPage> decodeFrame(std::span<const uint8_t> file, uint16_t format, int32_t frame,
                                       std::string& error);
// One page in any savable format, or several as one TIFF. The JPEG output
// is always a baseline JFIF stream without metadata.
EncodeResult encode(std::span<const ImageHandle* const> pages, const EncodeOptions& options);

} // namespace pictra::codec
