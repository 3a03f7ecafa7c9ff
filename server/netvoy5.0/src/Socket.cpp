#include "netvoy/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "NameLookup.h"
#include "SocketIo.h"
#include "safefile/UniqueFd.h"
#include "textcodec/AsciiText.h"

using safefile::UniqueFd;

namespace {

constexpr int kBufferSize = 65535;

bool isUdp(const char* protocol)
{
    return protocol && TextCodec::equalsIgnoringAsciiCase(protocol, "udp");
}

bool knownProtocol(const char* protocol)
{
    return protocol && (TextCodec::equalsIgnoringAsciiCase(protocol, "tcp") || isUdp(protocol));
}

int socketType(const char* protocol)
{
    return isUdp(protocol) ? SOCK_DGRAM : SOCK_STREAM;
}

bool setBuffers(int fd)
{
    int size = kBufferSize;
    return ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size) == 0 &&
           ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size) == 0;
}

bool setNonBlocking(int fd, bool on)
{
    int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0)
        return false;
    flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(fd, F_SETFL, flags) == 0;
}

// A non-blocking connect that waits at most `timeoutMs` for the handshake.
bool connectWithin(int fd, const sockaddr_in& address, int timeoutMs)
{
    if (!setNonBlocking(fd, true))
        return false;
    int r = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (r != 0 && errno != EINPROGRESS && errno != EINTR)
        return false;
    if (r != 0) {
        Netvoy::Io::Deadline deadline(timeoutMs);
        pollfd entry{fd, POLLOUT, 0};
        int ready;
        do {
            ready = ::poll(&entry, 1, deadline.remainingMs());
        } while (ready < 0 && errno == EINTR && !deadline.passed());
        if (ready <= 0)
            return false;
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
            return false;
    }
    return setNonBlocking(fd, false);
}

} // namespace

int Socket::ConnectSocket(const char* host, const char* service, const char* protocol)
{
    if (!host || !*host || !knownProtocol(protocol))
        return -1;
    sockaddr_in address{};
    if (!Netvoy::lookUpAddress(host, service, socketType(protocol), lookupTimeoutMs_, address))
        return -1;
    UniqueFd fd(::socket(AF_INET, socketType(protocol) | SOCK_CLOEXEC, 0));
    if (fd.get() < 0 || !setBuffers(fd.get()))
        return -1;
    if (isUdp(protocol)) {
        if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            return -1;
    } else if (!connectWithin(fd.get(), address, connectTimeoutMs_)) {
        return -1;
    }
    return fd.release();
}

int Socket::ConnectTCP(const char* host, const char* service)
{
    return ConnectSocket(host, service, "tcp");
}

int Socket::ConnectUDP(const char* host, const char* service)
{
    return ConnectSocket(host, service, "udp");
}

int Socket::PassiveSocket(const char* service, const char* protocol, int backlog)
{
    if (!knownProtocol(protocol))
        return -1;
    sockaddr_in address{};
    if (!Netvoy::lookUpAddress(nullptr, service, socketType(protocol), lookupTimeoutMs_, address))
        return -1;
    UniqueFd fd(::socket(AF_INET, socketType(protocol) | SOCK_CLOEXEC, 0));
    if (fd.get() < 0)
        return -1;
    int on = 1;
    if (::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
        return -1;
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return -1;
    if (!isUdp(protocol) && ::listen(fd.get(), backlog) != 0)
        return -1;
    return fd.release();
}

int Socket::PassiveTCP(const char* service, int backlog)
{
    return PassiveSocket(service, "tcp", backlog);
}

int Socket::PassiveUDP(const char* service)
{
    return PassiveSocket(service, "udp", 0);
}

int Socket::SetDefaultOption(unsigned int socket)
{
    int fd = static_cast<int>(socket);
    return setBuffers(fd) ? fd : -1;
}
