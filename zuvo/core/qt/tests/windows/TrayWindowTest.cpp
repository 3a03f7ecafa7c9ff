// The tray in a real window. On a StatusNotifier tray (a watcher on the
// test's private session bus, as KDE Plasma and GNOME's AppIndicator have)
// Qt puts the icon on the bus, the host reports clicks as Activate, and a
// single click shows the main window; the first opening after a notice is
// maximised like every later one. Without such a tray a single click does
// nothing and the double click stands.

#include "FakeMainFrameSession.h"
#include "ShellTestApp.h"

#include "core/WindowMessages.h"
#include "core/qt/MainFrame.h"
#include "core/qt/WindowMessage.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QProcess>
#include <QSettings>
#include <QThread>

#include <mutex>

#include <gtest/gtest.h>

namespace {

// The StatusNotifier watcher of a desktop, with a host registered: what Qt
// looks for before it puts its tray icon on the bus. It answers on a
// connection and a thread of its own, as another process would: the GUI
// thread asks it synchronously.
class FakeWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ RegisteredStatusNotifierItems)
public:
    ~FakeWatcher() override
    {
        bus_.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
        bus_.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
        QDBusConnection::disconnectFromBus(bus_.name());
        thread_.quit();
        thread_.wait();
    }
    bool Start()
    {
        thread_.start();
        moveToThread(&thread_);
        QDBusConnection& bus = bus_;
        return bus.isConnected() &&
               bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                                  QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) &&
               bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    }
    bool IsStatusNotifierHostRegistered() const { return true; }
    int ProtocolVersion() const { return 0; }
    QStringList RegisteredStatusNotifierItems() const
    {
        std::lock_guard<std::mutex> hold(lock_);
        return items_;
    }

public slots:
    void RegisterStatusNotifierItem(const QString& service)
    {
        // The sender's unique name, when the item names only its path.
        const QString item = service.startsWith(QLatin1Char('/')) ? message().service() + service : service;
        std::lock_guard<std::mutex> hold(lock_);
        items_ << item;
    }
    void RegisterStatusNotifierHost(const QString&) {}

private:
    QThread thread_;
    QDBusConnection bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-watcher"));
    mutable std::mutex lock_;
    QStringList items_; // under lock_
};

class TrayWindowTest : public ShellTest {
protected:
    TrayWindowTest()
    {
        QSettings(QStringLiteral("Zuvo"), QStringLiteral("Zuvo")).clear();
        settings.logoName = QStringLiteral("Zuvo网络传真");
        settings.site = {"http://127.0.0.1:9", "http://127.0.0.1:9", "fax"};
        settings.timings.startMs = 60000;  // the session never starts here
        services.makeSession = [this](SessionEvents& events) {
            log.events = &events;
            return std::make_unique<FakeSession>(log);
        };
    }

    // The host's click on the icon Qt registered with the watcher.
    static bool Click(const QString& item)
    {
        const int slash = item.indexOf(QLatin1Char('/'));
        const QString service = slash < 0 ? item : item.left(slash);
        const QString path = slash < 0 ? QStringLiteral("/StatusNotifierItem") : item.mid(slash);
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, QStringLiteral("org.kde.StatusNotifierItem"),
                                                           QStringLiteral("Activate"));
        call << 10 << 10;
        return QDBusConnection::sessionBus().call(call, QDBus::BlockWithGui).type() == QDBusMessage::ReplyMessage;
    }

    MainFrameSettings settings;
    MainFrameServices services;
    FakeSession::Log log;
};

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
    ASSERT_TRUE(Click(watcher.RegisteredStatusNotifierItems().first()));
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
    ASSERT_TRUE(Click(watcher.RegisteredStatusNotifierItems().first()));
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

#include "TrayWindowTest.moc"
