#pragma once
// What the tray's window tests share: the StatusNotifier watcher of a
// desktop on the test's private session bus, the host's click on the item
// Qt registers there, and a main window whose session never starts.

#include "FakeMainFrameSession.h"
#include "ShellTestApp.h"

#include "core/qt/MainFrame.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QSettings>
#include <QThread>

#include <mutex>

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

// The host's click on the icon Qt registered with the watcher.
inline bool ClickStatusNotifierItem(const QString& item)
{
    const int slash = item.indexOf(QLatin1Char('/'));
    const QString service = slash < 0 ? item : item.left(slash);
    const QString path = slash < 0 ? QStringLiteral("/StatusNotifierItem") : item.mid(slash);
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, QStringLiteral("org.kde.StatusNotifierItem"),
                                                       QStringLiteral("Activate"));
    call << 10 << 10;
    return QDBusConnection::sessionBus().call(call, QDBus::BlockWithGui).type() == QDBusMessage::ReplyMessage;
}

class TrayTest : public ShellTest {
protected:
    TrayTest()
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

    MainFrameSettings settings;
    MainFrameServices services;
    FakeSession::Log log;
};
