// The tray in a real window. On a StatusNotifier tray (a watcher on the
// test's private session bus, as KDE Plasma and GNOME's AppIndicator have)
// Qt puts the icon on the bus, the host reports clicks as Activate, and a
// single click shows the main window; the first opening after a notice is
// maximised like every later one. Without such a tray a single click does
// nothing and the double click stands.

#include "TrayTestParts.h"

#include "core/WindowMessages.h"
#include "core/qt/WindowMessage.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

class TrayWindowTest : public TrayTest {};

} // namespace

TEST_F(TrayWindowTest, OnAStatusNotifierTrayASingleClickOpensTheWindowMaximisedAfterANotice)
{
    FakeWatcher watcher;
    ASSERT_TRUE(watcher.Start()) << "no session bus";
    CMainFrame frame(settings, services);
    ASSERT_TRUE(frame.Tray().IsAdded());
    EXPECT_TRUE(frame.Tray().SingleClickOpens());
    ASSERT_TRUE(WaitUntil([&] { return !watcher.RegisteredStatusNotifierItems().isEmpty(); }, 10000));
    WaitMs(300);
    EXPECT_FALSE(frame.isVisible());

    // A notice first, then the click.
    frame.PostNotice("您有传真件，请阅览！");
    ASSERT_TRUE(WaitUntil([&] { return frame.Popup().isVisible(); }, 10000));
    WaitMs(300);
    ASSERT_TRUE(ClickStatusNotifierItem(watcher.RegisteredStatusNotifierItems().first()));
    ASSERT_TRUE(WaitUntil([&] { return frame.isVisible(); }, 5000));
    WaitMs(500);
    EXPECT_TRUE(frame.IsMainVisible());
    EXPECT_TRUE(frame.isMaximized());
    // What a window manager acts on (the test's X server has none to resize it).
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(frame.winId()),
                                          QStringLiteral("_NET_WM_STATE")});
    ASSERT_TRUE(xprop.waitForFinished(10000));
    const QString state = QString::fromLatin1(xprop.readAll());
    EXPECT_TRUE(state.contains(QStringLiteral("_NET_WM_STATE_MAXIMIZED_HORZ")) &&
                state.contains(QStringLiteral("_NET_WM_STATE_MAXIMIZED_VERT")))
        << state.toStdString();
    QtTest::SaveScreenshot(frame, QStringLiteral("tray-first-opening"));

    // The next click hides it again.
    ASSERT_TRUE(ClickStatusNotifierItem(watcher.RegisteredStatusNotifierItems().first()));
    EXPECT_TRUE(WaitUntil([&] { return !frame.isVisible(); }, 5000));
}

TEST_F(TrayWindowTest, WithoutAStatusNotifierTrayASingleClickDoesNothing)
{
    CMainFrame frame(settings, services);
    EXPECT_FALSE(frame.Tray().SingleClickOpens());
    WindowRegistry::Post(frame.Handle(), WM_FAX_HIDE_MAIN);
    ASSERT_TRUE(WaitUntil([&] { return !frame.isVisible(); }, 10000));
    frame.Tray().OnTrayNotify(CMainFrame::kTrayId, QSystemTrayIcon::Trigger);
    WaitMs(200);
    EXPECT_FALSE(frame.isVisible());
    frame.Tray().OnTrayNotify(CMainFrame::kTrayId, QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(WaitUntil([&] { return frame.isVisible(); }, 10000));
}

