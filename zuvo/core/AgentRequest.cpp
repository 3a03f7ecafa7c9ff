#include "core/AgentPort.h"

AgentRequest::AgentRequest(AgentPort& agent, const char* command, Args args)
    : agent_(agent), hold_(agent.requestLock())
{
    if (args == Args::Clear)
        agent_.clearArgs();
    agent_.appendArg("command", command);
}

AgentRequest& AgentRequest::arg(const char* key, const std::string& val)
{
    agent_.appendArg(key, val.c_str());
    return *this;
}

AgentRequest& AgentRequest::arg(const char* key, const char* val)
{
    agent_.appendArg(key, val);
    return *this;
}

AgentRequest& AgentRequest::arg(const char* key, long val)
{
    agent_.appendArg(key, val);
    return *this;
}

int AgentRequest::invoke()
{
    return agent_.invoke();
}
