#pragma once
// The line metrics of a MarkupFont as ImageMarkup draws it, so that a caller
// can size a page for a text before drawing it: a text line's bitmap is
// `height` pixels high, and each character advances about `averageCharWidth`
// (exactly MarkupFont::width when that is set).

#include <cstdint>
#include <optional>

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
