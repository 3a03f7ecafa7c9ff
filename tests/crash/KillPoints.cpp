// The child's step is timed from a byte it writes on a pipe just before the
// step; the pipe's other end closing tells the parent that the child ended,
// so every wait is bounded and none polls.
#include "KillPoints.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

double millisSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Waits until fd is readable or limitMs passed; false on the limit.
bool waitReadable(int fd, int limitMs)
{
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

// Sleeps until `microseconds` after start on the monotonic clock.
void sleepUntil(const timespec& start, long microseconds)
{
    timespec wake = start;
    wake.tv_sec += microseconds / 1000000;
    wake.tv_nsec += (microseconds % 1000000) * 1000;
    if (wake.tv_nsec >= 1000000000) {
        wake.tv_sec += 1;
        wake.tv_nsec -= 1000000000;
    }
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
    }
}

} // namespace

ChildOutcome RunChild(const std::function<void()>& prepare, const std::function<void()>& step, long killAfterUs,
                      int limitMs)
{
    ChildOutcome outcome;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return outcome;
    std::fflush(nullptr); // the child must not write the parent's buffered output again
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return outcome;
    }
    if (pid == 0) {
        ::close(pipeFds[0]);
        prepare();
        const char ready = 'r';
        if (::write(pipeFds[1], &ready, 1) != 1)
            ::_exit(3);
        step();
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    const int readEnd = pipeFds[0];
    char ready = 0;
    if (waitReadable(readEnd, limitMs) && ::read(readEnd, &ready, 1) == 1) {
        outcome.started = true;
        timespec start{};
        ::clock_gettime(CLOCK_MONOTONIC, &start);
        const Clock::time_point began = Clock::now();
        if (killAfterUs >= 0) {
            sleepUntil(start, killAfterUs);
            ::kill(pid, SIGKILL);
        } else if (!waitReadable(readEnd, limitMs)) {
            ::kill(pid, SIGKILL); // the child hangs: it did not finish
        }
        outcome.ranMs = millisSince(began);
    } else {
        ::kill(pid, SIGKILL);
    }
    ::close(readEnd);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.killed = outcome.started && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL && killAfterUs >= 0;
    outcome.finished = outcome.started && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return outcome;
}
