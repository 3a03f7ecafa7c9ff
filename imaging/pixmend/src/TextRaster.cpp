#include "TextRaster.h"

#include <vector>

#include "FontFaces.h"
#include "Utf8.h"
#include "pictra/DibRows.h"

#include FT_SYNTHESIS_H

namespace {

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
            const bool on = bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? DibRowBit(row, x) != 0
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
    PreparedFont prepared(font);
    if (!prepared.usable())
        return std::nullopt;
    const MarkupFontMetrics& line = prepared.metrics().line;

    std::vector<PlacedGlyph> placed;
    int64_t pen = 0;
    for (const char32_t codepoint : DecodeUtf8(utf8)) {
        const std::size_t i = prepared.faces().faceFor(codepoint, prepared.primary());
        const FT_UInt index = FT_Get_Char_Index(prepared.faces().face(i), codepoint);
        const auto advance = renderGlyph(prepared.faces(), prepared.match(), i, index, pen, line.ascent, placed);
        if (!advance)
            return std::nullopt;
        pen += *advance;
        if (pen * line.height > kMaxTextPixels)
            return std::nullopt;
    }

    MonoBitmap bitmap(static_cast<int32_t>(pen), line.height);
    for (const PlacedGlyph& glyph : placed)
        blit(bitmap, glyph);
    return bitmap;
}

std::optional<MarkupFontMetrics> GetMarkupFontMetrics(const MarkupFont& font)
{
    const PreparedFont prepared(font);
    if (!prepared.usable())
        return std::nullopt;
    return prepared.metrics().line;
}

std::optional<MarkupTextExtent> GetMarkupTextExtent(const MarkupFont& font, const std::string& utf8)
{
    const std::optional<MonoBitmap> line = RenderTextLine(utf8, font);
    if (!line)
        return std::nullopt;
    return MarkupTextExtent{line->width(), line->height()};
}
