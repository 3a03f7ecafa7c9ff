#pragma once
// What the ImageMagick adapter's decoder and encoder share: starting the
// library, the coder of each format number, owned codec objects and their
// error texts. Nothing outside the Magick files sees the codec library.

#include <Magick++.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "pictra/ImageHandle.h"

namespace pictra::codec {

namespace mc = MagickCore;

// Starts ImageMagick once per process.
void ensureMagickInitialised();

// The coder of a format number; null for a number ImageMagick does not read.
const char* coderFor(uint16_t format);

struct ImageListDeleter {
    void operator()(mc::Image* image) const { mc::DestroyImageList(image); }
};
using ImageList = std::unique_ptr<mc::Image, ImageListDeleter>;

struct ImageInfoDeleter {
    void operator()(mc::ImageInfo* info) const { mc::DestroyImageInfo(info); }
};

// Reads (or pings) a file from memory with its coder forced from the format
// number, so that no file name is ever interpreted; `frame` is the one page
// to decode. A JPEG is decoded at 1 / `reduction` of its size (2, 4 or 8:
// its decoder scales as it decodes). Codec errors fail with their text;
// warnings are ignored.
ImageList readBlob(std::span<const uint8_t> file, uint16_t format, bool ping, int32_t frame, std::string& error,
                   uint32_t reduction = 1);

// Q16 samples and bytes.
static_assert(MAGICKCORE_QUANTUM_DEPTH == 16);
inline constexpr unsigned long kQuantumMax = 65535;

inline uint8_t toByte(mc::Quantum q)
{
    return static_cast<uint8_t>((static_cast<unsigned long>(q) * 255 + kQuantumMax / 2) / kQuantumMax);
}

inline mc::Quantum toQuantum(uint8_t v) { return static_cast<mc::Quantum>(v * (kQuantumMax / 255)); }

// Whether a page of this size fits both a handle at the largest bit count and
// the codec's pixel cache (see magickPixelLimit).
bool fitsHandle(uint64_t columns, uint64_t rows);
inline bool fitsHandle(const mc::Image& page) { return fitsHandle(page.columns, page.rows); }

} // namespace pictra::codec
