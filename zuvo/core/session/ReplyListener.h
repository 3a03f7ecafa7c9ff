#pragma once

// The listener of a window that sends one kind of request and waits for its
// answer (the password dialogs). It registers with the agent for its whole
// life and removes itself when destroyed, so the window that owns it as a
// member stops hearing replies before it goes. Its handlers run on the
// agent's worker thread with the client's listener lock held: they must only
// post to the window (WindowRegistry), never touch a widget or wait for the
// GUI.

#include <functional>
#include <optional>
#include <string>

#include "core/session/AgentPort.h"
#include "netvoy/ClientEventListener.h"

// What an event that carries the listener's invoke id says.
struct CommandReply {
    bool forCommand = false; // its "event" is the listener's command (any case)
    bool success = false;    // forCommand, and its "result" is "success" (any case)
};

class ReplyListener : public ClientEventListener {
public:
    using ReplyHandler = std::function<void(const CommandReply&)>;
    using DisconnectHandler = std::function<void()>;

    // Registers with agent. Events whose "invokeid" is not invokeId are
    // ignored; every other event reaches onReply.
    ReplyListener(AgentPort& agent, std::string command, long invokeId, ReplyHandler onReply,
                  DisconnectHandler onLost = {});
    ~ReplyListener() override;
    ReplyListener(const ReplyListener&) = delete;
    ReplyListener& operator=(const ReplyListener&) = delete;

    long InvokeId() const { return invokeId_; }
    const std::string& Command() const { return command_; }

    // onLost when given; 1.
    int onDisconnect() override;
    // onReply for an event with the invoke id; 1.
    int onReceive(CRL::Event* event) override;
    // File transfers are not this listener's: -1.
    int onProcess(CRL::Event* event) override;

    // What the event says to a listener of command and invokeId; nothing
    // when it carries another invoke id.
    static std::optional<CommandReply> Read(CRL::Event& event, const std::string& command, long invokeId);

private:
    AgentPort& agent_;
    const std::string command_;
    const long invokeId_;
    const ReplyHandler onReply_;
    const DisconnectHandler onLost_;
};
