#include "core/session/AgentHelp.h"

#include "core/stores/AccountConfig.h"
#include "spindle/VLock.h"

namespace {

std::string FaxUser()
{
    AccountConfig::Open();
    return AccountConfig::GetFaxUser();
}

} // namespace

// Keeps the instance without ever destroying it: listeners and the worker
// may be in use until the process ends.
struct AgentHelp::Holder {
    union {
        AgentHelp help;
    };
    Holder() : help() {}
    ~Holder() {}
};

AgentHelp* AgentHelp::getInstance()
{
    static Holder holder;
    return &holder.help;
}

int AgentHelp::connect(const char* host, int port)
{
    proxy_.setServerAddress(host);
    proxy_.setService(port);
    return proxy_.openServer();
}

int AgentHelp::closeServer()
{
    return proxy_.closeServer();
}

int AgentHelp::clearArgs()
{
    Spindle::VLock hold(requestLock_);
    return proxy_.clearArgs();
}

int AgentHelp::appendArg(const char* key, const char* val)
{
    Spindle::VLock hold(requestLock_);
    return proxy_.appendArg(key, val);
}

int AgentHelp::appendArg(const char* key, long val)
{
    Spindle::VLock hold(requestLock_);
    return proxy_.appendArg(key, val);
}

int AgentHelp::invoke()
{
    Spindle::VLock hold(requestLock_);
    return proxy_.invoke();
}

int AgentHelp::run()
{
    proxy_.run();
    return 1;
}

int AgentHelp::stop()
{
    proxy_.stop();
    return 1;
}

int AgentHelp::isRun()
{
    return proxy_.isRun();
}

int AgentHelp::addEventListener(ClientEventListener* listener)
{
    return proxy_.addEventListener(listener);
}

int AgentHelp::removeEventListener(ClientEventListener* listener)
{
    return proxy_.removeEventListener(listener);
}

int AgentHelp::removeEventListeners()
{
    return proxy_.removeEventListeners();
}

int AgentHelp::upLoadFile(long invokeId, const char* fileName)
{
    return proxy_.upLoadFile(invokeId, FaxUser().c_str(), fileName);
}

int AgentHelp::downLoadFile(long invokeId, const char* serverName, const char* localPath)
{
    return proxy_.downLoadFile(invokeId, FaxUser().c_str(), serverName, localPath);
}

int AgentHelp::cancelUploadFile(long invokeId, long taskId)
{
    return proxy_.cancelUploadFile(invokeId, taskId);
}

int AgentHelp::cancelDownloadFile(long invokeId, long taskId)
{
    return proxy_.cancelDownloadFile(invokeId, taskId);
}

int AgentHelp::pushEvent(CRL::Event* event)
{
    if (!event)
        return 0;
    Spindle::VLock hold(pendingLock_);
    pending_.emplace_back(event);
    return 1;
}

int AgentHelp::removeEvent(CRL::Event* event)
{
    Spindle::VLock hold(pendingLock_);
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->get() == event && event) {
            pending_.erase(it);
            return 1;
        }
    }
    return 0;
}
