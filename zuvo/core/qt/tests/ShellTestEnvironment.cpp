// The application object of the Qt test program, made before the first test
// and destroyed after the last one, while the program is still in main():
// the embedded browser's clean-up needs a live program, not exit handlers.

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

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

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (QCoreApplication::instance()) return;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        // The embedded browser runs without its sandbox (the tests may run as root).
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu --single-process");
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        application_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[32] = "zuvo_core_qt_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

} // namespace
