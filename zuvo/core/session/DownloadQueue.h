#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/session/AgentPort.h"
#include "corlane/Event.h"
#include "spindle/VMutex.h"

// What the download queue needs from its owner (the main window's session,
// or the receive dialog with its own folders).
class DownloadOwner {
public:
    // Why a fax item ended without a record.
    enum class NotStored {
        NoFiles,  // the item names no file
        Download, // a file could not be fetched
        Filing,   // the files are in, but the record could not be written
    };

    virtual ~DownloadOwner() = default;
    // Below which each fax item gets a staging directory of its own for its
    // files; "" when there is none.
    virtual std::string StagingRoot() = 0;
    // Where the files of an update are fetched to.
    virtual std::string UpdateDirectory() = 0;
    // All files of the fax item are in, file i at stagedFiles[i]: files it
    // whole; false when nothing was stored.
    virtual bool StoreFax(CRL::Event& item, const std::vector<std::string>& stagedFiles) = 0;
    // Tells the server that the item was stored ("updatefax"): 1 when queued.
    virtual int AcknowledgeFax(CRL::Event& item) = 0;
    // The fax item was not stored; it stays on the server, unacknowledged.
    virtual void FaxNotStored(CRL::Event& item, NotStored why) = 0;
    // The log line of a fax not stored: its "faxid" and why.
    static void LogNotStored(CRL::Event& item, NotStored why);
    // All files of an update are in: remember it for the next start.
    virtual void StoreUpdate(const std::string& updateData) = 0;
    // The update check has ended (with or without an update).
    virtual void UpdateEnded() = 0;
    virtual void Notice(const std::string& text) = 0;
};

// The items whose files wait to be fetched, and the pump that fetches them:
// strictly one item after the other, its files in index order, one download
// at a time, each into "<name>.download" and renamed to "<name>" once it is
// complete. A fax item's files go to a staging directory of its own (see
// DownloadStaging.h), which is removed once the item is done with, filed or
// not; an update's files go to the update directory. The session thread
// runs the pump; the agent's worker adds items and reports the end of each
// download.
//
// Keys the queue keeps in each item: "currentstate" (0 idle, 1 a download
// runs, 2 the item failed), "currentattachfile" (next file), "taskid",
// "download.items[%d].tempfilename" / ".filename" (the local paths),
// "download.stagingdir" and "download.retried" (a second try, PushRetry).
class DownloadQueue {
public:
    // A download that makes no progress for stallMs is given up (the server
    // may never answer a request, and the queue would wait for ever).
    static constexpr int kDefaultStallMs = 60000;

    DownloadQueue(AgentPort& agent, long invokeId, DownloadOwner& owner, int stallMs = kDefaultStallMs)
        : agent_(agent), invokeId_(invokeId), owner_(owner), stallMs_(stallMs) {}
    ~DownloadQueue();
    DownloadQueue(const DownloadQueue&) = delete;
    DownloadQueue& operator=(const DownloadQueue&) = delete;

    // Appends the item; the queue owns it. Null: 0, else 1.
    int PushEvent(CRL::Event* item);
    // Appends a copy of a server event, idle at its first file: 1, or 0.
    int PushCopy(CRL::Event& event);
    // The same, unless another queue of the process holds a fax of the same
    // "faxid" (the main window's and the receive dialog's queues never
    // fetch one fax twice): 0 then, and nothing is queued.
    int PushCopyUnlessFetched(CRL::Event& event);
    // Whether another queue than this one holds a fax of that "faxid".
    bool FetchedElsewhere(const std::string& faxId);
    // Appends a fresh copy of an item that was not stored, for a second
    // try: 1, or 0 when the item had its second try already.
    int PushRetry(CRL::Event& item);
    static bool IsRetry(CRL::Event& item);
    // The first item or null; the item stays queued.
    CRL::Event* PeekEvent();
    // Takes the first item out; the caller owns it. Null when empty.
    CRL::Event* PopEvent();
    // The first item whose number under `key` equals value, or null.
    CRL::Event* findEvent(const char* key, long value);
    std::size_t size();

    // One step of the pump: 1 to be called again at once, 0 when there is
    // nothing to do until a download ends.
    int HandleDownload();

    // The download with this task id ended: the file is renamed into place
    // and the item moves on to its next file; a failure fails the item.
    // 0 when no item waits for that task.
    int DownloadSucceeded(long taskId);
    int DownloadFailed(long taskId);
    // A step of that download went out: it is alive.
    void DownloadProgressed(long taskId);

    // After a lost connection: the download that was running is cancelled
    // and started again from the beginning of its file once the pump runs.
    // The queue counts as offline until SetOnline.
    void RestartStalledDownload();
    // While offline no download can progress, so none is given up as
    // stalled; back online, the running one has stallMs again.
    void SetOnline(bool online);
    // Gives up every item: the running download is cancelled and each
    // item's staging directory (with its ".download" file) removed. The
    // faxes stay on the server.
    void Clear();

    // Called (on the calling thread, under the queue's lock) whenever the
    // pump has something new to do: an item added, a download ended or
    // restarted, the queue back online. The pump's thread waits for it.
    void SetWorkSignal(std::function<void()> signal);
    // Milliseconds until the running download would count as stalled (the
    // pump must look then even if nothing is posted); -1 when none runs.
    int NextStallCheckMs();

private:
    enum State { Idle = 0, Downloading = 1, Failed = 2 };
    enum class Kind { Fax, Update };
    enum class Outcome { NoFiles, Complete, Failed };

    int Step(CRL::Event& item, Kind kind);
    // The pump is done with the item, which it took out of the queue.
    void Finish(CRL::Event& done, Kind kind, Outcome outcome);
    // Starts the item's next file: 1; marks the item failed when no
    // directory or name can be had for it.
    int StartDownload(CRL::Event& item, Kind kind);
    // The directory and the name file `index` is fetched under, or
    // nothing (logged).
    std::optional<std::pair<std::string, std::string>> Target(CRL::Event& item, Kind kind, int index,
                                                              const std::string& serverName);
    // Files the complete fax item; why not, when it was not stored.
    std::optional<DownloadOwner::NotStored> FileFax(CRL::Event& done);
    // Pops the head item (which the pump is done with).
    CRL::EventPtr TakeHead();
    // Queues the item; with `exclusive`, not when another queue holds its fax.
    int Push(CRL::EventPtr item, bool exclusive);
    // The item that waits for taskId, under the lock.
    CRL::Event* Waiting(long taskId);
    // Gives up the head item's download when it has stalled: true then.
    bool GiveUpStalled(CRL::Event& item);
    // Tells the pump's thread there is work; under lock_.
    void Signal();

    AgentPort& agent_;
    long invokeId_;
    DownloadOwner& owner_;
    int stallMs_;
    long staged_ = 0;                                    // staging directories made, pump only
    std::chrono::steady_clock::time_point lastProgress_; // of the running download, under lock_
    bool online_ = true;                                 // under lock_
    // The list, and an item's state and task id while a download starts or
    // ends. Taken inside the agent's listener lock (the transfer events) and
    // held over downLoadFile and cancelDownloadFile (the client's task lock);
    // never held over a request or a call to the owner.
    Spindle::VMutex lock_;
    std::deque<CRL::EventPtr> items_;
    std::function<void()> signal_; // under lock_
};
