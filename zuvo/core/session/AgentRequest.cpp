#include "core/session/AgentPort.h"

#include <cstring>

#include "jotter/Jotter.h"

namespace {

constexpr char kFullWidthBar[] = "\xEF\xBD\x9C"; // U+FF5C, in UTF-8

} // namespace

std::string RequestValue(std::string_view value)
{
    std::string carried;
    carried.reserve(value.size());
    for (char c : value) {
        if (c == '|')
            carried += kFullWidthBar;
        else
            carried += c;
    }
    return carried;
}

bool IsRequestKey(const char* key)
{
    return key && *key && !std::strpbrk(key, "=|");
}

AgentRequest::AgentRequest(AgentPort& agent, const char* command, Args args)
    : agent_(agent), hold_(agent.requestLock()), command_(command ? command : "")
{
    if (args == Args::Clear)
        agent_.clearArgs();
    arg("command", command_);
}

bool AgentRequest::Accepts(const char* key)
{
    if (IsRequestKey(key))
        return true;
    if (!refused_)
        cpLog(kLogFailure, "request <%s>: the key <%s> cannot be carried (empty, or holds \"=\" or \"|\"): not sent",
              command_.c_str(), key ? key : "");
    refused_ = true;
    return false;
}

AgentRequest& AgentRequest::arg(const char* key, const std::string& val)
{
    if (Accepts(key))
        agent_.appendArg(key, RequestValue(val).c_str());
    return *this;
}

AgentRequest& AgentRequest::arg(const char* key, const char* val)
{
    return arg(key, std::string(val ? val : ""));
}

AgentRequest& AgentRequest::arg(const char* key, long val)
{
    if (Accepts(key))
        agent_.appendArg(key, val);
    return *this;
}

int AgentRequest::invoke()
{
    return refused_ ? 0 : agent_.invoke();
}
