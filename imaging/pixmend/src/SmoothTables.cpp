// The two smoothing tables, as data.
// For each number k of white neighbours of a black pixel: whether it turns white, and the
// sets of white neighbours that do the opposite.

#include <sstream>
#include <string_view>

#include "Neighbourhood.h"

namespace {

using namespace pixmend;

// One row of a table: a black pixel with k white neighbours turns white
// when `whitens`, except for the listed sets of white neighbours (named N,
// NE, E, SE, S, SW, W, NW; sets separated by ";"), which do the opposite.
struct SmoothRow {
    int k;
    bool whitens;
    std::string_view exceptions;
};

constexpr SmoothRow kSmoothClean[] = {
    {0, false, ""},
    {1, false, ""},
    {2, false, "E W; N S"},
    {3, false,
     "E S NW; E S W; E SE W; E SW NW; E SW W; E W NW; N E S; N E SW; N E W; N NE S; N S NW; N S SW; N S W; "
     "N SE S; N SE SW; N SE W; NE E W; NE S NW; NE S W; NE SE W"},
    {4, true,
     "E SE S SW; N E S W; N E SE NW; N NE E NW; N NE E SE; N NE SE NW; N NE SW NW; N NE SW W; N NE W NW; "
     "N SW W NW; NE E S SW; NE E SE NW; NE E SE S; NE E SE SW; NE SE S SW; NE SW W NW; S SW W NW; SE S SW NW; "
     "SE S SW W; SE S W NW; SE SW W NW"},
    {5, true, "N NE E SE NW; N NE SW W NW; NE E SE S SW; SE S SW W NW"},
    {6, true, ""},
    {7, true, ""},
    {8, true, ""},
};

constexpr SmoothRow kSmoothCleanPreserveLines[] = {
    {0, false, ""},
    {1, false, ""},
    {2, false, ""},
    {3, false, "E S NW; E S W; N E S; N E SW; N E W; N S W; N SE W; NE S W"},
    {4, false,
     "E S SW NW; E S SW W; E S W NW; E SE S NW; E SE S W; N E S NW; N E S SW; N E S W; N E SE S; N E SE SW; "
     "N E SE W; N E SW NW; N E SW W; N E W NW; N NE E S; N NE E SW; N NE E W; N NE S W; N NE SE W; N S SW W; "
     "N S W NW; N SE S W; N SE SW W; N SE W NW; NE E S NW; NE E S W; NE S SW W; NE S W NW; NE SE S W"},
    {5, true,
     "E SE SW W NW; N NE E SE NW; N NE S SW NW; N NE SE S NW; N NE SE S SW; N NE SE SW NW; N NE SW W NW; "
     "N SE S SW NW; NE E SE S SW; NE E SE SW NW; NE E SE SW W; NE E SE W NW; NE E SW W NW; NE SE S SW NW; "
     "NE SE SW W NW; SE S SW W NW"},
    {6, true, "N NE SE S SW NW; NE E SE SW W NW"},
    {7, true, ""},
    {8, true, ""},
};

unsigned ringBit(std::string_view name)
{
    constexpr std::pair<std::string_view, unsigned> names[] = {
        {"N", Ring::N}, {"NE", Ring::NE}, {"E", Ring::E}, {"SE", Ring::SE},
        {"S", Ring::S}, {"SW", Ring::SW}, {"W", Ring::W}, {"NW", Ring::NW},
    };
    for (const auto& [text, bit] : names) {
        if (text == name)
            return bit;
    }
    return 0;
}

NeighbourTable tableFrom(const SmoothRow (&rows)[9])
{
    NeighbourTable table{};
    for (unsigned code = 0; code < 256; ++code) {
        const unsigned whiteSet = ~code & 0xFF;
        table[code] = rows[blackCount(whiteSet)].whitens;
    }
    for (const SmoothRow& row : rows) {
        std::istringstream sets{std::string(row.exceptions)};
        for (std::string set; std::getline(sets, set, ';');) {
            std::istringstream names(set);
            unsigned whiteSet = 0;
            for (std::string name; names >> name;)
                whiteSet |= ringBit(name);
            table[~whiteSet & 0xFF] = !row.whitens;
        }
    }
    return table;
}

} // namespace

namespace pixmend {

const NeighbourTable& smoothCleanTable()
{
    static const NeighbourTable table = tableFrom(kSmoothClean);
    return table;
}

const NeighbourTable& smoothCleanPreserveLinesTable()
{
    static const NeighbourTable table = tableFrom(kSmoothCleanPreserveLines);
    return table;
}

} // namespace pixmend
