#pragma once
// Pictra's pixel helpers over a valid page: palette indices of 1, 4 and 8-bit
// pages, colours (0x00BBGGRR) of every page, and the nearest palette entry
// of a colour. Rows are stored rows (0 at the bottom).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "pictra/DibRows.h"
#include "pictra/ImageHandle.h"

namespace pictra {

using Colour = uint32_t; // 0x00BBGGRR

inline uint8_t redOf(Colour c) { return static_cast<uint8_t>(c); }
inline uint8_t greenOf(Colour c) { return static_cast<uint8_t>(c >> 8); }
inline uint8_t blueOf(Colour c) { return static_cast<uint8_t>(c >> 16); }
inline Colour makeColour(uint32_t red, uint32_t green, uint32_t blue) { return red | (green << 8) | (blue << 16); }
// A channel value cut to 0..255.
inline uint8_t clampChannel(int64_t value) { return static_cast<uint8_t>(std::clamp<int64_t>(value, 0, 255)); }

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

    unsigned index(int32_t x, int32_t r) const { return DibRowIndex(constRow(r), x, bits); }

    void setIndex(int32_t x, int32_t r, unsigned ix) const { DibSetRowIndex(row(r), x, bits, ix); }

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

    // Every palette entry is a grey (blue, green and red alike).
    bool greyPalette() const
    {
        for (unsigned i = 0; i < entries; ++i) {
            const uint8_t* e = palette + 4 * i;
            if (e[0] != e[1] || e[1] != e[2])
                return false;
        }
        return true;
    }

    // The palette is the evenly spaced grey ramp of its bit count: entry i is
    // grey i x 255 / (entries - 1), so an 8-bit page's entry i is (i, i, i).
    bool greyRamp() const
    {
        if (entries < 2)
            return false;
        for (unsigned i = 0; i < entries; ++i) {
            const uint8_t* e = palette + 4 * i;
            const unsigned grey = i * 255 / (entries - 1);
            if (e[0] != grey || e[1] != grey || e[2] != grey)
                return false;
        }
        return true;
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

// Writes colours into an indexed page as their nearest palette entries,
// remembering each colour's entry: a filter that makes many pixels of few
// colours walks the palette once per colour, not once per pixel.
class PaletteMatcher {
public:
    explicit PaletteMatcher(const PageView& page) : page_(page) {}

    void setColour(int32_t x, int32_t r, Colour c)
    {
        auto [it, fresh] = indexOf_.try_emplace(c, 0u);
        if (fresh)
            it->second = page_.nearestIndex(c);
        page_.setIndex(x, r, it->second);
    }

private:
    PageView page_;
    std::unordered_map<Colour, unsigned> indexOf_;
};

// to[i] = ~from[i] for n bytes (from == to allowed), eight at a time.
inline void complementBytes(const uint8_t* from, uint8_t* to, std::size_t n)
{
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, from + i, 8);
        word = ~word;
        std::memcpy(to + i, &word, 8);
    }
    for (; i < n; ++i)
        to[i] = static_cast<uint8_t>(~from[i]);
}

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

// Palette entry i of a page: blue, green, red, 0.
inline void setPaletteEntry(ImageHandle& h, std::size_t i, uint8_t red, uint8_t green, uint8_t blue)
{
    uint8_t* e = h.palette() + 4 * i;
    e[0] = blue;
    e[1] = green;
    e[2] = red;
    e[3] = 0;
}

// Gives a 1, 4 or 8-bit page the grey ramp of its bit count (see greyRamp).
inline void setGreyRamp(ImageHandle& h)
{
    const uint32_t entries = h.paletteEntries();
    for (uint32_t i = 0; i < entries; ++i) {
        const auto grey = static_cast<uint8_t>(i * 255 / (entries - 1));
        setPaletteEntry(h, i, grey, grey, grey);
    }
}

// A copy of the page for an export to change: the last-error text cleared,
// then null with "image handle is null" for a null or damaged page and
// "failed to allocate memory" when the copy cannot be made.
ImageHandle copyToChange(const ImageHandle& handle);

// A new page of the given size that takes `source`'s header (resolution
// included) and palette; its image size is the pixel bytes. Null when the
// size is refused or memory runs out.
ImageHandle newPageLike(const ImageHandle& source, int32_t width, int32_t height, uint16_t bitCount);

} // namespace pictra
