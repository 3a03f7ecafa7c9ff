#include "netvoy/AgentProxy.h"

int AgentProxy::connect()
{
    return tryConnect();
}

int AgentProxy::connect(const char* host, int port)
{
    setServerAddress(host);
    setService(port);
    return connect() == 0 ? 1 : 0;
}

int AgentProxy::openServer()
{
    return connect() == 0 ? 1 : 0;
}

int AgentProxy::disconnect()
{
    return disConnect();
}

int AgentProxy::closeServer()
{
    disconnect();
    return 1;
}

int AgentProxy::appendArg(const char* key, const char* val)
{
    return args_.appendKV(key, val);
}

int AgentProxy::appendArg(const char* key, long val)
{
    return args_.appendKV(key, std::to_string(val).c_str());
}

int AgentProxy::updateArg(const char* key, const char* val)
{
    return args_.setKV(key, val);
}

int AgentProxy::removeArg(const char* key)
{
    return args_.removeKV(key);
}

int AgentProxy::clearArgs()
{
    args_.clearAllItems();
    return 1;
}

int AgentProxy::invoke()
{
    CRL::EventPtr request = CRL::makeEvent();
    request->copy(&args_);
    return push(std::move(request));
}
