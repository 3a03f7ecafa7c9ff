#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "corlane/Event.h"
#include "netvoy/ClientEventListener.h"
#include "netvoy/FileService.h"
#include "netvoy/NetAddr.h"
#include "netvoy/Pdu.h"
#include "netvoy/Socket.h"
#include "netvoy/WakeSignal.h"
#include "spindle/ThreadIf.h"
#include "spindle/VMutex.h"

// The bounds of every wait of the client, in milliseconds.
// The TCP handshake is bounded by Socket::setConnectTimeout.
struct ClientTimeouts {
    int sendMs = 3000;     // one whole PDU out
    int pduMs = 3000;      // the rest of a PDU once its first byte arrived
    int flushMs = 1000;    // stop(): events still queued may go out
    int idlePollMs = 100;  // the worker's wait while only file tasks wait for replies (else it blocks)
    int notConnectedMs = -1; // the worker's wait while not connected (-1: until a connect or stop wakes it)
    int replyMs = 30000;   // a file chunk's reply; a task that waits longer fails
};

// The agent protocol client: one TCP connection to the agent server, one
// worker thread that receives PDUs, sends the queued events one per pass and
// answers the server's heartbeat, and a list of listeners that hear what
// arrives.
//
// Threads: the worker does all socket I/O and is the only one that closes the
// socket while it runs; any other thread that ends the connection shuts the
// socket down and leaves the close to the worker. Listener calls run under the
// listener lock; lock order: listener lock, then the queue lock.
class Client : public Socket, public Spindle::ThreadIf {
public:
    Client();
    // Stores host and port and connects at once.
    Client(const char* host, int port);
    ~Client() override;

    // ---- connection
    // Connects to host:port (an existing connection is ended first).
    // 0 connected, -1 failed; a host name over 127 characters is refused
    // (logged) without an attempt.
    int Net_SysInit(const char* host, int port);
    // Net_SysInit with the stored server address and port.
    int tryConnect();
    // Ends the connection; listeners hear onDisconnect() once per connection.
    // Returns 1.
    int disConnect();
    int isConnected() const { return connected_.load(); }
    int GetSocket() const;
    // "address:port" of the local end, "" when not connected.
    std::string getLocalAddress() const;

    // The client's own address (assigned by the server at start-up).
    NetAddr GetNetAddr() const;
    void SetTermType(unsigned char termType);
    void SetTermNo(unsigned char termNo);

    void setTimeouts(const ClientTimeouts& timeouts);
    ClientTimeouts timeouts() const;

    // ---- worker
    // Starts the worker thread (ThreadIf::run).
    void run() override;
    // 1 while the worker is in its loop.
    int isRun() const { return stopped_.load() ? 0 : 1; }
    // Lets queued events go out (at most flushMs), ends the connection
    // (listeners told on this thread) and ends the worker. Returns promptly
    // in every state; must not be called from the worker or a listener.
    void stop();

    // ---- listeners
    int addEventListener(ClientEventListener* listener);
    int removeEventListener(ClientEventListener* listener);
    int removeEventListeners();
    void fireDisconnect();
    // A heartbeat is answered and reaches no listener.
    void fireReceive(CRL::Event* event);
    void fireProcess(CRL::Event* event);

    // ---- outgoing events
    // Queues the event for the worker; the client takes ownership of every
    // non-null event. Characters GBK lacks go out as "?" (logged). 0 (and the
    // event released, logged) for null, for an event that cannot be written
    // as text, or whose text exceeds the 4064 bytes one PDU carries; else 1.
    //
    // A request belongs to its connection: when the connection ends, what is
    // still queued is dropped, and so is what is pushed until the next
    // connection is made (each logged with its command and invoke id, push
    // then gives 0), so that the first request of a new connection is the
    // one its owner sends first, its login. Events pushed before the first
    // connection wait for it.
    int push(CRL::Event* event);
    int push(CRL::EventPtr event);
    // Queues the heartbeat answer ("event" = "heartbeat", "eventclass" = "system").
    int sendHeartbeat();
    // Number of events waiting to go out.
    std::size_t pendingEvents() const;

    // ---- file transfer
    // The events of a transfer ("event", "filename", "taskid", ["length",
    // "offset",] "invokeid") reach the listeners: "upload-process" and
    // "download-process" through onProcess after each step, "upload-success",
    // "upload-failed", "download-success", "download-failed" through onReceive.
    //
    // Queues an upload of a local file: its task id, or 0 at once, with the
    // file and the reason logged, when the file is missing or unreadable or
    // the user name cannot be carried by its record field as it stands (a
    // character without a GBK code, over 127 bytes of GBK). The file name is
    // made to fit its field (Netvoy::uploadFileName); the file is read by its
    // real path.
    int upLoadFile(long invokeId, const char* user, const char* fileName);
    // Queues a download of a server file into localPath: its task id, or 0
    // at once (logged) when a name cannot be carried by its record field.
    // A reply is taken only for the request it answers: one for another
    // offset or another file name fails the download, as a refused chunk does.
    int downLoadFile(long invokeId, const char* user, const char* serverName, const char* localPath);
    // Remove the task (no event follows): 1, or 0 when it is not queued
    // (finished, failed or never there). The first argument is not used.
    int cancelUploadFile(long invokeId, long taskId);
    int cancelDownloadFile(long invokeId, long taskId);
    int removeFileServiceTask(long taskId);
    // Task list under the task lock. A task's fields belong to the worker.
    int addFileServiceTask(std::shared_ptr<FileService_Task> task);
    std::shared_ptr<FileService_Task> peekFileServiceTask();
    std::shared_ptr<FileService_Task> popFileServiceTask();
    std::shared_ptr<FileService_Task> findFileServiceTask(long taskId);
    // The download waiting for a reply that fetches this server name (as on the wire), or null.
    std::shared_ptr<FileService_Task> findWaitingDownload(const std::string& wireFileName);
    std::size_t fileServiceTaskCount() const;

protected:
    void thread() override;

    int handleUpload(const std::shared_ptr<FileService_Task>& task);
    int handleDownload(const std::shared_ptr<FileService_Task>& task);
    void fireFileUploadEnd(const FileService_Task& task);
    void fireFileUploadFailed(const FileService_Task& task);
    void fireFileDownloadEnd(const FileService_Task& task);
    void fireFileDownloadFailed(const FileService_Task& task);
    void fireFileUploadProcess(const FileService_Task& task);
    void fireFileDownloadProcess(const FileService_Task& task);

    // One queued event with its wire text, computed when it was queued.
    struct Outgoing {
        CRL::EventPtr event;
        std::string wire;
        std::uint64_t serial; // the queue's count of events at its push
    };

    CRL::Event* peekEvent();
    CRL::EventPtr popEvent();
    // Sends one event now: 1 sent, 0 not connected, not sendable or failed.
    int sendEvent(CRL::Event* event);
    // Sends the front event and drops it once it went out. 1 when there was
    // one to try, 0 when not connected or the queue is empty.
    int hdrEvents();

    // ---- PDU primitives (socket I/O on the worker)
    // Sends one whole PDU (n x 16 bytes, n from byte 0) within sendMs. 0 sent;
    // -1 failed. A PDU that went out in part ends the connection, so the
    // stream never desynchronises.
    int Net_SndPdu(int socket, const std::uint8_t* pdu);
    int sendPdu(const std::vector<std::uint8_t>& pdu);
    // Receives one PDU into buf (4096 bytes): 0, or -1 for a count byte of 0,
    // a close, an error or a PDU that does not complete within pduMs.
    int Net_RecvPdu(int socket, std::uint8_t* buf);
    // Waits up to waitMs (woken early by new work) for a PDU and receives it:
    // -2 idle, -4 connection lost, else the PDU's family.
    int HR_Pdu(int waitMs = 0);
    // One step of reception: a PDU is received and dispatched.
    int nc_PeekNetMesg(int waitMs = 0);
    int nc_HRMsuAns();
    int hdrReport();
    int nc_HRMsuSys();
    // File-transfer replies.
    int nc_HRMsuUsr();
    // Every Nmu PDU of types 1 to 5 (report, broadcast, disconnect notice,
    // command, acknowledgement) goes to hdrReport. PDUs this client has no
    // use for: a request from the server (Msu Require), a rejection and an
    // acceptance; each is read whole, logged and dropped, no listener hears
    // it and the connection stays. The Nmu handlers below are kept for the
    // interface and are not called. Return 0.
    int nc_HRMsuReq();
    int nc_HRMsuRJT();
    int nc_HRMsuApt();
    int nc_HRNmuBrd();
    int nc_HRNmuDiscon();
    int nc_HRNmuCmd();

    int Net_Require(const NetAddr& dest, int code, const char* data, int len);
    int HA_MsuReq(const NetAddr& dest, int code, const char* data, int len);
    int Net_UserCmd(const NetAddr& dest, int code, const char* data, int len);
    int Net_NmuRpt(const NetAddr& dest, const char* data, int len);
    int Net_NmuBrd(const NetAddr& dest, const char* data, int len);
    int Net_NmuDiscon(const NetAddr& dest);
    int Net_NmuCmd(const NetAddr& dest, const char* data, int len);
    int Net_NmuAck(const NetAddr& dest, const char* data, int len);
    // A Sys command of the given code: the header alone (one block), type 5,
    // the code in byte 13, byte 14 = 0. 0 sent, -1 failed.
    int Net_SysCmd(const NetAddr& dest, int code);
    // Start-up handshake of a client that runs no worker: sends Sys start-up
    // and waits (pduMs) for the next Msu PDU: 0 when its byte 14 is 1, else -1.
    int Net_SysStartup();
    int Net_SysShutdown();
    int Net_SysExit();

    // The PDU last received (worker only).
    Netvoy::PduView received() const { return Netvoy::PduView(std::span(recvBuf_.data(), recvSize_)); }
    // True while work is waiting that the worker should do without pausing.
    bool hasReadyWork() const;
    bool hasReadyFileTask() const;
    // One file-transfer step per pass.
    int handleFileServiceTasks();
    // Worker: the connection it served is gone.
    void onConnectionLost();

    // The stored server and port.
    void storeServer(const char* host);
    std::string serverAddress_;
    int serverPort_ = 0;

private:
    template <typename Call> void forEachListener(Call call);
    int deliverText(std::size_t offset, bool isAns);
    void flushQueue();
    int sendPayload(std::uint8_t family, std::uint8_t type, const NetAddr& dest, std::uint8_t code,
                    std::uint8_t flag, std::uint32_t word4, std::size_t offset, std::string_view payload);
    int currentSocket() const;
    // Ends the connection on `fd` if it is still the current one: the queued
    // events are dropped and the listeners told. True when it ended it.
    bool dropConnection(int fd);
    // Worker: the connection it received on has ended.
    void connectionBroken();
    // Drops every queued event (each logged) and every push until the next
    // connection, so the first request of a connection is the owner's.
    void dropQueuedEvents();
    static void logDropped(CRL::Event& event, const char* why);
    // Worker: closes sockets others have given up; notices a lost connection.
    int workerSocket();
    void closeOwnedSockets();
    void setOwnAddress(const NetAddr& address);
    // Ends a task: removes it and fires its success or failure event, unless
    // it was no longer queued (cancelled).
    void endTask(const std::shared_ptr<FileService_Task>& task, bool success);
    void fireTaskEvent(const FileService_Task& task, const char* name, bool progress);
    int queueTask(std::shared_ptr<FileService_Task> task);
    void checkReplyTimeout(const std::shared_ptr<FileService_Task>& task);
    void handleUploadReply(const std::shared_ptr<FileService_Task>& task, const Netvoy::FileTransferRecord& reply);
    void handleDownloadReply(const std::shared_ptr<FileService_Task>& task, const Netvoy::FileTransferRecord& reply,
                             std::span<const std::uint8_t> data);

    // Connection; sock_, retired_, workerInLoop_ and workerId_ under sockLock_.
    mutable std::mutex sockLock_;
    int sock_ = -1;
    std::vector<int> retired_;
    bool workerInLoop_ = false;
    std::thread::id workerId_;
    std::atomic<int> connected_{0};
    std::atomic<unsigned> connectionId_{0};

    // Own address and time-outs.
    mutable std::mutex settingsLock_;
    NetAddr ownAddress_;
    ClientTimeouts timeouts_;

    std::atomic<int> stopped_{1};
    std::atomic<int> stopRequest_{0};
    std::atomic<bool> stopping_{false}; // stop() is under way
    Netvoy::WakeSignal wake_;

    // Worker state.
    std::array<std::uint8_t, Netvoy::kPduBufferSize> recvBuf_{};
    std::size_t recvSize_ = 0;
    int recvFd_ = -1;
    unsigned seenConnectionId_ = 0;
    bool seenConnected_ = false;

    Spindle::VMutex listenerLock_;
    std::vector<ClientEventListener*> listeners_;

    // Under queueLock_: the queue, the count of pushes, and whether the last
    // connection was lost and no new one made.
    mutable Spindle::VMutex queueLock_;
    std::deque<Outgoing> queue_;
    std::uint64_t queued_ = 0;
    bool lost_ = false;

    mutable Spindle::VMutex taskLock_;
    std::deque<std::shared_ptr<FileService_Task>> tasks_;
};
