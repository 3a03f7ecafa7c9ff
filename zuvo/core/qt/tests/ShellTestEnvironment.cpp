// What the embedded browser needs of the Qt test program before its
// application object exists, and what the sanitizer build must know of it.

#include <QApplication>

#if defined(__SANITIZE_ADDRESS__) && defined(ZUVO_WITH_WEBENGINE)
// The browser engine's own library (not built with the sanitizer) frees some
// of its objects with a sized delete of another size when a page goes away;
// that is the library's business, so the sanitizer is told not to stop on
// that one kind of report. Everything else it checks as usual.
extern "C" const char* __asan_default_options()
{
    return "new_delete_type_mismatch=0";
}

// The engine and the font and device libraries it starts keep caches for the
// life of the process; their allocations are not the program's leaks.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libQt6WebEngineCore.so\n"
           "leak:libharfbuzz.so\n"
           "leak:libfontconfig.so\n"
           "leak:libudev.so\n";
}
#endif

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
