#pragma once

// What the application object needs of the program's main window. The
// window registers itself (RegisteredWindow) and returns that id as its
// handle; the application posts window messages to it and queues these
// calls to the GUI thread.

#include <QWidget>

#include "core/qt/WindowMessage.h"

class MainWindowInterface {
public:
    virtual ~MainWindowInterface() = default;
    virtual QWidget& Widget() = 0;
    virtual WindowId Handle() const = 0;
    // The text of the status bar's first pane.
    virtual void SetStatusText(const QString& text) = 0;
    // The checked state of "自动接收传真".
    virtual void SetAutoReceiveMark(int mark) = 0;
    // Ends the program as the tray's exit command does (the session logs
    // out, the windows close, the event loop ends).
    virtual void Quit() = 0;
};
