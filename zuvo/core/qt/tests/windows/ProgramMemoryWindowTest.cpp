// The program itself, idle in a real window with an empty AdUrl: the
// embedded browser is not started (no engine process runs, its module and
// the engine's library are not even loaded, nor an OpenGL driver) and the
// program stays small.

#include "QtTestSupport.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A /proc/PID/status line's number of kB ("VmRSS"), or -1.
long StatusKb(qint64 pid, const char* key)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression line(QStringLiteral("^%1:\\s+(\\d+) kB").arg(QLatin1String(key)),
                                  QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}

// The names of the process's children.
QStringList Children(qint64 pid)
{
    QStringList names;
    QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(tasks.filePath(task) + QStringLiteral("/children"));
        if (!children.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& child : children.readAll().split(' ')) {
            QFile comm(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(child.trimmed())));
            if (!child.trimmed().isEmpty() && comm.open(QIODevice::ReadOnly))
                names << QString::fromLatin1(comm.readAll().trimmed());
        }
    }
    return names;
}

// Whether any mapping of the process is of a file whose path holds name.
bool Maps(qint64 pid, const char* name)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(name);
}

} // namespace

TEST(ProgramMemory, IdleWithAnEmptyAdUrlTheBrowserIsNotStarted)
{
    QtTest::EnsureApplication();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    // The demo's program directory: AdUrl is empty there; no server answers.
    QProcess setUp;
    setUp.start(QStringLiteral("bash"), {QStringLiteral(ZUVO_SOURCE_DIR "/scripts/demo-home"), home.path(),
                                         QStringLiteral("9")});
    ASSERT_TRUE(setUp.waitForFinished(60000));
    ASSERT_EQ(setUp.exitCode(), 0);

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ZUVO_HOME"), home.path());
    // The program's settings and its note for the fax printer stay out of the user's home.
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("ZUVO_PROMPT_LOG"), home.filePath(QStringLiteral("prompts.txt")));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ZUVO_BINARY_DIR "/bin/zuvo"), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    // Started and settled: its windows are made (with the browser, were it
    // started at once) and the session's first connection was tried (its
    // log says so, two seconds after the start), then a few seconds more for
    // an engine process to appear.
    const QString log = home.filePath(QStringLiteral("Zuvo4.2.log"));
    const bool tried = QtTest::ProcessEventsUntil(
        [&] {
            QFile file(log);
            return program.state() != QProcess::Running ||
                   (file.open(QIODevice::ReadOnly) && file.readAll().contains("openFaxServer"));
        },
        60000);
    ASSERT_EQ(program.state(), QProcess::Running) << program.readAll().toStdString();
    ASSERT_TRUE(tried) << "no connection attempt in " << log.toStdString();
    program.waitForFinished(3000);
    ASSERT_EQ(program.state(), QProcess::Running) << program.readAll().toStdString();
    const long rssKb = StatusKb(program.processId(), "VmRSS");
    const QStringList children = Children(program.processId());
    const bool engineLoaded = Maps(program.processId(), "libQt6WebEngineCore");
    const bool openGlLoaded = Maps(program.processId(), "_dri.so");
    program.terminate();
    if (!program.waitForFinished(10000))
        program.kill();

    EXPECT_GT(rssKb, 0);
    // Without the browser the program stays well below the 215 MB it took
    // with one started, and the 130 MB it took with the engine's library and
    // its shared OpenGL context (Mesa's software renderer here) loaded.
#if !defined(__SANITIZE_ADDRESS__) // whose shadow memory and quarantine say nothing of the program's
    EXPECT_LT(rssKb, 120 * 1024) << "VmRSS " << rssKb << " kB";
#endif
    EXPECT_FALSE(children.contains(QStringLiteral("QtWebEngineProc"))) << children.join(' ').toStdString();
    EXPECT_FALSE(engineLoaded);
    EXPECT_FALSE(openGlLoaded);
    RecordProperty("VmRSS_kB", std::to_string(rssKb));
}
