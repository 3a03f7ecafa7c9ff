#pragma once

// Helpers for the Qt tests of the application object: one QApplication for
// the whole test program, event processing until a condition holds, and a
// scratch directory.

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

namespace QtTest {

// Creates the test program's QApplication on first use (unless another test
// already did).
inline void EnsureApplication()
{
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    static int argc = 1;
    static char name[] = "zuvo_core_qt_tests";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
}

// Processes events until `done` holds or `timeoutMs` passed; the final value of `done`.
inline bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

inline void ProcessEventsFor(int milliseconds)
{
    ProcessEventsUntil([] { return false; }, milliseconds);
}

} // namespace QtTest
