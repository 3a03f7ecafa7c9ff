#include "netvoy/WakeSignal.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace Netvoy {

WakeSignal::WakeSignal() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

WakeSignal::~WakeSignal()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void WakeSignal::signal()
{
    std::uint64_t one = 1;
    while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool WakeSignal::drain()
{
    std::uint64_t count = 0;
    for (;;) {
        ssize_t n = ::read(fd_, &count, sizeof count);
        if (n < 0 && errno == EINTR)
            continue;
        return n == static_cast<ssize_t>(sizeof count);
    }
}

bool WakeSignal::wait(int timeoutMs)
{
    pollfd entry{fd_, POLLIN, 0};
    int r;
    do {
        r = ::poll(&entry, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    return r > 0 && drain();
}

} // namespace Netvoy
