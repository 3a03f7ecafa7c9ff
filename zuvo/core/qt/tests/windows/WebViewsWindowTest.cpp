// The embedded browser in a real window: its views come from the module
// that is loaded on the first page, with the OpenGL context it shares made
// then, and the page they load is drawn.

#include "LocalPageServer.h"
#include "QtTestSupport.h"

#include "core/qt/HtmlView.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

namespace {

// Whether this process has the library mapped (a name part of its path).
bool Mapped(const char* library)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

} // namespace

TEST(WebViewsWindowTest, APageLoadedThroughTheModuleIsDrawn)
{
    QtTest::EnsureApplication();
#if defined(__SANITIZE_ADDRESS__)
    // Here the engine keeps objects for the life of the process (suppressed)
    // that hold memory of Mesa's software driver, which is unloaded before
    // the leak check: so the check names no library for it and fails.
    GTEST_SKIP() << "Mesa's driver is gone before the leak check";
#endif
    // The engine composes on the GPU here, which it declines for a software
    // OpenGL like Xvfb's unless told otherwise: so the page reaches the window
    // through the shared context. (Read when the engine starts: CTest runs
    // each test in a process of its own, where this is the first view.)
    if (!Mapped("libQt6WebEngineCore"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --ignore-gpu-blocklist");
    if (!CHtmlView::HasEmbeddedBrowser())
        GTEST_SKIP() << "built without the embedded browser";
    EXPECT_TRUE(Mapped("libQt6WebEngineCore")) << "the module brings the engine with it";

    LocalPageServer server("<html><body style=\"margin:0;background:#00a040\">"
                           "<h1 style=\"color:white;font:40px sans-serif\">网页</h1></body></html>");
    CHtmlView view(false);
    int completed = 0;
    QObject::connect(&view, &CHtmlView::documentComplete, [&] { ++completed; });
    view.resize(400, 300);
    view.show();
    view.Navigate(server.base() + QStringLiteral("/page.html"));
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return completed > 0; }, 30000));
    EXPECT_TRUE(view.HasBrowser());
    // The page's colour reaches the window (drawn a moment after the load).
    const QColor green(0x00, 0xa0, 0x40);
    QImage shot;
    const bool drawn = QtTest::ProcessEventsUntil(
        [&] {
            shot = view.grab().toImage();
            const QColor corner = shot.pixelColor(shot.width() - 10, shot.height() - 10);
            return qAbs(corner.red() - green.red()) + qAbs(corner.green() - green.green()) +
                       qAbs(corner.blue() - green.blue()) < 24;
        },
        30000);
    QtTest::SaveScreenshot(view, QStringLiteral("web-view-page"));
    EXPECT_TRUE(drawn) << "corner " << shot.pixelColor(shot.width() - 10, shot.height() - 10).name().toStdString();
}
