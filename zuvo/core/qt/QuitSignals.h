#pragma once

// Ends the program on SIGTERM, SIGINT and SIGHUP (a desktop log-out sends
// the last) the way its own quit command does, so that the session logs
// out, the stores close and the instance lock is released. The handler only
// writes the signal's number to a pipe; the GUI thread reads it through a
// socket notifier and calls the quit function there.

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>

class QuitOnSignals : public QObject {
public:
    // Installs the handlers; one object at a time.
    explicit QuitOnSignals(std::function<void()> quit);
    // Gives the signals back their default action.
    ~QuitOnSignals() override;
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;

    // Whether the handlers are in place.
    bool Installed() const { return notifier_ != nullptr; }

private:
    void OnSignal();

    std::function<void()> quit_;
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};
