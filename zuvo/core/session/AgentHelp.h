#pragma once

#include <list>

#include "core/session/AgentPort.h"
#include "corlane/Event.h"
#include "netvoy/AgentProxy.h"
#include "spindle/VMutex.h"

// The program's one access point to the agent client: one AgentProxy,
// created on first use and never destroyed. Every window and thread that
// talks to the agent server goes through it; requests are built with
// AgentRequest, which holds the request lock over the whole sequence.
class AgentHelp : public AgentPort {
public:
    static AgentHelp* getInstance();

    int connect(const char* host, int port) override;
    int closeServer() override;

    int clearArgs() override;
    int appendArg(const char* key, const char* val) override;
    int appendArg(const char* key, long val) override;
    int invoke() override;
    Spindle::Lockable& requestLock() override { return requestLock_; }

    int run() override;
    int stop() override;
    int isRun() override;

    int addEventListener(ClientEventListener* listener) override;
    int removeEventListener(ClientEventListener* listener) override;
    int removeEventListeners() override;

    // For the default account's FaxUser (the account store is opened first).
    int upLoadFile(long invokeId, const char* fileName) override;
    int downLoadFile(long invokeId, const char* serverName, const char* localPath) override;
    int cancelUploadFile(long invokeId, long taskId) override;
    int cancelDownloadFile(long invokeId, long taskId) override;

    // Events kept for later (no caller in the program); the list owns them.
    int pushEvent(CRL::Event* event);
    int removeEvent(CRL::Event* event);

    AgentProxy& proxy() { return proxy_; }

    AgentHelp(const AgentHelp&) = delete;
    AgentHelp& operator=(const AgentHelp&) = delete;

protected:
    AgentHelp() = default;
    ~AgentHelp() override = default;

private:
    struct Holder;

    AgentProxy proxy_;
    Spindle::VMutex requestLock_;
    std::list<CRL::EventPtr> pending_;
    Spindle::VMutex pendingLock_;
};
