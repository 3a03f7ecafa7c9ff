#pragma once

#include <string>

#include "corlane/Event.h"
#include "netvoy/Client.h"

// The face of the agent client for the main program: a Client plus one
// argument event that collects the pairs of the next request. A request is
// clearArgs(), appendArg()..., invoke(); invoke() queues a copy. The sequence
// is not atomic: callers on several threads serialise whole sequences.
class AgentProxy : public Client {
public:
    AgentProxy() = default;
    // Stores host and port and connects at once.
    AgentProxy(const char* host, int port) : Client(host, port) {}
    ~AgentProxy() override = default;

    // Kept whole; connect() refuses a name over 127 characters.
    void setServerAddress(const char* host) { storeServer(host); }
    void setService(int port) { serverPort_ = port; }
    const char* getServerAddress() const { return serverAddress_.c_str(); }
    int getService() const { return serverPort_; }

    // Connects to the stored host and port: 0 connected, -1 failed.
    int connect();
    // Stores host and port, then connects: 1 connected, 0 failed.
    int connect(const char* host, int port);
    // 1 when connect() succeeded, else 0.
    int openServer();
    // Ends the connection (listeners get onDisconnect()).
    int disconnect();
    // disconnect(); returns 1.
    int closeServer();

    // Upserts into the argument event; numbers travel as decimal text.
    int appendArg(const char* key, const char* val);
    int appendArg(const char* key, long val);
    int appendArg(const char* key, int val) { return appendArg(key, static_cast<long>(val)); }
    int updateArg(const char* key, const char* val);
    int removeArg(const char* key);
    // Empties the argument event; 1.
    int clearArgs();
    // Queues a copy of the arguments: 1; 0 when the copy cannot be queued
    // (too long for one PDU, not writable as GBK). The arguments stay.
    int invoke();

private:
    CRL::Event args_;
};
