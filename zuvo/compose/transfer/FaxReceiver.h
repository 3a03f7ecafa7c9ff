#pragma once

// The receive dialog without its window: fetches the faxes waiting on the
// server on demand. It asks for the list ("queryfaxlist"), then for each
// fax in turn ("queryfax"), walking the list as the main window's session
// does (FaxListWalk); a fax with files goes through a download queue of its
// own into the folders fixed at the start, a fax without files is stored at
// once, and each stored fax is acknowledged ("updatefax"), after whose
// reply the next one is asked for. A fax that cannot be had or stored is
// left on the server unacknowledged, and the list goes on.
//
// Threads: Start, Step (the pump) and Close run on the dialog's thread;
// the listener operations on the agent's worker thread. The end of the run
// is guarded by lock_, never held over a request or a store; the walk has
// a lock of its own.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "compose/transfer/TransferView.h"
#include "core/TaskQueue.h"
#include "core/session/AgentPort.h"
#include "core/session/DownloadQueue.h"
#include "core/session/FaxListWalk.h"
#include "core/session/InboxWriter.h"
#include "core/session/SessionRequests.h"
#include "core/session/SessionStores.h"
#include "netvoy/ClientEventListener.h"

class FaxReceiver : public ClientEventListener, public DownloadOwner {
public:
    enum TextId : unsigned {
        IDS_NO_NEW_FAX = 61465,  // "您没有新的传真件！"
        IDS_RECEIVE_FAILED = 61471,
        IDS_FAX_ARRIVED = 61545, // "您有传真件，请阅览！"
    };

    FaxReceiver(AgentPort& agent, long invokeId, TaskQueue& tasks, TransferView& view,
                InboxWriter::PageCounter pages, InboxWriter::ContactLookup contacts = {});
    // Leaves the agent's listeners and gives up what is still queued.
    ~FaxReceiver() override;
    FaxReceiver(const FaxReceiver&) = delete;
    FaxReceiver& operator=(const FaxReceiver&) = delete;

    // Joins the listeners, takes the receive command's task (its account;
    // the default account without one), fixes and creates the folders, and
    // asks for the list.
    void Start();
    // One step of the download pump: 1 when there is more to do at once.
    int Step() { return queue_.HandleDownload(); }
    // The end of the dialog: leaves the listeners, cancels the running
    // download (its ".download" goes) and drops the queue. Repeatable.
    void Close();

    // The status and file texts of the moment (the status timer's).
    struct Texts {
        std::string status;
        std::string file;
    };
    Texts StatusTexts() const;
    // For tests and the window.
    int Index() const { return walk_.Index(); }
    int Count() const { return walk_.Count(); }
    const std::string& AccountPath() const { return folders_ ? folders_->AccountPath() : empty_; }
    bool Ended() const;

    // ---- ClientEventListener (the agent's worker thread)
    int onDisconnect() override;
    int onReceive(CRL::Event* event) override;
    int onProcess(CRL::Event* event) override;

    // ---- DownloadOwner (the pump)
    std::string StagingRoot() override;
    std::string UpdateDirectory() override { return ""; }
    bool StoreFax(CRL::Event& item, const std::vector<std::string>& stagedFiles) override;
    int AcknowledgeFax(CRL::Event& item) override;
    void FaxNotStored(CRL::Event& item, NotStored why) override;
    void StoreUpdate(const std::string&) override {}
    void UpdateEnded() override {}
    void Notice(const std::string& text) override;

private:
    void OnQueryFaxList(CRL::Event& event);
    void OnQueryFax(CRL::Event& event);
    void OnUpdateFax(CRL::Event& event);
    // Asks for the next fax of the list, or ends with 61545 after the last.
    void QueryNext();
    // Ends the run with a notice (once).
    void Finish(unsigned textId);
    bool EndOnce();

    AgentPort& agent_;
    const long invokeId_;
    TaskQueue& tasks_;
    TransferView& view_;
    InboxWriter::PageCounter pages_;
    InboxWriter::ContactLookup contacts_;
    SessionRequests requests_;
    std::string faxUser_;                         // the default account's, read by Start
    std::unique_ptr<FixedFolderSource> folders_;  // fixed by Start
    std::unique_ptr<InboxWriter> writer_;
    DownloadQueue queue_;
    bool listening_ = false;
    const std::string empty_;

    FaxListWalk walk_;

    mutable std::mutex lock_;
    bool ended_ = false;  // under lock_
};
