#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>

#include "core/qt/ResourceText.h"
#include "core/qt/SingleInstance.h"
#include "core/qt/tests/QtTestSupport.h"
#include "testsupport/FakeServer.h"
#include "textcodec/Gbk.h"

namespace {

const QString kSamples = QStringLiteral(ZUVO_SOURCE_DIR "/zuvo/res/samples");
const QString kProgram = QStringLiteral(ZUVO_BINARY_DIR "/bin/zuvo");
constexpr int kExitMs = 20000;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// A program directory made from the sample files, and `zuvo` processes
// started on it headless, with their message boxes written to a file.
class StartUp : public ::testing::Test {
public:
    void SetUp() override
    {
        QtTest::EnsureApplication();
        ASSERT_TRUE(home.isValid());
        for (const char* name : {"config.xml", "account.xml"}) {
            ASSERT_TRUE(QFile::copy(kSamples + QLatin1Char('/') + QLatin1String(name), Path(QLatin1String(name))));
        }
    }

    void TearDown() override
    {
        for (auto& process : started) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(kExitMs);
            }
        }
    }

    QString Path(const QString& name) const { return QDir(home.path()).filePath(name); }
    QString Log() const { return QString::fromUtf8(readAll(Path(QStringLiteral("Zuvo4.2.log")))); }
    QString Prompts() const { return QString::fromUtf8(readAll(Path(QStringLiteral("prompts.txt")))); }
    QString HandOverFile() const { return Path(QStringLiteral("data/addfile.temp")); }

    void Replace(const QString& name, const QByteArray& from, const QByteArray& to)
    {
        QByteArray bytes = readAll(Path(name));
        ASSERT_TRUE(bytes.contains(from)) << from.constData();
        writeAll(Path(name), bytes.replace(from, to));
    }

    QProcess& Start(const QStringList& arguments = {}, const QString& workingDirectory = {})
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ZUVO_HOME"), home.path());
        environment.remove(QStringLiteral("ZUVO_PROMPT_LOG"));
        if (withPromptLog) {
            environment.insert(QStringLiteral("ZUVO_PROMPT_LOG"), Path(QStringLiteral("prompts.txt")));
        }
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process->setProcessEnvironment(environment);
        // Without the prompt log the message boxes are read from standard error.
        process->setProcessChannelMode(withPromptLog ? QProcess::ForwardedErrorChannel : QProcess::SeparateChannels);
        process->setWorkingDirectory(workingDirectory.isEmpty() ? home.path() : workingDirectory);
        process->start(kProgram, arguments);
        EXPECT_TRUE(process->waitForStarted(kExitMs));
        started.push_back(std::move(process));
        return *started.back();
    }

    // Runs a start that must end by itself; its exit code.
    int Run(const QStringList& arguments = {}, const QString& workingDirectory = {})
    {
        QProcess& process = Start(arguments, workingDirectory);
        EXPECT_TRUE(process.waitForFinished(kExitMs));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return process.exitCode();
    }

    // Starts the first instance and waits until it takes hand-overs.
    QProcess& StartFirst(const QStringList& arguments = {})
    {
        QProcess& process = Start(arguments);
        EXPECT_TRUE(QtTest::ProcessEventsUntil(
            [&] { return Log().contains(QStringLiteral("hand-over server listening")); }, kExitMs));
        return process;
    }

    bool LogGets(const QString& line) const
    {
        return QtTest::ProcessEventsUntil([&] { return Log().contains(line); }, kExitMs);
    }

    QTemporaryDir home;
    bool withPromptLog = true;
    std::vector<std::unique_ptr<QProcess>> started;
};

TEST_F(StartUp, StopsWithAMessageWhenAStoreIsUnusable)
{
    struct Case {
        const char* what;
        std::function<void(StartUp&)> spoil;
        unsigned message;
        bool accountStoreOpened;  // account-bak.xml is rewritten on opening
    };
    const Case cases[] = {
        {"Key does not match",
         [](StartUp& t) { t.Replace(QStringLiteral("config.xml"), "2f8c3469a3c4cb98477b7dbcea94c30f", QByteArray(32, '0')); },
         IDS_INVALID_CONFIG, true},
        {"a server port changed",
         [](StartUp& t) { t.Replace(QStringLiteral("config.xml"), "Port=\"18000\"", "Port=\"18001\""); },
         IDS_INVALID_CONFIG, true},
        {"config.xml missing", [](StartUp& t) { QFile::remove(t.Path(QStringLiteral("config.xml"))); },
         IDS_INVALID_CONFIG, true},
        {"account.xml missing, no backup", [](StartUp& t) { QFile::remove(t.Path(QStringLiteral("account.xml"))); },
         IDS_CONFIG_FILE_LOST, false},
        // A store that exists but cannot be read is a store that does not load.
        {"account.xml a directory, no backup",
         [](StartUp& t) {
             QFile::remove(t.Path(QStringLiteral("account.xml")));
             QDir(t.home.path()).mkdir(QStringLiteral("account.xml"));
         },
         IDS_CONFIG_FILE_LOST, false},
        {"config.xml a directory",
         [](StartUp& t) {
             QFile::remove(t.Path(QStringLiteral("config.xml")));
             QDir(t.home.path()).mkdir(QStringLiteral("config.xml"));
         },
         IDS_INVALID_CONFIG, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        started.clear();
        for (const QFileInfo& entry : QDir(home.path()).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
            entry.isDir() ? QDir(entry.filePath()).removeRecursively() : QFile::remove(entry.filePath());
        }
        SetUp();
        c.spoil(*this);

        EXPECT_EQ(Run(), 0);
        EXPECT_EQ(Prompts(), LoadText(c.message) + QStringLiteral("\n\n"));
        EXPECT_FALSE(QFile::exists(Path(QStringLiteral("Zuvo4.2.log"))));
        EXPECT_EQ(QFile::exists(Path(QStringLiteral("account-bak.xml"))), c.accountStoreOpened);
    }
}

// An address book that exists but cannot be read is no reason to stop: the
// program starts as without one, and leaves the path as it is.
TEST_F(StartUp, AnAddressBookThatCannotBeReadLeavesTheStartGoingOn)
{
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("address.xml")));
    QProcess& first = StartFirst();
    QtTest::ProcessEventsFor(500);
    EXPECT_EQ(first.state(), QProcess::Running) << "exit code " << first.exitCode();
    EXPECT_TRUE(Prompts().isEmpty()) << Prompts().toStdString();
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("address.xml"))).isDir());
}

TEST_F(StartUp, AHeadlessRunWithoutAPromptLogWritesItsMessageInsteadOfWaiting)
{
    Replace(QStringLiteral("config.xml"), "2f8c3469a3c4cb98477b7dbcea94c30f", QByteArray(32, '0'));
    withPromptLog = false;
    QProcess& process = Start();
    ASSERT_TRUE(process.waitForFinished(kExitMs));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(process.readAllStandardError()).contains(LoadText(IDS_INVALID_CONFIG) + QStringLiteral("\n\n")));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("prompts.txt"))));
}

TEST_F(StartUp, AMissingAccountFileStartsFromItsBackup)
{
    ASSERT_TRUE(QFile::rename(Path(QStringLiteral("account.xml")), Path(QStringLiteral("account-bak.xml"))));
    StartFirst();
    EXPECT_TRUE(Prompts().isEmpty());
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("data"))).isDir());
}

TEST_F(StartUp, ARegularStartStaysUpWithItsLogAndDataDirectory)
{
    QProcess& first = StartFirst();
    const QString log = Log();
    EXPECT_TRUE(log.contains(QStringLiteral("Zuvo4.2.0 Compiled at Mar 12 2006 21:36:47")));
    EXPECT_TRUE(log.contains(QStringLiteral("CurDir:[%1]").arg(home.path())));
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("data"))).isDir());
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("account-bak.xml"))));
    QtTest::ProcessEventsFor(1000);
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_TRUE(Prompts().isEmpty());
    EXPECT_FALSE(QFile::exists(HandOverFile()));
}

TEST_F(StartUp, AnAccountWithoutFaxAndFailedBoxesGetsThemInTheInterfaceLanguage)
{
    // account.xml is GB2312: the boxes are cut out byte for byte.
    QString latin1 = QString::fromLatin1(readAll(Path(QStringLiteral("account.xml"))));
    for (const char* type : {"faxbox", "failedbox"}) {
        const QRegularExpression folder(QStringLiteral("<Folder [^>]*Type=\"%1\"[^>]*/>").arg(QLatin1String(type)));
        ASSERT_TRUE(latin1.contains(folder)) << type;
        latin1.remove(folder);
    }
    writeAll(Path(QStringLiteral("account.xml")), latin1.toLatin1());

    StartFirst();
    const TextCodec::Converted stored = TextCodec::gbkToUtf8(readAll(Path(QStringLiteral("account.xml"))).toStdString());
    ASSERT_EQ(stored.replaced, 0u);
    const QString account = QString::fromStdString(stored.text);
    EXPECT_TRUE(account.contains(QStringLiteral("Name=\"失败箱\" Type=\"failedbox\" Directory=\"failedbox\"")));
    EXPECT_TRUE(account.contains(QStringLiteral("Name=\"收件箱\" Type=\"faxbox\" Directory=\"faxbox\"")));
    // The received faxes' box comes before the inbox, which keeps the receipts.
    EXPECT_LT(account.indexOf(QStringLiteral("Type=\"faxbox\"")), account.indexOf(QStringLiteral("Type=\"inbox\"")));
    EXPECT_TRUE(account.contains(QStringLiteral("Name=\"回执箱\" Type=\"inbox\"")));
}

TEST_F(StartUp, TheSessionConnectsToTheCurrentServerOfTheTable)
{
    // A second server in front of the sample's one; the sample's is current.
    Replace(QStringLiteral("config.xml"), "<FaxServers Current=\"0\">",
            "<FaxServers Current=\"1\">\n\t\t\t<FaxServer Address=\"127.0.0.9\" Port=\"1\" Caption=\"other\"/>");
    ASSERT_EQ(QtTest::RunProgram(QStringLiteral("python3"), {QStringLiteral(ZUVO_SOURCE_DIR "/scripts/config-key"),
                                                            QStringLiteral("--write"), Path(QStringLiteral("config.xml"))}),
              0);

    StartFirst();
    ASSERT_TRUE(LogGets(QStringLiteral("openFaxServer<")));
    // The first connection goes to the current server, not to the first one.
    const QString log = Log();
    const QString firstServer = log.mid(log.indexOf(QStringLiteral("openFaxServer<")), 24);
    EXPECT_EQ(firstServer.toStdString(), "openFaxServer<127.0.0.1>");
    EXPECT_TRUE(Prompts().isEmpty());
}

TEST_F(StartUp, AHandOverFileThatCannotBeWrittenStopsWithAMessage)
{
    // A directory in the hand-over file's place cannot be replaced by a file.
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("data/addfile.temp/taken")));
    EXPECT_EQ(Run({QStringLiteral("a.tif")}), 0);
    EXPECT_EQ(Prompts(), QStringLiteral("open temp file failed!\n\n"));
    EXPECT_FALSE(Log().contains(QStringLiteral("hand-over server listening")));
    EXPECT_TRUE(QFileInfo(HandOverFile()).isDir());
}

TEST_F(StartUp, ASecondStartWithoutArgumentsLeavesTheFirstAlone)
{
    QProcess& first = StartFirst();
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(Log().contains(QStringLiteral("Tallyfold is Active")));
    QtTest::ProcessEventsFor(300);
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_FALSE(QFile::exists(HandOverFile()));
    EXPECT_FALSE(Log().contains(QStringLiteral("m_hBroadCastHandle Proc")));
}

TEST_F(StartUp, AStartAfterACrashedInstanceRunsAsTheFirst)
{
    QProcess& crashed = StartFirst();
    crashed.kill();
    ASSERT_TRUE(crashed.waitForFinished(kExitMs));
    ASSERT_TRUE(QFile::exists(Path(QStringLiteral("zuvo.lock"))));

    QProcess& next = Start({QStringLiteral("a.tif")});
    ASSERT_TRUE(QtTest::ProcessEventsUntil(
        [&] { return Log().count(QStringLiteral("hand-over server listening")) == 2; }, kExitMs));
    EXPECT_FALSE(Log().contains(QStringLiteral("Tallyfold is Active")));
    EXPECT_TRUE(LogGets(QStringLiteral("hand-over file[%1]").arg(Path(QStringLiteral("a.tif")))));
    EXPECT_EQ(next.state(), QProcess::Running);
}

// A second start in the user's own directory hands its files over by their
// absolute paths, so the first instance, whose directory is the program's,
// opens both.
TEST_F(StartUp, ASecondStartHandsItsFilesToTheFirst)
{
    QTemporaryDir user;
    ASSERT_TRUE(user.isValid());
    const QStringList names = {QStringLiteral("a.tif"), QStringLiteral("b c.tif")};
    QStringList paths;
    for (const QString& name : names) {
        paths << QDir(user.path()).filePath(name);
        // A two-tone fax page, as the compose window takes it.
        ASSERT_EQ(QtTest::RunProgram(QStringLiteral("convert"),
                                     {QStringLiteral("-size"), QStringLiteral("64x32"), QStringLiteral("xc:white"),
                                      QStringLiteral("-fill"), QStringLiteral("black"), QStringLiteral("-draw"),
                                      QStringLiteral("rectangle 5,5 20,20"), QStringLiteral("-monochrome"),
                                      QStringLiteral("-compress"), QStringLiteral("group4"), paths.back()}),
                  0);
    }
    QProcess& first = StartFirst();
    EXPECT_EQ(Run(names, user.path()), 0);
    ASSERT_TRUE(LogGets(QStringLiteral("hand-over wParam[1] lParam[0] files[2]")));
    // The compose window it opens takes both files and removes addfile.temp.
    EXPECT_TRUE(LogGets(QStringLiteral("read filename:[%1]").arg(paths[1])));
    EXPECT_TRUE(Log().contains(QStringLiteral("read filename:[%1]").arg(paths[0])));
    EXPECT_TRUE(QtTest::ProcessEventsUntil([&] { return !QFile::exists(HandOverFile()); }, kExitMs));
    const QString log = Log();
    EXPECT_TRUE(log.contains(QStringLiteral("hand-over file[%1]").arg(paths[0])));
    EXPECT_TRUE(log.contains(QStringLiteral("hand-over file[%1]").arg(paths[1])));
    EXPECT_EQ(log.count(QStringLiteral("m_hBroadCastHandle Proc")), 1);
    QtTest::ProcessEventsFor(500);
    EXPECT_TRUE(Prompts().isEmpty()) << Prompts().toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST_F(StartUp, TwoQuickHandOversBothArrive)
{
    StartFirst();
    QProcess& one = Start({QStringLiteral("one.tif")});
    QProcess& two = Start({QStringLiteral("two.tif")});
    EXPECT_TRUE(one.waitForFinished(kExitMs));
    EXPECT_TRUE(two.waitForFinished(kExitMs));
    ASSERT_TRUE(QtTest::ProcessEventsUntil(
        [&] { return Log().count(QStringLiteral("m_hBroadCastHandle Proc")) == 2; }, kExitMs));
    EXPECT_TRUE(Log().contains(QStringLiteral("hand-over file[%1]").arg(Path(QStringLiteral("one.tif")))));
    EXPECT_TRUE(Log().contains(QStringLiteral("hand-over file[%1]").arg(Path(QStringLiteral("two.tif")))));
    // Both reach a compose window, each whole.
    EXPECT_TRUE(LogGets(QStringLiteral("read filename:[%1]").arg(Path(QStringLiteral("one.tif")))));
    EXPECT_TRUE(LogGets(QStringLiteral("read filename:[%1]").arg(Path(QStringLiteral("two.tif")))));
}

TEST_F(StartUp, APrintFileArgumentIsUnscrambledAndHandedOver)
{
    QByteArray original(2000, '\0');
    for (int i = 0; i < original.size(); ++i) {
        original[i] = static_cast<char>(i % 251);
    }
    QByteArray scrambled = original;
    const QByteArray key = "dravmol";
    for (int i = 0; i < 1024; ++i) {
        scrambled[i] = static_cast<char>(scrambled[i] ^ key[i % 7]);
    }
    const QString printFile = Path(QStringLiteral("printed page.tif"));
    const QString expected = Path(QStringLiteral("expected.tif"));
    writeAll(printFile, scrambled);
    writeAll(expected, original);

    StartFirst();
    EXPECT_EQ(Run({QStringLiteral("#\"") + printFile + QStringLiteral("\""), QStringLiteral("ignored.tif")}), 0);
    EXPECT_EQ(QtTest::RunProgram(QStringLiteral("cmp"), {printFile, expected}), 0);
    EXPECT_TRUE(LogGets(QStringLiteral("hand-over file[%1]").arg(printFile)));
    EXPECT_TRUE(LogGets(QStringLiteral("read filename:[%1]").arg(printFile)));
    EXPECT_FALSE(Log().contains(QStringLiteral("ignored.tif]")));
}

TEST_F(StartUp, NoAnsweringFirstInstanceMeansNothingIsWritten)
{
    // The lock is held, but nobody listens.
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("data")));
    InstanceLock heldByATest(home.path());
    ASSERT_FALSE(heldByATest.IsAlreadyRunning());
    EXPECT_EQ(Run({QStringLiteral("a.tif")}), 0);
    EXPECT_FALSE(QFile::exists(HandOverFile()));
    EXPECT_TRUE(Prompts().isEmpty());
}

TEST_F(StartUp, AFirstStartWithArgumentsHandsThemToItsOwnMainWindow)
{
    StartFirst({QStringLiteral("x.tif")});
    EXPECT_TRUE(LogGets(QStringLiteral("hand-over wParam[1] lParam[0] files[1]")));
    EXPECT_TRUE(Log().contains(QStringLiteral("hand-over file[%1]").arg(Path(QStringLiteral("x.tif")))));
    EXPECT_TRUE(LogGets(QStringLiteral("read filename:[%1]").arg(Path(QStringLiteral("x.tif")))));
    EXPECT_TRUE(QtTest::ProcessEventsUntil([&] { return !QFile::exists(HandOverFile()); }, kExitMs));
}

TEST_F(StartUp, ASecondStartHandsItsFileToTheOpenComposeWindow)
{
    StartFirst({QStringLiteral("x.tif")});
    ASSERT_TRUE(LogGets(QStringLiteral("read filename:[%1]").arg(Path(QStringLiteral("x.tif")))));
    EXPECT_EQ(Run({QStringLiteral("y.tif")}), 0);
    EXPECT_TRUE(LogGets(QStringLiteral("read filename:[%1]").arg(Path(QStringLiteral("y.tif")))));
    EXPECT_TRUE(Log().contains(QStringLiteral("hand-over wParam[2]")));
    EXPECT_TRUE(QtTest::ProcessEventsUntil([&] { return !QFile::exists(HandOverFile()); }, kExitMs));
}

TEST_F(StartUp, APendingUpdateStartsTheUpdaterAndStops)
{
    Replace(QStringLiteral("account.xml"), "UpdateFlag=\"0\"", "UpdateFlag=\"1\"");
    const QString marker = Path(QStringLiteral("updater-ran"));
    const QByteArray updater = "#!/bin/sh\necho \"$1\" > '" + marker.toUtf8() + "'\n";
    writeAll(Path(QStringLiteral("Freshlane.exe")), "#!/bin/sh\nexit 1\n");
    writeAll(Path(QStringLiteral("Freshlane_new.exe")), updater);
    QFile::setPermissions(Path(QStringLiteral("Freshlane_new.exe")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(readAll(Path(QStringLiteral("Freshlane.exe"))), updater);
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("Freshlane_new.exe"))));
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return QFile::exists(marker); }, kExitMs));
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return readAll(marker).endsWith('\n'); }, kExitMs));
    EXPECT_EQ(readAll(marker), (home.path() + QLatin1Char('\n')).toUtf8());
}

TEST_F(StartUp, AnUpdaterThatCannotStartDoesNotKeepTheUserOut)
{
    Replace(QStringLiteral("account.xml"), "UpdateFlag=\"0\"", "UpdateFlag=\"1\"");
    QProcess& first = StartFirst();
    EXPECT_TRUE(Log().contains(QStringLiteral("starting normally")));
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST_F(StartUp, APendingUpdaterThatCannotBeCopiedIsKept)
{
    Replace(QStringLiteral("account.xml"), "UpdateFlag=\"0\"", "UpdateFlag=\"1\"");
    // A directory in the updater's place: the copy fails and nothing can be started.
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("Freshlane.exe/taken")));
    const QByteArray pending = "#!/bin/sh\nexit 0\n";
    writeAll(Path(QStringLiteral("Freshlane_new.exe")), pending);

    QProcess& first = StartFirst();
    EXPECT_EQ(readAll(Path(QStringLiteral("Freshlane_new.exe"))), pending);
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("Freshlane.exe.tmp"))));
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("Freshlane.exe"))).isDir());
    EXPECT_TRUE(Log().contains(QStringLiteral("starting normally")));
    EXPECT_EQ(first.state(), QProcess::Running);
}

} // namespace

namespace {

// The run command's pieces: the demo program directory and the fake fax
// service as its server, which Zuvo logs in to.
// The fake fax service on a free port, serving the description in `service`
// of the program directory and logging to `log` for `lifetimeSeconds`.
testsupport::FakeServer StartFaxService(const QString& service, const QString& log, int lifetimeSeconds = 60)
{
    return testsupport::FakeServer({ZUVO_SOURCE_DIR "/tests/agentsim/faxservice.py", "--service", service.toStdString(),
                                    "--port", "0", "--lifetime", std::to_string(lifetimeSeconds), "--log",
                                    log.toStdString()});
}

TEST_F(StartUp, ATermSignalDuringADownloadLogsOutAndTheNextStartFilesTheFax)
{
    ASSERT_EQ(QtTest::RunProgram(QStringLiteral("convert"), {QStringLiteral("-size"), QStringLiteral("40x30"),
                                                           QStringLiteral("xc:gray50"), Path(QStringLiteral("page.tif"))}),
              0);
    const QByteArray fax = R"({"faxid": "F1", "type": 30, "files": [{"name": "fax\\F1.tif", "path": ")" +
                           Path(QStringLiteral("page.tif")).toUtf8() + R"("}]})";
    // The first server holds the reply to the download request back.
    writeAll(Path(QStringLiteral("slow.json")), R"({"faxes": [)" + fax +
                                                    R"(], "faults": [{"op": "download", "chunk": 0, "action": "delay", "seconds": 20}]})");
    writeAll(Path(QStringLiteral("quick.json")), R"({"faxes": [)" + fax + "]}");
    ASSERT_TRUE(QFile::remove(Path(QStringLiteral("account.xml"))));

    testsupport::FakeServer slow = StartFaxService(Path(QStringLiteral("slow.json")), Path(QStringLiteral("slow.jsonl")));
    const QString slowPort = QString::number(slow.port());
    ASSERT_EQ(QtTest::RunProgram(QStringLiteral(ZUVO_SOURCE_DIR "/scripts/demo-home"), {home.path(), slowPort}), 0);
    QProcess& first = StartFirst();
    ASSERT_TRUE(QtTest::ProcessEventsUntil(
        [&] { return readAll(Path(QStringLiteral("slow.jsonl"))).contains(R"("file": "fax\\F1.tif")"); }, kExitMs));

    first.terminate(); // SIGTERM, as a log-out or `kill` sends
    ASSERT_TRUE(first.waitForFinished(kExitMs));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_TRUE(readAll(Path(QStringLiteral("slow.jsonl"))).contains("command=logout|"));
    EXPECT_TRUE(LogGets(QStringLiteral("the program quits")));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("zuvo.lock"))));
    EXPECT_FALSE(readAll(Path(QStringLiteral("account.xml"))).contains("<Fax "));
    slow.stop();

    // A half download of an older program lies in the faxbox as well.
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("data/faxbox"))));
    writeAll(Path(QStringLiteral("data/faxbox/old.tif.download")), "half");
    testsupport::FakeServer quick = StartFaxService(Path(QStringLiteral("quick.json")), Path(QStringLiteral("quick.jsonl")));
    const QString quickPort = QString::number(quick.port());
    ASSERT_EQ(QtTest::RunProgram(QStringLiteral(ZUVO_SOURCE_DIR "/scripts/demo-home"), {home.path(), quickPort}), 0);
    QProcess& next = StartFirst();
    EXPECT_TRUE(QtTest::ProcessEventsUntil(
        [&] { return readAll(Path(QStringLiteral("quick.jsonl"))).contains("command=updatefax|"); }, kExitMs));
    const QByteArray account = readAll(Path(QStringLiteral("account.xml")));
    const QRegularExpressionMatch stored =
        QRegularExpression(QStringLiteral(R"re(CreateTime="(\d{14})"[^>]*>\s*<AttachFile File="F1.tif")re"))
            .match(QString::fromLatin1(account));
    ASSERT_TRUE(stored.hasMatch()) << account.constData();
    EXPECT_EQ(readAll(Path(QStringLiteral("data/faxbox/F1.tif.") + stored.captured(1))),
              readAll(Path(QStringLiteral("page.tif"))));
    QStringList leftovers;
    for (QDirIterator it(Path(QStringLiteral("data")), QDir::Files | QDir::Hidden | QDir::AllDirs | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        if (path.endsWith(QStringLiteral(".download")) || path.contains(QStringLiteral("/.incoming/"))) {
            leftovers << path;
        }
    }
    EXPECT_EQ(leftovers, QStringList());
    next.terminate();
    EXPECT_TRUE(next.waitForFinished(kExitMs));
    quick.stop();
}

TEST_F(StartUp, TheDemoDirectoryStartsAgainstTheFakeServer)
{
    // The server's port goes into the demo's config.xml, so it starts first,
    // on an empty service description.
    writeAll(Path(QStringLiteral("service.json")), "{}");
    testsupport::FakeServer server =
        StartFaxService(Path(QStringLiteral("service.json")), Path(QStringLiteral("agentsim.jsonl")), 30);
    const QString port = QString::number(server.port());

    ASSERT_TRUE(QFile::remove(Path(QStringLiteral("account.xml"))));
    ASSERT_EQ(QtTest::RunProgram(QStringLiteral(ZUVO_SOURCE_DIR "/scripts/demo-home"), {home.path(), port}), 0);
    EXPECT_TRUE(readAll(Path(QStringLiteral("account.xml"))).contains("FaxUser=\"00210000000001\""));

    QProcess& zuvo = StartFirst();
    // The session connects and logs in as the demo's fax user.
    EXPECT_TRUE(QtTest::ProcessEventsUntil(
        [&] {
            const QByteArray pdus = readAll(Path(QStringLiteral("agentsim.jsonl")));
            return pdus.contains("command=login|") && pdus.contains("loginid=00210000000001|");
        },
        kExitMs));
    EXPECT_EQ(zuvo.state(), QProcess::Running);
    EXPECT_TRUE(Prompts().isEmpty());
    server.stop();
}

} // namespace
