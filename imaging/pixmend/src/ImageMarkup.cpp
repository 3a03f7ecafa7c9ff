#include "pixmend/ImageMarkup.h"

#include "MonoBitmap.h"
#include "PageMerge.h"
#include "ShapeMask.h"
#include "TextRaster.h"
#include "pixmend/PixmendMessage.h"

namespace {

bool isOneBitPage(const ImageHandle* page)
{
    return page && page->isValidDib() && page->bitCount() == 1;
}

// Whitens the shape's interior unless it is to be kept, then draws its
// outline black.
void drawShape(ImageHandle& page, const MarkupParams& params)
{
    const ShapeMask mask(params.shape, params.width, params.height);
    if (mask.none())
        return;
    const int64_t left = params.centreX - params.width / 2;
    const int64_t top = params.centreY - params.height / 2;
    if (params.keepInterior == 0)
        MergeIntoPage(page, left, top, params.width, params.height, kSetRule,
                      [&](int64_t c, int64_t r) { return mask.filled(c, r); });
    MergeIntoPage(page, left, top, params.width, params.height, kClearRule,
                  [&](int64_t c, int64_t r) { return mask.outline(c, r); });
}

} // namespace

int32_t ImageMarkup(MarkupParams params)
{
    if (!isOneBitPage(params.page))
        return -1;
    if (params.centreX < params.width / 2 || params.centreY < params.height / 2)
        return -1;
    const bool vertical = params.orientation == MarkupOrientation::Vertical;
    if (!vertical && params.orientation != MarkupOrientation::Horizontal)
        return -1;

    // The text is rasterised before anything is drawn, so that a font that
    // cannot be used leaves the page as it was.
    std::optional<MonoBitmap> line = RenderTextLine(params.text, params.font);
    if (!line)
        return -1;
    const MonoBitmap text = vertical ? line->rotatedClockwise() : std::move(*line);

    ImageHandle& page = *params.page;
    drawShape(page, params);

    int64_t x = params.textX;
    int64_t y = params.textY;
    if (params.centreText != 0) {
        x = int64_t{params.centreX} - text.width() / 2;
        y = int64_t{params.centreY} - text.height() / 2;
        if (x < 0) {
            PixmendShowMessage(kMarkupTextOutOfBounds);
            return -1;
        }
    }
    const MergeRule textRule{PixelAction::Black, params.transparent != 0 ? PixelAction::Keep : PixelAction::White};
    MergeIntoPage(page, x, y, text.width(), text.height(), textRule,
                  [&](int64_t c, int64_t r) { return text.get(static_cast<int32_t>(c), static_cast<int32_t>(r)); });
    return 0;
}
