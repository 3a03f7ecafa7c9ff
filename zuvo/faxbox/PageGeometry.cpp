// Page geometry: display height rule, zoom steps, the page's rectangle at a
// zoom, the page pixels under an exposed area, and printed sizes.
#include "faxbox/PageGeometry.h"

#include <algorithm>
#include <cmath>

PageRect Intersect(const PageRect& a, const PageRect& b)
{
    const int64_t left = std::max(a.left, b.left);
    const int64_t top = std::max(a.top, b.top);
    const int64_t right = std::min(a.Right(), b.Right());
    const int64_t bottom = std::min(a.Bottom(), b.Bottom());
    if (right <= left || bottom <= top)
        return {};
    return {left, top, right - left, bottom - top};
}

int DisplayHeightFactor(int64_t width, int64_t height)
{
    return height < width ? 2 : 1;
}

void PageZoom::Set(double factor)
{
    if (factor > 0.0 && std::isfinite(factor))
        factor_ = factor;
}

bool PageZoom::ZoomIn()
{
    if (!CanZoomIn())
        return false;
    factor_ *= step_;
    return true;
}

bool PageZoom::ZoomOut()
{
    if (!CanZoomOut())
        return false;
    factor_ /= step_;
    return true;
}

void PageZoom::FitToWidth(int64_t clientWidth, int64_t pageWidth)
{
    if (clientWidth <= 0 || pageWidth <= 0)
        return;
    factor_ = static_cast<double>(clientWidth) / static_cast<double>(pageWidth);
}

PageRect ZoomedPageRect(int64_t width, int64_t height, double zoom)
{
    if (width <= 0 || height <= 0)
        return {};
    const int64_t shownHeight = height * DisplayHeightFactor(width, height);
    return {0, 0, static_cast<int64_t>(static_cast<double>(width) * zoom),
            static_cast<int64_t>(static_cast<double>(shownHeight) * zoom)};
}

namespace {

// Pixels [first, last) of a page side of `length` pixels under content
// positions [from, to) when the side is stretched to `zoomed` positions, and
// the positions those pixels cover.
struct Span {
    int64_t first = 0, last = 0;      // page pixels
    int64_t from = 0, to = 0;         // content positions
};

Span spanUnder(int64_t from, int64_t to, int64_t zoomed, int64_t length)
{
    Span span;
    span.first = std::clamp<int64_t>(from * length / zoomed, 0, length);
    span.last = std::clamp<int64_t>((to * length + zoomed - 1) / zoomed, 0, length);
    span.from = span.first * zoomed / length;
    span.to = span.last * zoomed / length;
    return span;
}

} // namespace

PagePiece PagePieceUnder(const PageRect& exposed, const PageRect& zoomed, int64_t width, int64_t height)
{
    const PageRect shown = Intersect(exposed, zoomed);
    if (shown.IsEmpty() || width <= 0 || height <= 0)
        return {};
    const Span columns = spanUnder(shown.left, shown.Right(), zoomed.width, width);
    const Span rows = spanUnder(shown.top, shown.Bottom(), zoomed.height, height);
    PagePiece piece;
    piece.source = {columns.first, rows.first, columns.last - columns.first, rows.last - rows.first};
    piece.target = {columns.from, rows.from, columns.to - columns.from, rows.to - rows.from};
    if (piece.source.IsEmpty() || piece.target.IsEmpty())
        return {};
    return piece;
}

PrintedSize PrintedPageSize(int64_t width, int64_t height, int32_t xDpi, int32_t yDpi, int32_t printerXDpi,
                            int32_t printerYDpi)
{
    const int64_t pageX = xDpi > 0 ? xDpi : kDefaultPageDpi;
    const int64_t pageY = yDpi > 0 ? yDpi : kDefaultPageDpi;
    return {width * printerXDpi / pageX, height * printerYDpi / pageY};
}
