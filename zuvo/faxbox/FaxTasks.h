#pragma once

// The task records that the windows hand one another through the
// application's task queue (core/TaskQueue.h): a producer fills one, queues
// it and starts (or calls) its consumer, which takes it off the queue by its
// type. The records are plain fax data; paths are account-store paths
// ("Account[i]/Folder[j]/Fax[k]").

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/TaskQueue.h"
#include "core/stores/FaxRecordStore.h"

// A new fax for the compose window (no producer queues one today).
class CFaxNewTask : public CTask {
public:
    // An empty path leaves the one set before.
    void SetFaxPath(std::string_view path);
    const std::string& GetFaxPath() const { return faxPath_; }

private:
    std::string faxPath_;
};

// "Reply": the compose window opens a reply to the fax.
class CFaxReplyTask : public CTask {
public:
    // An empty path leaves the one set before.
    void SetFaxPath(std::string_view path);
    const std::string& GetFaxPath() const { return faxPath_; }

private:
    std::string faxPath_;
};

// "Forward": the compose window opens a forward of the fax.
class CFaxTransferTask : public CTask {
public:
    // An empty fax path leaves the one set before.
    void SetFaxPath(std::string_view path);
    void SetFolderPath(std::string_view path) { folderPath_ = path; }
    void SetAccountPath(std::string_view path) { accountPath_ = path; }
    const std::string& GetFaxPath() const { return faxPath_; }
    const std::string& GetFolderPath() const { return folderPath_; }
    const std::string& GetAccountPath() const { return accountPath_; }

private:
    std::string faxPath_;
    std::string folderPath_;
    std::string accountPath_;
};

// Opening a fax for editing (double click, resend). Caller is set only when
// the task is made from a report, to the report's Caller.
class CFaxEditTask : public CTask {
public:
    void SetFaxPath(std::string_view path) { faxPath_ = path; }
    void SetFolderPath(std::string_view path) { folderPath_ = path; }
    void SetAccountPath(std::string_view path) { accountPath_ = path; }
    void SetCaller(std::string_view caller) { caller_ = caller; }
    const std::string& GetFaxPath() const { return faxPath_; }
    const std::string& GetFolderPath() const { return folderPath_; }
    const std::string& GetAccountPath() const { return accountPath_; }
    const std::string& GetCaller() const { return caller_; }

private:
    std::string faxPath_;
    std::string folderPath_;
    std::string accountPath_;
    std::string caller_;
};

// A full copy of one fax record in transit between folders: its attributes,
// the full path of each attachment without the CreateTime suffix
// ({folder directory}/{File}) and each attachment's HeadFlag.
class CFaxMoveTask : public CTask {
public:
    std::string sourcePath; // "%s/Fax[%d]" of the record when it was taken
    std::string Caller;
    std::string ToCC;
    std::string Topic;
    std::string Name;
    std::string Company;
    std::string Date;
    std::string Pages;
    std::string CreateTime;
    std::string SendTimer;
    std::string SendFaxTime;
    std::string ReadFlag;
    int TimerFlag = 0;
    std::vector<std::string> files; // one per attachment, in page order
    std::vector<int> headFlags;     // HeadFlag of each attachment, beside files
    int hasBody = 0;                // 1 when the record's Flag is 1
    std::string bodyPath;           // full path of the body file
    // The folder Type whose consumer the task is made for ("trashbox",
    // "outbox"); a consumer takes only its own. "" for a task its producer
    // takes back itself (the send dialog's).
    std::string target;
    // The suffix of the attachment files to read ({file}.{suffix}); "" when
    // it is the task's CreateTime. A resend from the failed box reads the
    // sent fax's files under that fax's CreateTime, while the new record
    // carries the report's.
    std::string fileSuffix;

    const std::string& FileSuffix() const { return fileSuffix.empty() ? CreateTime : fileSuffix; }

    int FileCount() const { return static_cast<int>(files.size()); }
};

// The move task of record `index` of the folder at folderPath (read under the
// account store's lock); null when there is no such record or a name in it
// would lead outside the folder's directory.
std::unique_ptr<CFaxMoveTask> MakeFaxMoveTask(const std::string& folderPath, int index);
// The same from a record already read (record `index` of the folder whose
// directory is folderDirectory); null when a name in it would lead outside
// that directory.
std::unique_ptr<CFaxMoveTask> MakeFaxMoveTask(const FaxRecord& record, const std::string& folderPath,
                                              const std::string& folderDirectory, int index);

// Sets on `record` what a moved fax keeps wherever it is filed: its caller,
// copies, topic, name, company and date, in the order stored records carry
// them (the writer sets its own attributes after these).
void SetMovedFaxParties(FaxRecord& record, const CFaxMoveTask& task);

// The receive command's account for the receive dialog. The first text is
// the account path ("Account[%d]"); the other two are carried unused.
class CFaxRcvTask : public CTask {
public:
    std::string accountPath;
    std::string text2;
    std::string text3;
};

// A request to reload the fax list (no producer or consumer today).
class CRefreshFaxListTask : public CTask {};
