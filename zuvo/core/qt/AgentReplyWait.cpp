#include "core/qt/AgentReplyWait.h"

#include "core/qt/Prompter.h"
#include "core/session/InvokeIds.h"
#include "core/session/ReplyListener.h"

AgentReplyWait::AgentReplyWait(AgentPort& agent, QObject* parent)
    : QObject(parent), agent_(agent), invokeId_(NextInvokeId())
{
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (timer_.isSingleShot())
            timer_.stop();
        emit timedOut();
    });
}

AgentReplyWait::~AgentReplyWait()
{
    listener_.reset();
}

void AgentReplyWait::Listen(const QString& command)
{
    listener_.reset();
    const WindowId window = window_.Id();
    // On the agent's worker thread: post only.
    auto onReply = [window](const CommandReply& reply) {
        if (reply.success) {
            WindowRegistry::Post(window, WM_AGENT_REPLY_DONE);
            return;
        }
        WindowRegistry::Invoke(window, [forCommand = reply.forCommand](QObject& target) {
            emit static_cast<AgentReplyWait&>(target).replied(forCommand);
        });
    };
    auto onLost = [window] {
        WindowRegistry::Invoke(window, [](QObject& target) { emit static_cast<AgentReplyWait&>(target).disconnected(); });
    };
    listener_ = std::make_unique<ReplyListener>(agent_, command.toStdString(), invokeId_, onReply, onLost);
}

void AgentReplyWait::StartTimer(int periodMs, bool repeating)
{
    timer_.setSingleShot(!repeating);
    timer_.start(periodMs);
}

void AgentReplyWait::StopTimer()
{
    timer_.stop();
}

void AgentReplyWait::Notice(const QString& text)
{
    if (boxOpen_)
        return;
    boxOpen_ = true;
    ShowMessage(text);
    boxOpen_ = false;
}

bool AgentReplyWait::event(QEvent* event)
{
    if (event->type() == WindowMessageEvent::EventType()) {
        if (static_cast<WindowMessageEvent*>(event)->Message() == WM_AGENT_REPLY_DONE)
            emit succeeded();
        return true;
    }
    return QObject::event(event);
}
