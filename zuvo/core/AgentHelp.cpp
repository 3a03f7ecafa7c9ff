#include "core/AgentHelp.h"

#include "core/AccountConfig.h"
#include "spindle/VLock.h"

namespace {

// The client's file service lands in its own step; until it is there the
// transfers report that nothing was started.
template <class Proxy>
int StartUpload(Proxy& proxy, long invokeId, const std::string& user, const char* fileName)
{
    if constexpr (requires { proxy.upLoadFile(invokeId, user.c_str(), fileName); })
        return static_cast<int>(proxy.upLoadFile(invokeId, user.c_str(), fileName));
    else
        return 0;
}

template <class Proxy>
int StartDownload(Proxy& proxy, long invokeId, const std::string& user, const char* serverName,
                  const char* localPath)
{
    if constexpr (requires { proxy.downLoadFile(invokeId, user.c_str(), serverName, localPath); })
        return static_cast<int>(proxy.downLoadFile(invokeId, user.c_str(), serverName, localPath));
    else
        return 0;
}

template <class Proxy>
int CancelTransfer(Proxy& proxy, long invokeId, long taskId, bool upload)
{
    if constexpr (requires { proxy.cancelUploadFile(invokeId, taskId); proxy.cancelDownloadFile(invokeId, taskId); })
        return upload ? proxy.cancelUploadFile(invokeId, taskId) : proxy.cancelDownloadFile(invokeId, taskId);
    else
        return 0;
}

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
    return StartUpload(proxy_, invokeId, FaxUser(), fileName);
}

int AgentHelp::downLoadFile(long invokeId, const char* serverName, const char* localPath)
{
    return StartDownload(proxy_, invokeId, FaxUser(), serverName, localPath);
}

int AgentHelp::cancelUploadFile(long invokeId, long taskId)
{
    return CancelTransfer(proxy_, invokeId, taskId, true);
}

int AgentHelp::cancelDownloadFile(long invokeId, long taskId)
{
    return CancelTransfer(proxy_, invokeId, taskId, false);
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
