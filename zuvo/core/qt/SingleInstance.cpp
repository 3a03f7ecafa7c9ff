#include "core/qt/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QTimer>
#include <QUrl>

#include <unistd.h>

namespace {

constexpr char kLockFileName[] = "zuvo.lock";
// A request line is short; the hand-over of many files is bounded too.
constexpr qint64 kMaxMessageBytes = 1 << 20;
constexpr int kConnectionLifetimeMs = 10000;

QByteArray targetLine(const char* verb, const HandOverTarget& target)
{
    return QByteArray(verb) + ' ' + QByteArray::number(static_cast<qulonglong>(target.wParam)) + ' ' +
           QByteArray::number(static_cast<qlonglong>(target.lParam));
}

// Reads "<wParam> <lParam>" from the words at `first` of `words`.
std::optional<HandOverTarget> parseTarget(const QList<QByteArray>& words, int first)
{
    if (words.size() < first + 2) {
        return std::nullopt;
    }
    bool wOk = false;
    bool lOk = false;
    HandOverTarget target;
    target.wParam = static_cast<WPARAM>(words[first].toULongLong(&wOk));
    target.lParam = static_cast<LPARAM>(words[first + 1].toLongLong(&lOk));
    if (!wOk || !lOk) {
        return std::nullopt;
    }
    return target;
}

} // namespace

InstanceLock::InstanceLock(const QString& programDirectory)
    : lock_(QDir(programDirectory).filePath(QLatin1String(kLockFileName)))
{
    // The lock never goes stale while its process lives; a dead holder's
    // lock is taken over by QLockFile itself.
    lock_.setStaleLockTime(0);
    // Only a lock held by another process means another instance; a lock
    // file that cannot be made at all (a read-only directory) must not keep
    // the program from starting.
    alreadyRunning_ = !lock_.tryLock(0) && lock_.error() == QLockFile::LockFailedError;
}

QString HandOverServerName(const QString& programDirectory)
{
    const QByteArray directory = QDir(programDirectory).canonicalPath().toUtf8();
    const QByteArray digest = QCryptographicHash::hash(directory, QCryptographicHash::Md5).toHex().left(12);
    return QStringLiteral("zuvo-%1-%2").arg(getuid()).arg(QString::fromLatin1(digest));
}

HandOverServer::HandOverServer(QString name, FindTarget findTarget, Deliver deliver, QObject* parent)
    : QObject(parent), name_(std::move(name)), findTarget_(std::move(findTarget)), deliver_(std::move(deliver))
{
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // A hand-over takes a moment; a connection that lingers is dropped.
            QTimer::singleShot(kConnectionLifetimeMs, socket, [socket] { socket->abort(); });
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Serve(socket); });
        }
    });
}

bool HandOverServer::Listen()
{
    // Only the holder of the instance lock listens, so a socket left by a
    // dead instance can go.
    QLocalServer::removeServer(name_);
    return server_.listen(name_);
}

void HandOverServer::Serve(QLocalSocket* socket)
{
    while (true) {
        if (socket->bytesAvailable() > kMaxMessageBytes) {
            socket->abort();
            return;
        }
        const QByteArray buffered = socket->peek(socket->bytesAvailable());
        const qsizetype end = buffered.indexOf('\n');
        if (end < 0) {
            return;
        }
        const QList<QByteArray> words = buffered.left(end).split(' ');
        if (words.value(0) == "QUERY") {
            socket->read(end + 1);
            const std::optional<HandOverTarget> target = findTarget_();
            socket->write(target ? targetLine("TARGET", *target) + '\n' : QByteArray("NONE\n"));
            continue;
        }
        if (words.value(0) != "NOTIFY") {
            socket->abort();
            return;
        }
        const std::optional<HandOverTarget> target = parseTarget(words, 1);
        bool countOk = false;
        const int count = words.value(3).toInt(&countOk);
        // Every path takes at least its line end, so a larger count cannot arrive.
        if (!target || !countOk || count < 0 || count > kMaxMessageBytes) {
            socket->abort();
            return;
        }
        const QList<QByteArray> lines = buffered.split('\n');
        // The request line, `count` path lines and the empty rest after the last "\n".
        if (lines.size() < count + 2) {
            return;
        }
        QStringList files;
        qint64 consumed = end + 1;
        for (int i = 1; i <= count; ++i) {
            files << QUrl::fromPercentEncoding(lines[i]);
            consumed += lines[i].size() + 1;
        }
        socket->read(consumed);
        socket->write("OK\n");
        socket->flush();
        deliver_(*target, files);
    }
}

HandOverClient::HandOverClient(const QString& serverName)
{
    socket_.connectToServer(serverName);
    socket_.waitForConnected(kTimeoutMs);
}

std::optional<QByteArray> HandOverClient::Request(const QByteArray& request)
{
    if (socket_.state() != QLocalSocket::ConnectedState) {
        return std::nullopt;
    }
    socket_.write(request);
    if (!socket_.waitForBytesWritten(kTimeoutMs)) {
        return std::nullopt;
    }
    while (!socket_.canReadLine()) {
        if (!socket_.waitForReadyRead(kTimeoutMs)) {
            return std::nullopt;
        }
    }
    return socket_.readLine().trimmed();
}

std::optional<HandOverTarget> HandOverClient::FindTarget()
{
    const std::optional<QByteArray> answer = Request("QUERY\n");
    if (!answer) {
        return std::nullopt;
    }
    const QList<QByteArray> words = answer->split(' ');
    if (words.value(0) != "TARGET") {
        return std::nullopt;
    }
    return parseTarget(words, 1);
}

bool HandOverClient::Deliver(const HandOverTarget& target, const QStringList& files)
{
    QByteArray request = targetLine("NOTIFY", target) + ' ' + QByteArray::number(files.size()) + '\n';
    for (const QString& file : files) {
        request += QUrl::toPercentEncoding(file) + '\n';
    }
    const std::optional<QByteArray> answer = Request(request);
    return answer && *answer == "OK";
}
