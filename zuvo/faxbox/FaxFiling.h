#pragma once

// The fax list's record operations, without widgets: delete into the trash
// (or for good inside it), delete all, and the failed box's resend into the
// outbox, with the two move consumers that file the queued move tasks.
//
// A move loses nothing, whenever the program is stopped: each record's files
// get their names in the target folder first (hard links beside the
// sources, faxbox/FileMoves.h) and its record is added there; then the
// sources' records are removed and account.xml is saved once for the whole
// command; only after that save do the source files go. A file whose name is
// taken in the target gets the first free name ("{stem}-{n}{ext}") and the
// record names it so. A record whose file cannot move stays where it was
// with its files. A failed save reloads account.xml and takes the new names
// back. A delete for good saves first and then removes the records' files.
// Each command holds the account store's lock from its first read to its
// save.

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/TaskQueue.h"
#include "faxbox/FaxList.h"
#include "faxbox/FaxTasks.h"
#include "faxbox/FileMoves.h"

struct FaxMoveOutcome {
    int moved = 0;                 // records filed in the target folder and gone from their own
    int removed = 0;               // records removed for good (deleted inside the trash)
    std::vector<std::string> kept; // CreateTime of each record that could not move and stayed
    int missingSources = 0;        // reports whose sent fax is no longer in the sent box
    bool saved = true;             // false: account.xml could not be saved, and nothing changed
};

// A consumer of the move tasks made for one folder Type of an account: the
// trash consumer (attachments and body moved) and the outbox consumer
// (attachments copied, body moved). Filing copies or moves the files and
// appends the record; nothing is saved, and unless Commit is called after
// the save, everything is undone when the consumer goes.
class FaxMoveConsumer {
public:
    FaxMoveConsumer(const std::string& accountPath, const char* targetType);
    FaxMoveConsumer(const FaxMoveConsumer&) = delete;
    FaxMoveConsumer& operator=(const FaxMoveConsumer&) = delete;
    ~FaxMoveConsumer();

    // Takes every queued move task made for this target (none of others)
    // and files each; the number filed.
    int Consume(TaskQueue& tasks);
    // sourcePath of each task filed, and the CreateTime of each that was not.
    const std::vector<std::string>& FiledSources() const { return filed_; }
    const std::vector<std::string>& Kept() const { return kept_; }
    // Before the save: the new names made so far are made durable.
    void SyncTargets() const;
    // account.xml was saved: the files stay where they went.
    void Commit();

private:
    bool file(const CFaxMoveTask& task);
    // The name a file takes in the target: its own, or the first free one.
    std::string freeName(const std::string& name, std::size_t maxBytes, const std::string& suffix) const;

    std::string folderPath_;
    std::string directory_;
    bool copyAttachments_ = false;
    int recordsBefore_ = 0;
    std::string target_;
    std::set<std::string> namedInTarget_; // names the target's records give their files
    std::vector<std::unique_ptr<FileMoves>> moves_;
    std::vector<std::string> filed_;
    std::vector<std::string> kept_;
    bool committed_ = false;
};

// Delete (32795): the records that refs name. Outside the trash each goes to
// the account's trash through the trash consumer; inside the trash it is
// deleted for good: its record is removed and, once that is saved, its files
// (those that no other record of the trash names).
FaxMoveOutcome DeleteFaxes(TaskQueue& tasks, const std::string& folderPath, const std::vector<FaxRecordRef>& refs,
                           const std::string& accountPath);
// Delete all (32884): the folder's first count listed records in file order.
FaxMoveOutcome DeleteAllFaxes(TaskQueue& tasks, const std::string& folderPath, int count,
                              const std::string& accountPath);
// Resend from the failed box (32883, 32882): each report goes back into the
// account's outbox as a record with the report's attributes and CreateTime
// and copies of the files of the sent fax it names (found in the sent box by
// CreateTime = the report's SendFaxTime); a report whose sent fax is gone is
// counted in missingSources and stays.
FaxMoveOutcome ResendFailedFaxes(TaskQueue& tasks, const std::string& folderPath,
                                 const std::vector<FaxRecordRef>& refs, const std::string& accountPath);
