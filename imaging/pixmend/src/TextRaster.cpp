#include "TextRaster.h"

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include "FontMatch.h"
#include "Utf8.h"

namespace {

constexpr double kDefaultCellHeight = 16.0;

struct LibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDeleter>;
using FacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDeleter>;

// Pixel sizes of the font: em height, horizontal em, and the line's ascent
// and height, taken from the best font as Windows fonts measure them.
struct LineMetrics {
    double emY = 0;
    double emX = 0;
    int32_t ascent = 0;
    int32_t height = 0;
};

// Ascent and descent in font units: the OS/2 Windows metrics where present.
std::pair<double, double> cellUnits(FT_Face face)
{
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0)
        return {os2->usWinAscent, os2->usWinDescent};
    return {face->ascender, -face->descender};
}

std::optional<LineMetrics> measureFont(FT_Face face, const MarkupFont& font)
{
    const double unitsPerEm = face->units_per_EM;
    const auto [ascentUnits, descentUnits] = cellUnits(face);
    const double cell = ascentUnits + descentUnits;
    if (unitsPerEm <= 0 || cell <= 0)
        return std::nullopt;
    LineMetrics metrics;
    if (font.height < 0)
        metrics.emY = -static_cast<double>(font.height);
    else
        metrics.emY = (font.height > 0 ? font.height : kDefaultCellHeight) * unitsPerEm / cell;
    metrics.emX = metrics.emY;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (font.width > 0 && os2 && os2->xAvgCharWidth > 0)
        metrics.emX = font.width * unitsPerEm / os2->xAvgCharWidth;
    if (metrics.emY < 1 || metrics.emX < 1 || metrics.emY > kMaxFontPixels || metrics.emX > kMaxFontPixels)
        return std::nullopt;
    metrics.height = static_cast<int32_t>(std::lround(cell * metrics.emY / unitsPerEm));
    metrics.ascent = static_cast<int32_t>(std::lround(ascentUnits * metrics.emY / unitsPerEm));
    return metrics;
}

// The candidate faces of a FontMatch, opened on first use at one size.
class FaceSet {
public:
    FaceSet(FT_Library library, const FontMatch& match) : library_(library), match_(match), faces_(match.size()) {}

    // The first candidate that opens as a scalable face, or nothing.
    std::optional<std::size_t> firstUsable()
    {
        for (std::size_t i = 0; i < faces_.size(); ++i)
            if (open(i))
                return i;
        return std::nullopt;
    }

    // The best candidate with a glyph for `codepoint`; `fallback` when none has.
    std::size_t faceFor(char32_t codepoint, std::size_t fallback)
    {
        for (std::size_t i = 0; i < faces_.size(); ++i)
            if (match_.covers(i, codepoint) && open(i) && FT_Get_Char_Index(faces_[i].get(), codepoint) != 0)
                return i;
        return fallback;
    }

    FT_Face face(std::size_t i) { return faces_[i].get(); }

    // The size every face is set to before its first glyph is loaded.
    void setMetrics(const LineMetrics& metrics) { metrics_ = metrics; }

    // Sets candidate `i` (already opened) to the size on first use.
    bool sized(std::size_t i)
    {
        if (sized_.size() != faces_.size())
            sized_.assign(faces_.size(), false);
        if (!sized_[i] && metrics_)
            sized_[i] = FT_Set_Char_Size(face(i), std::lround(metrics_->emX * 64), std::lround(metrics_->emY * 64),
                                         72, 72) == 0;
        return sized_[i];
    }

private:
    bool open(std::size_t i)
    {
        if (faces_[i])
            return true;
        if (tried_.size() != faces_.size())
            tried_.assign(faces_.size(), false);
        if (tried_[i])
            return false;
        tried_[i] = true;
        FT_Face face = nullptr;
        const std::string path = match_.file(i);
        if (path.empty() || FT_New_Face(library_, path.c_str(), match_.faceIndex(i), &face) != 0)
            return false;
        FacePtr owned(face);
        if (!FT_IS_SCALABLE(face))
            return false;
        faces_[i] = std::move(owned);
        return true;
    }

    FT_Library library_;
    const FontMatch& match_;
    std::vector<FacePtr> faces_;
    std::vector<bool> tried_;
    std::vector<bool> sized_;
    std::optional<LineMetrics> metrics_;
};

// One glyph rendered and placed on the line.
struct PlacedGlyph {
    int64_t left = 0;
    int64_t top = 0; // row of the glyph's top, from the top of the line
    MonoBitmap bits;
};

MonoBitmap copyGlyphBitmap(const FT_Bitmap& bitmap)
{
    MonoBitmap bits(static_cast<int32_t>(bitmap.width), static_cast<int32_t>(bitmap.rows));
    if (bits.empty())
        return bits;
    for (int32_t y = 0; y < bits.height(); ++y) {
        const unsigned char* row = bitmap.pitch >= 0
            ? bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch
            : bitmap.buffer + static_cast<std::ptrdiff_t>(bits.height() - 1 - y) * -bitmap.pitch;
        for (int32_t x = 0; x < bits.width(); ++x) {
            const bool on = bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x >> 3] >> (7 - (x & 7))) & 1) != 0
                                                                    : row[x] >= 128;
            if (on)
                bits.set(x, y);
        }
    }
    return bits;
}

// Loads, styles and renders glyph `index` of candidate `i`; the pen advance
// in whole pixels, or nothing when the glyph cannot be rendered.
std::optional<int64_t> renderGlyph(FaceSet& faces, const FontMatch& match, std::size_t i, FT_UInt index,
                                   int64_t pen, int32_t ascent, std::vector<PlacedGlyph>& placed)
{
    FT_Face face = faces.face(i);
    if (!faces.sized(i) || FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) != 0)
        return std::nullopt;
    FT_GlyphSlot slot = face->glyph;
    if (match.needsSlant(i))
        FT_GlyphSlot_Oblique(slot);
    if (match.needsBold(i))
        FT_GlyphSlot_Embolden(slot);
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0)
        return std::nullopt;
    const int64_t advance = (slot->advance.x + 32) >> 6;
    placed.push_back({pen + slot->bitmap_left, int64_t{ascent} - slot->bitmap_top, copyGlyphBitmap(slot->bitmap)});
    return advance;
}

void blit(MonoBitmap& line, const PlacedGlyph& glyph)
{
    for (int32_t y = 0; y < glyph.bits.height(); ++y) {
        const int64_t ly = glyph.top + y;
        if (ly < 0 || ly >= line.height())
            continue;
        for (int32_t x = 0; x < glyph.bits.width(); ++x) {
            const int64_t lx = glyph.left + x;
            if (lx >= 0 && lx < line.width() && glyph.bits.get(x, y))
                line.set(static_cast<int32_t>(lx), static_cast<int32_t>(ly));
        }
    }
}

} // namespace

std::optional<MonoBitmap> RenderTextLine(const std::string& utf8, const MarkupFont& font)
{
    FT_Library rawLibrary = nullptr;
    if (FT_Init_FreeType(&rawLibrary) != 0)
        return std::nullopt;
    LibraryPtr library(rawLibrary);

    const FontMatch match(font);
    FaceSet faces(library.get(), match);
    const auto primary = faces.firstUsable();
    if (!primary)
        return std::nullopt;
    const auto metrics = measureFont(faces.face(*primary), font);
    if (!metrics)
        return std::nullopt;
    faces.setMetrics(*metrics);

    std::vector<PlacedGlyph> placed;
    int64_t pen = 0;
    for (const char32_t codepoint : DecodeUtf8(utf8)) {
        const std::size_t i = faces.faceFor(codepoint, *primary);
        const FT_UInt index = FT_Get_Char_Index(faces.face(i), codepoint);
        const auto advance = renderGlyph(faces, match, i, index, pen, metrics->ascent, placed);
        if (!advance)
            return std::nullopt;
        pen += *advance;
        if (pen * metrics->height > kMaxTextPixels)
            return std::nullopt;
    }

    MonoBitmap line(static_cast<int32_t>(pen), metrics->height);
    for (const PlacedGlyph& glyph : placed)
        blit(line, glyph);
    return line;
}
