#pragma once

// The Qt tests of the main window and its parts: the one QApplication of the
// test program, product settings in a scratch folder, and a left click.

#include "QtTestSupport.h"

#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

inline void ShellTestApp()
{
    QtTest::EnsureApplication();
    static QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
}

// A fixture base that has the application before any member widget exists.
class ShellTest : public ::testing::Test {
protected:
    ShellTest() { ShellTestApp(); }
};

inline void WaitMs(int ms)
{
    QtTest::ProcessEventsFor(ms);
}

inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = testsupport::kWaitLimitMs)
{
    return QtTest::ProcessEventsUntil(condition, timeoutMs);
}

// A left click at `at` (widget coordinates): press and release.
inline void ClickAt(QWidget* widget, QPoint at)
{
    QPointF local(at);
    QPointF global(widget->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}
