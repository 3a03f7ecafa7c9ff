#pragma once
// Reading the header of an image handle without the image library: the size
// fields and colour table of a device-independent bitmap and the start of its
// pixel rows.
//
// The getters read a block that starts with either the 40-byte header of an
// image handle or the older 12-byte core header (u32 size 12, u16 width,
// u16 height, u16 planes, u16 bit count) with three-byte colour-table entries;
// the first u32 tells which (40 the full header, anything else the core one).
// Every count they give is bounded by the bit count and by the block itself,
// so a damaged header never points past the block.

#include <cstdint>
#include <span>
#include <vector>

#include "pictra/ImageHandle.h"

// The bytes of a handle, as the getters read them.
inline std::span<const uint8_t> DibBytes(const ImageHandle& handle)
{
    return {handle.data(), handle.size()};
}

// Width and height from the header; 0 when the block is too short for it.
int32_t GetDibWidth(std::span<const uint8_t> dib);
int32_t GetDibHeight(std::span<const uint8_t> dib);

// The bit count from the header; 0 when the block is too short for it.
uint16_t GetDibBitCountField(std::span<const uint8_t> dib);

// Entries of the colour table: a 40-byte header's colours-used field when it
// is not 0, else 2, 16 or 256 for 1, 4 and 8 bits and 0 for any other; never
// more than the bit count can index nor than the block holds.
uint16_t GetDibColourCount(std::span<const uint8_t> dib);

// Bytes of one colour-table entry: 4 after a 40-byte header, 3 after a core
// header.
uint32_t GetDibColourEntrySize(std::span<const uint8_t> dib);

// Bytes of the colour table: the colour count x 4 after a 40-byte header,
// x 3 after a core header.
uint32_t GetColourTableSize(std::span<const uint8_t> dib);

// The first colour-table entry (blue, green, red); nullptr without a header.
const uint8_t* GetDibColourTable(std::span<const uint8_t> dib);

// The colour table's GetDibColourCount entries as 0xRRGGBB.
std::vector<uint32_t> GetDibColours(std::span<const uint8_t> dib);

// The first (bottom) pixel row: after the header and the colour table;
// nullptr when they do not fit in the block.
const uint8_t* GetDibPixels(std::span<const uint8_t> dib);

// The handle's bit count; 65535 for a null handle (neither 1 nor 24, so
// callers that take only those refuse it).
uint16_t GetDibBitCount(const ImageHandle& handle);
