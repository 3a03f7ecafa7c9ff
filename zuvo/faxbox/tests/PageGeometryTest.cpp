// Page geometry: the zoom limits reached step by step, fitting to a width
// (also to a viewport not laid out yet), the zoomed page, the page pixels
// under an exposed area at large and small zooms, and printed sizes.

#include "faxbox/PageGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(PageZoomTest, SixteenStepsReachTheLimitsAndTheNextIsRefused)
{
    PageZoom zoom(PageZoom::kViewerStep);
    int steps = 0;
    while (zoom.ZoomIn())
        ++steps;
    EXPECT_EQ(steps, 16);
    EXPECT_NEAR(zoom.Factor(), 35.527136788, 1e-8);
    EXPECT_FALSE(zoom.CanZoomIn());
    EXPECT_TRUE(zoom.CanZoomOut());

    zoom.Reset();
    steps = 0;
    while (zoom.ZoomOut())
        ++steps;
    EXPECT_EQ(steps, 16);
    EXPECT_NEAR(zoom.Factor(), 0.028147497671, 1e-11);
    EXPECT_FALSE(zoom.CanZoomOut());

    PageZoom editor(1.5);
    steps = 0;
    while (editor.ZoomIn())
        ++steps;
    EXPECT_EQ(steps, 9);  // 1.5^9 = 38.44 is the first at or above 32
}

TEST(PageZoomTest, FitToWidthKeepsTheZoomForAViewportNotLaidOut)
{
    struct Case {
        int64_t client, page;
        double zoom;
    } cases[] = {{800, 1728, 800.0 / 1728}, {1728, 1728, 1.0}, {0, 1728, 1.0}, {-5, 1728, 1.0}, {800, 0, 1.0}};
    for (const Case& c : cases) {
        PageZoom zoom(PageZoom::kViewerStep);
        zoom.FitToWidth(c.client, c.page);
        EXPECT_DOUBLE_EQ(zoom.Factor(), c.zoom) << c.client << " / " << c.page;
    }
    PageZoom zoom(PageZoom::kViewerStep);
    zoom.Set(0.0);
    zoom.Set(-1.0);
    zoom.Set(NAN);
    EXPECT_EQ(zoom.Factor(), 1.0);
}

TEST(PageGeometryTest, ZoomedPageFollowsTheDisplayHeightRuleAndTruncates)
{
    struct Case {
        int64_t width, height;
        double zoom;
        PageRect rect;
    } cases[] = {
        {1728, 1100, 1.0, {0, 0, 1728, 2200}},
        {1728, 2200, 1.0, {0, 0, 1728, 2200}},
        {1728, 1100, 800.0 / 1728, {0, 0, 800, 1018}},  // 2200 x 0.46296 = 1018.5
        {100, 100, 0.028147497671, {0, 0, 2, 2}},
        {0, 100, 1.0, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZoomedPageRect(c.width, c.height, c.zoom), c.rect) << c.width << " x " << c.height;
}

TEST(PageGeometryTest, OnlyThePixelsUnderTheExposedAreaAreTaken)
{
    const int64_t width = 1728, height = 1100;
    struct Case {
        double zoom;
        PageRect exposed;
    } cases[] = {
        {35.527136788, {30000, 40000, 800, 600}},  // deep inside a huge page
        {35.527136788, {0, 0, 800, 600}},
        {1.0, {100, 50, 640, 480}},
        {800.0 / 1728, {0, 0, 800, 600}},          // the whole page and grey below it
        {0.028147497671, {0, 0, 800, 600}},
        {1.0, {1700, 2190, 300, 300}},             // across the bottom-right corner
    };
    for (const Case& c : cases) {
        const PageRect zoomed = ZoomedPageRect(width, height, c.zoom);
        const PagePiece piece = PagePieceUnder(c.exposed, zoomed, width, height);
        const PageRect shown = Intersect(c.exposed, zoomed);
        ASSERT_FALSE(shown.IsEmpty());
        // The target covers what is exposed of the page and stays on it.
        EXPECT_EQ(Intersect(piece.target, shown), shown) << c.zoom;
        EXPECT_EQ(Intersect(piece.target, zoomed), piece.target) << c.zoom;
        EXPECT_EQ(Intersect(piece.source, {0, 0, width, height}), piece.source) << c.zoom;
        // No more than one pixel beyond the exposed area on each side.
        const double xScale = static_cast<double>(zoomed.width) / width;
        const double yScale = static_cast<double>(zoomed.height) / height;
        EXPECT_LE(piece.source.width, std::ceil(shown.width / xScale) + 2) << c.zoom;
        EXPECT_LE(piece.source.height, std::ceil(shown.height / yScale) + 2) << c.zoom;
    }
    // Beyond the page: nothing.
    EXPECT_TRUE(PagePieceUnder({1728, 0, 100, 100}, ZoomedPageRect(width, height, 1.0), width, height)
                    .source.IsEmpty());
}

TEST(PageGeometryTest, PrintedSizeIsTheTrueSize)
{
    struct Case {
        int64_t width, height;
        int32_t xDpi, yDpi, printerX, printerY;
        PrintedSize size;
    } cases[] = {
        {1728, 1100, 200, 100, 600, 600, {5184, 6600}},
        {1728, 2200, 200, 200, 300, 300, {2592, 3300}},
        {1000, 1000, 300, 300, 600, 1200, {2000, 4000}},
        {1000, 999, 300, 300, 600, 600, {2000, 1998}},
        {1728, 1100, 0, 0, 600, 600, {10800, 6875}},  // no resolution: 96 dpi
        {1728, 1100, -3, 100, 600, 600, {10800, 6600}},
    };
    for (const Case& c : cases) {
        const PrintedSize size = PrintedPageSize(c.width, c.height, c.xDpi, c.yDpi, c.printerX, c.printerY);
        EXPECT_EQ(size.width, c.size.width) << c.xDpi;
        EXPECT_EQ(size.height, c.size.height) << c.yDpi;
    }
}

} // namespace
