#pragma once
// One line of text rasterised monochrome, the way a drawing context draws it
// at (0, 0) with top alignment: a bitmap as wide as the sum of the characters'
// advances and as high as the font's ascent plus descent, with the text's
// pixels set to 1.

#include <optional>
#include <string>

#include "MonoBitmap.h"
#include "pixmend/ImageMarkup.h"
#include "pixmend/MarkupFontMetrics.h"

// Nothing when no scalable font can be loaded, the font size is beyond
// kMaxFontPixels, or the line would exceed kMaxTextPixels.
std::optional<MonoBitmap> RenderTextLine(const std::string& utf8, const MarkupFont& font);

inline constexpr int64_t kMaxTextPixels = int64_t{1} << 28;
