// Opening sockets: refused and invalid targets, the connect time-out
// against a loopback listener whose backlog is full (so SYNs go unanswered
// and no packet ever leaves the machine), and the look-up time-out against a
// name server on loopback that never answers.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <thread>
#include <vector>

#include "netvoy/Socket.h"
#include "testsupport/TestSupport.h"

namespace {

struct Fd {
    int fd;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(Fd&& other) noexcept : fd(other.fd) { other.fd = -1; }
    Fd(const Fd&) = delete;
};

int boundPort(int fd)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

// A listener on 127.0.0.1 that never accepts, with its backlog filled.
class FullListener {
public:
    FullListener() : listener_(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_.fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_.fd, 0);
        port_ = boundPort(listener_.fd);
        address.sin_port = htons(static_cast<uint16_t>(port_));
        for (int i = 0; i < 32 && !full_; ++i) {
            Fd filler(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
            ::connect(filler.fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
            pollfd entry{filler.fd, POLLOUT, 0};
            full_ = ::poll(&entry, 1, 200) == 0; // this handshake is not answered
            fillers_.push_back(std::move(filler));
        }
    }
    int port() const { return port_; }
    bool full() const { return full_; }

private:
    Fd listener_;
    std::vector<Fd> fillers_;
    int port_ = 0;
    bool full_ = false;
};

int closedLoopbackPort()
{
    Fd probe(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(probe.fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return boundPort(probe.fd); // bound, never listening: connects are refused
}

} // namespace

TEST(NetvoySocket, ConnectToUnansweringListenerGivesUpAtTheTimeout)
{
    FullListener listener;
    ASSERT_TRUE(listener.full()) << "could not fill the listen backlog";
    Socket socket;
    socket.setConnectTimeout(400);
    auto start = std::chrono::steady_clock::now();
    int fd = socket.ConnectTCP("127.0.0.1", std::to_string(listener.port()).c_str());
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(fd, -1);
    EXPECT_GE(elapsed.count(), 350);
    EXPECT_LT(elapsed.count(), 2000);
}

TEST(NetvoySocket, FailuresAreMinusOne)
{
    Socket socket;
    const std::string refused = std::to_string(closedLoopbackPort());
    EXPECT_EQ(socket.ConnectTCP("127.0.0.1", refused.c_str()), -1);
    EXPECT_EQ(socket.ConnectTCP("127.0.0.1", "0"), -1);
    EXPECT_EQ(socket.ConnectTCP("127.0.0.1", "no-such-service"), -1);
    EXPECT_EQ(socket.ConnectTCP("", "8000"), -1);
    EXPECT_EQ(socket.ConnectTCP(nullptr, "8000"), -1);
    EXPECT_EQ(socket.ConnectSocket("127.0.0.1", "8000", "sctp"), -1);
}

TEST(NetvoySocket, PassiveTcpAcceptsAConnectTcp)
{
    Socket socket;
    Fd listener(socket.PassiveTCP("0", 4)); // port 0 is refused: pick one by binding first
    EXPECT_EQ(listener.fd, -1);

    Fd any(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::bind(any.fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const std::string port = std::to_string(boundPort(any.fd));
    ::close(any.fd);
    any.fd = -1;

    Fd server(socket.PassiveTCP(port.c_str(), 4));
    ASSERT_GE(server.fd, 0);
    Fd client(socket.ConnectTCP("localhost", port.c_str()));
    ASSERT_GE(client.fd, 0);
    Fd accepted(::accept(server.fd, nullptr, nullptr));
    EXPECT_GE(accepted.fd, 0);
    EXPECT_EQ(::fcntl(client.fd, F_GETFL) & O_NONBLOCK, 0) << "the connected socket is handed out blocking";
    Fd udp(socket.ConnectUDP("127.0.0.1", port.c_str()));
    EXPECT_GE(udp.fd, 0);
}

namespace {

// Outcomes of the look-up child.
enum LookupOutcome { GaveUpInTime = 0, Connected = 1, TookTooLong = 2, NoQueryArrived = 3, NoPrivateResolver = 4 };

// In a child process of its own mount namespace: /etc/resolv.conf names a
// server on a loopback address that receives queries and never answers,
// with a resolver time-out of 30 s. A look-up bounded to 300 ms gives up
// long before the resolver would.
int lookUpThroughASilentNameServer(const std::string& scratch)
{
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return NoPrivateResolver;
    // A loopback address of this process alone, so parallel runs never share it.
    const unsigned pid = static_cast<unsigned>(::getpid());
    const std::string server = "127.77." + std::to_string((pid >> 8) & 0xFF) + "." + std::to_string((pid & 0xFF) | 1);
    Fd silent(::socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    ::inet_pton(AF_INET, server.c_str(), &address.sin_addr);
    if (::bind(silent.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return NoPrivateResolver;
    const std::string conf = scratch + "/resolv.conf";
    testsupport::writeFile(conf, "nameserver " + server + "\noptions timeout:30 attempts:1\n");
    if (::mount(conf.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0)
        return NoPrivateResolver;

    Socket socket;
    socket.setLookupTimeout(300);
    const auto start = std::chrono::steady_clock::now();
    Fd fd(socket.ConnectTCP("zuvo-lookup.invalid-test", "8000"));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    pollfd query{silent.fd, POLLIN, 0};
    if (::poll(&query, 1, 0) != 1)
        return NoQueryArrived;
    if (fd.fd != -1)
        return Connected;
    return elapsed < std::chrono::seconds(5) ? GaveUpInTime : TookTooLong;
}

} // namespace

TEST(NetvoySocket, ANameServerThatNeverAnswersHoldsTheConnectOnlyForTheLookUpTimeout)
{
#if defined(__SANITIZE_THREAD__)
    // The child starts the look-up thread after a fork of a threaded process,
    // which the thread sanitizer does not support (it ends the child).
    GTEST_SKIP() << "threads in a forked child are not supported by the thread sanitizer";
#endif
    if (::geteuid() != 0)
        GTEST_SKIP() << "a private /etc/resolv.conf needs a mount namespace (root)";
    testsupport::TempDir scratch;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(lookUpThroughASilentNameServer(scratch.path()));
    int status = 0;
    const auto start = std::chrono::steady_clock::now();
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(40)) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            FAIL() << "the look-up did not end";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(WIFEXITED(status));
    const int outcome = WEXITSTATUS(status);
    if (outcome == NoPrivateResolver || outcome == NoQueryArrived)
        GTEST_SKIP() << "no private name server could be set up (" << outcome << ")";
    EXPECT_EQ(outcome, GaveUpInTime) << (outcome == TookTooLong ? "the look-up waited for the resolver" : "connected");
}
