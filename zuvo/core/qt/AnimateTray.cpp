#include "core/qt/AnimateTray.h"

#include "core/WindowMessages.h"
#include "core/qt/WindowMessage.h"
#include "jotter/Jotter.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMenu>
#include <QWidget>

bool StatusNotifierTrayActive()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr)
        return false;
    return bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher")).value();
}

CAnimateTray::CAnimateTray(QObject* parent) : QObject(parent) {}

CAnimateTray::~CAnimateTray()
{
    removeIcon();
}

bool CAnimateTray::SetIconList(QWidget* owner, int id, const QString& tip, const QList<QIcon>& icons,
                               unsigned callbackMessage)
{
    owner_ = owner;
    id_ = id;
    callbackMessage_ = callbackMessage;
    icons_ = icons;
    currentIndex_ = 0;
    stopped_ = false;
    if (owner_ && !icons_.isEmpty()) owner_->setWindowIcon(icons_.first());

    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        cpLog(kLogTrace, "CAnimateTray::SetIconList: the desktop has no notification area");
        return false;
    }
    singleClickOpens_ = StatusNotifierTrayActive();
    cpLog(kLogTrace, "CAnimateTray::SetIconList: %s tray", singleClickOpens_ ? "StatusNotifier" : "system");
    tray_ = std::make_unique<QSystemTrayIcon>();
    if (!icons_.isEmpty()) tray_->setIcon(icons_.first());
    tray_->setToolTip(tip);
    connect(tray_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { OnTrayNotify(id_, reason); });
    tray_->show();
    added_ = true;
    return true;
}

void CAnimateTray::SetMenu(QMenu* menu)
{
    menu_ = menu;
    if (menu_) connect(menu_, &QMenu::aboutToHide, this, [this] { menuOpen_ = false; });
}

void CAnimateTray::ModifyIcon(int index)
{
    if (index < 0 || index >= kAddressableIcons || index >= icons_.size()) return;
    currentIndex_ = index;
    if (tray_) tray_->setIcon(icons_[index]);
    if (owner_) owner_->setWindowIcon(icons_[index]);
}

QIcon CAnimateTray::CurrentIcon() const
{
    return currentIndex_ < icons_.size() ? icons_[currentIndex_] : QIcon();
}

int CAnimateTray::OnTrayNotify(int id, QSystemTrayIcon::ActivationReason reason)
{
    if (id != id_ || !menu_ || menu_->actions().isEmpty()) return 0;
    switch (reason) {
    case QSystemTrayIcon::Context:
        if (owner_) owner_->raise();
        if (!menuOpen_) {
            menu_->setDefaultAction(menu_->actions().first());
            menu_->popup(QCursor::pos());
            menuOpen_ = true;
        } else {
            menu_->close();
            menuOpen_ = false;
        }
        break;
    case QSystemTrayIcon::Trigger:
        if (!singleClickOpens_)
            break;
        [[fallthrough]];
    case QSystemTrayIcon::DoubleClick:
        if (owner_) {
            WindowMessageEvent message(mainWindowShown_ ? WM_FAX_HIDE_MAIN : WM_FAX_SHOW_MAIN, 0, 0);
            QCoreApplication::sendEvent(owner_, &message);
        }
        break;
    default:
        break;
    }
    return 1;
}

void CAnimateTray::StopAnimation()
{
    if (stopped_) return;
    removeIcon();
    stopped_ = true;
}

void CAnimateTray::removeIcon()
{
    if (tray_) {
        tray_->hide();
        tray_.reset();
    }
    added_ = false;
}
