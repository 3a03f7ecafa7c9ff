// The send crash test's server: uploads and submissions accepted at once,
// submissions logged to a file before their reply.
#include "AcceptingAgent.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "corlane/Event.h"
#include "netvoy/ClientEventListener.h"

AcceptingAgent::AcceptingAgent(std::string serverLog)
    : serverLog_(std::move(serverLog)), worker_([this] { deliverLoop(); })
{
}

AcceptingAgent::~AcceptingAgent()
{
    {
        std::lock_guard<std::mutex> hold(queueLock_);
        stopping_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

int AcceptingAgent::clearArgs()
{
    std::lock_guard<std::mutex> hold(argsLock_);
    args_.clear();
    return 1;
}

int AcceptingAgent::appendArg(const char* key, const char* val)
{
    std::lock_guard<std::mutex> hold(argsLock_);
    args_.emplace_back(key, val);
    return 1;
}

int AcceptingAgent::appendArg(const char* key, long val)
{
    return appendArg(key, std::to_string(val).c_str());
}

int AcceptingAgent::invoke()
{
    Pairs request;
    {
        std::lock_guard<std::mutex> hold(argsLock_);
        request = args_;
    }
    const auto value = [&request](const char* key) {
        for (const auto& [k, v] : request)
            if (k == key)
                return v;
        return std::string();
    };
    if (value("command") != "sendfax")
        return 1;
    // The server has the fax from here on.
    const std::string line = value("title") + "\n";
    const int fd = ::open(serverLog_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        if (fd >= 0)
            ::close(fd);
        return 0;
    }
    ::close(fd);
    post({{"event", "sendfax"}, {"result", "success"}, {"invokeid", value("invokeid")}});
    return 1;
}

int AcceptingAgent::addEventListener(ClientEventListener* listener)
{
    std::lock_guard<std::recursive_mutex> hold(listenerLock_);
    listeners_.push_back(listener);
    return 1;
}

int AcceptingAgent::removeEventListener(ClientEventListener* listener)
{
    std::lock_guard<std::recursive_mutex> hold(listenerLock_);
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
    return 1;
}

int AcceptingAgent::removeEventListeners()
{
    std::lock_guard<std::recursive_mutex> hold(listenerLock_);
    listeners_.clear();
    return 1;
}

int AcceptingAgent::upLoadFile(long invokeId, const char*)
{
    long taskId = 0;
    {
        std::lock_guard<std::mutex> hold(argsLock_);
        taskId = ++lastTask_;
    }
    post({{"event", "upload-success"}, {"taskid", std::to_string(taskId)}, {"invokeid", std::to_string(invokeId)}});
    return static_cast<int>(taskId);
}

void AcceptingAgent::post(Pairs event)
{
    {
        std::lock_guard<std::mutex> hold(queueLock_);
        events_.push_back(std::move(event));
    }
    wake_.notify_one();
}

void AcceptingAgent::deliverLoop()
{
    for (;;) {
        Pairs next;
        {
            std::unique_lock<std::mutex> hold(queueLock_);
            wake_.wait(hold, [this] { return stopping_ || !events_.empty(); });
            if (events_.empty())
                return;
            next = std::move(events_.front());
            events_.pop_front();
        }
        CRL::Event event;
        for (const auto& [key, value] : next)
            event.appendKV(key.c_str(), value.c_str());
        std::lock_guard<std::recursive_mutex> hold(listenerLock_);
        for (ClientEventListener* listener : listeners_)
            listener->onReceive(&event);
    }
}
