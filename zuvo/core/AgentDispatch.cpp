#include "core/AgentDispatch.h"

#include "core/StatusTexts.h"
#include "core/TextUtil.h"
#include "jotter/Jotter.h"
#include "res/StringTable.h"

namespace {

constexpr unsigned kIdsAlreadyLatest = 61470; // "您当前使用的程序已经是最新版本！"
constexpr unsigned kIdsReceiveFailed = 61471; // "接收传真件失败！"
constexpr unsigned kIdsFaxArrived = 61545;    // "您有传真件，请阅览！"
constexpr unsigned kIdsUnknown = 61550;       // "未知"
constexpr unsigned kIdsUpdateFailed = 61551;  // "系统升级失败！"
constexpr unsigned kIdsLoginFailed = 61560;   // "登入网络传真服务失败：%s!"
constexpr unsigned kIdsKicked = 61561;        // "您的账号已经在另一台机器登入！"

constexpr int kPaneFaxNumber = 2;
constexpr int kPaneAddress = 3;
constexpr int kPaneFaxState = 4;

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
    events.SetPaneText(kPaneAddress, std::string(LoadString(kIdsUnknown)));
    events.SetPaneText(kPaneFaxNumber, session_.NetFaxNumber());
    session_.state().connected = 0;
    session_.state().loggedIn = 0;
    events.EnableAccountProperties();
    events.SetState(StateRegistrationFailed);
    session_.appLoggedIn = 0;
    events.SetAutoReceiveMark(false);
}

int AgentDispatch::onDisconnect()
{
    cpLog(4, "onDisconnect");
    if (session_.state().kicked)
        return 1;
    ShowOffline();
    session_.events().ConnectionLost();
    session_.queue().RestartStalledDownload();
    return 1;
}

int AgentDispatch::onProcess(CRL::Event* event)
{
    if (event)
        event->getLong("invokeid");
    return 1;
}

int AgentDispatch::onReceive(CRL::Event* received)
{
    if (!received)
        return 0;
    CRL::Event& event = *received;
    cpLog(4, "OnReceive Event=<%s> Result=<%s>", event.getString("event"), event.getString("result"));
    if (Is(event, "login"))
        return OnLogin(event);
    if (Is(event, "logout")) {
        session_.events().EnableAccountProperties();
        session_.events().SetState(StateRegistrationFailed);
        return 1;
    }
    if (Is(event, "notify")) {
        cpLog(4, "notify , state=<%s>", event.getString("state"));
        session_.events().SetPaneText(kPaneFaxState, event.getString("state"));
        return 1;
    }
    if (Is(event, "shutdown"))
        return OnShutdown();
    if (Is(event, "update-last")) {
        session_.updateInProgress = 0;
        session_.NoticeId(kIdsAlreadyLatest);
        return 1;
    }
    if (Is(event, "update")) {
        if (EqualsNoCase(event.getString("result"), "failed")) {
            session_.updateInProgress = 0;
            session_.NoticeId(kIdsUpdateFailed);
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
        events.PostNotice(FormatText(std::string(LoadString(kIdsLoginFailed)).c_str(), event.getString("cause")));
        return 1;
    }
    session_.state().loggedIn = 1;
    // Back online: a later loss of the connection is noticed again.
    session_.state().kicked = 0;
    events.SetPaneText(kPaneAddress, event.getString("remoteaddress"));
    session_.SetNetFaxNumber(event.getString("netfaxno"));
    events.SetPaneText(kPaneFaxNumber, session_.NetFaxNumber());
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
    session_.NoticeId(kIdsKicked);
    // Idle until the user chooses "联机".
    session_.state().KillRetry();
    ShowOffline();
    return 1;
}

int AgentDispatch::OnDownloadEnd(CRL::Event& event, bool succeeded)
{
    if (!IsOwn(event)) {
        cpLog(4, "invalidate invokeid");
        return 1;
    }
    const long taskId = event.getLong("taskid");
    DownloadQueue& queue = session_.queue();
    if (succeeded ? queue.DownloadSucceeded(taskId) : queue.DownloadFailed(taskId))
        return 1;
    if (succeeded)
        cpLog(3, "findEvent Failed");
    return 0;
}

int AgentDispatch::OnUpdateFax(CRL::Event& event)
{
    if (!IsOwn(event))
        return 0;
    if (!Succeeded(event)) {
        session_.NoticeId(kIdsReceiveFailed);
        return 1;
    }
    if (session_.FaxListAtEnd()) {
        session_.NoticeId(kIdsFaxArrived);
        return 1;
    }
    if (!session_.SendQueryFax())
        session_.NoticeId(kIdsReceiveFailed);
    return 1;
}

int AgentDispatch::StoreAndAcknowledge(CRL::Event& event)
{
    session_.writer().addInBox(event);
    session_.PlaySound(session_.account().Load().faxReplyNotifyFile, "faxreply");
    if (!session_.SendUpdateFax(event))
        session_.NoticeId(kIdsReceiveFailed);
    return 1;
}

int AgentDispatch::OnQueryFax(CRL::Event& event)
{
    if (!IsOwn(event))
        return 0;
    if (!Succeeded(event))
        return 1;
    const std::string faxType = event.getString("faxtype");
    if (faxType == "20")
        return StoreAndAcknowledge(event);
    if (faxType == "30" || faxType == "40" || faxType == "50")
        return QueueReceivedFax(event);
    return 1;
}

int AgentDispatch::OnQueryFaxList(CRL::Event& event)
{
    if (!IsOwn(event))
        return 0;
    if (!Succeeded(event))
        return 1;
    cpLog(4, "queryfaxlist , return success , faxcount=<%d>", event.getInt("count"));
    session_.StartFaxList(event);
    if (session_.FaxListAtEnd())
        return 1;
    if (!session_.SendQueryFax())
        session_.NoticeId(kIdsReceiveFailed);
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
