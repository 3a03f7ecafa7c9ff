// What the embedded browser needs of the Qt test program before its
// application object exists, and what the sanitizer build must know of it.

#include <QApplication>

// The sanitizer settings the program itself uses (defined once, here).
#include "core/qt/SanitizerDefaults.h"

namespace {

// Set while the program starts, before any test makes the application object.
const bool kBrowserPrepared = [] {
    // The embedded browser runs without its sandbox (the tests may run as root).
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

} // namespace
