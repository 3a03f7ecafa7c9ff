#pragma once

// The waiting side of a dialog that sends one kind of request to the agent
// server and acts on its answer (the password dialogs). It owns the
// dialog's listener, the invoke id of its requests and its reply timer, and
// turns what arrives on the agent's worker thread into signals on the GUI
// thread: a successful reply travels as WM_AGENT_REPLY_DONE posted through
// WindowRegistry, everything else as a queued call. The listener is removed
// before anything else of the object goes.

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

#include "core/session/AgentPort.h"
#include "core/qt/WindowMessage.h"

class ReplyListener;

class AgentReplyWait : public QObject {
    Q_OBJECT
public:
    // Takes a new invoke id for the requests of its owner.
    AgentReplyWait(AgentPort& agent, QObject* parent);
    ~AgentReplyWait() override;

    // Registers with the agent for the replies to command (again, when the
    // command changes); until then nothing is heard.
    void Listen(const QString& command);
    long InvokeId() const { return invokeId_; }
    AgentPort& Agent() { return agent_; }

    // Starts the reply timer: timedOut() after periodMs, once or every
    // period until Stop().
    void StartTimer(int periodMs, bool repeating);
    void StopTimer();
    bool TimerActive() const { return timer_.isActive(); }

    // Shows text in a message box through the prompter, unless a box of this
    // wait is still open (a repeating time-out never stacks its boxes).
    void Notice(const QString& text);

signals:
    // A reply with the invoke id that is not a success (GUI thread).
    void replied(bool forCommand);
    // A successful reply to the command (GUI thread, from WM_AGENT_REPLY_DONE).
    void succeeded();
    void timedOut();
    // The connection to the server ended (GUI thread).
    void disconnected();

protected:
    bool event(QEvent* event) override;

private:
    AgentPort& agent_;
    const long invokeId_;
    QTimer timer_;
    bool boxOpen_ = false;
    RegisteredWindow window_{this};
    std::unique_ptr<ReplyListener> listener_; // made last, removed first
};
