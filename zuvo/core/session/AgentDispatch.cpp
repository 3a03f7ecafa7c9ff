#include "core/session/AgentDispatch.h"

#include "core/frame/StatusTexts.h"
#include "core/session/AgentEvents.h"
#include "core/session/SessionTexts.h"
#include "jotter/Jotter.h"

bool AgentDispatch::IsOwn(CRL::Event& event)
{
    return CarriesInvokeId(event, session_.invokeId());
}

void AgentDispatch::ShowOffline()
{
    SessionEvents& events = session_.events();
    session_.ShowAddressUnknown();
    session_.state().connected = 0;
    session_.state().loggedIn = 0;
    events.EnableAccountProperties();
    events.SetState(StateRegistrationFailed);
    session_.appLoggedIn = 0;
    events.SetAutoReceiveMark(false);
}

int AgentDispatch::onDisconnect()
{
    cpLog(kLogTrace, "onDisconnect");
    if (session_.state().kicked)
        return 1;
    ShowOffline();
    session_.events().ConnectionLost();
    session_.queue().RestartStalledDownload();
    return 1;
}

int AgentDispatch::onProcess(CRL::Event* event)
{
    // Progress is not shown; a step of one of the pump's downloads keeps
    // that download from being given up as stalled.
    if (event && IsOwn(*event) && IsEvent(*event, "download-process"))
        session_.queue().DownloadProgressed(event->getLong("taskid"));
    return 1;
}

int AgentDispatch::onReceive(CRL::Event* received)
{
    if (!received)
        return 0;
    CRL::Event& event = *received;
    cpLog(kLogTrace, "OnReceive Event=<%s> Result=<%s>", event.getString("event"), event.getString("result"));
    if (IsEvent(event, "login"))
        return OnLogin(event);
    if (IsEvent(event, "logout")) {
        session_.events().EnableAccountProperties();
        session_.events().SetState(StateRegistrationFailed);
        return 1;
    }
    if (IsEvent(event, "notify")) {
        cpLog(kLogTrace, "notify , state=<%s>", event.getString("state"));
        session_.events().SetPaneText(PANE_FAX_STATE, event.getString("state"));
        return 1;
    }
    if (IsEvent(event, "shutdown"))
        return OnShutdown();
    if (IsEvent(event, "update-last")) {
        session_.updateInProgress = 0;
        session_.NoticeId(IDS_ALREADY_LATEST);
        return 1;
    }
    if (IsEvent(event, "update")) {
        if (HasResult(event, "failed")) {
            session_.updateInProgress = 0;
            session_.NoticeId(IDS_UPDATE_FAILED);
            return 1;
        }
        return QueueCopy(event);
    }
    if (IsEvent(event, "download-success"))
        return OnDownloadEnd(event, true);
    if (IsEvent(event, "download-failed"))
        return OnDownloadEnd(event, false);
    if (IsEvent(event, "updatefax"))
        return OnUpdateFax(event);
    if (IsEvent(event, "queryfax"))
        return OnQueryFax(event);
    if (IsEvent(event, "queryfaxlist"))
        return OnQueryFaxList(event);
    if (IsEvent(event, "faxreply-accept") || IsEvent(event, "faxreply-reject"))
        return StoreAndAcknowledge(event);
    if (IsEvent(event, "faxreceived") || IsEvent(event, "voxreceived") || IsEvent(event, "filetransfered"))
        return QueueReceivedFax(event);
    return 1;
}

int AgentDispatch::OnLogin(CRL::Event& event)
{
    SessionEvents& events = session_.events();
    if (!Succeeded(event)) {
        events.EnableAccountProperties();
        events.LoginFailed();
        events.SetState(StateOffline);
        // The cause is the server's text: put in place of "%s", never read as a format.
        std::string notice = SessionText(IDS_LOGIN_FAILED);
        const std::size_t slot = notice.find("%s");
        if (slot != std::string::npos)
            notice.replace(slot, 2, event.getString("cause"));
        events.PostNotice(notice);
        return 1;
    }
    session_.state().loggedIn = 1;
    // Back online: a later loss of the connection is noticed again.
    session_.state().kicked = 0;
    session_.queue().SetOnline(true);
    events.SetPaneText(PANE_ADDRESS, event.getString("remoteaddress"));
    session_.SetNetFaxNumber(event.getString("netfaxno"));
    events.SetPaneText(PANE_FAX_NUMBER, session_.NetFaxNumber());
    events.SetAutoReceiveMark(true);
    session_.appLoggedIn = 1;
    events.SetState(StateOnline);
    events.LoggedIn();
    session_.SendUpdateRequest();
    return 1;
}

int AgentDispatch::OnShutdown()
{
    session_.state().kicked = 1;
    session_.NoticeId(IDS_KICKED);
    // Idle until the user chooses "联机".
    session_.state().KillRetry();
    session_.queue().SetOnline(false);
    ShowOffline();
    // The frame stops its connecting animation and time-out notice.
    session_.events().LoggedInElsewhere();
    return 1;
}

int AgentDispatch::OnDownloadEnd(CRL::Event& event, bool succeeded)
{
    if (!IsOwn(event)) {
        cpLog(kLogTrace, "invalidate invokeid");
        return 1;
    }
    const long taskId = event.getLong("taskid");
    DownloadQueue& queue = session_.queue();
    if (succeeded ? queue.DownloadSucceeded(taskId) : queue.DownloadFailed(taskId))
        return 1;
    if (succeeded)
        cpLog(kLogFailure, "findEvent Failed");
    return 0;
}

int AgentDispatch::OnUpdateFax(CRL::Event& event)
{
    if (!IsOwn(event))
        return 0;
    if (!Succeeded(event)) {
        session_.NoticeId(IDS_RECEIVE_FAILED);
        return 1;
    }
    if (session_.FaxListAtEnd()) {
        session_.NoticeId(IDS_FAX_ARRIVED);
        session_.RetryFailedFaxes();
        return 1;
    }
    if (!session_.SendQueryFax())
        session_.NoticeId(IDS_RECEIVE_FAILED);
    return 1;
}

int AgentDispatch::StoreAndAcknowledge(CRL::Event& event)
{
    if (session_.writer().addInBox(event).empty()) {
        // Not stored, so not acknowledged: the server keeps it.
        session_.NoticeId(IDS_RECEIVE_FAILED);
        session_.FaxNotStored(event, DownloadOwner::NotStored::Filing);
        return 1;
    }
    session_.PlaySound(session_.account().Load().faxReplyNotifyFile, "faxreply");
    if (!session_.SendUpdateFax(event))
        session_.NoticeId(IDS_RECEIVE_FAILED);
    return 1;
}

int AgentDispatch::OnQueryFax(CRL::Event& event)
{
    if (!IsOwn(event))
        return 0;
    switch (session_.faxList().Answered(event)) {
    case FaxListWalk::Reply::StoreNow:
        return StoreAndAcknowledge(event);
    case FaxListWalk::Reply::Fetch:
        return QueueReceivedFax(event);
    case FaxListWalk::Reply::EndOfList:
    case FaxListWalk::Reply::LeaveOnServer:
        // One fax never holds up the faxes after it: the next is asked for
        // (at the end of the list, the faxes to try again are queued).
        session_.ContinueFaxList();
        return 1;
    }
    return 1;
}

int AgentDispatch::OnQueryFaxList(CRL::Event& event)
{
    if (!IsOwn(event))
        return 0;
    if (!Succeeded(event))
        return 1;
    session_.StartFaxList(event);
    if (session_.FaxListAtEnd())
        return 1;
    if (!session_.SendQueryFax())
        session_.NoticeId(IDS_RECEIVE_FAILED);
    return 1;
}

int AgentDispatch::QueueReceivedFax(CRL::Event& event)
{
    session_.PlaySound(session_.account().Load().rcvFaxNotifyFile, "rcvfax");
    return QueueCopy(event);
}

int AgentDispatch::QueueCopy(CRL::Event& event)
{
    return session_.queue().PushCopy(event);
}
