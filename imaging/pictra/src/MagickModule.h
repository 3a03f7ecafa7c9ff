#pragma once
// ImageMagick's half of Pictra's codecs lives in a module of its own,
// pictra_magick.so beside the library, which Pictra loads when the first
// file that is not a TIFF is opened or saved (MagickLoader.cpp): a program
// that only handles faxes never loads ImageMagick and the forty libraries it
// brings, which cost every start some 35 ms. This is what the module offers:
// one table of its two functions, from one C function.

#include "ImageCodec.h"

namespace pictra::codec {

struct MagickCodec {
    std::unique_ptr<PageDecoder> (*open)(std::span<const uint8_t> file, uint16_t format, std::string& error);
    EncodeResult (*encode)(const ImageHandle* page, const EncodeOptions& options);
};

// The module's file name and the name of its one export.
inline constexpr char kMagickModuleFile[] = "pictra_magick.so";
inline constexpr char kMagickModuleEntry[] = "pictra_magick_codec";

// Inside the module: what openMagick and encodeMagick (ImageCodec.h) do.
std::unique_ptr<PageDecoder> readWithMagick(std::span<const uint8_t> file, uint16_t format, std::string& error);
EncodeResult writeWithMagick(const ImageHandle* page, const EncodeOptions& options);

} // namespace pictra::codec
