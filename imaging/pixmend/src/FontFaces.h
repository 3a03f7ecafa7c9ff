#pragma once
// FreeType faces for a MarkupFont: the fonts fontconfig offers, opened on
// first use at the one size the font description asks for, and the line
// metrics of the best of them, measured as Windows fonts measure them.

#include <cstdint>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "FontMatch.h"
#include "pixmend/MarkupFontMetrics.h"

struct FreeTypeLibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
using FreeTypeLibrary = std::unique_ptr<std::remove_pointer_t<FT_Library>, FreeTypeLibraryDeleter>;

// A FreeType library of its own for one call; null when it cannot start.
FreeTypeLibrary OpenFreeType();

// Pixel sizes of the font: em height, horizontal em, and the line metrics.
struct LineMetrics {
    double emY = 0;
    double emX = 0;
    MarkupFontMetrics line;
};

// Nothing when the face has no usable metrics or the size is beyond
// kMaxFontPixels.
std::optional<LineMetrics> MeasureFace(FT_Face face, const MarkupFont& font);

inline constexpr int kMaxFontPixels = 4096;

// The candidate faces of a FontMatch, opened on first use at one size.
class FaceSet {
public:
    FaceSet(FT_Library library, const FontMatch& match);

    // The first candidate that opens as a scalable face, or nothing.
    std::optional<std::size_t> firstUsable();
    // The best candidate with a glyph for `codepoint`; `fallback` when none has.
    std::size_t faceFor(char32_t codepoint, std::size_t fallback);

    FT_Face face(std::size_t i) { return faces_[i].get(); }

    // The size every face is set to before its first glyph is loaded.
    void setMetrics(const LineMetrics& metrics) { metrics_ = metrics; }
    // Sets candidate `i` (already opened) to that size on first use.
    bool sized(std::size_t i);

private:
    struct FaceDeleter {
        void operator()(FT_Face face) const { FT_Done_Face(face); }
    };
    using FacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDeleter>;

    bool open(std::size_t i);

    FT_Library library_;
    const FontMatch& match_;
    std::vector<FacePtr> faces_;
    std::vector<bool> tried_;
    std::vector<bool> sized_;
    std::optional<LineMetrics> metrics_;
};

// Everything one call needs of its font: its own FreeType library, the
// candidate fonts, and the faces sized by the best candidate's metrics.
class PreparedFont {
public:
    explicit PreparedFont(const MarkupFont& font);
    PreparedFont(const PreparedFont&) = delete;
    PreparedFont& operator=(const PreparedFont&) = delete;

    // False when no scalable font was found or its size cannot be drawn;
    // nothing below may be used then.
    bool usable() const { return metrics_.has_value(); }
    const LineMetrics& metrics() const { return *metrics_; }
    const FontMatch& match() const { return match_; }
    FaceSet& faces() { return faces_; }
    std::size_t primary() const { return primary_; }

private:
    FreeTypeLibrary library_;
    FontMatch match_;
    FaceSet faces_;
    std::size_t primary_ = 0;
    std::optional<LineMetrics> metrics_;
};
