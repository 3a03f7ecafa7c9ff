#pragma once

#include <string>

#include "core/TaskQueue.h"
#include "faxbox/FaxTasks.h"

// Filing a fax that the server has accepted: its outbox record and page
// files move to the sent box (the folder of Type overbox) of the default
// account. The whole move runs under the account store's lock and loses
// nothing: the sent-box copies of the pages are written whole first, then
// the sent-box record is added and the outbox record removed in one save of
// account.xml, and only after that save are the outbox's page files
// deleted. A step that fails takes back what the move wrote, so the fax
// stays in the outbox as it was.

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
