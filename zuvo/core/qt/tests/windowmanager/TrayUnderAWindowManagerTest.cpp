// The tray under a window manager (the suite runs with openbox on its X
// server, as a desktop has one): every opening from a StatusNotifier tray
// after a notice comes up maximised, the first one as every later one, and
// each later click hides the window again.

#include "TrayTestParts.h"

#include <QProcess>
#include <QScreen>

#include <functional>

#include <gtest/gtest.h>

namespace {

// What xprop prints of a property of the window named by `window`.
QByteArray XProperty(QStringList window, const char* property)
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), window << QString::fromLatin1(property));
    return xprop.waitForFinished(10000) ? xprop.readAll() : QByteArray();
}

// Waits up to 10 s for a condition read with xprop, trying every 50 ms
// (each try starts a process).
bool WaitForXProperty(const std::function<bool()>& condition)
{
    for (int tries = 0; tries < 200; ++tries) {
        if (condition())
            return true;
        WaitMs(50);
    }
    return false;
}

// Whether the manager has let go of the window (it removes the window's
// WM_STATE once the window is withdrawn), as it has long done by the time a
// person opens the window again.
bool Withdrawn(const QWidget& window)
{
    return !XProperty({QStringLiteral("-id"), QString::number(window.winId())}, "WM_STATE").contains("window state");
}

class TrayUnderAWindowManagerTest : public TrayTest {};

} // namespace

TEST_F(TrayUnderAWindowManagerTest, EveryOpeningFromTheTrayAfterANoticeIsMaximised)
{
    if (!XProperty({QStringLiteral("-root")}, "_NET_SUPPORTING_WM_CHECK").contains("window id"))
        GTEST_SKIP() << "no window manager on this display (openbox is not installed)";
    FakeWatcher watcher;
    ASSERT_TRUE(watcher.Start()) << "no session bus";
    CMainFrame frame(settings, services);
    ASSERT_TRUE(WaitUntil([&] { return !watcher.RegisteredStatusNotifierItems().isEmpty(); }, 10000));
    const QString item = watcher.RegisteredStatusNotifierItems().first();
    const QRect screen = frame.screen()->availableGeometry();
    // Hiding used to minimise the window before it withdrew it; the manager
    // then kept some opening from showing, or mapped it at its normal size
    // (in four runs of five with ten openings).
    for (int opening = 1; opening <= 10; ++opening) {
        frame.PostNotice("您有传真件，请阅览！");
        ASSERT_TRUE(WaitUntil([&] { return frame.Popup().isVisible(); }, 10000));
        ASSERT_TRUE(ClickStatusNotifierItem(item));
        ASSERT_TRUE(WaitUntil([&] { return frame.isVisible(); }, 10000)) << "opening " << opening;
        EXPECT_TRUE(WaitUntil([&] { return frame.frameGeometry().size() == screen.size(); }, 5000))
            << "opening " << opening << ": " << frame.frameGeometry().width() << "x"
            << frame.frameGeometry().height() << " on " << screen.width() << "x" << screen.height();
        if (opening == 1)
            QtTest::SaveScreenshot(frame, QStringLiteral("tray-opening-under-a-window-manager"));
        ASSERT_TRUE(ClickStatusNotifierItem(item));
        ASSERT_TRUE(WaitUntil([&] { return !frame.isVisible(); }, 10000)) << "opening " << opening;
        ASSERT_TRUE(WaitForXProperty([&] { return Withdrawn(frame); })) << "opening " << opening;
    }
}

