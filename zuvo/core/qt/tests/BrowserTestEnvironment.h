#pragma once
// What the embedded browser needs of a Qt test program before its
// application object exists: a test program that makes a main window
// includes this once.

#include <QApplication>

namespace QtTest {

// Set while the program starts, before any test makes the application object.
inline const bool kBrowserPrepared = [] {
    // The embedded browser runs without its sandbox (the tests may run as root).
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    return true;
}();

} // namespace QtTest
