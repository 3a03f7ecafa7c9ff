#pragma once

// The compose window's tasks that the fax list makes: open for editing
// (double click), resend, reply and forward. The list queues the task and
// then opens the compose window, which takes it.

#include <memory>
#include <string>

#include "faxbox/FaxTasks.h"

// A task for the compose window, or none; missingSource when the record is
// a report whose sent fax is no longer in the account's sent box.
struct ComposeRequest {
    std::unique_ptr<CTask> task;
    bool missingSource = false;
};

// Double click on record index of the folder: a fax saved unsent opens
// itself; a receipt opens the sent fax it names (found in the sent box by
// CreateTime = the receipt's SendFaxTime) with the receipt's Caller; other
// folders open nothing.
ComposeRequest OpenForEditing(const std::string& folderPath, int index, const std::string& accountPath);
// Resend (32881): faxes saved unsent and sent faxes open themselves; in the
// trash a report (Flag 1) opens its sent fax with its Caller and any other
// record opens itself; receipts and invalid-fax reports open their sent fax;
// other folders open nothing.
ComposeRequest ResendThroughCompose(const std::string& folderPath, int index, const std::string& accountPath);

std::unique_ptr<CFaxReplyTask> MakeReplyTask(const std::string& faxPath);
std::unique_ptr<CFaxTransferTask> MakeForwardTask(const std::string& faxPath, const std::string& folderPath,
                                                  const std::string& accountPath);
