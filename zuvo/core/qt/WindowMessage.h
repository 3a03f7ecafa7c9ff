#pragma once

// Delivery of the program's window messages (core/WindowMessages.h) between
// threads: every window that receives messages registers itself and gets a
// window id (the counterpart of a window handle); senders on any thread post
// to that id. A message to a window that no longer exists is dropped.

#include <QEvent>
#include <QString>
#include <QStringList>

#include <functional>

#include "core/WindowMessages.h"

using WindowId = LPARAM;

// A posted window message. It owns its payload: the text of WM_FAX_POPUP,
// the files of a hand-over.
class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(unsigned message, WPARAM wParam, LPARAM lParam, QString text = {}, QStringList files = {});

    // The event type of every window message.
    static QEvent::Type EventType();

    unsigned Message() const { return message_; }
    WPARAM WParam() const { return wParam_; }
    LPARAM LParam() const { return lParam_; }
    const QString& Text() const { return text_; }
    const QStringList& Files() const { return files_; }

private:
    unsigned message_;
    WPARAM wParam_;
    LPARAM lParam_;
    QString text_;
    QStringList files_;
};

// The same positive number for the same name within the process, like a
// registered window message; 0 when no number is left.
unsigned RegisterWindowMessage(const QString& name);

// The windows that take messages. Thread-safe; a window is found, and a
// message queued for it, under one lock that its unregistering also takes.
namespace WindowRegistry {

// Queues the message for the window; false when the window is not registered.
bool Post(WindowId window, unsigned message, WPARAM wParam = 0, LPARAM lParam = 0, QString text = {},
          QStringList files = {});

// Queues a call to run on the window's thread; false when the window is not
// registered. The call is dropped when the window goes away first.
bool Invoke(WindowId window, std::function<void(QObject&)> call);

// GUI thread only: the registered window, or null.
QObject* Find(WindowId window);

// GUI thread only: the first registered widget whose title is `title`, or 0.
WindowId FindByTitle(const QString& title);

} // namespace WindowRegistry

// Registers a window for its lifetime. Make it a member of the window.
class RegisteredWindow {
public:
    explicit RegisteredWindow(QObject* window);
    ~RegisteredWindow();
    RegisteredWindow(const RegisteredWindow&) = delete;
    RegisteredWindow& operator=(const RegisteredWindow&) = delete;

    WindowId Id() const { return id_; }

private:
    WindowId id_;
};
