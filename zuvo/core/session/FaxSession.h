#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/frame/FrameSession.h"
#include "core/frame/NotificationSoundPlayer.h"
#include "core/session/AgentPort.h"
#include "core/session/DownloadQueue.h"
#include "core/session/FaxListWalk.h"
#include "core/session/InboxWriter.h"
#include "core/session/SessionRequests.h"
#include "core/session/SessionSources.h"
#include "core/session/SessionTexts.h"
#include "core/session/SessionThread.h"
#include "corlane/Event.h"

// What the session works with: the agent, the stores, and what it tells
// the main window (through SessionEvents) and plays (through the player).
struct SessionContext {
    AgentPort& agent;
    SessionAccount& account;
    SessionSettings& settings;
    SessionEvents& events;
    NotificationSoundPlayer& sound;
    InboxWriter::PageCounter pageCounter;
    InboxWriter::ContactLookup contacts = {};
};

// The main window's server session without its window: the session flags,
// the six requests, the walk of the fax list, the download queue and the
// inbox writer. The session thread drives it (SessionSteps), the pump
// reports to it (DownloadOwner), and AgentDispatch applies the server's
// events to it.
class FaxSession : public SessionSteps, public DownloadOwner {
public:
    // downloadStallMs: how long a download may go without progress.
    explicit FaxSession(const SessionContext& context, int downloadStallMs = DownloadQueue::kDefaultStallMs);

    // The listener that openFaxServer registers (once) with the agent.
    void SetListener(ClientEventListener* listener) { listener_ = listener; }

    long invokeId() const { return requests_.invokeId(); }
    SessionState& state() { return state_; }
    FaxListWalk& faxList() { return faxList_; }
    DownloadQueue& queue() { return queue_; }
    InboxWriter& writer() { return writer_; }
    SessionEvents& events() { return context_.events; }
    SessionAccount& account() { return context_.account; }

    // ---- SessionSteps
    int openFaxServer() override;
    int loginFaxServer() override;
    int SendQueryFaxList() override;
    int HandleDownload() override { return queue_.HandleDownload(); }
    int NextDownloadCheckMs() override { return queue_.NextStallCheckMs(); }

    // Queues "logout" with the values of the last login queued on this
    // session (0, nothing sent, before any).
    int LogoutFaxServer();
    int SendUpdateRequest();
    // Asks for the fax list's next entry and moves the walk past it; 0 when
    // it cannot be sent or every entry has been asked for.
    int SendQueryFax();
    int SendUpdateFax(CRL::Event& item);

    // A "queryfaxlist" reply: the walk starts over with its entries.
    void StartFaxList(CRL::Event& reply);
    // Whether every entry of the list has been asked for.
    bool FaxListAtEnd() { return faxList_.AtEnd(); }
    // After a fax of the list that was not stored: asks for the next one;
    // at the end of the list, the faxes to try again are queued.
    void ContinueFaxList();
    // Queues once more each fax whose download failed in this run (each
    // fax gets one second try, after the rest of the list).
    void RetryFailedFaxes();

    // Plays the sound file when one is set.
    void PlaySound(const std::string& file, const char* what);

    // Application state kept with the session.
    std::atomic<int> appLoggedIn{0};
    std::atomic<int> updateInProgress{0};
    std::string NetFaxNumber();
    void SetNetFaxNumber(const std::string& number);
    std::string LoginToken();

    // ---- DownloadOwner
    std::string StagingRoot() override;
    std::string UpdateDirectory() override;
    bool StoreFax(CRL::Event& item, const std::vector<std::string>& stagedFiles) override;
    int AcknowledgeFax(CRL::Event& item) override { return SendUpdateFax(item); }
    void FaxNotStored(CRL::Event& item, NotStored why) override;
    void StoreUpdate(const std::string& updateData) override;
    void UpdateEnded() override { updateInProgress = 0; }
    void Notice(const std::string& text) override { context_.events.PostNotice(text); }
    void NoticeId(SessionStringId id);
    // The address pane back to "未知", the fax-number pane to the last number.
    void ShowAddressUnknown();

private:
    // The account's values with the password decoded; false without a
    // default account.
    bool SignInValues(LoginValues& values);
    // An empty fax user: the notice, and false.
    bool CheckFaxUser(const std::string& faxUser);

    SessionContext context_;
    ClientEventListener* listener_ = nullptr;
    SessionState state_;
    SessionRequests requests_;
    FaxListWalk faxList_;
    DownloadQueue queue_;
    InboxWriter writer_;

    // The fax list of this run was asked for; its reply arrived.
    std::atomic<bool> listAsked_{false};
    std::atomic<bool> listAnswered_{false};
    std::mutex retriesLock_;
    std::vector<CRL::EventPtr> retries_; // faxes for a second try, under retriesLock_

    std::mutex textsLock_;
    std::string netFaxNumber_;
    std::string loginToken_;
    std::optional<LoginValues> lastLogin_;
};
