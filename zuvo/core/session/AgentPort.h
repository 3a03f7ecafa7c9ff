#pragma once

#include <string>
#include <string_view>

#include "spindle/Lockable.h"
#include "spindle/VLock.h"

class ClientEventListener;

// What the program asks of the agent connection: connecting, the worker,
// the listeners, the shared argument list of the next request and the file
// service. AgentHelp is the program's one implementation; tests put a fake
// in its place.
class AgentPort {
public:
    virtual ~AgentPort() = default;

    // 1 connected, 0 failed.
    virtual int connect(const char* host, int port) = 0;
    virtual int closeServer() = 0;

    // The argument list shared by every request. Build requests through
    // AgentRequest, which holds requestLock() from the first step to invoke().
    virtual int clearArgs() = 0;
    virtual int appendArg(const char* key, const char* val) = 0;
    virtual int appendArg(const char* key, long val) = 0;
    // Queues a copy of the arguments for the worker: 1, or 0 when it could not.
    virtual int invoke() = 0;
    virtual Spindle::Lockable& requestLock() = 0;

    virtual int run() = 0;
    virtual int stop() = 0;
    virtual int isRun() = 0;

    virtual int addEventListener(ClientEventListener* listener) = 0;
    virtual int removeEventListener(ClientEventListener* listener) = 0;
    virtual int removeEventListeners() = 0;

    // File transfer for the default account's fax user: the task id, or 0
    // when no transfer was started.
    virtual int upLoadFile(long invokeId, const char* fileName) = 0;
    virtual int downLoadFile(long invokeId, const char* serverName, const char* localPath) = 0;
    virtual int cancelUploadFile(long invokeId, long taskId) = 0;
    virtual int cancelDownloadFile(long invokeId, long taskId) = 0;
};

// One request, built and queued as one uninterrupted sequence: the request
// lock is held from construction to destruction, so requests of different
// threads never mix their keys.
//
//     AgentRequest(agent, "queryfax").arg("user", user).arg("invokeid", id).invoke();
//
// Args::KeepPrevious leaves the pairs of the request before in the list
// ("login", "logout", "update" and "checkpassword-z" have always been sent
// that way); a key set again takes its new value.
//
// The text form of a request separates pairs with "|" and key from value
// with the first "=", and cannot escape either. So every value is carried
// with each "|" written as the full-width bar "｜" (U+FF5C), and a key that
// holds "=" or "|" (or is empty) refuses the whole request: invoke() then
// queues nothing, returns 0 and the log names the request and the key.
class AgentRequest {
public:
    enum class Args { Clear, KeepPrevious };

    AgentRequest(AgentPort& agent, const char* command, Args args = Args::Clear);
    AgentRequest(const AgentRequest&) = delete;
    AgentRequest& operator=(const AgentRequest&) = delete;

    AgentRequest& arg(const char* key, const std::string& val);
    AgentRequest& arg(const char* key, const char* val);
    AgentRequest& arg(const char* key, long val);
    AgentRequest& arg(const char* key, int val) { return arg(key, static_cast<long>(val)); }
    // Queues the request: the result of AgentPort::invoke, or 0 when a key
    // was refused.
    int invoke();

private:
    // Whether the key can be carried; the first refused key is logged.
    bool Accepts(const char* key);

    AgentPort& agent_;
    Spindle::VLock hold_; // the request lock, from the first step to the end
    std::string command_;
    bool refused_ = false;
};

// The value as a request carries it: each "|" becomes "｜" (U+FF5C).
std::string RequestValue(std::string_view value);
// Whether a request can carry the key: not empty, no "=" and no "|".
bool IsRequestKey(const char* key);
