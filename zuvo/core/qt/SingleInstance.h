#pragma once

// One running Zuvo per program directory. The first process holds a lock
// file in the program directory for its whole life and listens on a local
// socket named for the user and the directory; a later process finds the
// lock taken and hands its file arguments over that socket instead:
//
//   second: "QUERY\n"                        first: "TARGET <wParam> <lParam>\n"
//   second: "NOTIFY <wParam> <lParam> <n>\n" and n percent-encoded paths, one a line
//   first:  "OK\n"
//
// The target is (2, compose window) when a compose window is open, else
// (1, 0) for the main window; a first instance without a main window yet
// answers "NONE\n".

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "core/WindowMessages.h"

struct HandOverTarget {
    WPARAM wParam = HANDOVER_OPEN_COMPOSE;
    LPARAM lParam = 0;
};

// The single-instance lock of a program directory, held while it lives.
class InstanceLock {
public:
    explicit InstanceLock(const QString& programDirectory);
    // true when another process already holds the lock.
    bool IsAlreadyRunning() const { return alreadyRunning_; }

private:
    QLockFile lock_;
    bool alreadyRunning_;
};

// The local-socket name of the running instance of a program directory.
QString HandOverServerName(const QString& programDirectory);

// The first instance's side.
class HandOverServer : public QObject {
    Q_OBJECT
public:
    using FindTarget = std::function<std::optional<HandOverTarget>()>;
    using Deliver = std::function<void(const HandOverTarget&, const QStringList&)>;

    HandOverServer(QString name, FindTarget findTarget, Deliver deliver, QObject* parent = nullptr);
    // Starts listening (a leftover socket of a dead instance is removed first).
    bool Listen();

private:
    void Serve(QLocalSocket* socket);

    QString name_;
    FindTarget findTarget_;
    Deliver deliver_;
    QLocalServer server_;
};

// The second instance's side. Every wait is bounded.
class HandOverClient {
public:
    static constexpr int kTimeoutMs = 3000;

    explicit HandOverClient(const QString& serverName);

    // Asks the first instance which window takes the files; empty when no
    // first instance answers or it has no window for them.
    std::optional<HandOverTarget> FindTarget();
    // Hands the files to the target found; true when the first instance
    // confirmed them.
    bool Deliver(const HandOverTarget& target, const QStringList& files);

private:
    std::optional<QByteArray> Request(const QByteArray& request);

    QLocalSocket socket_;
};
