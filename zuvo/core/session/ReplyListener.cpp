#include "core/session/ReplyListener.h"

#include "core/session/AgentEvents.h"

ReplyListener::ReplyListener(AgentPort& agent, std::string command, long invokeId, ReplyHandler onReply,
                             DisconnectHandler onLost)
    : agent_(agent), command_(std::move(command)), invokeId_(invokeId), onReply_(std::move(onReply)),
      onLost_(std::move(onLost))
{
    agent_.addEventListener(this);
}

ReplyListener::~ReplyListener()
{
    // Waits for a callback in progress: the client calls listeners under the
    // lock that removing one takes.
    agent_.removeEventListener(this);
}

std::optional<CommandReply> ReplyListener::Read(CRL::Event& event, const std::string& command, long invokeId)
{
    if (!CarriesInvokeId(event, invokeId))
        return std::nullopt;
    CommandReply reply;
    reply.forCommand = IsEvent(event, command.c_str());
    reply.success = reply.forCommand && Succeeded(event);
    return reply;
}

int ReplyListener::onDisconnect()
{
    if (onLost_)
        onLost_();
    return 1;
}

int ReplyListener::onReceive(CRL::Event* event)
{
    if (!event)
        return 1;
    if (const auto reply = Read(*event, command_, invokeId_); reply && onReply_)
        onReply_(*reply);
    return 1;
}

int ReplyListener::onProcess(CRL::Event*)
{
    return -1;
}
