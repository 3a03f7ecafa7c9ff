#pragma once

// The send dialog without its window: sends every fax of the default
// account's outbox, oldest first, one after the other. For each fax it
// uploads the page files, submits the fax with "sendfax" once the last
// upload has succeeded, and files it in the sent box when the server
// accepts it; then the next, until the outbox is empty or a failure ends
// the run. Every end tells the user why (a notice for the main window's
// pop-up) and then ends the dialog.
//
// Threads: Start, Rescan and Cancel run on the dialog's thread; the
// listener operations on the agent's worker thread, which does the real
// work (the next uploads, "sendfax", the filing). The fax in flight, its
// upload slots and the run's state are guarded by lock_, which is taken
// inside the agent's listener lock and held over upLoadFile and
// cancelUploadFile (the client's task lock), never over a request or the
// account store's longer sequences.

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "compose/transfer/NetworkAdapters.h"
#include "compose/transfer/SendFaxRequest.h"
#include "compose/transfer/TransferView.h"
#include "core/TaskQueue.h"
#include "core/session/AgentPort.h"
#include "netvoy/ClientEventListener.h"

// Where the values of a "sendfax" come from besides the account store.
struct SendSources {
    NameLookup names;                              // the address book
    std::function<std::string()> phone;            // the application's phone value
    std::function<std::string()> netFaxNo;         // the application's network fax number
    std::function<std::string()> loginMode;        // config.xml's login mode
    std::function<NetworkIdentity()> network = ReadNetworkIdentity;
};

class OutboxSender : public ClientEventListener {
public:
    // The string-table entries of the run.
    enum TextId : unsigned {
        IDS_NO_FAX_USER = 61472,    // "提交传真件失败,请填您的账户和密码!"
        IDS_STATUS = 61473,         // "%s\t\t\t正在发送 %d 共 %d 封"
        IDS_ALL_SENT = 61483,       // "传真件已经提交，请稍后..."
        IDS_SEND_FAILED = 61484,    // "传真件提交失败！"
        IDS_CONNECTION_LOST = 61542,
        IDS_SENDING_FILE = 61543,   // "正在发送传真文件... ..."
        IDS_SUBMITTING = 61544,     // "正在提交传真请求... ..."
        IDS_SENDING_REQUEST = 61546,
        IDS_SENDING_ATTACHMENTS = 61547,
        IDS_SEND_TITLE = 61555,     // "发送传真": the dialog's title
    };

    OutboxSender(AgentPort& agent, long invokeId, TaskQueue& tasks, TransferView& view, SendSources sources);
    // Leaves the agent's listeners (waiting for a call in progress to end).
    ~OutboxSender() override;
    OutboxSender(const OutboxSender&) = delete;
    OutboxSender& operator=(const OutboxSender&) = delete;

    // Reads the default account, joins the agent's listeners and starts the
    // first fax. Without a default account the run stays idle (no listener)
    // until it is cancelled.
    void Start();
    // A fax was queued meanwhile: the total is counted again.
    void Rescan();
    // Cancels every pending upload and ends; the fax stays in the outbox.
    void Cancel();

    long invokeId() const { return invokeId_; }
    // For the window's title and tests.
    int Total() const;
    int Current() const;

    // ---- ClientEventListener (the agent's worker thread)
    int onDisconnect() override;
    int onReceive(CRL::Event* event) override;
    int onProcess(CRL::Event* event) override;

private:
    enum class State { Idle, Uploading, Submitting, Filing, Ended };
    struct Account {
        std::string name, fromName, fromFaxNum, fromInfo, tagContent, faxUser, password;
        int toNameFlag = 0, toNumFlag = 0, headFlag = 0, tag = -1;
    };

    // Starts the uploads of the oldest outbox fax: false when nothing
    // could be started (a record without files that can be sent is removed).
    bool UploadAttachments();
    // Submits the fax in flight: false when it cannot be sent.
    bool sendFirstFax();
    // The server accepted the fax in flight: files it and goes on.
    void FaxAccepted();
    void OnUploadSucceeded(long taskId);
    void OnUploadFailed(long taskId);
    void OnSendFaxReply(CRL::Event& event);
    // Ends the run with a notice (once; later calls do nothing).
    void Finish(unsigned textId);
    void CancelUploads(); // under lock_
    void DrawStatus();
    void RemoveFaxInFlight(const std::string& createTime);

    AgentPort& agent_;
    const long invokeId_;
    TaskQueue& tasks_;
    TransferView& view_;
    SendSources sources_;
    Account account_;     // read once by Start, before the listener joins
    NetworkIdentity network_;
    bool listening_ = false;

    mutable std::mutex lock_;
    State state_ = State::Idle;          // under lock_
    int total_ = 0;                      // under lock_
    int current_ = 0;                    // under lock_
    std::string createTime_;             // the fax in flight, under lock_
    std::string called_;                 // under lock_
    std::vector<std::string> pages_;     // under lock_
    std::vector<long> taskIds_;          // one per page, -1 = no upload pending; under lock_
};
