#pragma once
// Pictra's pixel helpers over a valid page: palette indices of 1, 4 and 8-bit
// pages, colours (0x00BBGGRR) of every page, and the nearest palette entry
// of a colour. Rows are stored rows (0 at the bottom).

#include <array>
#include <cstddef>
#include <cstdint>

#include "pictra/ImageHandle.h"

namespace pictra {

using Colour = uint32_t; // 0x00BBGGRR

inline uint8_t redOf(Colour c) { return static_cast<uint8_t>(c); }
inline uint8_t greenOf(Colour c) { return static_cast<uint8_t>(c >> 8); }
inline uint8_t blueOf(Colour c) { return static_cast<uint8_t>(c >> 16); }
inline Colour makeColour(uint32_t red, uint32_t green, uint32_t blue) { return red | (green << 8) | (blue << 16); }

// Pointers and sizes of a page, read once from its header.
struct PageView {
    explicit PageView(ImageHandle& h)
        : PageView(static_cast<const ImageHandle&>(h))
    {
        pixels = h.pixels();
    }
    explicit PageView(const ImageHandle& h)
        : constPixels(h.pixels()), palette(h.palette()), stride(h.stride()), width(h.width()),
          height(h.height()), bits(h.bitCount()), entries(h.paletteEntries())
    {
    }

    uint8_t* row(int32_t r) const { return pixels + static_cast<std::size_t>(r) * stride; }
    const uint8_t* constRow(int32_t r) const { return constPixels + static_cast<std::size_t>(r) * stride; }

    unsigned index(int32_t x, int32_t r) const
    {
        const uint8_t* p = constRow(r);
        switch (bits) {
        case 1: return (p[x >> 3] >> (7 - (x & 7))) & 1u;
        case 4: return (p[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu;
        default: return p[x];
        }
    }

    void setIndex(int32_t x, int32_t r, unsigned ix) const
    {
        uint8_t* p = row(r);
        switch (bits) {
        case 1: {
            const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
            p[x >> 3] = static_cast<uint8_t>(ix ? p[x >> 3] | mask : p[x >> 3] & ~mask);
            break;
        }
        case 4: {
            const int shift = (x & 1) ? 0 : 4;
            p[x >> 1] = static_cast<uint8_t>((p[x >> 1] & ~(0xF << shift)) | ((ix & 0xF) << shift));
            break;
        }
        default: p[x] = static_cast<uint8_t>(ix);
        }
    }

    Colour paletteColour(unsigned ix) const
    {
        const uint8_t* e = palette + 4 * ix;
        return makeColour(e[2], e[1], e[0]);
    }

    Colour colour(int32_t x, int32_t r) const
    {
        if (bits == 24) {
            const uint8_t* p = constRow(r) + 3 * static_cast<std::size_t>(x);
            return makeColour(p[2], p[1], p[0]);
        }
        return paletteColour(index(x, r));
    }

    // The first palette entry nearest to the colour (sum of squared
    // differences of red, green and blue).
    unsigned nearestIndex(Colour c) const
    {
        unsigned best = 0;
        long bestDistance = 200000;
        for (unsigned i = 0; i < entries; ++i) {
            const Colour e = paletteColour(i);
            const long dr = long{redOf(e)} - redOf(c);
            const long dg = long{greenOf(e)} - greenOf(c);
            const long db = long{blueOf(e)} - blueOf(c);
            const long d = dr * dr + dg * dg + db * db;
            if (d == 0)
                return i;
            if (d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
        return best;
    }

    void setColour(int32_t x, int32_t r, Colour c) const
    {
        if (bits == 24) {
            uint8_t* p = row(r) + 3 * static_cast<std::size_t>(x);
            p[0] = blueOf(c);
            p[1] = greenOf(c);
            p[2] = redOf(c);
        } else {
            setIndex(x, r, nearestIndex(c));
        }
    }

    // For each index, the index that writing its colour back gives: itself
    // unless the palette repeats a colour.
    std::array<uint8_t, 256> colourRemap() const
    {
        std::array<uint8_t, 256> remap{};
        for (unsigned i = 0; i < entries; ++i)
            remap[i] = static_cast<uint8_t>(nearestIndex(paletteColour(i)));
        return remap;
    }

    uint8_t* pixels = nullptr; // null for a read-only view
    const uint8_t* constPixels;
    const uint8_t* palette;
    std::size_t stride;
    int32_t width;
    int32_t height;
    uint16_t bits;
    uint32_t entries;
};

// Sets the bytes and bits after the last pixel of every row to zero.
inline void clearRowPadding(const PageView& page)
{
    const std::size_t usedBits = static_cast<std::size_t>(page.width) * page.bits;
    const std::size_t full = usedBits / 8;
    const unsigned rest = static_cast<unsigned>(usedBits % 8);
    for (int32_t r = 0; r < page.height; ++r) {
        uint8_t* row = page.row(r);
        std::size_t from = full;
        if (rest != 0)
            row[from++] &= static_cast<uint8_t>(0xFF << (8 - rest));
        for (std::size_t i = from; i < page.stride; ++i)
            row[i] = 0;
    }
}

// A new page of the given size that takes `source`'s header (resolution
// included) and palette; its image size is the pixel bytes. Null when the
// size is refused or memory runs out.
ImageHandle newPageLike(const ImageHandle& source, int32_t width, int32_t height, uint16_t bitCount);

} // namespace pictra
