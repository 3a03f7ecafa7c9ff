#include "FontFaces.h"

#include <algorithm>
#include <cmath>
#include <string>

#include FT_TRUETYPE_TABLES_H

namespace {

constexpr double kDefaultCellHeight = 16.0;

const TT_OS2* os2Table(FT_Face face)
{
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    return os2 && os2->version != 0xFFFF ? os2 : nullptr;
}

// Ascent and descent in font units: the OS/2 Windows metrics where present.
std::pair<double, double> cellUnits(FT_Face face)
{
    const TT_OS2* os2 = os2Table(face);
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0)
        return {os2->usWinAscent, os2->usWinDescent};
    return {face->ascender, -face->descender};
}

// The line gap beyond the cell, in font units: what the horizontal header
// asks for between lines less what the cell already holds beyond it.
double externalLeadingUnits(FT_Face face, double cell)
{
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    if (!hhea)
        return 0;
    const double typographic = static_cast<double>(hhea->Ascender) - hhea->Descender;
    return std::max(0.0, hhea->Line_Gap - (cell - typographic));
}

int32_t toPixels(double units, double em, double unitsPerEm)
{
    return static_cast<int32_t>(std::lround(units * em / unitsPerEm));
}

} // namespace

FreeTypeLibrary OpenFreeType()
{
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return nullptr;
    return FreeTypeLibrary(library);
}

std::optional<LineMetrics> MeasureFace(FT_Face face, const MarkupFont& font)
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
    const TT_OS2* os2 = os2Table(face);
    const double averageUnits = os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : unitsPerEm / 2;
    metrics.emX = font.width > 0 ? font.width * unitsPerEm / averageUnits : metrics.emY;
    if (metrics.emY < 1 || metrics.emX < 1 || metrics.emY > kMaxFontPixels || metrics.emX > kMaxFontPixels)
        return std::nullopt;

    MarkupFontMetrics& line = metrics.line;
    line.height = toPixels(cell, metrics.emY, unitsPerEm);
    line.ascent = toPixels(ascentUnits, metrics.emY, unitsPerEm);
    line.descent = line.height - line.ascent;
    line.externalLeading = toPixels(externalLeadingUnits(face, cell), metrics.emY, unitsPerEm);
    line.averageCharWidth = toPixels(averageUnits, metrics.emX, unitsPerEm);
    return metrics;
}

FaceSet::FaceSet(FT_Library library, const FontMatch& match)
    : library_(library), match_(match), faces_(match.size()), tried_(match.size(), false),
      sized_(match.size(), false)
{
}

std::optional<std::size_t> FaceSet::firstUsable()
{
    for (std::size_t i = 0; i < faces_.size(); ++i)
        if (open(i))
            return i;
    return std::nullopt;
}

std::size_t FaceSet::faceFor(char32_t codepoint, std::size_t fallback)
{
    for (std::size_t i = 0; i < faces_.size(); ++i)
        if (match_.covers(i, codepoint) && open(i) && FT_Get_Char_Index(faces_[i].get(), codepoint) != 0)
            return i;
    return fallback;
}

bool FaceSet::sized(std::size_t i)
{
    if (!sized_[i] && metrics_)
        sized_[i] = FT_Set_Char_Size(face(i), std::lround(metrics_->emX * 64), std::lround(metrics_->emY * 64), 72,
                                     72) == 0;
    return sized_[i];
}

bool FaceSet::open(std::size_t i)
{
    if (faces_[i])
        return true;
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

PreparedFont::PreparedFont(const MarkupFont& font)
    : library_(OpenFreeType()), match_(font), faces_(library_.get(), match_)
{
    if (!library_)
        return;
    const auto primary = faces_.firstUsable();
    if (!primary)
        return;
    primary_ = *primary;
    metrics_ = MeasureFace(faces_.face(primary_), font);
    if (metrics_)
        faces_.setMetrics(*metrics_);
}
