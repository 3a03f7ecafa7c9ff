#include "core/session/FaxSession.h"

#include <chrono>
#include <optional>
#include <thread>

#include "core/codec/Base64.h"
#include "core/frame/StatusTexts.h"
#include "core/session/AgentEvents.h"
#include "core/session/DownloadStaging.h"
#include "core/session/InvokeIds.h"
#include "core/session/SessionStores.h"
#include "core/stores/ProgramPaths.h"
#include "corlane/gtTime.h"
#include "jotter/Jotter.h"

namespace {

constexpr int kWorkerStartMs = 5000;          // bound of the wait for the agent's worker

} // namespace

FaxSession::FaxSession(const SessionContext& context, int downloadStallMs)
    : context_(context), requests_(context.agent, NextInvokeId()),
      queue_(context.agent, requests_.invokeId(), *this, downloadStallMs),
      writer_(context.account, context.pageCounter, context.contacts)
{
    // The session thread waits for the pump's work.
    queue_.SetWorkSignal([this] { state_.wake().Post(); });
}

void FaxSession::NoticeId(SessionStringId id)
{
    Notice(SessionText(id));
}

void FaxSession::ShowAddressUnknown()
{
    context_.events.SetPaneText(PANE_ADDRESS, SessionText(IDS_UNKNOWN));
    context_.events.SetPaneText(PANE_FAX_NUMBER, NetFaxNumber());
}

std::string FaxSession::NetFaxNumber()
{
    std::lock_guard<std::mutex> hold(textsLock_);
    return netFaxNumber_;
}

void FaxSession::SetNetFaxNumber(const std::string& number)
{
    std::lock_guard<std::mutex> hold(textsLock_);
    netFaxNumber_ = number;
}

std::string FaxSession::LoginToken()
{
    std::lock_guard<std::mutex> hold(textsLock_);
    return loginToken_;
}

int FaxSession::openFaxServer()
{
    AgentPort& agent = context_.agent;
    // Registered once, and before the connection opens, so that its loss is
    // always heard.
    agent.removeEventListener(listener_);
    agent.addEventListener(listener_);
    const SessionAccountData account = context_.account.Load();
    ServerAddress server;
    if (account.proxyFlag == 1) {
        cpLog(kLogTrace, "openFaxServer<%s> , use Proxy", account.proxyServer.c_str());
        server = ServerAddress{account.proxyServer, account.proxyPort};
    } else {
        server = context_.settings.FaxServer();
        cpLog(kLogTrace, "openFaxServer<%s>", server.host.c_str());
    }
    if (!agent.connect(server.host.c_str(), server.port)) {
        cpLog(kLogFailure, "openServer Failed");
        return 0;
    }
    cpLog(kLogTrace, "start proxy");
    if (!agent.isRun())
        agent.run();
    for (int waited = 0; !agent.isRun(); ++waited) {
        if (waited >= kWorkerStartMs) {
            cpLog(kLogFailure, "openFaxServer: the agent's worker did not start");
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // A new connection carries nothing of the last one: no login has gone
    // out on it yet, and a fax list asked for on an earlier connection that
    // never answered is asked for again after this one's login.
    state_.loginQueued = 0;
    if (listAsked_ && !listAnswered_) {
        cpLog(kLogTrace, "the fax list was not answered before the connection ended: asked again after the login");
        state_.ArmFaxList(0);
    }
    return 1;
}

bool FaxSession::SignInValues(LoginValues& values)
{
    const SessionAccountData account = context_.account.Load();
    if (!account.present)
        return false;
    values.faxUser = account.faxUser;
    values.password = Base64Decode(account.faxPassword);
    return true;
}

bool FaxSession::CheckFaxUser(const std::string& faxUser)
{
    if (!faxUser.empty())
        return true;
    NoticeId(IDS_NO_FAX_USER);
    return false;
}

int FaxSession::loginFaxServer()
{
    LoginValues values;
    if (!context_.agent.isRun() || !SignInValues(values))
        return 0;
    if (!CheckFaxUser(values.faxUser)) {
        context_.events.EnableAccountProperties();
        context_.events.SetState(StateRegistrationFailed);
        return 0;
    }
    gtTime now;
    now.now();
    values.token = MakeLoginToken(now.getCurTimeString(), values.faxUser, values.password);
    values.loginMode = context_.settings.LoginMode();
    {
        std::lock_guard<std::mutex> hold(textsLock_);
        loginToken_ = values.token;
    }
    const int queued = requests_.Login(values);
    cpLog(kLogTrace, queued ? "loginFaxServer Invoke Success!" : "loginFaxServer Invoke Failed");
    if (queued) {
        std::lock_guard<std::mutex> hold(textsLock_);
        lastLogin_ = values;
    }
    return queued;
}

int FaxSession::LogoutFaxServer()
{
    // The user that logged in is the one to log out: the account may have
    // been changed since, and a user that never logged in has nothing to end.
    std::optional<LoginValues> values;
    {
        std::lock_guard<std::mutex> hold(textsLock_);
        values = lastLogin_;
    }
    if (!context_.agent.isRun() || !values)
        return 0;
    const int queued = requests_.Logout(*values);
    cpLog(kLogTrace, queued ? "loginFaxServer Invoke Success!" : "loginFaxServer Invoke Failed");
    return queued;
}

int FaxSession::SendUpdateRequest()
{
    cpLog(kLogTrace, "updateReq...");
    LoginValues login;
    if (!SignInValues(login))
        return 0;
    cpLog(kLogTrace, "updateReq...1");
    UpdateValues values;
    values.faxUser = login.faxUser;
    values.password = login.password;
    values.updateData = context_.account.Load().updateData;
    values.os = UpdateOsName(0, 0);
    values.version = context_.settings.Version();
    values.releaseMode = context_.settings.ReleaseMode();
    cpLog(kLogTrace, "updateReq...2");
    const int queued = requests_.Update(values);
    cpLog(kLogTrace, queued ? "update Req Invoke Success!" : "update Invoke Failed");
    return queued;
}

int FaxSession::SendQueryFaxList()
{
    listAsked_ = true;
    return requests_.QueryFaxList(context_.account.Load().faxUser);
}

int FaxSession::SendQueryFax()
{
    const std::optional<FaxListWalk::Entry> entry = faxList_.Next();
    if (!entry)
        return 0;
    return requests_.QueryFax(context_.account.Load().faxUser, entry->faxId, entry->type);
}

int FaxSession::SendUpdateFax(CRL::Event& item)
{
    return requests_.UpdateFax(context_.account.Load().faxUser, item);
}

void FaxSession::StartFaxList(CRL::Event& reply)
{
    faxList_.Start(reply);
    listAnswered_ = true;
}

void FaxSession::ContinueFaxList()
{
    if (FaxListAtEnd()) {
        RetryFailedFaxes();
        return;
    }
    if (!SendQueryFax())
        NoticeId(IDS_RECEIVE_FAILED);
}

void FaxSession::RetryFailedFaxes()
{
    std::vector<CRL::EventPtr> retries;
    {
        std::lock_guard<std::mutex> hold(retriesLock_);
        retries.swap(retries_);
    }
    for (const CRL::EventPtr& item : retries) {
        cpLog(kLogTrace, "fax <%s> is fetched once more", item->getString("faxid"));
        queue_.PushRetry(*item);
    }
}

void FaxSession::PlaySound(const std::string& file, const char* what)
{
    if (file.empty())
        return;
    cpLog(kLogTrace, "%s play..", what);
    context_.sound.Stop();
    context_.sound.Play(file);
    cpLog(kLogTrace, "%s play..end", what);
}

std::string FaxSession::StagingRoot()
{
    return DownloadStagingRoot(context_.account.DataDirectory());
}

std::string FaxSession::UpdateDirectory()
{
    return ProgramUpdateDirectory();
}

bool FaxSession::StoreFax(CRL::Event& item, const std::vector<std::string>& stagedFiles)
{
    return !writer_.addInBox(item, stagedFiles).empty();
}

void FaxSession::FaxNotStored(CRL::Event& item, NotStored why)
{
    LogNotStored(item, why);
    if (why == NotStored::Download && !DownloadQueue::IsRetry(item)) {
        CRL::EventPtr copy = CRL::makeEvent();
        if (copy->copy(&item)) {
            std::lock_guard<std::mutex> hold(retriesLock_);
            retries_.push_back(std::move(copy));
        }
    }
    // A fax of the list that cannot be fetched or stored must not hold up
    // the rest of the list: the next one is asked for. Outside a list a
    // second try can go at once, behind whatever is queued.
    if (IsEvent(item, "queryfax"))
        ContinueFaxList();
    else if (FaxListAtEnd())
        RetryFailedFaxes();
}

void FaxSession::StoreUpdate(const std::string& updateData)
{
    if (!context_.account.StoreUpdate(updateData))
        cpLog(kLogFailure, "the downloaded update could not be recorded");
}
