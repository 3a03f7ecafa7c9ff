// The installed program: `cmake --install` into a scratch prefix puts every
// file in its GNU directory, the desktop's own validators accept the menu
// entry and the AppStream metainfo, and the installed zuvo, started
// headless with neither $ZUVO_HOME nor a config.xml beside it, keeps its
// files in the user's data directory, which zuvo-setup-home prepares from
// the service's config.xml and account.xml, and logs in to the fake fax
// service from there.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "core/qt/ResourceText.h"
#include "core/qt/tests/QtTestSupport.h"
#include "testsupport/FakeServer.h"

namespace {

constexpr int kRunMs = 30000;

struct Ran {
    int exitCode = -1;
    QString output; // standard output and error
};

Ran RunTool(const QString& program, const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Ran ran;
    if (process.waitForFinished(kRunMs) && process.exitStatus() == QProcess::NormalExit)
        ran.exitCode = process.exitCode();
    ran.output = QString::fromUtf8(process.readAll());
    return ran;
}

QString ReadText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A scratch prefix that the build tree is installed into.
class Install : public ::testing::Test {
protected:
    void SetUp() override
    {
        QtTest::EnsureApplication();
        ASSERT_TRUE(scratch.isValid());
        const Ran installed = RunTool(QStringLiteral(ZUVO_CMAKE_COMMAND),
                                  {QStringLiteral("--install"), QStringLiteral(ZUVO_BINARY_DIR), QStringLiteral("--prefix"),
                                   Prefix()});
        ASSERT_EQ(installed.exitCode, 0) << installed.output.toStdString();
    }

    QString Prefix() const { return scratch.filePath(QStringLiteral("prefix")); }
    QString Installed(const QString& path) const { return Prefix() + QLatin1Char('/') + path; }

    QTemporaryDir scratch;
};

TEST_F(Install, PutsEachFileInItsGnuDirectoryAndTheDesktopFilesValidate)
{
    for (const char* program : {"bin/zuvo", "bin/zuvo-setup-home"})
        EXPECT_TRUE(QFileInfo(Installed(QLatin1String(program))).isExecutable()) << program;
    const QStringList libraries = QDir(Installed(QStringLiteral("lib/zuvo"))).entryList({QStringLiteral("*.so")});
    for (const char* library : {"libcfgtree.so", "libnetvoy.so", "libpictra.so", "libjotter.so"})
        EXPECT_TRUE(libraries.contains(QLatin1String(library))) << library;
#ifdef ZUVO_WITH_WEBENGINE
    EXPECT_TRUE(libraries.contains(QStringLiteral("zuvo_webviews.so")));
#endif
    for (const char* sample : {"config.xml", "account.xml"})
        EXPECT_TRUE(QFile::exists(Installed(QStringLiteral("share/zuvo/samples/") + QLatin1String(sample)))) << sample;

    // The program and every library find the project's libraries in the
    // prefix through their rpaths, never in the build tree.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("LD_LIBRARY_PATH"));
    QStringList binaries{Installed(QStringLiteral("bin/zuvo"))};
    for (const QString& library : libraries)
        binaries << Installed(QStringLiteral("lib/zuvo/") + library);
    for (const QString& binary : binaries) {
        SCOPED_TRACE(binary.toStdString());
        const Ran ldd = RunTool(QStringLiteral("ldd"), {binary}, environment);
        ASSERT_EQ(ldd.exitCode, 0) << ldd.output.toStdString();
        EXPECT_FALSE(ldd.output.contains(QStringLiteral("not found"))) << ldd.output.toStdString();
        EXPECT_FALSE(ldd.output.contains(QStringLiteral(ZUVO_BINARY_DIR))) << ldd.output.toStdString();
        // Each project library it needs resolves to the installed copy.
        const QRegularExpression resolved(QStringLiteral(R"((\S+) => (\S+) \()"));
        for (auto match = resolved.globalMatch(ldd.output); match.hasNext();) {
            const QRegularExpressionMatch line = match.next();
            if (libraries.contains(line.captured(1))) {
                EXPECT_EQ(QDir::cleanPath(line.captured(2)), Installed(QStringLiteral("lib/zuvo/") + line.captured(1)));
            }
        }
        if (binary.endsWith(QStringLiteral("/zuvo"))) {
            EXPECT_TRUE(ldd.output.contains(QStringLiteral("libcfgtree.so => "))) << ldd.output.toStdString();
        }
    }

    // The icon theme's icons, each of its size, and the scalable original.
    for (const int size : {16, 22, 24, 32, 48, 64, 128}) {
        const QString png = Installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/zuvo.png").arg(size));
        EXPECT_EQ(QImage(png).size(), QSize(size, size)) << png.toStdString();
    }
    EXPECT_TRUE(ReadText(Installed(QStringLiteral("share/icons/hicolor/scalable/apps/zuvo.svg"))).contains(QStringLiteral("<svg")));

    const QString desktop = Installed(QStringLiteral("share/applications/zuvo.desktop"));
    const Ran entry = RunTool(QStringLiteral("desktop-file-validate"), {desktop});
    EXPECT_EQ(entry.exitCode, 0) << entry.output.toStdString();
    EXPECT_EQ(entry.output, QString()) << "hints or warnings";
    const QString entryText = ReadText(desktop);
    EXPECT_TRUE(entryText.contains(QStringLiteral("\nIcon=zuvo\n")));
    EXPECT_TRUE(entryText.contains(QStringLiteral("\nExec=zuvo %F\n")));

    const QStringList metainfo = QDir(Installed(QStringLiteral("share/metainfo"))).entryList({QStringLiteral("*.metainfo.xml")});
    ASSERT_EQ(metainfo.size(), 1);
    const QString component = Installed(QStringLiteral("share/metainfo/") + metainfo.front());
    const Ran appstream = RunTool(QStringLiteral("appstreamcli"), {QStringLiteral("validate"), QStringLiteral("--no-net"), component});
    EXPECT_EQ(appstream.exitCode, 0) << appstream.output.toStdString();
    EXPECT_TRUE(ReadText(component).contains(QStringLiteral("<launchable type=\"desktop-id\">zuvo.desktop</launchable>")));
}

TEST_F(Install, TheInstalledProgramLogsInFromTheUsersDataDirectory)
{
    // A user of a fresh account: a home and data directory of their own.
    const QString home = scratch.filePath(QStringLiteral("home"));
    const QString dataHome = scratch.filePath(QStringLiteral("data"));
    const QString programDirectory = dataHome + QStringLiteral("/zuvo");
    ASSERT_TRUE(QDir().mkpath(home));
    ASSERT_TRUE(QDir().mkpath(dataHome));
    QProcessEnvironment user = QProcessEnvironment::systemEnvironment();
    user.remove(QStringLiteral("ZUVO_HOME"));
    user.insert(QStringLiteral("HOME"), home);
    user.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    user.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    user.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    user.insert(QStringLiteral("ZUVO_PROMPT_LOG"), scratch.filePath(QStringLiteral("prompts.txt")));
    const QString zuvo = Installed(QStringLiteral("bin/zuvo"));

    // Not prepared yet: the program says its files are missing, and writes
    // nowhere near itself.
    const Ran unprepared = RunTool(zuvo, {}, user);
    EXPECT_EQ(unprepared.exitCode, 0) << unprepared.output.toStdString();
    EXPECT_EQ(ReadText(scratch.filePath(QStringLiteral("prompts.txt"))), LoadText(IDS_CONFIG_FILE_LOST) + QStringLiteral("\n\n"));
    EXPECT_EQ(QDir(Installed(QStringLiteral("bin"))).entryList(QDir::Files),
              (QStringList{QStringLiteral("zuvo"), QStringLiteral("zuvo-setup-home")}));
    ASSERT_TRUE(QFile::remove(scratch.filePath(QStringLiteral("prompts.txt"))));

    // The service's files, with its server on the fake service's port.
    const QString service = scratch.filePath(QStringLiteral("service.json"));
    {
        QFile file(service);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"({"login": "success", "faxes": []})");
    }
    testsupport::FakeServer server({ZUVO_SOURCE_DIR "/tests/agentsim/faxservice.py", "--service", service.toStdString(),
                                    "--port", "0", "--lifetime", "60", "--log",
                                    scratch.filePath(QStringLiteral("agentsim.jsonl")).toStdString()});
    const QString fromService = scratch.filePath(QStringLiteral("from-service"));
    ASSERT_EQ(QtTest::RunProgram(QStringLiteral(ZUVO_SOURCE_DIR "/scripts/demo-home"),
                                 {fromService, QString::number(server.port())}),
              0);

    const Ran setUp = RunTool(Installed(QStringLiteral("bin/zuvo-setup-home")),
                          {fromService + QStringLiteral("/config.xml"), fromService + QStringLiteral("/account.xml")}, user);
    ASSERT_EQ(setUp.exitCode, 0) << setUp.output.toStdString();
    EXPECT_TRUE(setUp.output.contains(programDirectory)) << setUp.output.toStdString();
    EXPECT_EQ(QFileInfo(programDirectory).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
    // A second set-up renews config.xml but keeps the account's own file.
    const QString account = ReadText(programDirectory + QStringLiteral("/account.xml"));
    ASSERT_TRUE(account.contains(QStringLiteral("FaxUser=\"00210000000001\"")));
    const Ran again = RunTool(Installed(QStringLiteral("bin/zuvo-setup-home")),
                              {fromService + QStringLiteral("/config.xml"), QStringLiteral(ZUVO_SOURCE_DIR "/zuvo/res/samples/account.xml")},
                              user);
    EXPECT_EQ(again.exitCode, 0) << again.output.toStdString();
    EXPECT_TRUE(again.output.contains(QStringLiteral("kept the existing"))) << again.output.toStdString();
    EXPECT_EQ(ReadText(programDirectory + QStringLiteral("/account.xml")), account);

    QProcess program;
    program.setProcessEnvironment(user);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(zuvo, {});
    ASSERT_TRUE(program.waitForStarted(kRunMs));
    const QString log = programDirectory + QStringLiteral("/Zuvo4.2.log");
    EXPECT_TRUE(QtTest::ProcessEventsUntil(
        [&] {
            const QString text = ReadText(log);
            return text.contains(QStringLiteral("OnReceive Event=<login> Result=<success>")) &&
                   text.contains(QStringLiteral("queryfaxlist , return success"));
        },
        kRunMs))
        << ReadText(log).toStdString();
    const QString text = ReadText(log);
    EXPECT_TRUE(text.contains(QStringLiteral("CurDir:[%1]").arg(programDirectory)));
    EXPECT_TRUE(QFileInfo(programDirectory + QStringLiteral("/data")).isDir());
    EXPECT_FALSE(QFile::exists(scratch.filePath(QStringLiteral("prompts.txt"))));
    EXPECT_EQ(program.state(), QProcess::Running);

    program.terminate();
    EXPECT_TRUE(program.waitForFinished(kRunMs));
    EXPECT_EQ(program.exitCode(), 0);
    server.stop();
}

} // namespace
