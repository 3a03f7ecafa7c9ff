#pragma once

// A small stand-in for the program's main frame, until the frame itself is
// built: a hidden-at-start window titled "ZUVO" with a status bar, the
// pop-up notice, and the handling of the window messages that start-up and
// the worker threads send to the main frame. It has no tray icon, so it
// shows itself once start-up is done (where no tray exists the main window
// is shown).

#include <QMainWindow>

#include "core/qt/MainWindowInterface.h"
#include "core/qt/PopupNotice.h"

class StandInMainWindow : public QMainWindow, public MainWindowInterface {
    Q_OBJECT
public:
    explicit StandInMainWindow(unsigned interInstanceMessage);

    QWidget& Widget() override { return *this; }
    WindowId Handle() const override { return registration_.Id(); }
    void SetStatusText(const QString& text) override;
    void SetAutoReceiveMark(int mark) override { autoReceiveMark_ = mark; }

    int AutoReceiveMark() const { return autoReceiveMark_; }
    // The pop-up of WM_FAX_POPUP, for the frame's own use and for tests.
    PopupNotice& Popup() { return popup_; }

    // The notice of WM_FAX_POPUP.
    void ShowPopup(const QString& text);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void OnHandOver(const WindowMessageEvent& message);

    unsigned interInstanceMessage_;
    int autoReceiveMark_ = 0;
    PopupNotice popup_;
    RegisteredWindow registration_;
};
