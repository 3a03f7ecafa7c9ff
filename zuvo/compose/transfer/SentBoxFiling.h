#pragma once

#include <ctime>
#include <string>

#include "core/TaskQueue.h"
#include "faxbox/FaxTasks.h"

// Filing a fax that the server has accepted: its outbox record and page
// files move to the sent box (the folder of Type overbox) of the default
// account. The whole move runs under the account store's lock and loses
// nothing, whenever the program is stopped: the pages get their sent-box
// names first (faxbox/FileMoves.h), then the sent-box record is added and
// the outbox record removed in one save of account.xml, and only after that
// save do the outbox's names of the pages go. A step that fails takes back
// what the move made, so the fax stays in the outbox as it was.

enum class SentFiling {
    Filed,
    Gone,   // the outbox has no record of that CreateTime (deleted meanwhile)
    Failed, // nothing moved
};

// Files the outbox record whose CreateTime is createTime: builds its move
// task, passes it through the task queue (taking back that very task, never
// one another producer queued) and writes it to the sent box.
SentFiling OnFaxSent(TaskQueue& tasks, const std::string& createTime);

// Writes the move task to the sent box and removes its outbox record
// (outboxFaxPath), as above. The sent-box record keeps the task's
// CreateTime unless a record or page file of the sent box has it already:
// it then takes the next free one from now.
SentFiling MoveToOverBox(const CFaxMoveTask& task, const std::string& outboxFaxPath);

// ---- faxes that may have reached the server ------------------------------
//
// A "sendfax" that went out may have been accepted even when no answer
// comes (the program is killed, the connection drops, the answer is late).
// So before it goes, the outbox record is marked with the attribute
// SubmitTime (ours, beside the record's designed attributes; the local time
// "%Y-%m-%d %H:%M:%S"), saved through the crash-safe writer. A marked fax is
// never submitted again: the next start or send files it in the sent box.
// A refusal by the server, or a request that could not go out, takes the
// mark back. The sent-box record carries the designed attributes only.

inline constexpr const char* kSubmitTimeAttribute = "SubmitTime";

// Marks the default account's outbox fax of that CreateTime and saves;
// false (nothing marked, the document as the file) when it cannot be saved
// or the fax is no longer there.
bool MarkSubmitted(const std::string& createTime, std::time_t when);
// Takes the mark back and saves; false when that cannot be saved.
bool UnmarkSubmitted(const std::string& createTime);
// Files every marked fax of the default account's outbox in the sent box,
// logging each; the number filed.
int FileSubmittedFaxes(TaskQueue& tasks);
