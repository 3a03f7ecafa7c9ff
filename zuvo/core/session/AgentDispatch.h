#pragma once

#include "core/session/FaxSession.h"
#include "corlane/Event.h"

// Applies what the agent server says to the session: the replies to the
// session's requests, the server's own events (a fax arrived, the account
// was logged in elsewhere, a new program version) and the end of the pump's
// downloads. Runs on the agent's worker thread; never waits for the GUI.
class AgentDispatch {
public:
    explicit AgentDispatch(FaxSession& session) : session_(session) {}

    int onDisconnect();
    int onReceive(CRL::Event* event);
    int onProcess(CRL::Event* event);

private:
    bool IsOwn(CRL::Event& event);
    void ShowOffline();
    int OnLogin(CRL::Event& event);
    int OnShutdown();
    int OnDownloadEnd(CRL::Event& event, bool succeeded);
    int OnUpdateFax(CRL::Event& event);
    int OnQueryFax(CRL::Event& event);
    int OnQueryFaxList(CRL::Event& event);
    // A receipt, report or fax reply stored at once, then acknowledged;
    // one already filed or held in this run is dropped.
    int StoreAndAcknowledge(CRL::Event& event);
    // A fax to fetch: a copy for the pump, then its sound; one already
    // queued, fetched or filed in this run is dropped.
    int QueueReceivedFax(CRL::Event& event);
    int QueueCopy(CRL::Event& event);
    // After a fax of the list that was dropped: the list goes on.
    void ContinueAfter(CRL::Event& event);

    FaxSession& session_;
};
