#pragma once
// Packed pixel rows, as image handles, TIFF scanlines and monochrome
// drawing surfaces store them: 1, 4 or 8 bits per pixel, the leftmost pixel
// in the most significant bits of its byte (a 4-bit pair's left pixel in the
// high nibble). These are the imaging libraries' one way to read, write,
// pack and unpack such rows; callers pass a bit count of 1, 4 or 8 only.

#include <cstddef>
#include <cstdint>
#include <cstring>

// Bit x (0 or 1) of a 1-bit row.
inline unsigned DibRowBit(const uint8_t* row, int64_t x)
{
    return (row[x >> 3] >> (7 - (x & 7))) & 1u;
}

// Sets bit x of a 1-bit row to `on`.
inline void DibSetRowBit(uint8_t* row, int64_t x, bool on)
{
    const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
    row[x >> 3] = static_cast<uint8_t>(on ? row[x >> 3] | mask : row[x >> 3] & ~mask);
}

// The value (palette index) of pixel x of a row of `bits` bits per pixel.
inline unsigned DibRowIndex(const uint8_t* row, int64_t x, unsigned bits)
{
    switch (bits) {
    case 1: return DibRowBit(row, x);
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu;
    default: return row[x];
    }
}

// Sets pixel x of a row of `bits` bits per pixel to `value` (cut to the bits).
inline void DibSetRowIndex(uint8_t* row, int64_t x, unsigned bits, unsigned value)
{
    switch (bits) {
    case 1: DibSetRowBit(row, x, (value & 1u) != 0); break;
    case 4: {
        const int shift = (x & 1) ? 0 : 4;
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & ~(0xF << shift)) | ((value & 0xFu) << shift));
        break;
    }
    default: row[x] = static_cast<uint8_t>(value);
    }
}

// Sets bits left..right (inclusive) of a 1-bit row to `on`, whole bytes at
// once; left <= right.
inline void DibFillRowBits(uint8_t* row, int64_t left, int64_t right, bool on)
{
    const uint8_t value = on ? 0xFF : 0x00;
    auto setMasked = [&](uint8_t& byte, uint8_t mask) { byte = static_cast<uint8_t>((byte & ~mask) | (value & mask)); };
    const int64_t firstByte = left >> 3;
    const int64_t lastByte = right >> 3;
    const auto headMask = static_cast<uint8_t>(0xFF >> (left & 7));
    const auto tailMask = static_cast<uint8_t>(0xFF << (7 - (right & 7)));
    if (firstByte == lastByte) {
        setMasked(row[firstByte], headMask & tailMask);
        return;
    }
    setMasked(row[firstByte], headMask);
    std::memset(row + firstByte + 1, value, static_cast<std::size_t>(lastByte - firstByte - 1));
    setMasked(row[lastByte], tailMask);
}

// The first x in [from, end) whose bit in a 1-bit row is `bit` (0 or 1), or
// `end` when there is none. Bytes that hold no such bit are passed whole, so
// that a scan over a mostly white page costs a byte compare per 8 pixels.
inline int64_t DibFindRowBit(const uint8_t* row, int64_t from, int64_t end, unsigned bit)
{
    const uint8_t skip = bit ? 0x00 : 0xFF; // a byte made only of the other bit
    int64_t x = from;
    while (x < end) {
        if ((x & 7) == 0 && row[x >> 3] == skip) {
            x += 8;
            continue;
        }
        if (DibRowBit(row, x) == bit)
            return x;
        ++x;
    }
    return end;
}

// Packs `width` values, one byte each, into a row of `bits` bits per pixel.
// Every byte the pixels touch is written; the bits after the last pixel of
// its byte are 0.
inline void DibPackRow(const uint8_t* values, int64_t width, unsigned bits, uint8_t* row)
{
    if (bits == 8) {
        std::memcpy(row, values, static_cast<std::size_t>(width));
        return;
    }
    const auto used = static_cast<std::size_t>((width * bits + 7) / 8);
    std::memset(row, 0, used);
    for (int64_t x = 0; x < width; ++x)
        DibSetRowIndex(row, x, bits, values[x]);
}

// Unpacks the first `width` pixels of a row of `bits` bits per pixel into
// one byte each.
inline void DibUnpackRow(const uint8_t* row, int64_t width, unsigned bits, uint8_t* values)
{
    if (bits == 8) {
        std::memcpy(values, row, static_cast<std::size_t>(width));
        return;
    }
    for (int64_t x = 0; x < width; ++x)
        values[x] = static_cast<uint8_t>(DibRowIndex(row, x, bits));
}
