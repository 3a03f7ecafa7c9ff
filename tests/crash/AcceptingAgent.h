#pragma once

// The fax server of the send crash test, inside the child: every upload
// succeeds at once and every "sendfax" is accepted. What the server
// accepted is written to a log file outside the child's memory (one line
// with the fax's "title" per "sendfax", appended before the reply goes
// out), so that a kill cannot take it back and the parent can tell a fax
// submitted twice. Events reach the listeners from a worker thread of its
// own, as the agent client's worker delivers them.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/session/AgentPort.h"
#include "spindle/VMutex.h"

class AcceptingAgent : public AgentPort {
public:
    explicit AcceptingAgent(std::string serverLog);
    ~AcceptingAgent() override;
    AcceptingAgent(const AcceptingAgent&) = delete;
    AcceptingAgent& operator=(const AcceptingAgent&) = delete;

    int connect(const char*, int) override { return 1; }
    int closeServer() override { return 1; }
    int clearArgs() override;
    int appendArg(const char* key, const char* val) override;
    int appendArg(const char* key, long val) override;
    int invoke() override;
    Spindle::Lockable& requestLock() override { return requestLock_; }
    int run() override { return 1; }
    int stop() override { return 1; }
    int isRun() override { return 1; }
    int addEventListener(ClientEventListener* listener) override;
    int removeEventListener(ClientEventListener* listener) override;
    int removeEventListeners() override;
    int upLoadFile(long invokeId, const char* fileName) override;
    int downLoadFile(long, const char*, const char*) override { return 0; }
    int cancelUploadFile(long, long) override { return 1; }
    int cancelDownloadFile(long, long) override { return 1; }

private:
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    void post(Pairs event);
    void deliverLoop();

    const std::string serverLog_;
    Spindle::VMutex requestLock_;
    std::mutex argsLock_;
    Pairs args_; // under argsLock_
    long lastTask_ = 100; // under argsLock_

    std::mutex queueLock_;
    std::condition_variable wake_;
    std::deque<Pairs> events_; // under queueLock_
    bool stopping_ = false;    // under queueLock_

    std::recursive_mutex listenerLock_; // held over every delivery, as the client's listener lock
    std::vector<ClientEventListener*> listeners_; // under listenerLock_
    std::thread worker_;
};
