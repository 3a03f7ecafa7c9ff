#pragma once
// The palettes of blank pages, as red, green, blue triples.

#include <array>
#include <cstdint>
#include <span>

namespace pictra {

struct Rgb {
    uint8_t red, green, blue;
};

// The 16 standard colours of a 4-bit page.
std::span<const Rgb, 16> standardColours16();
// The standard 256-colour table of an 8-bit colour page.
const std::array<Rgb, 256>& standardColours256();

} // namespace pictra
