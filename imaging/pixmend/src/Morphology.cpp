// The nine 3 by 3 morphology filters, and the one walk that applies such a filter.
// Each filter is a rule over the eight-neighbour code of a pixel.

#include "BitRows.h"
#include "Neighbourhood.h"
#include "Scratch.h"
#include "pixmend/PageFilters.h"

namespace pixmend {

namespace {

using namespace Ring;

unsigned neighbourCode(const BitRows& in, int32_t x, int32_t y)
{
    return (in.black(x, y - 1) ? N : 0) | (in.black(x + 1, y - 1) ? NE : 0) | (in.black(x + 1, y) ? E : 0) |
           (in.black(x + 1, y + 1) ? SE : 0) | (in.black(x, y + 1) ? S : 0) | (in.black(x - 1, y + 1) ? SW : 0) |
           (in.black(x - 1, y) ? W : 0) | (in.black(x - 1, y - 1) ? NW : 0);
}

// True when byte b of row y, the bytes beside it and the bytes above and
// below them are all white (beyond the page counts as white): its eight
// pixels and all their neighbours are white.
bool quietByte(const BitRows& in, int32_t y, int32_t b, int32_t usedBytes)
{
    for (int32_t r = y - 1; r <= y + 1; ++r) {
        if (r < 0 || r >= in.height)
            continue;
        const uint8_t* row = in.row(r);
        for (int32_t i = b - 1; i <= b + 1; ++i) {
            if (i >= 0 && i < usedBytes && row[i] != 0xFF)
                return false;
        }
    }
    return true;
}

void whitenBorder(const BitRows& page)
{
    page.whiten(0, 0, page.width - 1);
    page.whiten(page.height - 1, 0, page.width - 1);
    for (int32_t y = 0; y < page.height; ++y) {
        page.setWhite(0, y);
        page.setWhite(page.width - 1, y);
    }
}

} // namespace

int32_t applyMorphology(ImageHandle& page, const MorphologyRule& rule)
{
    if (!isBilevelPage(page))
        return -1;
    const ImageHandle before = CopyDib(page);
    if (before.isNull())
        return -1;
    const BitRows in = BitRows::reading(before);
    const BitRows out = BitRows::of(page);
    const int32_t inset = rule.border == BorderRule::OutsideWhite ? 0 : 1;
    const int32_t usedBytes = (in.width + 7) / 8;
    // White pixels among white neighbours never change (no rule turns the
    // code 0 black), so white stretches are passed eight pixels at a time.
    const bool skipQuiet = !rule.whiteTurnsBlack[0];
    for (int32_t y = inset; y < in.height - inset; ++y) {
        for (int32_t x = inset; x < in.width - inset; ++x) {
            if (skipQuiet && (x & 7) == 0 && quietByte(in, y, x >> 3, usedBytes)) {
                x += 7;
                continue;
            }
            const unsigned code = neighbourCode(in, x, y);
            if (in.black(x, y)) {
                if (rule.blackTurnsWhite[code])
                    out.setWhite(x, y);
            } else if (rule.whiteTurnsBlack[code]) {
                out.setBlack(x, y);
            }
        }
    }
    if (rule.border == BorderRule::MadeWhite)
        whitenBorder(out);
    return 1;
}

namespace {

constexpr NeighbourTable kNever = tableOf([](unsigned) { return false; });

constexpr MorphologyRule kCharacterSmoothing{
    tableOf([](unsigned c) { return blackCount(c & Direct) <= 1; }),
    tableOf([](unsigned c) { return blackCount(c & Direct) >= 3; }),
    BorderRule::Unchanged,
};

constexpr MorphologyRule kThinning{tableOf([](unsigned c) { return c != 0xFF; }), kNever, BorderRule::MadeWhite};

constexpr MorphologyRule kThicken{kNever, tableOf([](unsigned c) { return c != 0; }), BorderRule::OutsideWhite};

constexpr MorphologyRule kOutline{tableOf([](unsigned c) { return c == 0xFF; }), kNever, BorderRule::Unchanged};

constexpr MorphologyRule kLightThicken{kNever, tableOf([](unsigned c) { return (c & (E | S | SE)) != 0; }),
                                       BorderRule::OutsideWhite};

// A white pixel that closes a break: between two black pixels, nearly
// surrounded, or completing one of the corner and diagonal shapes.
constexpr bool closesBreak(unsigned c)
{
    if (hasAll(c, N | S) || hasAll(c, W | E))
        return true;
    const int n = blackCount(c);
    if (n >= 7)
        return true;
    if (n < 3)
        return false;
    for (unsigned set : {W | S | NE, S | E | NW, E | N | SW, N | W | SE, SW | SE | N, NW | NE | S, NW | SW | E,
                         NE | SE | W}) {
        if (hasAll(c, set))
            return true;
    }
    return n == 4 && hasAll(c, Diagonal);
}

constexpr MorphologyRule kFillLineBreaks{kNever, tableOf(closesBreak), BorderRule::Unchanged};

// The same for strokes, judged by the left neighbour and the pixels above,
// below and to the right.
constexpr bool closesStrokeBreak(unsigned c)
{
    if (blackCount(c) < 3)
        return false;
    if ((c & W) == 0)
        return (hasAll(c, N | E) && (c & (S | SW)) != 0) || (hasAll(c, S | E) && (c & (N | NW)) != 0);
    return ((c & N) != 0 && (c & (S | E | SE)) != 0) || ((c & S) != 0 && (c & (E | NE)) != 0);
}

constexpr MorphologyRule kFillLineBreaksPreserveLines{kNever, tableOf(closesStrokeBreak), BorderRule::Unchanged};

} // namespace

} // namespace pixmend

using namespace pixmend;

int32_t CharacterSmoothing(ImageHandle& page) { return applyMorphology(page, kCharacterSmoothing); }
int32_t Thinning(ImageHandle& page) { return applyMorphology(page, kThinning); }
int32_t Thicken(ImageHandle& page) { return applyMorphology(page, kThicken); }
int32_t Outline(ImageHandle& page) { return applyMorphology(page, kOutline); }
int32_t LightThicken(ImageHandle& page) { return applyMorphology(page, kLightThicken); }
int32_t FillLineBreaks_PreserveLines(ImageHandle& page) { return applyMorphology(page, kFillLineBreaksPreserveLines); }

int32_t FillLineBreaks(ImageHandle& page)
{
    if (page.isNull())
        return 0;
    return applyMorphology(page, kFillLineBreaks);
}

int32_t SmoothClean(ImageHandle& page)
{
    return applyMorphology(page, {smoothCleanTable(), kNever, BorderRule::Unchanged});
}

int32_t SmoothClean_PreserveLines(ImageHandle& page)
{
    return applyMorphology(page, {smoothCleanPreserveLinesTable(), kNever, BorderRule::Unchanged});
}
