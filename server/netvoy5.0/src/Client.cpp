#include "netvoy/Client.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <exception>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

#include "SocketIo.h"
#include "jotter/Jotter.h"
#include "netvoy/EventWire.h"
#include "spindle/VLock.h"
#include "textcodec/AsciiText.h"

using namespace Netvoy;

namespace {

constexpr std::size_t kMaxHostLength = 127;

} // namespace

// ------------------------------------------------------------ construction

Client::Client()
{
    setName("netvoy-worker");
}

Client::Client(const char* host, int port)
{
    setName("netvoy-worker");
    storeServer(host);
    serverPort_ = port;
    Net_SysInit(serverAddress_.c_str(), port);
}

Client::~Client()
{
    stopRequest_.store(1);
    wake_.signal();
    stopAndJoin();
    disConnect();
    closeOwnedSockets();
}

void Client::storeServer(const char* host)
{
    // Kept whole: a name over the limit is refused when connecting, never
    // cut into the name of another host.
    serverAddress_ = host ? host : "";
}

// ------------------------------------------------------------ connection

int Client::Net_SysInit(const char* host, int port)
{
    if (!host)
        return -1;
    if (std::strlen(host) > kMaxHostLength) {
        cpLog(kLogTrace, "server name of %zu characters is over the %zu the client takes: not connected",
              std::strlen(host), kMaxHostLength);
        return -1;
    }
    cpLog(kLogTrace, "try connect server[%s]:[%d]... ...", host, port);
    if (connected_.load())
        disConnect();
    int fd = ConnectTCP(host, std::to_string(port).c_str());
    if (fd < 0) {
        cpLog(kLogTrace, "connect server[%s]:[%d]... ...Failed", host, port);
        return -1;
    }
    {
        std::lock_guard<std::mutex> guard(sockLock_);
        if (sock_ != -1) {
            // A dead socket the worker has not closed yet: it may still be
            // inside a call on it, so it is handed to the worker to close.
            if (workerInLoop_ && std::this_thread::get_id() != workerId_)
                retired_.push_back(sock_);
            else
                Io::closeSocket(sock_);
        }
        sock_ = fd;
        connectionId_.fetch_add(1);
        connected_.store(1);
    }
    {
        Spindle::VLock lock(queueLock_);
        lost_ = false;
    }
    wake_.signal();
    cpLog(kLogTrace, "connected to server[%s]:[%d]", host, port);
    return 0;
}

int Client::tryConnect()
{
    return Net_SysInit(serverAddress_.c_str(), serverPort_);
}

int Client::disConnect()
{
    int fd;
    {
        std::lock_guard<std::mutex> guard(sockLock_);
        fd = sock_;
    }
    dropConnection(fd);
    return 1;
}

bool Client::dropConnection(int fd)
{
    bool wasConnected = false;
    {
        std::lock_guard<std::mutex> guard(sockLock_);
        if (fd < 0 || fd != sock_)
            return false; // an older connection, already ended
        wasConnected = connected_.exchange(0) != 0;
        if (!workerInLoop_ || std::this_thread::get_id() == workerId_) {
            Io::closeSocket(sock_);
            sock_ = -1;
        } else {
            // Only the worker closes while it runs; this wakes it from any
            // wait on the socket, and it closes on its next pass.
            ::shutdown(sock_, SHUT_RDWR);
        }
    }
    wake_.signal();
    if (wasConnected) {
        dropQueuedEvents();
        fireDisconnect();
    }
    return wasConnected;
}

void Client::dropQueuedEvents()
{
    std::deque<Outgoing> dropped;
    {
        Spindle::VLock lock(queueLock_);
        lost_ = true;
        dropped.swap(queue_);
    }
    for (Outgoing& item : dropped)
        logDropped(*item.event, "the connection ended");
}

void Client::logDropped(CRL::Event& event, const char* why)
{
    // Requests name their command; the heartbeat answer its event.
    const char* command = event.getString("command");
    cpLog(kLogTrace, "request <%s> invokeid <%s> dropped: %s", *command ? command : event.getString("event"),
          event.getString("invokeid"), why);
}

void Client::connectionBroken()
{
    // Only a connection that ends while nobody is ending it broke: a close
    // by stop() or disConnect() wakes the worker with an end of stream too.
    if (dropConnection(recvFd_) && !stopping_.load())
        cpLog(kLogTrace, "NetWork Broken,shutdown... ...");
}

int Client::currentSocket() const
{
    std::lock_guard<std::mutex> guard(sockLock_);
    return connected_.load() ? sock_ : -1;
}

int Client::GetSocket() const
{
    std::lock_guard<std::mutex> guard(sockLock_);
    return sock_;
}

std::string Client::getLocalAddress() const
{
    int fd = currentSocket();
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (fd < 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return "";
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &local.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(local.sin_port));
}

NetAddr Client::GetNetAddr() const
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    return ownAddress_;
}

void Client::SetTermType(unsigned char termType)
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    ownAddress_.SetTermType(termType);
}

void Client::SetTermNo(unsigned char termNo)
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    ownAddress_.SetTermNo(termNo);
}

void Client::setOwnAddress(const NetAddr& address)
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    ownAddress_ = address;
}

void Client::setTimeouts(const ClientTimeouts& timeouts)
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    timeouts_ = timeouts;
}

ClientTimeouts Client::timeouts() const
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    return timeouts_;
}

// ------------------------------------------------------------ worker

void Client::run()
{
    stopRequest_.store(0);
    ThreadIf::run();
}

void Client::thread()
{
    cpLog(kLogTrace, "Thead Is Run");
    {
        std::lock_guard<std::mutex> guard(sockLock_);
        workerInLoop_ = true;
        workerId_ = std::this_thread::get_id();
    }
    stopped_.store(0);
    while (!stopRequest_.load() && !isShutdown()) {
        ClientTimeouts limits = timeouts();
        if (workerSocket() < 0) {
            // A connect, a new request and stop() all signal the wake-up.
            wake_.wait(limits.notConnectedMs);
            continue;
        }
        // Wait for the server only while nothing else is to do; new work
        // wakes the wait early. Without a file task waiting for its reply
        // (whose time limit the passes check) nothing else needs a pass.
        const int idleMs = fileServiceTaskCount() > 0 ? limits.idlePollMs : -1;
        nc_PeekNetMesg(hasReadyWork() ? 0 : idleMs);
        hdrEvents();
        handleFileServiceTasks();
    }
    workerSocket(); // closes sockets given up in the meantime
    {
        std::lock_guard<std::mutex> guard(sockLock_);
        workerInLoop_ = false;
    }
    cpLog(kLogTrace, "Thread Is Shutdown!");
    stopped_.store(1);
    shutdown();
}

void Client::closeOwnedSockets()
{
    std::lock_guard<std::mutex> guard(sockLock_);
    for (int old : retired_)
        Io::closeSocket(old);
    retired_.clear();
    if (sock_ != -1)
        Io::closeSocket(sock_);
    sock_ = -1;
    connected_.store(0);
}

int Client::workerSocket()
{
    int fd;
    unsigned id;
    bool connected;
    {
        std::lock_guard<std::mutex> guard(sockLock_);
        for (int old : retired_)
            Io::closeSocket(old);
        retired_.clear();
        if (!connected_.load() && sock_ != -1) {
            Io::closeSocket(sock_);
            sock_ = -1;
        }
        connected = connected_.load() != 0;
        id = connectionId_.load();
        fd = connected ? sock_ : -1;
    }
    if (seenConnected_ && (!connected || id != seenConnectionId_))
        onConnectionLost();
    seenConnected_ = connected;
    seenConnectionId_ = id;
    return fd;
}

void Client::stop()
{
    cpLog(kLogTrace, "stop1!");
    if (!isRunning())
        return;
    cpLog(kLogTrace, "stop2!");
    stopping_.store(true);
    flushQueue();
    disConnect();
    cpLog(kLogTrace, "stop3!");
    ThreadIf::shutdown();
    cpLog(kLogTrace, "stop4!");
    stopRequest_.store(1);
    wake_.signal();
    cpLog(kLogTrace, "stop5!");
    join();
    stopping_.store(false);
    cpLog(kLogTrace, "stop6!");
}

void Client::flushQueue()
{
    // The last requests (a logout) are queued right before stop(): give the
    // worker a bounded moment to put them on the wire.
    Io::Deadline deadline(timeouts().flushMs);
    while (connected_.load() && pendingEvents() > 0 && isRunning() && !deadline.passed())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

bool Client::hasReadyWork() const
{
    return pendingEvents() > 0 || hasReadyFileTask();
}

// ------------------------------------------------------------ listeners

int Client::addEventListener(ClientEventListener* listener)
{
    if (!listener)
        return 0;
    Spindle::VLock lock(listenerLock_);
    listeners_.push_back(listener);
    cpLog(kLogTrace, "addEventListener ... ... Success!");
    return 1;
}

int Client::removeEventListener(ClientEventListener* listener)
{
    Spindle::VLock lock(listenerLock_);
    auto found = std::find(listeners_.begin(), listeners_.end(), listener);
    if (found == listeners_.end()) {
        cpLog(kLogTrace, "removeEventListener ... ... Failed!");
        return 0;
    }
    listeners_.erase(found);
    cpLog(kLogTrace, "removeEventListener ... ... Success!");
    return 1;
}

int Client::removeEventListeners()
{
    Spindle::VLock lock(listenerLock_);
    listeners_.clear();
    return 0;
}

template <typename Call> void Client::forEachListener(Call call)
{
    Spindle::VLock lock(listenerLock_);
    // A callback may add or remove listeners: walk a copy, and skip the ones
    // that an earlier callback of this walk removed.
    std::vector<ClientEventListener*> walk = listeners_;
    for (ClientEventListener* listener : walk) {
        if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
            continue;
        try {
            call(*listener);
        } catch (const std::exception& e) {
            cpLog(kLogTrace, "listener threw: %s", e.what());
        } catch (...) {
            cpLog(kLogTrace, "listener threw");
        }
    }
}

void Client::fireDisconnect()
{
    forEachListener([](ClientEventListener& l) { l.onDisconnect(); });
}

void Client::fireReceive(CRL::Event* event)
{
    if (!event)
        return;
    if (TextCodec::equalsIgnoringAsciiCase(event->getString("event"), "heartbeat")) {
        sendHeartbeat();
        return;
    }
    forEachListener([event](ClientEventListener& l) { l.onReceive(event); });
}

void Client::fireProcess(CRL::Event* event)
{
    if (!event)
        return;
    forEachListener([event](ClientEventListener& l) { l.onProcess(event); });
}

// ------------------------------------------------------------ outgoing events

int Client::push(CRL::Event* event)
{
    return push(CRL::EventPtr(event));
}

int Client::push(CRL::EventPtr event)
{
    if (!event)
        return 0;
    std::optional<std::string> wire = eventToWire(*event);
    if (!wire) {
        cpLog(kLogTrace, "event cannot be written as text (a key with \"=\" or \"|\", or a value with \"|\"): not queued");
        return 0;
    }
    if (wire->size() > kMaxPayload) {
        cpLog(kLogTrace, "event text of %zu bytes exceeds the %zu bytes of a PDU: not queued",
              wire->size(), kMaxPayload);
        return 0;
    }
    {
        Spindle::VLock lock(queueLock_);
        // What is asked while a lost connection is down would go out on the
        // next one ahead of its login.
        if (lost_) {
            logDropped(*event, "not connected");
            return 0;
        }
        queue_.push_back(Outgoing{std::move(event), std::move(*wire), ++queued_});
    }
    wake_.signal();
    return 1;
}

int Client::sendHeartbeat()
{
    CRL::EventPtr answer = CRL::makeEvent();
    answer->appendKV("event", "heartbeat");
    answer->appendKV("eventclass", "system");
    return push(std::move(answer));
}

std::size_t Client::pendingEvents() const
{
    Spindle::VLock lock(queueLock_);
    return queue_.size();
}

CRL::Event* Client::peekEvent()
{
    Spindle::VLock lock(queueLock_);
    return queue_.empty() ? nullptr : queue_.front().event.get();
}

CRL::EventPtr Client::popEvent()
{
    Spindle::VLock lock(queueLock_);
    if (queue_.empty())
        return nullptr;
    CRL::EventPtr front = std::move(queue_.front().event);
    queue_.pop_front();
    return front;
}

int Client::sendEvent(CRL::Event* event)
{
    if (!connected_.load() || !event)
        return 0;
    std::optional<std::string> wire = eventToWire(*event);
    if (!wire || wire->size() > kMaxPayload)
        return 0;
    return Net_Require(GetNetAddr(), 0, wire->data(), static_cast<int>(wire->size())) == 0 ? 1 : 0;
}

int Client::hdrEvents()
{
    if (!connected_.load())
        return 0;
    std::string wire;
    std::uint64_t serial;
    {
        Spindle::VLock lock(queueLock_);
        if (queue_.empty())
            return 0;
        wire = queue_.front().wire;
        serial = queue_.front().serial;
    }
    // A failed send leaves the event at the front for the next pass. A sent
    // one is taken off unless the queue was dropped meanwhile (the front is
    // then another connection's).
    if (Net_Require(GetNetAddr(), 0, wire.data(), static_cast<int>(wire.size())) == 0) {
        Spindle::VLock lock(queueLock_);
        if (!queue_.empty() && queue_.front().serial == serial)
            queue_.pop_front();
    }
    return 1;
}

// ------------------------------------------------------------ PDU primitives

int Client::Net_SndPdu(int socket, const std::uint8_t* pdu)
{
    if (socket < 0 || !pdu || pdu[kCountByte] == 0)
        return -1;
    std::size_t length = pdu[kCountByte] * kBlockSize;
    std::size_t sent = Io::sendAll(socket, pdu, length, timeouts().sendMs);
    if (sent == length)
        return 0;
    if (sent > 0) {
        cpLog(kLogTrace, "PDU went out in part (%zu of %zu bytes): connection ended", sent, length);
        dropConnection(socket);
    }
    return -1;
}

int Client::sendPdu(const std::vector<std::uint8_t>& pdu)
{
    if (pdu.empty())
        return -1;
    return Net_SndPdu(currentSocket(), pdu.data());
}

int Client::sendPayload(std::uint8_t family, std::uint8_t type, const NetAddr& dest, std::uint8_t code,
                        std::uint8_t flag, std::uint32_t word4, std::size_t offset,
                        std::string_view payload)
{
    PduFields fields;
    fields.family = family;
    fields.type = type;
    fields.word4 = word4;
    fields.source = GetNetAddr();
    fields.dest = dest;
    fields.code = code;
    fields.flag = flag;
    std::vector<std::uint8_t> pdu = encodePdu(fields, offset, payload);
    if (pdu.empty()) {
        cpLog(kLogTrace, "payload of %zu bytes exceeds the %zu bytes of a PDU: not sent", payload.size(),
              kMaxPayload);
        return -1;
    }
    return sendPdu(pdu);
}

namespace {

std::string_view payloadOf(const char* data, int len)
{
    return (data && len > 0) ? std::string_view(data, static_cast<std::size_t>(len)) : std::string_view();
}

} // namespace

int Client::Net_Require(const NetAddr& dest, int code, const char* data, int len)
{
    return sendPayload(kFamilyMsu, kMsuRequire, dest, static_cast<std::uint8_t>(code), 0, 0,
                       kMsuPayloadOffset, payloadOf(data, len));
}

int Client::HA_MsuReq(const NetAddr& dest, int code, const char* data, int len)
{
    return sendPayload(kFamilyMsu, kMsuAns, dest, static_cast<std::uint8_t>(code), 1, received().word4(),
                       kMsuPayloadOffset, payloadOf(data, len));
}

int Client::Net_UserCmd(const NetAddr& dest, int code, const char* data, int len)
{
    std::string_view payload = payloadOf(data, len);
    cpLog(kLogTrace, "UserCmd Len=<%d> Len=<%d>", len, static_cast<int>(blockCount(payload.size()) * kBlockSize));
    return sendPayload(kFamilyMsu, kMsuUserCmd, dest, static_cast<std::uint8_t>(code), 0, 0,
                       kMsuPayloadOffset, payload);
}

int Client::Net_NmuRpt(const NetAddr& dest, const char* data, int len)
{
    return sendPayload(kFamilyNmu, kNmuRpt, dest, 0, 0, 0, kNmuPayloadOffset, payloadOf(data, len));
}

int Client::Net_NmuBrd(const NetAddr& dest, const char* data, int len)
{
    return sendPayload(kFamilyNmu, kNmuBrd, dest, 0, 0, 0, kNmuPayloadOffset, payloadOf(data, len));
}

int Client::Net_NmuDiscon(const NetAddr& dest)
{
    return sendPayload(kFamilyNmu, kNmuDiscon, dest, 0, 0, 0, kNmuPayloadOffset, {});
}

int Client::Net_NmuCmd(const NetAddr& dest, const char* data, int len)
{
    return sendPayload(kFamilyNmu, kNmuCmd, dest, 0, 0, 0, kNmuPayloadOffset, payloadOf(data, len));
}

int Client::Net_NmuAck(const NetAddr& dest, const char* data, int len)
{
    return sendPayload(kFamilyNmu, kNmuAck, dest, 0, 0, 0, kNmuPayloadOffset, payloadOf(data, len));
}

int Client::Net_SysCmd(const NetAddr& dest, int code)
{
    return sendPayload(kFamilyMsu, kMsuSys, dest, static_cast<std::uint8_t>(code), 0, 0, kMsuPayloadOffset, {});
}

int Client::Net_SysStartup()
{
    if (sendPayload(kFamilyMsu, kMsuSys, NetAddr(), kSysStartup, 0, 0, kMsuPayloadOffset, {}) != 0)
        return -1;
    Io::Deadline deadline(timeouts().pduMs);
    while (!deadline.passed()) {
        int family = HR_Pdu(deadline.remainingMs());
        if (family == kFamilyMsu)
            return received().flag() == 1 ? 0 : -1;
        if (family == -4)
            return -1;
    }
    return -1;
}

int Client::Net_SysShutdown()
{
    return sendPayload(kFamilyMsu, kMsuSys, NetAddr(), kSysShutdown, 0, 0, kMsuPayloadOffset, {});
}

int Client::Net_SysExit()
{
    int result = Net_SysShutdown();
    disConnect();
    return result;
}

int Client::Net_RecvPdu(int socket, std::uint8_t* buf)
{
    int limit = timeouts().pduMs;
    if (Io::recvExact(socket, buf, 1, limit) != Io::RecvResult::Ok)
        return -1;
    if (buf[kCountByte] == 0) {
        cpLog(kLogTrace, "PDU with a block count of 0: connection ended");
        return -1;
    }
    std::size_t length = buf[kCountByte] * kBlockSize;
    if (Io::recvExact(socket, buf + 1, length - 1, limit) != Io::RecvResult::Ok) {
        cpLog(kLogTrace, "PDU of %zu bytes did not arrive whole", length);
        return -1;
    }
    return 0;
}

int Client::HR_Pdu(int waitMs)
{
    int fd = currentSocket();
    if (fd < 0)
        return -2;
    int readable = Io::waitReadable(fd, wake_.fd(), waitMs);
    wake_.drain();
    if (!readable)
        return -2;
    recvBuf_.fill(0);
    recvSize_ = 0;
    recvFd_ = fd;
    cpLog(kLogTrace, "Rcv Data Begin...");
    if (Net_RecvPdu(fd, recvBuf_.data()) != 0)
        return -4;
    recvSize_ = recvBuf_[kCountByte] * kBlockSize;
    cpLog(kLogTrace, "Recv Data , End...");
    return recvBuf_[kFamilyByte];
}

int Client::nc_PeekNetMesg(int waitMs)
{
    int family = HR_Pdu(waitMs);
    if (family == -4) {
        connectionBroken();
        return -4;
    }
    PduView pdu = received();
    if (family == kFamilyMsu) {
        switch (pdu.type()) {
        case kMsuRequire:
            return nc_HRMsuReq();
        case kMsuAns:
            return nc_HRMsuAns();
        case kMsuSys:
            return nc_HRMsuSys();
        case kMsuUsr3:
        case kMsuUsr4:
        case kMsuUserCmd:
            return nc_HRMsuUsr();
        case kMsuRJT:
            return nc_HRMsuRJT();
        case kMsuApt:
            return nc_HRMsuApt();
        default:
            return 0;
        }
    }
    if (family == kFamilyNmu) {
        // Every Nmu message the server sends, reports, broadcasts, commands,
        // a disconnect notice (a header only, an empty event) and
        // acknowledgements, carries its text from byte 14 to the listeners.
        switch (pdu.type()) {
        case kNmuRpt:
        case kNmuBrd:
        case kNmuDiscon:
        case kNmuCmd:
        case kNmuAck:
            hdrReport();
            break;
        default:
            break;
        }
    }
    return 0;
}

namespace {

int dropUnused(const char* what, const PduView& pdu)
{
    cpLog(kLogTrace, "%s from (%d, %d), code %d, %zu bytes: nothing to do", what, pdu.source().GetTermType(),
          pdu.source().GetTermNo(), pdu.code(), pdu.size());
    return 0;
}

} // namespace

int Client::nc_HRMsuReq()
{
    return dropUnused("Msu Require", received());
}

int Client::nc_HRMsuRJT()
{
    return dropUnused("Msu RJT", received());
}

int Client::nc_HRMsuApt()
{
    return dropUnused("Msu Apt", received());
}

int Client::nc_HRNmuBrd()
{
    return dropUnused("Nmu Brd", received());
}

int Client::nc_HRNmuDiscon()
{
    return dropUnused("Nmu Discon", received());
}

int Client::nc_HRNmuCmd()
{
    return dropUnused("Nmu Cmd", received());
}

int Client::deliverText(std::size_t offset, bool isAns)
{
    const std::string text = wireToText(received().text(offset));
    if (isAns)
        cpLog(kLogTrace, "Ans Data=<%s>", text.c_str());
    CRL::Event event;
    event.splitEvent(text.c_str());
    fireReceive(&event);
    return 1;
}

int Client::nc_HRMsuAns()
{
    return deliverText(kMsuPayloadOffset, true);
}

int Client::hdrReport()
{
    return deliverText(kNmuPayloadOffset, false);
}

int Client::nc_HRMsuSys()
{
    PduView pdu = received();
    if (pdu.code() == kSysStartup) {
        NetAddr server = pdu.source();
        setOwnAddress(server);
        sendPayload(kFamilyMsu, kMsuSys, server, kSysAnswer, 1, 0, kMsuPayloadOffset, {});
        return 1;
    }
    if (pdu.code() == kSysShutdown) {
        connectionBroken();
        return -4;
    }
    return 1;
}
