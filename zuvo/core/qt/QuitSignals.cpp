#include "core/qt/QuitSignals.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "jotter/Jotter.h"

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe's write end, for the handler.
std::atomic<int> signalPipe{-1};

extern "C" void onQuitSignal(int signal)
{
    const int saved = errno;
    const int fd = signalPipe.load();
    if (fd >= 0) {
        const unsigned char number = static_cast<unsigned char>(signal);
        [[maybe_unused]] const ssize_t written = ::write(fd, &number, 1);
    }
    errno = saved;
}

} // namespace

QuitOnSignals::QuitOnSignals(std::function<void()> quit) : quit_(std::move(quit))
{
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        cpLog(kLogFailure, "no pipe for the quit signals: they end the program at once");
        return;
    }
    signalPipe = pipe_[1];
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kQuitSignals)
        ::sigaction(signal, &action, nullptr);
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &QuitOnSignals::OnSignal);
}

QuitOnSignals::~QuitOnSignals()
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    if (notifier_)
        for (int signal : kQuitSignals)
            ::sigaction(signal, &action, nullptr);
    signalPipe = -1;
    notifier_.reset();
    for (int fd : pipe_)
        if (fd >= 0)
            ::close(fd);
}

void QuitOnSignals::OnSignal()
{
    unsigned char number = 0;
    bool received = false;
    while (::read(pipe_[0], &number, 1) == 1)
        received = true;
    if (!received)
        return;
    cpLog(kLogTrace, "signal %d: the program quits", number);
    if (quit_)
        quit_();
}
