#pragma once
// ImageMagick's ways with particular formats that the adapter works around:
// what a file's own header says that the codec does not pass on, writer
// settings per format, and one writer of our own.

#include <cstdint>
#include <span>
#include <vector>

#include "ImageCodec.h"
#include "MagickSupport.h"

namespace pictra::codec {

// PCX files of at most 8 bits per pixel in one plane hold a palette even
// when the codec hands their pixels back as colours.
bool pcxWithPalette(std::span<const uint8_t> file);

// Chooses the writer for the page's format and sets its options.
void prepareForWriting(Magick::Image& image, const ImageHandle& h, const EncodeOptions& options);

// The codec's own PGX writer puts one stray byte after every row, so a page
// goes out as an 8-bit unsigned single-component PGX written here, from the
// codec's intensity of each pixel.
std::vector<uint8_t> pgxBytes(Magick::Image& image);

} // namespace pictra::codec
