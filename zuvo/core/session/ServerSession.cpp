#include "core/session/ServerSession.h"

#include "core/frame/StatusTexts.h"

ServerSession::ServerSession(const SessionContext& context, SessionPeriods periods)
    : agent_(context.agent), session_(context, periods.downloadStallMs), dispatch_(session_),
      thread_(session_, session_.state(), periods)
{
    session_.SetListener(this);
}

ServerSession::~ServerSession()
{
    thread_.Stop();
    agent_.removeEventListener(this);
}

void ServerSession::Start()
{
    if (started_.exchange(true))
        return;
    SessionEvents& events = session_.events();
    events.SetState(StateOffline);
    events.SetAutoReceiveMark(false);
    events.EnableAccountProperties();
    session_.updateInProgress = 0;
    session_.ShowAddressUnknown();
    thread_.run();
}

void ServerSession::Stop()
{
    thread_.Stop();
}

void ServerSession::Disconnect()
{
    if (!agent_.isRun())
        return;
    agent_.removeEventListeners();
    session_.LogoutFaxServer();
    // The client sends what is queued, the logout included, before it closes.
    agent_.stop();
}

void ServerSession::Reconnect()
{
    session_.state().ArmRetry(thread_.periods().reconnectMs);
}

void ServerSession::SetEnabled(bool enabled)
{
    session_.state().SetEnabled(enabled);
}

bool ServerSession::IsLoggedIn() const
{
    return session_.state().loggedIn != 0;
}

int ServerSession::SendUpdateRequest()
{
    return session_.SendUpdateRequest();
}

bool ServerSession::IsUpdateInProgress() const
{
    return session_.updateInProgress != 0;
}

void ServerSession::SetUpdateInProgress(bool running)
{
    session_.updateInProgress = running ? 1 : 0;
}

int ServerSession::LogInAgain()
{
    if (!agent_.isRun())
        return 0;
    const int queued = session_.LogoutFaxServer();
    session_.state().loggedIn = 0;
    return queued;
}

std::string ServerSession::LoginToken() const
{
    return session_.LoginToken();
}

std::string ServerSession::NetFaxNumber() const
{
    return session_.NetFaxNumber();
}
