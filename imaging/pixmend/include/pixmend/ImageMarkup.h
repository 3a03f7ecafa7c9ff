#pragma once
// ImageMarkup: draws a text, and optionally an ellipse or a rectangle, into a
// 1-bit page in place. Glyphs are rasterised monochrome with FreeType from the
// font that fontconfig matches to the description in MarkupFont; characters
// the matched font lacks are taken from the next font in fontconfig's order.
//
// Page pixels follow the 1-bit convention of the image handle: bit 1 is white,
// bit 0 black. Everything merged lands one row below the given point, and
// nothing is ever written outside the page's pixel rows.

#include <cstdint>
#include <string>

#include "pictra/ImageHandle.h"
#include "pixmend/Export.h"

// A logical font description: what the text dialog hands over.
struct MarkupFont {
    std::string face;      // family name, UTF-8 ("宋体", "DejaVu Sans"); "" for the default
    int32_t height = 0;    // > 0: cell height in pixels; < 0: character (em) height; 0: 16-pixel cell
    int32_t width = 0;     // average character width in pixels; 0: the font's own proportions
    int32_t weight = 400;  // 100 to 900; 700 is bold, 0 means normal
    bool italic = false;
};

namespace MarkupShape {
inline constexpr int32_t Ellipse = 1;
inline constexpr int32_t Rectangle = 2;
} // namespace MarkupShape

namespace MarkupOrientation {
inline constexpr int32_t Horizontal = 0;
inline constexpr int32_t Vertical = 1; // runs top to bottom, turned 90 degrees clockwise
} // namespace MarkupOrientation

struct MarkupParams {
    ImageHandle* page = nullptr; // 1-bit page, drawn into in place
    int32_t textX = 0;           // left of the text when centreText is 0
    int32_t textY = 0;           // top of the text when centreText is 0
    std::string text;            // UTF-8
    MarkupFont font;
    int32_t centreX = 0;         // centre of the shape, and of the text when centreText is nonzero
    int32_t centreY = 0;
    int32_t width = 0;           // shape size in pixels
    int32_t height = 0;
    int32_t shape = 0;           // MarkupShape, any other value none
    int32_t keepInterior = 0;    // 0: the shape's interior is first whitened
    int32_t transparent = 0;     // 0: the text's box is whitened behind the text
    int32_t centreText = 0;
    int32_t orientation = MarkupOrientation::Horizontal;
};

// The message shown when centred text does not fit left of its centre.
inline constexpr const char* kMarkupTextOutOfBounds = "文字超出边界";

// 0 on success, -1 on failure: a null, invalid or not 1-bit page, a shape
// centre nearer the top or left edge than half the shape's size (page
// unchanged), centred text that overruns the left edge (message
// kMarkupTextOutOfBounds shown; a shape already drawn stays), an orientation
// other than 0 and 1, no usable font, or a text too large to rasterise.
PIXMEND_API int32_t ImageMarkup(MarkupParams params);
