// The tray in a real window. On a StatusNotifier tray (a watcher on the
// test's private session bus, as KDE Plasma and GNOME's AppIndicator have)
// Qt puts the icon on the bus, the host reports clicks as Activate, and a
// single click shows the main window; the first opening after a notice is
// maximised like every later one. Without such a tray a single click does
// nothing and the double click stands. In web login mode the window is
// shown with the sign-on page.

#include "TrayTestParts.h"

#include "../LocalPageServer.h"

#include "core/WindowMessages.h"
#include "core/qt/BrowserView.h"
#include "core/qt/HtmlView.h"
#include "core/qt/WindowMessage.h"

#include <QImage>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

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


// Web login: the user signs in on the sign-on page, so the main window, which
// lives hidden behind the tray, is shown with it.
TEST_F(TrayWindowTest, InWebLoginModeTheMainWindowIsShownWithTheSignOnPage)
{
#if defined(__SANITIZE_ADDRESS__)
    // The page brings the engine, which keeps memory of Mesa's software
    // driver, unloaded before the leak check (see WebViewsWindowTest).
    GTEST_SKIP() << "Mesa's driver is gone before the leak check";
#endif
    // The engine draws through Xvfb's software OpenGL only when told so; it
    // reads this when it starts, with the first page of this process.
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --ignore-gpu-blocklist");
    FakeWatcher watcher;
    ASSERT_TRUE(watcher.Start()) << "no session bus";
    LocalPageServer gateway("<html><head><meta charset=\"utf-8\"></head><body style=\"font:16px sans-serif\">"
                            "<h2>统一认证</h2><p>用户名 <input name=\"user\"></p>"
                            "<p>密码 <input type=\"password\" name=\"password\"></p><button>登录</button></body></html>");
    settings.loginMode = QStringLiteral("web");
    settings.site.gateway = gateway.base().toStdString();
    CMainFrame frame(settings, services);
    ASSERT_TRUE(frame.Tray().IsAdded());
    int loaded = 0;
    QObject::connect(frame.GetBrowserView(), &CHtmlView::documentComplete, [&] { ++loaded; });
    frame.hide();  // as start-up leaves it once made
    ASSERT_TRUE(WaitUntil([&] { return frame.isVisible(); }, 10000)) << "only the tray icon to see";
    EXPECT_TRUE(frame.IsMainVisible());
    EXPECT_TRUE(frame.IsBrowserViewShown());
    EXPECT_TRUE(frame.GetBrowserView()->LocationURL().startsWith(
        gateway.base() + QStringLiteral("/ua/gate/UAGateServlet.do?Type=fax&ReqType=auth&Date=")));
    EXPECT_FALSE(log.enabled) << "the session waits for the sign-in";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    if (CHtmlView::HasEmbeddedBrowser()) {
        EXPECT_TRUE(WaitUntil([&] { return loaded > 0; }, 30000)) << "the sign-on page is loaded";
        // Its black heading reaches the window a moment after the load.
        const auto drawn = [&] {
            const QImage shot = frame.GetBrowserView()->grab().toImage();
            for (int y = 0; y < std::min(shot.height(), 80); ++y)
                for (int x = 0; x < std::min(shot.width(), 200); ++x)
                    if (qGray(shot.pixel(x, y)) < 60)
                        return true;
            return false;
        };
        EXPECT_TRUE(WaitUntil(drawn, 10000)) << "the sign-on page is drawn";
    }
    QtTest::SaveScreenshot(frame, QStringLiteral("web-login-sign-on-page"));
}
