#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>

class QMenu;
class QWidget;

// The program's icon in the notification area: one of a small set of state
// icons, the tray menu on a right click, and showing or hiding the main
// window on a double click (WM_FAX_SHOW_MAIN / WM_FAX_HIDE_MAIN sent to the
// owner). A StatusNotifier tray (its watcher on the session bus) reports no
// double clicks, so there a single click does the same; elsewhere a single
// click does nothing. Where the desktop has no notification area the icon
// is not added; the owner then shows its window instead.
class CAnimateTray : public QObject {
    Q_OBJECT
public:
    // Indexes beyond this are never shown, however many icons were given.
    static constexpr int kAddressableIcons = 9;

    explicit CAnimateTray(QObject* parent = nullptr);
    ~CAnimateTray() override;

    // Copies the icons and adds the notification icon with icon 0 and the tip.
    // Returns whether the icon is in the notification area (false where the
    // desktop has none; that is logged). Clears the stopped flag.
    bool SetIconList(QWidget* owner, int id, const QString& tip, const QList<QIcon>& icons,
                     unsigned callbackMessage);
    // The tray menu; its first item becomes the default one.
    void SetMenu(QMenu* menu);
    // Shows icon `index` (also as the owner's window icon); an index outside
    // the table or beyond kAddressableIcons is ignored.
    void ModifyIcon(int index);
    // The icon's callback: 0 for another icon's id or without a menu, else 1.
    int OnTrayNotify(int id, QSystemTrayIcon::ActivationReason reason);
    // Removes the icon; a second call does nothing.
    void StopAnimation();
    // Chooses between hiding and showing on the next double click.
    void SetMainWindowShown(bool shown) { mainWindowShown_ = shown; }
    // Whether a single click shows or hides the window (a StatusNotifier
    // tray; decided by SetIconList).
    bool SingleClickOpens() const { return singleClickOpens_; }

    int CurrentIndex() const { return currentIndex_; }
    QIcon CurrentIcon() const;
    bool IsAdded() const { return added_; }
    bool IsStopped() const { return stopped_; }
    bool IsMenuOpen() const { return menuOpen_; }
    int Id() const { return id_; }

private:
    void removeIcon();

    QPointer<QWidget> owner_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    QPointer<QMenu> menu_;
    QList<QIcon> icons_;
    int id_ = 0;
    unsigned callbackMessage_ = 0;
    int currentIndex_ = 0;
    bool added_ = false;
    bool menuOpen_ = false;
    bool mainWindowShown_ = false;
    bool stopped_ = false;
    bool singleClickOpens_ = false;
};

// Whether the session bus has a StatusNotifier watcher, which is what makes
// Qt put its tray icon there.
bool StatusNotifierTrayActive();
