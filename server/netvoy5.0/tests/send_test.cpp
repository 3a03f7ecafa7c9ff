// A peer that stops reading: the PDU that cannot go out whole ends the
// connection; nothing is sent twice.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <set>
#include <sys/socket.h>
#include <unistd.h>

#include "SimFixture.h"

namespace {

struct Listener {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
    Listener()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd, 1);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~Listener() { ::close(fd); }
};

Bytes readToEnd(int fd)
{
    Bytes all;
    std::uint8_t buf[65536];
    for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;)
        all.insert(all.end(), buf, buf + n);
    return all;
}

} // namespace

TEST(NetvoyClientSend, PduThatCannotGoOutWholeEndsTheConnectionAndIsNotResent)
{
    Listener listener;
    Recorder recorder;
    AgentProxy client;
    ClientTimeouts timeouts = quickTimeouts();
    timeouts.sendMs = 300;
    client.setTimeouts(timeouts);
    client.addEventListener(&recorder);
    ASSERT_EQ(client.connect("127.0.0.1", listener.port), 1);
    int peer = ::accept(listener.fd, nullptr, nullptr);
    ASSERT_GE(peer, 0);

    const std::string padding(4000, 'p');
    constexpr int kEvents = 3000; // far more than the socket buffers hold
    for (int i = 0; i < kEvents; ++i) {
        client.clearArgs();
        client.appendArg("seq", i);
        client.appendArg("pad", padding.c_str());
        ASSERT_EQ(client.invoke(), 1);
    }
    client.run();
    ASSERT_TRUE(recorder.waitFor([&] { return recorder.disconnectsLocked() == 1; }, 20000));
    EXPECT_EQ(client.pendingEvents(), 0u) << "the events behind the failed one go with the connection";
    client.stop();

    Bytes stream = readToEnd(peer);
    ::close(peer);
    std::vector<int> seen;
    std::size_t at = 0;
    while (at < stream.size() && at + stream[at] * 16u <= stream.size()) {
        std::string text(reinterpret_cast<const char*>(&stream[at + 15]));
        seen.push_back(std::atoi(text.c_str() + 4)); // "seq=<n>|pad=..."
        at += stream[at] * 16u;
    }
    ASSERT_FALSE(seen.empty());
    for (std::size_t i = 0; i < seen.size(); ++i)
        ASSERT_EQ(seen[i], static_cast<int>(i)) << "each PDU goes out once, in order";
    EXPECT_LT(seen.size(), static_cast<std::size_t>(kEvents));
    EXPECT_EQ(recorder.disconnects(), 1);
}
