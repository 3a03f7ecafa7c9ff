#pragma once

// Typing for the address-book window tests: text sent key by key to a
// widget, as a keyboard (or an input method, for the Chinese characters,
// which QTest's key table lacks) sends it, through the application's event
// delivery (event filters included).

#include <QCoreApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

inline void typeInto(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &release);
    }
}
