#pragma once

// Opens TCP and UDP sockets (IPv4). Every call returns a socket descriptor or
// -1; there is no error text. A host name's look-up gives up after the
// look-up time-out and a TCP connect after the connect time-out, so neither
// a dead name server nor an unreachable host can block the caller for
// minutes.
class Socket {
public:
    static constexpr int kDefaultConnectTimeoutMs = 5000;
    static constexpr int kDefaultLookupTimeoutMs = 5000;

    Socket() = default;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    virtual ~Socket() = default;

    // `host`: a name or a dotted address; `service`: a service name or a
    // decimal port; `protocol`: "tcp" or "udp".
    int ConnectSocket(const char* host, const char* service, const char* protocol);
    int ConnectTCP(const char* host, const char* service);
    int ConnectUDP(const char* host, const char* service);
    // Bound to any local address with SO_REUSEADDR; a TCP socket also listens.
    int PassiveSocket(const char* service, const char* protocol, int backlog);
    int PassiveTCP(const char* service, int backlog);
    int PassiveUDP(const char* service);
    // Sets the receive and send buffer sizes to 65535; the socket or -1.
    int SetDefaultOption(unsigned int socket);

    void setConnectTimeout(int milliseconds) { connectTimeoutMs_ = milliseconds; }
    int connectTimeout() const { return connectTimeoutMs_; }
    void setLookupTimeout(int milliseconds) { lookupTimeoutMs_ = milliseconds; }
    int lookupTimeout() const { return lookupTimeoutMs_; }

private:
    int connectTimeoutMs_ = kDefaultConnectTimeoutMs;
    int lookupTimeoutMs_ = kDefaultLookupTimeoutMs;
};
