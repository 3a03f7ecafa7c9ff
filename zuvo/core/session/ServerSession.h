#pragma once

#include <atomic>

#include "core/frame/FrameSession.h"
#include "core/session/AgentDispatch.h"
#include "core/session/FaxSession.h"
#include "core/session/SessionThread.h"
#include "netvoy/ClientEventListener.h"

// The main window's server session: the session thread over a FaxSession,
// registered with the agent as the window's listener. The main window
// drives it through MainFrameSession and hears from it through the
// SessionEvents of the context.
class ServerSession : public MainFrameSession, public ClientEventListener {
public:
    explicit ServerSession(const SessionContext& context, SessionPeriods periods = {});
    ~ServerSession() override;

    FaxSession& session() { return session_; }

    // ---- MainFrameSession
    void Start() override;
    void Stop() override;
    void Disconnect() override;
    void Reconnect() override;
    void SetEnabled(bool enabled) override;
    bool IsLoggedIn() const override;
    int SendUpdateRequest() override;
    bool IsUpdateInProgress() const override;
    void SetUpdateInProgress(bool running) override;
    int LogInAgain() override;
    std::string LoginToken() const override;
    std::string NetFaxNumber() const override;

    // ---- ClientEventListener (the agent's worker)
    int onDisconnect() override { return dispatch_.onDisconnect(); }
    int onReceive(CRL::Event* event) override { return dispatch_.onReceive(event); }
    int onProcess(CRL::Event* event) override { return dispatch_.onProcess(event); }

private:
    AgentPort& agent_;
    mutable FaxSession session_;
    AgentDispatch dispatch_;
    SessionThread thread_;
    std::atomic<bool> started_{false};
};
