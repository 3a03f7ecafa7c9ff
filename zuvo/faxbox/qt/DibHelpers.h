#pragma once
// Reading and drawing image handles without the image library: the size
// fields and colour table of a device-independent bitmap, the start of its
// pixel rows, its colours as a palette, and drawing it into a QPainter one to
// one or stretched.
//
// The header getters read a block that starts with either the 40-byte header
// of an image handle or the older 12-byte core header (u32 size 12, u16 width,
// u16 height, u16 planes, u16 bit count) with three-byte colour-table entries;
// the first u32 tells which (40 the full header, anything else the core one).
// Every count they give is bounded by the bit count and by the block itself,
// so a damaged header never points past the block.

#include <cstdint>
#include <span>

#include <QImage>
#include <QList>
#include <QRect>
#include <QRgb>

#include "pictra/ImageHandle.h"

class QPainter;

// The bytes of a handle, as the getters read them.
inline std::span<const uint8_t> DibBytes(const ImageHandle& handle)
{
    return {handle.data(), handle.size()};
}

// Width and height from the header; 0 when the block is too short for it.
int32_t GetDibWidth(std::span<const uint8_t> dib);
int32_t GetDibHeight(std::span<const uint8_t> dib);

// Entries of the colour table: a 40-byte header's colours-used field when it
// is not 0, else 2, 16 or 256 for 1, 4 and 8 bits and 0 for any other; never
// more than the bit count can index nor than the block holds.
uint16_t GetDibColourCount(std::span<const uint8_t> dib);

// Bytes of the colour table: the colour count x 4 after a 40-byte header,
// x 3 after a core header.
uint32_t GetColourTableSize(std::span<const uint8_t> dib);

// The first (bottom) pixel row: after the header and the colour table;
// nullptr when they do not fit in the block.
const uint8_t* GetDibPixels(std::span<const uint8_t> dib);

// The handle's bit count; 65535 for a null handle (neither 1 nor 24, so
// callers that take only those refuse it).
uint16_t GetDibBitCount(const ImageHandle& handle);

// The handle's colour table as opaque colours. Nonzero when a palette was
// made; 0 for a null handle and for pages without a colour table (24 bits),
// with `palette` left as it was.
int MakeDibPalette(const ImageHandle& handle, QList<QRgb>& palette);

// The page as a QImage, top row first: 1-bit as Format_Mono and 8-bit as
// Format_Indexed8 with the page's colour table, 4-bit unpacked into
// Format_Indexed8, 24-bit as Format_BGR888. A null image for a null handle,
// another bit count, or rows that do not fit in the block.
QImage DibToImage(const ImageHandle& handle);

// Draws the part `source` of the page (display coordinates, row 0 at the
// top) into `dest`: one to one when both have the same size, else stretched.
// Shrinking keeps the darker colour of a 1-bit page, so thin black lines stay
// visible; other pages shrink by averaging. The parts of `source` outside the
// page are not drawn. Gives the number of page rows drawn, 0 when nothing
// was (a null or unreadable handle, an empty or mirrored rectangle).
int DrawDib(QPainter& painter, const QRect& dest, const ImageHandle& handle, const QRect& source);
