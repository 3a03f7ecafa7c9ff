// Start-up of the application object: the steps of InitInstance.

#include "app/CPelno1App.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QProcess>

#include <string_view>
#include <sys/stat.h>

#include "app/ProgramMainFrame.h"
#include "contacts/AddressBookConfig.h"
#include "core/qt/HandOver.h"
#include "core/qt/Prompter.h"
#include "core/qt/ResourceText.h"
#include "core/qt/TrayIcons.h"
#include "core/session/SessionStores.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/ProgramPaths.h"
#include "core/stores/SysConfig.h"
#include "jotter/Jotter.h"
#include "safefile/SafeFile.h"

namespace {

constexpr char kLogFile[] = "Zuvo4.2.log";
constexpr char kLogBanner[] = "Zuvo4.2.0 Compiled at Mar 12 2006 21:36:47";
constexpr char kInterInstanceMessageName[] = "ZUVO";
constexpr char kUpdaterNewCopy[] = "Freshlane_new.exe";
constexpr char kUpdater[] = "Freshlane.exe";

QByteArray utf8(const QString& text)
{
    return text.toUtf8();
}

void logHandOver(const HandOverTarget& target, const QStringList& files)
{
    cpLog(kLogTrace, "hand-over wParam[%lu] lParam[%ld] files[%lld]", static_cast<unsigned long>(target.wParam),
          static_cast<long>(target.lParam), static_cast<long long>(files.size()));
    for (const QString& file : files) {
        cpLog(kLogTrace, "hand-over file[%s]", file.toUtf8().constData());
    }
}

// Puts a copy of the pending new updater in place of the old one through
// the crash-safe writer, so that a failed copy leaves the old updater whole;
// the copy keeps the pending file's mode, which makes it executable.
bool replaceUpdater(const QString& newCopy, const QString& updater)
{
    QFile source(newCopy);
    if (!source.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = source.readAll();
    struct stat info {};
    if (source.error() != QFileDevice::NoError || ::fstat(source.handle(), &info) != 0) {
        return false;
    }
    const safefile::WriteOptions sourceMode{safefile::Mode::Replace, info.st_mode & 07777, false};
    return safefile::WriteFile(QFile::encodeName(updater).toStdString(),
                               std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                               sourceMode) == safefile::WriteResult::Written;
}

} // namespace

bool CPelno1App::InitInstance(const QStringList& commandLine)
{
    // The program directory decides which instance runs, so it comes first;
    // the directory the program was started in is kept for its arguments.
    startDirectory_ = QDir::currentPath();
    SetProgramDirectory();
    CheckSingleInstance();
    QCoreApplication::setOrganizationName(QStringLiteral("Zuvo"));
    QCoreApplication::setApplicationName(QStringLiteral("Zuvo"));

    if (!OpenStores()) {
        return false;
    }
    OpenLog();
    SetDesktopIdentity();
    AccountConfig::PrepareDataDirectories(programDirectory_.toStdString());

    cpLog(kLogTrace, "ExeFileName:[%s.exe]", utf8(QFileInfo(commandLine.value(0)).completeBaseName()).constData());
    interInstanceMessage_ = RegisterWindowMessage(QLatin1String(kInterInstanceMessageName));
    if (interInstanceMessage_ == 0) {
        cpLog(kLogTrace, "RegisterWindowMessage , Failed");
    }

    if (!alreadyRunning_ && AccountConfig::GetUpdateFlag() == 1 && ApplyPendingUpdate()) {
        return false;
    }
    const QStringList arguments = commandLine.mid(1);
    if (alreadyRunning_) {
        cpLog(kLogTrace, "Tallyfold is Active");
        if (!arguments.isEmpty()) {
            HandOverToRunningInstance(arguments);
        }
        return false;
    }
    // Alone from here on: what downloads of an earlier run left is removed
    // (those faxes stay on the server and come again).
    RemoveEarlierDownloads();
    std::optional<QStringList> ownHandOver;
    if (!arguments.isEmpty()) {
        ownHandOver = WriteOwnHandOver(arguments);
        if (!ownHandOver) {
            return false;
        }
    }

    cpLog(kLogTrace, "end");
    cpLog(kLogTrace, "begin parseCommandLine");
    cpLog(kLogTrace, "begin ProcessShellCommand");
    SetMainWindow(CreateProgramMainFrame());
    cpLog(kLogTrace, "begin ShowWindow");
    mainWindow_->Widget().hide();
    StartHandOverServer();
    if (ownHandOver) {
        DeliverHandOver(HandOverTarget{HANDOVER_OPEN_COMPOSE, 0}, *ownHandOver);
    }
    return true;
}

void CPelno1App::SetProgramDirectory()
{
    // The program directory is $ZUVO_HOME; else the executable's directory
    // when it holds config.xml (the demo, a portable copy); else
    // $XDG_DATA_HOME/zuvo (~/.local/share/zuvo by default), where an
    // installed program keeps the user's files (ProgramDirectory). All
    // relative store files are found from it as the current directory.
    programDirectory_ = QString::fromStdString(ProgramDirectory());
    QDir::setCurrent(programDirectory_);
}

void CPelno1App::SetDesktopIdentity()
{
    // The desktop finds the program's entry (zuvo.desktop) and icon by these
    // names: its menu, task switcher and window list show the same icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("zuvo"));
    QGuiApplication::setWindowIcon(ApplicationIcon());
    cpLog(kLogTrace, "application icon [%s]",
          QIcon::hasThemeIcon(QLatin1String(kApplicationIconName)) ? "theme zuvo" : "painted");
}

bool CPelno1App::OpenStores()
{
    SetCurrentAccount({});
    if (AccountConfig::Open(programDirectory_.toStdString()) != 1) {
        ShowMessage(LoadText(IDS_CONFIG_FILE_LOST));
        return false;
    }
    RelabelFoldersOnAccountSaves();
    // The address store serves caller-name lookups from here on.
    AddressBookConfig::GetInstance().Open(programDirectory_.toStdString());
    SysConfig& config = SysConfig::Instance();
    if (config.Open() != 1) {
        cpLog(kLogTrace, "open config.xml failed");
    }
    AccountConfig::EnsureDefaultFolders(std::string(LoadString(IDS_LANGUAGE)));
    config.LoadFaxServers();
    config.Servers().SetCurrentIndex(config.GetCurrentServer());
    SetLoggedIn(0);
    SetNetFaxNo({});
    SetUserFlag({});
    if (config.CheckKey() != 1) {
        ShowMessage(LoadText(IDS_INVALID_CONFIG));
        return false;
    }
    return true;
}

void CPelno1App::RelabelFoldersOnAccountSaves()
{
    // A save may happen on any thread; the relabelling is posted.
    AccountConfig::SetSaveListener([] {
        if (CPelno1App* app = CPelno1App::Instance()) {
            app->NotifyMainFrame();
        }
    });
}

void CPelno1App::OpenLog()
{
    cpLogSetPriority(kLogDefaultPriority);
    cpLogOpen(QDir(programDirectory_).filePath(QLatin1String(kLogFile)).toUtf8().constData());
    cpLog(kLogNotice, "%s", kLogBanner);
    cpLog(kLogTrace, "CurDir:[%s]", utf8(programDirectory_).constData());
}

bool CPelno1App::ApplyPendingUpdate()
{
    const QDir directory(programDirectory_);
    const QString newCopy = directory.filePath(QLatin1String(kUpdaterNewCopy));
    const QString updater = directory.filePath(QLatin1String(kUpdater));
    if (QFile::exists(newCopy)) {
        // The pending copy goes only once it has replaced the old updater.
        if (replaceUpdater(newCopy, updater)) {
            QFile::remove(newCopy);
        } else {
            cpLog(kLogTrace, "copy [%s] failed", utf8(newCopy).constData());
        }
    }
    if (!QProcess::startDetached(updater, {programDirectory_}, QString())) {
        // An updater that cannot run must not keep the user out of the program.
        cpLog(kLogTrace, "start [%s] failed, starting normally", utf8(updater).constData());
        return false;
    }
    cpLog(kLogTrace, "start [%s]", utf8(updater).constData());
    return true;
}

bool CPelno1App::HandOverToRunningInstance(const QStringList& arguments)
{
    HandOverClient client(HandOverServerName(programDirectory_));
    const std::optional<HandOverTarget> target = client.FindTarget();
    if (!target) {
        cpLog(kLogTrace, "no running instance takes the files");
        return false;
    }
    const std::optional<QStringList> files = WriteOwnHandOver(arguments);
    if (!files) {
        return false;
    }
    if (!client.Deliver(*target, *files)) {
        cpLog(kLogTrace, "hand-over not confirmed by the running instance");
        return false;
    }
    return true;
}

std::optional<QStringList> CPelno1App::WriteOwnHandOver(const QStringList& arguments)
{
    const QString directory = QString::fromStdString(AccountConfig::GetDataDirectory());
    cpLog(kLogTrace, "append File ...[%s]",
          utf8(QDir(directory).filePath(QLatin1String(kHandOverFileName))).constData());
    cpLog(kLogTrace, "srcfile[%s]", utf8(arguments.front()).constData());
    const QStringList files = HandOverFiles(arguments, startDirectory_);
    if (directory.isEmpty() || !WriteHandOverFile(directory, files)) {
        ShowMessage(QStringLiteral("open temp file failed!"));
        return std::nullopt;
    }
    for (const QString& file : files) {
        cpLog(kLogTrace, "add file:[%s]", utf8(file).constData());
    }
    return files;
}

void CPelno1App::StartHandOverServer()
{
    const QString name = HandOverServerName(programDirectory_);
    handOverServer_ = std::make_unique<HandOverServer>(
        name, [this] { return FindHandOverTarget(mainWindowId_); },
        [this](const HandOverTarget& target, const QStringList& files) { DeliverHandOver(target, files); });
    if (handOverServer_->Listen()) {
        cpLog(kLogTrace, "hand-over server listening [%s]", utf8(name).constData());
    } else {
        cpLog(kLogTrace, "hand-over server cannot listen [%s]", utf8(name).constData());
    }
}

void CPelno1App::DeliverHandOver(const HandOverTarget& target, const QStringList& files)
{
    logHandOver(target, files);
    WindowRegistry::Post(mainWindowId_, interInstanceMessage_, target.wParam, target.lParam, {}, files);
}

