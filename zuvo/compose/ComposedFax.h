#pragma once

// A fax as the compose window holds it, and how a window starts: empty, on
// a file, or filled from a stored fax for a reply, a forward or an edit.

#include <string>
#include <vector>

class CTask;

// One item of the attachment list.
struct ComposeAttachment {
    std::string path;
    int headFlag = 0; // 1: the sender header is stamped on its pages

    bool operator==(const ComposeAttachment&) const = default;
};

struct ComposedFax {
    std::string to;      // fax numbers separated by ","
    std::string cc;
    std::string subject;
    std::string name;    // the contact's name and company, stored as Name and Company
    std::string company;
    std::string sendTime; // "%04d-%02d-%02d %02d:%02d:%02d"
    int timerFlag = 0;
    std::vector<ComposeAttachment> attachments;
};

// How the window starts.
struct ComposeStart {
    unsigned titleId = 61485; // 61485 new, 61486 reply, 61487 forward, 61488 edit
    ComposedFax fax;
    bool fillsTimedSend = false; // sendTime and timerFlag come from the stored fax
    bool modified = false;
};

// Whether an item of the list would be stored under the same File as
// `path` (its last component, shortened as records store it): both would be
// copied to one "<File>.<CreateTime>".
bool HasAttachmentNamed(const std::vector<ComposeAttachment>& items, const std::string& path);

// The tasks the compose window takes off the queue: new, reply, forward
// and edit.
bool IsComposeTask(const CTask& task);

// The start a task gives (none: a new, empty fax). A reply takes the stored
// fax's Caller as To, its ToCC as CC, "回复：" and its Topic as subject, and
// no attachments; a forward leaves To and CC empty, takes "转发：" (or
// "Transfer：" when the language is not Chinese) and the Topic, and every
// page file of the stored fax with its HeadFlag; an edit takes the task's
// caller list when it has one (else Caller), ToCC, the Topic and the page
// files. All three take SendTimer, TimerFlag, Name and Company and set the
// modified flag. A stored fax that is not there gives an empty fax with the
// task's title.
ComposeStart StartFromTask(const CTask* task, bool chinese);
