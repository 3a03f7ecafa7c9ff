#pragma once

#include <cstddef>
#include <cstdint>

// Bounded socket I/O for the client. Every wait goes through poll, every
// call is retried on EINTR, and send never raises SIGPIPE.
namespace Netvoy::Io {

// Milliseconds left until a deadline taken from a monotonic clock.
class Deadline {
public:
    explicit Deadline(int milliseconds);
    int remainingMs() const; // 0 once passed
    bool passed() const { return remainingMs() == 0; }

private:
    long long endMs_;
};

// Sends all `length` bytes within `timeoutMs`; returns the bytes that went out.
std::size_t sendAll(int fd, const std::uint8_t* data, std::size_t length, int timeoutMs);

enum class RecvResult { Ok, Closed, Error, TimedOut };
// Receives exactly `length` bytes within `timeoutMs`.
RecvResult recvExact(int fd, std::uint8_t* data, std::size_t length, int timeoutMs);

// Waits until `fd` is readable or `wakeFd` (may be -1) is signalled, at most
// `timeoutMs`. Returns 1 when fd is readable (or has an error or hang-up),
// 0 otherwise.
int waitReadable(int fd, int wakeFd, int timeoutMs);

// Closes a TCP socket gently: no more sending, what the peer already sent is
// read and dropped (so the close does not reset the connection and throw away
// our last data on its way), then close.
void closeSocket(int fd);

} // namespace Netvoy::Io
