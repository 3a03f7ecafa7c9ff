#include "SocketIo.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Netvoy::Io {

namespace {

// What closeSocket reads and drops at most, so a peer that keeps sending
// cannot hold it up.
constexpr std::size_t kMaxDrainOnClose = 256 * 1024;

long long nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// poll on one descriptor for `events`; 1 ready, 0 timed out, -1 error.
int pollOne(int fd, short events, int timeoutMs)
{
    pollfd entry{fd, events, 0};
    for (;;) {
        int r = ::poll(&entry, 1, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        return r < 0 ? -1 : (r > 0 ? 1 : 0);
    }
}

} // namespace

Deadline::Deadline(int milliseconds) : endMs_(nowMs() + (milliseconds > 0 ? milliseconds : 0)) {}

int Deadline::remainingMs() const
{
    long long left = endMs_ - nowMs();
    return left > 0 ? static_cast<int>(left) : 0;
}

std::size_t sendAll(int fd, const std::uint8_t* data, std::size_t length, int timeoutMs)
{
    Deadline deadline(timeoutMs);
    std::size_t sent = 0;
    while (sent < length) {
        ssize_t n = ::send(fd, data + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (deadline.passed() || pollOne(fd, POLLOUT, deadline.remainingMs()) <= 0)
                break;
            continue;
        }
        break; // a real error
    }
    return sent;
}

RecvResult recvExact(int fd, std::uint8_t* data, std::size_t length, int timeoutMs)
{
    Deadline deadline(timeoutMs);
    std::size_t got = 0;
    while (got < length) {
        ssize_t n = ::recv(fd, data + got, length - got, MSG_DONTWAIT);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0)
            return RecvResult::Closed;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return RecvResult::Error;
        int ready = deadline.passed() ? 0 : pollOne(fd, POLLIN, deadline.remainingMs());
        if (ready < 0)
            return RecvResult::Error;
        if (ready == 0)
            return RecvResult::TimedOut;
    }
    return RecvResult::Ok;
}

int waitReadable(int fd, int wakeFd, int timeoutMs)
{
    pollfd entries[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    nfds_t count = wakeFd >= 0 ? 2 : 1;
    for (;;) {
        int r = ::poll(entries, count, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return 0;
        return (entries[0].revents & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) ? 1 : 0;
    }
}

void closeSocket(int fd)
{
    if (fd < 0)
        return;
    ::shutdown(fd, SHUT_WR);
    std::uint8_t sink[4096];
    std::size_t drained = 0;
    while (drained < kMaxDrainOnClose) {
        ssize_t n = ::recv(fd, sink, sizeof sink, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        drained += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

} // namespace Netvoy::Io
