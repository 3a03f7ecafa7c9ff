// The agent client's receiving side against a hostile server: the fuzzed
// bytes arrive on a real connection as the server's whole stream, and the
// client reads, frames and dispatches PDUs (events, file-transfer replies
// for a waiting download, system PDUs) until the connection ends. Listeners
// read every event they hear. The bytes "TASK" in the input stand for the
// waiting download's task id (little-endian), so that the seeds' file
// replies reach it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "FuzzSupport.h"
#include "netvoy/Client.h"

namespace {

// The client's reception steps, which its worker thread otherwise runs.
class SteppedClient : public Client {
public:
    using Client::handleFileServiceTasks;
    using Client::nc_PeekNetMesg;
};

class ReadingListener : public ClientEventListener {
public:
    int onDisconnect() override { return 1; }
    int onReceive(CRL::Event* event) override { return Read(event); }
    int onProcess(CRL::Event* event) override { return Read(event); }

private:
    static int Read(CRL::Event* event)
    {
        std::size_t total = 0;
        for (int i = 0; event && i < event->getLength(); ++i)
            total += std::string(event->getKeyString(i)).size() + std::string(event->getValString(i)).size();
        return total > 0 ? 1 : 0;
    }
};

// The port of a listening socket of this process on 127.0.0.1.
int ServerSocket(int& port)
{
    static int fd = -1;
    static int listening = 0;
    if (fd < 0) {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd, 16) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            fuzz::Fault("no listening socket");
        listening = ntohs(address.sin_port);
    }
    port = listening;
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Quiet();
    int port = 0;
    const int server = ServerSocket(port);
    ReadingListener listener;
    SteppedClient client;
    ClientTimeouts timeouts;
    timeouts.pduMs = 50;
    timeouts.sendMs = 50;
    client.setTimeouts(timeouts);
    client.addEventListener(&listener);
    if (client.Net_SysInit("127.0.0.1", port) != 0)
        fuzz::Fault("no connection to the own listening socket");
    const int peer = ::accept4(server, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0)
        fuzz::Fault("accept failed");
    // A download waits for its reply, so that file-transfer PDUs find a task.
    const long taskId = client.downLoadFile(7, "user", "fax/page.tif", "/dev/null");
    client.handleFileServiceTasks();
    std::string stream(reinterpret_cast<const char*>(data), size);
    for (std::size_t at = stream.find("TASK"); at != std::string::npos; at = stream.find("TASK", at + 4))
        for (int i = 0; i < 4; ++i)
            stream[at + i] = static_cast<char>((static_cast<unsigned long>(taskId) >> (8 * i)) & 0xFF);
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(peer, stream.data() + sent, size - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<std::size_t>(n);
    }
    ::shutdown(peer, SHUT_WR);
    // Every PDU takes at least 16 bytes, so the stream ends within this many steps.
    for (std::size_t step = 0; step <= size / 16 + 2; ++step)
        if (client.nc_PeekNetMesg(50) == -4)
            break;
    client.removeEventListener(&listener);
    ::close(peer);
    return 0;
}
