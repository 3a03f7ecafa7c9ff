#pragma once
// The line metrics of a MarkupFont as ImageMarkup draws it, and the extent
// of a text, so that a caller can size a page for a text before drawing it:
// a text line's bitmap is `height` pixels high, and each character advances
// about `averageCharWidth` (exactly MarkupFont::width when that is set).

#include <cstdint>
#include <optional>
#include <string>

#include "pixmend/Export.h"
#include "pixmend/ImageMarkup.h"

struct MarkupFontMetrics {
    int32_t height = 0; // ascent + descent
    int32_t ascent = 0;
    int32_t descent = 0;
    int32_t externalLeading = 0; // space the font asks for between lines
    int32_t averageCharWidth = 0;
};

// Nothing when no usable font is found or the size is too large to draw.
PIXMEND_API std::optional<MarkupFontMetrics> GetMarkupFontMetrics(const MarkupFont& font);

// The size of a text's bitmap as ImageMarkup draws it horizontally: the sum
// of the characters' advances (fallback fonts' included) by the line
// height. A page of that size holds the text centred on it. Nothing when
// the text cannot be rasterised in the font.
struct MarkupTextExtent {
    int32_t width = 0;
    int32_t height = 0;
};
PIXMEND_API std::optional<MarkupTextExtent> GetMarkupTextExtent(const MarkupFont& font, const std::string& utf8);
