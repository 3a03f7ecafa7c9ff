#pragma once
// The arithmetic of showing and printing a page, without widgets: the
// display height rule, the zoom steps and their limits, fitting to a width,
// the page's rectangle at a zoom, the part of the page under an exposed
// area, and the printed size at a printer's resolution.
//
// Coordinates: "content" coordinates are those of the zoomed page, (0, 0) at
// its top-left corner; "page" coordinates are pixels of the stored image,
// row 0 at the top.

#include <cstdint>

// A rectangle as left, top, width and height; empty when a side is 0 or less.
struct PageRect {
    int64_t left = 0;
    int64_t top = 0;
    int64_t width = 0;
    int64_t height = 0;

    bool IsEmpty() const { return width <= 0 || height <= 0; }
    int64_t Right() const { return left + width; }    // one past the last column
    int64_t Bottom() const { return top + height; }   // one past the last row
    bool operator==(const PageRect&) const = default;
};

// The common part of two rectangles (empty when they do not meet).
PageRect Intersect(const PageRect& a, const PageRect& b);

// Display height rule: a page lower than it is wide (a fax of standard
// resolution) is shown at twice its height. 2 for such a page, else 1.
int DisplayHeightFactor(int64_t width, int64_t height);

// The zoom of a view: a factor, its step, and its limits. A step in is taken
// only while the zoom is below 32.0, a step out only while it is above
// 0.03125; so from 1.0 sixteen steps of 1.25 reach 35.527... in and
// 0.028147... out, and then stop.
class PageZoom {
public:
    static constexpr double kMaxZoom = 32.0;
    static constexpr double kMinZoom = 0.03125;
    static constexpr double kViewerStep = 1.25;

    explicit PageZoom(double step) : step_(step) {}

    double Factor() const { return factor_; }
    void Reset() { factor_ = 1.0; }
    // The zoom stays positive: a factor of 0 or less is ignored.
    void Set(double factor);

    bool CanZoomIn() const { return factor_ < kMaxZoom; }
    bool CanZoomOut() const { return factor_ > kMinZoom; }
    // One step; false (and no change) beyond the limit.
    bool ZoomIn();
    bool ZoomOut();

    // Fits the page's width into the client width: zoom = client width /
    // page width. A client of width 0 or less (not laid out yet) or a page
    // without width keeps the zoom as it is.
    void FitToWidth(int64_t clientWidth, int64_t pageWidth);

private:
    double step_;
    double factor_ = 1.0;
};

// The page's rectangle in content coordinates at `zoom`: (0, 0, width x zoom,
// height x factor x zoom), the height by the display rule, truncated.
PageRect ZoomedPageRect(int64_t width, int64_t height, double zoom);

// The pixels of the page that cover `exposed` (content coordinates) when the
// page is stretched over `zoomed` (ZoomedPageRect), and where those pixels
// land: `source` in page coordinates, `target` in content coordinates. Both
// are empty when the exposed area misses the page.
struct PagePiece {
    PageRect source;
    PageRect target;
};
PagePiece PagePieceUnder(const PageRect& exposed, const PageRect& zoomed, int64_t width, int64_t height);

// The printed size of a page in printer pixels: width x printer dpi /
// page dpi, truncated, each axis on its own. A page resolution of 0 or less
// counts as 96 dots per inch, the image library's default.
struct PrintedSize {
    int64_t width = 0;
    int64_t height = 0;
};
inline constexpr int32_t kDefaultPageDpi = 96;
PrintedSize PrintedPageSize(int64_t width, int64_t height, int32_t xDpi, int32_t yDpi, int32_t printerXDpi,
                            int32_t printerYDpi);
