#pragma once

// Helpers for the Qt tests of the application object: one QApplication for
// the whole test program, event processing until a condition holds, and a
// scratch directory.

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <cerrno>
#include <spawn.h>
#include <unistd.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "testsupport/TestSupport.h"

// Test failures print texts as text.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace QtTest {

// The test program's QApplication, made before the first test and destroyed
// after the last one while the program is still whole (not by a static
// destructor at exit, when Qt's own thread storage is already gone).
class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { Ensure(); }
    void TearDown() override { application_.reset(); }

    void Ensure()
    {
        if (QCoreApplication::instance() == nullptr) {
            application_ = std::make_unique<QApplication>(argc_, argv_);
        }
    }

private:
    int argc_ = 1;
    char name_[19] = "zuvo_core_qt_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

inline ApplicationEnvironment* const kApplicationEnvironment = static_cast<ApplicationEnvironment*>(
    ::testing::AddGlobalTestEnvironment(std::make_unique<ApplicationEnvironment>().release()));

// Makes sure the QApplication exists (also when a test runs before the
// environment was set up).
inline void EnsureApplication()
{
    kApplicationEnvironment->Ensure();
}

// Processes events until `done` holds or `timeoutMs` passed; the final value of `done`.
inline bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs = testsupport::kWaitLimitMs)
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

// Saves a picture of `widget` as <ZUVO_SCREENSHOT_DIR>/<name>.png, the folder
// that window suites (run in real windows) are given, so that a person can
// look at what the test saw; the path written, or "" when the suite has no
// screenshot folder or the picture could not be saved.
inline QString SaveScreenshot(QWidget& widget, const QString& name)
{
    const QString folder = qEnvironmentVariable("ZUVO_SCREENSHOT_DIR");
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        return {};
    }
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    return widget.grab().save(path) ? path : QString();
}

// Runs a program to its end with the given arguments (found on PATH) and
// gives its exit status, or -1 when it could not start or did not exit.
//
// QProcess::execute would do the same, but Qt starts its children on the
// parent's own memory (clone with CLONE_VM and CLONE_VFORK), and the child
// runs the thread sanitizer's hooks on the parent's state before its exec:
// afterwards the sanitizer misses the ordering of the test thread's locks and
// reports races where there are none. posix_spawn's child runs only the C
// library's own calls.
inline int RunProgram(const QString& program, const QStringList& arguments)
{
    std::vector<std::string> words{program.toStdString()};
    for (const QString& argument : arguments) {
        words.push_back(argument.toStdString());
    }
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace QtTest
