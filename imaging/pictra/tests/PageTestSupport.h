#pragma once
// Small pages drawn and read as text: one string per display row, '#' for
// black and '.' for white (1-bit pages, testsupport/AsciiPage.h), or one
// letter per colour.

#include <map>
#include <string>
#include <vector>

#include "pictra/Pictra.h"
#include "testsupport/AsciiPage.h"

namespace pagetest {

using testsupport::Rows;
using testsupport::bilevelPage;
using testsupport::bilevelRows;

// Colours of the letter pages: 0x00BBGGRR.
inline const std::map<char, uint32_t>& letterColours()
{
    static const std::map<char, uint32_t> colours = {
        {'k', 0x000000}, {'w', 0xFFFFFF}, {'r', 0x0000FF}, {'g', 0x00FF00}, {'b', 0xFF0000},
        {'y', 0x00FFFF}, {'m', 0xFF00FF}, {'c', 0xFFFF00}, {'o', 0x0080FF}, {'p', 0x804080},
    };
    return colours;
}

inline ImageHandle colourPage(const Rows& rows)
{
    ImageHandle h = PtxCreateHandle(static_cast<uint32_t>(rows[0].size()), static_cast<uint32_t>(rows.size()),
                                    PtxBlank::TrueColour);
    for (int32_t y = 0; y < h.height(); ++y) {
        uint8_t* row = h.displayRow(y);
        for (int32_t x = 0; x < h.width(); ++x) {
            const uint32_t c = letterColours().at(rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
            row[3 * x] = static_cast<uint8_t>(c >> 16);
            row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(c);
        }
    }
    return h;
}

inline Rows colourRows(const ImageHandle& h)
{
    Rows rows;
    for (int32_t y = 0; y < h.height(); ++y) {
        std::string s;
        const uint8_t* row = h.displayRow(y);
        for (int32_t x = 0; x < h.width(); ++x) {
            const uint32_t c = row[3 * x + 2] | (row[3 * x + 1] << 8) | (static_cast<uint32_t>(row[3 * x]) << 16);
            char letter = '?';
            for (const auto& [l, value] : letterColours()) {
                if (value == c)
                    letter = l;
            }
            s += letter;
        }
        rows.push_back(s);
    }
    return rows;
}

// Swaps '#' and '.' so that the same drawing can be read as colours.
inline Rows asColours(const Rows& bilevel)
{
    Rows rows = bilevel;
    for (auto& r : rows) {
        for (char& c : r)
            c = c == '#' ? 'k' : 'w';
    }
    return rows;
}

} // namespace pagetest
