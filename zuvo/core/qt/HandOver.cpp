#include "core/qt/HandOver.h"

#include <QDir>
#include <QFile>

#include "core/codec/FileScrambler.h"
#include "jotter/Jotter.h"
#include "core/qt/ResourceText.h"
#include "safefile/SafeFile.h"

namespace {

QString absoluteIn(const QString& workingDirectory, const QString& path)
{
    if (path.isEmpty() || QDir::isAbsolutePath(path)) {
        return path;
    }
    return QDir(workingDirectory).absoluteFilePath(path);
}

} // namespace

QStringList HandOverFiles(const QStringList& arguments, const QString& workingDirectory)
{
    if (arguments.isEmpty()) {
        return {};
    }
    const QString& first = arguments.front();
    if (!first.startsWith(QLatin1Char('#'))) {
        QStringList files;
        for (const QString& argument : arguments) {
            files << absoluteIn(workingDirectory, argument);
        }
        return files;
    }
    QString path = first.mid(1);
    cpLog(kLogTrace, "file[%s]", path.toUtf8().constData());
    path = absoluteIn(workingDirectory, path.remove(QLatin1Char('"')));
    // A print file that cannot be opened is still handed over by name.
    ScrambleFile(QFile::encodeName(path).toStdString());
    return {path};
}

bool WriteHandOverFile(const QString& directory, const QStringList& files)
{
    QByteArray lines;
    for (const QString& path : files) {
        lines += path.toUtf8() + '\n';
    }
    const std::string target = QFile::encodeName(QDir(directory).filePath(QLatin1String(kHandOverFileName))).toStdString();
    const std::string_view bytes(lines.constData(), static_cast<std::size_t>(lines.size()));
    return safefile::WriteFile(target, bytes) == safefile::WriteResult::Written;
}

QStringList ReadHandOverFile(const QString& directory)
{
    QFile file(QDir(directory).filePath(QLatin1String(kHandOverFileName)));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList files;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.isEmpty()) {
            files << QString::fromUtf8(line);
        }
    }
    return files;
}

std::optional<HandOverTarget> FindHandOverTarget(WindowId mainWindow)
{
    for (unsigned title : {IDS_COMPOSE_FAX, IDS_EDIT_FAX, IDS_FORWARD_FAX, IDS_REPLY_FAX}) {
        const WindowId compose = WindowRegistry::FindByTitle(LoadText(title));
        if (compose != 0) {
            return HandOverTarget{HANDOVER_TO_COMPOSE, compose};
        }
    }
    if (mainWindow == 0) {
        return std::nullopt;
    }
    return HandOverTarget{HANDOVER_OPEN_COMPOSE, 0};
}
