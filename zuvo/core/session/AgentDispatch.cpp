#include "core/session/AgentDispatch.h"

#include "core/TextUtil.h"
#include "core/frame/StatusTexts.h"
#include "core/session/SessionTexts.h"
#include "jotter/Jotter.h"

namespace {

bool Is(CRL::Event& event, const char* name)
{
    return EqualsNoCase(event.getString("event"), name);
}

bool Succeeded(CRL::Event& event)
{
    return EqualsNoCase(event.getString("result"), "success");
}

} // namespace

bool AgentDispatch::IsOwn(CRL::Event& event)
{
    return event.getLong("invokeid") == session_.invokeId();
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
    if (event && IsOwn(*event) && Is(*event, "download-process"))
        session_.queue().DownloadProgressed(event->getLong("taskid"));
    return 1;
}

int AgentDispatch::onReceive(CRL::Event* received)
{
    if (!received)
        return 0;
    CRL::Event& event = *received;
    cpLog(kLogTrace, "OnReceive Event=<%s> Result=<%s>", event.getString("event"), event.getString("result"));
    if (Is(event, "login"))
        return OnLogin(event);
    if (Is(event, "logout")) {
        session_.events().EnableAccountProperties();
        session_.events().SetState(StateRegistrationFailed);
        return 1;
    }
    if (Is(event, "notify")) {
        cpLog(kLogTrace, "notify , state=<%s>", event.getString("state"));
        session_.events().SetPaneText(PANE_FAX_STATE, event.getString("state"));
        return 1;
    }
    if (Is(event, "shutdown"))
        return OnShutdown();
    if (Is(event, "update-last")) {
        session_.updateInProgress = 0;
        session_.NoticeId(IDS_ALREADY_LATEST);
        return 1;
    }
    if (Is(event, "update")) {
        if (EqualsNoCase(event.getString("result"), "failed")) {
            session_.updateInProgress = 0;
            session_.NoticeId(IDS_UPDATE_FAILED);
            return 1;
        }
        return QueueCopy(event);
    }
    if (Is(event, "download-success"))
        return OnDownloadEnd(event, true);
    if (Is(event, "download-failed"))
        return OnDownloadEnd(event, false);
    if (Is(event, "updatefax"))
        return OnUpdateFax(event);
    if (Is(event, "queryfax"))
        return OnQueryFax(event);
    if (Is(event, "queryfaxlist"))
        return OnQueryFaxList(event);
    if (Is(event, "faxreply-accept") || Is(event, "faxreply-reject"))
        return StoreAndAcknowledge(event);
    if (Is(event, "faxreceived") || Is(event, "voxreceived") || Is(event, "filetransfered"))
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
    // One fax never holds up the faxes after it: one that cannot be had is
    // left on the server (unacknowledged, so the next run asks again) and
    // the list goes on.
    const std::string replyFaxId = event.getString("faxid");
    const std::string faxId = replyFaxId.empty() ? session_.AskedFaxId() : replyFaxId;
    const std::string faxType = event.getString("faxtype");
    if (!Succeeded(event)) {
        cpLog(kLogFailure, "queryfax of <%s> failed (result <%s>, cause <%s>): left on the server", faxId.c_str(),
              event.getString("result"), event.getString("cause"));
        session_.ContinueFaxList();
        return 1;
    }
    if (faxType == "20")
        return StoreAndAcknowledge(event);
    if (faxType == "30" || faxType == "40" || faxType == "50")
        return QueueReceivedFax(event);
    if (faxType.empty() && replyFaxId.empty()) {
        // A success without a fax: the server has no more than this.
        cpLog(kLogTrace, "queryfax reply carries no fax: the fax list ends here");
        session_.EndFaxList();
        return 1;
    }
    cpLog(kLogFailure, "fax <%s> of type <%s> is not one this program receives: left on the server", faxId.c_str(),
          faxType.c_str());
    session_.ContinueFaxList();
    return 1;
}

int AgentDispatch::OnQueryFaxList(CRL::Event& event)
{
    if (!IsOwn(event))
        return 0;
    if (!Succeeded(event))
        return 1;
    cpLog(kLogTrace, "queryfaxlist , return success , faxcount=<%d>", event.getInt("count"));
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
