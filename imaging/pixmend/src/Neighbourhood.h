#pragma once
// 3 by 3 morphology as tables: a pixel's eight neighbours give an 8-bit
// code (a bit set for each black one), and a filter is what a black and a
// white pixel become for each of the 256 codes, plus what happens on the
// border (the first and last row and column).

#include <array>
#include <bit>
#include <cstdint>

#include "pictra/ImageHandle.h"

namespace pixmend {

// The neighbours' bits, in ring order from above, clockwise.
namespace Ring {
inline constexpr unsigned N = 1, NE = 2, E = 4, SE = 8, S = 16, SW = 32, W = 64, NW = 128;
inline constexpr unsigned Direct = N | E | S | W;
inline constexpr unsigned Diagonal = NE | SE | SW | NW;
} // namespace Ring

inline constexpr bool hasAll(unsigned code, unsigned bits) { return (code & bits) == bits; }
inline constexpr int blackCount(unsigned code) { return std::popcount(code); }

using NeighbourTable = std::array<bool, 256>;

template <typename Rule>
constexpr NeighbourTable tableOf(Rule rule)
{
    NeighbourTable table{};
    for (unsigned code = 0; code < 256; ++code)
        table[code] = rule(code);
    return table;
}

enum class BorderRule {
    Unchanged,    // border pixels keep their colour
    OutsideWhite, // border pixels follow the rule; beyond the page is white
    MadeWhite,    // border pixels are made white afterwards
};

struct MorphologyRule {
    NeighbourTable blackTurnsWhite; // by the code of a black pixel's neighbours
    NeighbourTable whiteTurnsBlack; // by the code of a white pixel's neighbours
    BorderRule border;
};

// Applies the rule to every pixel of a 1-bit page, deciding each from a
// scratch copy of the page as it was. 1, or -1 for a page that is not
// 1-bit or when the copy cannot be made.
int32_t applyMorphology(ImageHandle& page, const MorphologyRule& rule);

// The smoothing filters' tables of what a black pixel becomes (true: white).
const NeighbourTable& smoothCleanTable();
const NeighbourTable& smoothCleanPreserveLinesTable();

} // namespace pixmend
