#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cfgtree/Config.h"
#include "spindle/VMutex.h"

// The account store: the one document of account.xml (program directory,
// GB2312, root element Config) through which the program reads and changes
// its accounts, their settings, their mailbox folders and the fax records in
// them. Almost every operation works on the default account: the first
// Account whose Default is "yes" in any letter case.
//
// Every operation holds the store's re-entrant lock for its whole length and
// returns copies. A sequence that must not interleave with other threads
// (find a folder, add a Fax node and its attributes, save) holds Mutex()
// across all its steps: the last added node and the cursor belong to the
// one document.
//
// Results: 1 success, 0 failure or not found; "" or the documented default
// for a missing value. On a closed store every operation gives its "closed"
// value (0, -1 or "") and changes nothing.
namespace AccountConfig {

// ---- opening and saving --------------------------------------------------

// Opens the store once per process from programDirectory/account.xml, or
// from account-bak.xml beside it when account.xml cannot be loaded, and then
// rewrites account-bak.xml from the loaded document. Later saves go to the
// file that was loaded. 1 when open (also when it already was); 0 when
// neither file loads: the program then tells the user "系统异常－配置文件丢失"
// and ends.
int Open(const std::string& programDirectory);
// The same with the program directory of this process.
int Open();
int IsOpen();
// Saves to the file that was loaded (atomically: a failed save leaves the
// old file whole) and then tells the save listener. 1 when written, 0 when
// the save failed or the store is closed.
int Save();
// Loads the file again; 0 when closed or when the file no longer parses
// (the loaded document then stays in use).
int Reload();
// Forgets the document, so that Open loads again (used between test
// fixtures; the program keeps the store for its whole life).
void Close();
// Called after every save of an open store, on the saving thread (the main
// frame posts itself a refresh from here).
void SetSaveListener(std::function<void()> listener);

// The store's lock, for callers that make a sequence of calls atomic.
Spindle::VMutex& Mutex();

// ---- generic access (paths relative to the root element) -----------------

std::string GetAttr(const std::string& path, const std::string& name);
// The same into out; 1 when the attribute exists.
int GetAttrInto(const std::string& path, const std::string& name, std::string& out);
int GetAttrInt(const std::string& path, const std::string& name); // -1 when closed
int HasAttr(const std::string& path, const std::string& name);
// Changes an existing attribute only.
int SetAttr(const std::string& path, const std::string& name, const std::string& value);
int SetAttrInt(const std::string& path, const std::string& name, int value);
int CreateAttr(const std::string& path, const std::string& name);
// Sets an attribute, creating it when missing.
int PutAttr(const std::string& path, const std::string& name, const std::string& value);
// Appends element name under parent ("" = the root); it becomes the last added node.
int AddNode(const std::string& parent, const std::string& name, const std::string& text = "");
// Inserts element name under parent before the node at refPath (at the end
// when refPath selects no child of parent); it becomes the last added node.
int InsertNode(const std::string& parent, const std::string& name, const std::string& refPath);
// Appends element name under the last added node; it becomes the last added child.
int AddChild(const std::string& name, const std::string& text = "");
int AddNodeAttr(const std::string& name, const std::string& value);
int AddNodeAttrInt(const std::string& name, int value);
int AddChildAttr(const std::string& name, const std::string& value);
int RemoveNode(const std::string& path);
int GetNodeCount(const std::string& path);
// Config::getNodesWithChildren: records with their children read in one
// walk of the document (0 and nothing when closed).
int GetNodesWithChildren(const std::string& path, const std::vector<std::string>& names, const std::string& childPath,
                         const std::vector<std::string>& childNames, std::vector<Config::NodeAttributes>& nodes,
                         std::size_t limit = static_cast<std::size_t>(-1));
// Cursor walk.
int SetCurNode(const std::string& path);
int GetChildNum(); // -1 without a cursor or when closed
int GoChild(int index);
int GoParent();
int GetCurAttr(const std::string& name, std::string& out);
std::string GetCurAttrString(const std::string& name);

// ---- accounts and folders ------------------------------------------------

// "Account[i]" of the default account, "" when none.
std::string GetDefaultAccountPath();
// "Account[i]/Folder[j]" of the first folder of that Type (any case) in the
// accounts marked Default, in document order; "" when none.
std::string GetFolderPath(const std::string& type);
std::string GetFolderDirectory(const std::string& type);
// The same for each folder role: GetFolderPath / GetFolderDirectory of its Type.
std::string GetTempBoxPath();
std::string GetTempBoxDirectory();
std::string GetDeposeBoxPath();
std::string GetDeposeBoxDirectory();
std::string GetFaxBoxPath();
std::string GetFaxBoxDirectory();
std::string GetInBoxPath();
std::string GetInBoxDirectory();
std::string GetOutBoxPath();
std::string GetOutBoxDirectory();
std::string GetTrashBoxPath();
std::string GetTrashBoxDirectory();
std::string GetOverBoxPath();
std::string GetOverBoxDirectory();
// "accountPath/Folder[j]" of the first folder of that Type below accountPath.
std::string FindFolderPath(const std::string& accountPath, const std::string& type);
std::string GetFolderDirectoryOf(const std::string& accountPath, const std::string& type);
int HasFolderOfType(const std::string& type);

// The one rule for a folder's directory on disk: a folder Directory that is
// absolute is used as it is, else it is joined to the account's data
// directory, which is joined to the program directory unless absolute.
// Relative directories must stay below their base (no "..", no "" steps):
// otherwise, or when either is empty, the result is "".
std::string ResolveFolderDirectory(const std::string& accountDirectory,
                                   const std::string& folderDirectory);
// That rule applied to the folder node at path ("Account[i]/Folder[j]") and
// its account; for an account path, the account's data directory made
// absolute. "" when a directory is missing or unsafe.
std::string GetFolderFullDirectory(const std::string& path);
// The default account's data directory made absolute (program directory
// unless absolute), "" when none or unsafe.
std::string GetDataDirectory();

// ---- the default account's settings --------------------------------------
// Setters create a missing attribute; they do not save (call Save).

std::string GetAccountName();
std::string GetFaxUser();
std::string GetFaxPassword(); // Base64 as stored
std::string GetFaxEMail();
std::string GetSmtpHost();
int GetSmtpPort();
std::string GetSmtpUser();
std::string GetSmtpPassword(); // Base64 as stored
std::string GetReplyEMail();
int GetUpdateFlag(); // 1 only when the value reads as 1
int SetUpdateFlag(int n);
std::string GetUpdateData();
int SetUpdateData(const std::string& text);
int GetProxyFlag(); // 1 only when the value reads as 1
int SetProxyFlag(int n);
int GetProxyPort(); // 9000 when missing
int SetProxyPort(int n);
std::string GetProxyServer();
int SetProxyServer(const std::string& text);
std::string GetFaxUserAttr();
int GetFaxServer(); // 0 when missing
int SetFaxServer(int n);
std::string GetRcvFaxNotifyFile();
int SetRcvFaxNotifyFile(const std::string& text);
std::string GetFaxReplyNotifyFile();
int SetFaxReplyNotifyFile(const std::string& text);
int GetEnableAccess(); // 0 when missing
int SetEnableAccess(int n);
std::string GetAccessPassword(); // Base64 as stored
int SetAccessPassword(const std::string& text);
int SetAccessKey(const std::string& text);

// ---- start-up ------------------------------------------------------------

// Gives the default account a "failedbox" folder when it has none, and a
// "faxbox" folder, inserted directly before its "inbox" folder (whose Name
// becomes "回执箱"/"replyBox"), when it has none; saves after each change.
// language "cn" (any case) selects the Chinese names. Running it again
// changes nothing. 1 done, 0 without a default account or when a save fails.
int EnsureDefaultFolders(const std::string& language);
// Makes programDirectory/data (or directory/data when directory is
// absolute) the default account's data directory: creates it, stores it in
// Directory, saves and reloads, unless Directory already names that
// existing directory. 1 done, 0 without a default account or on failure.
int PrepareDataDirectories(const std::string& directory);

// ---- fax records ----------------------------------------------------------

// Number of Fax records in the default account's outbox.
int GetOutBoxFaxCount();
// Number of Fax records in that account's folder of that Type.
int GetFaxCount(const std::string& accountPath, const std::string& type);
// 1 when a Fax of the folder has that CreateTime (any case), the cursor then
// on it; 0 when none; 1 when the folder cannot be selected (so that nothing
// is imported into a missing folder).
int FaxExistsByCreateTime(const std::string& folderPath, const std::string& createTime);

// Removes outbox record index and saves: the save's result (0 when absent).
int RemoveOutBoxFax(int index);

struct OutboxFax {
    std::string recipients;         // Caller, then "," and ToCC when ToCC is set
    std::vector<std::string> pages; // {outbox directory}/{File}.{CreateTime} in page order
};
// Outbox record index with the paths of its page files. Empty when there is
// no such record, or when a name in it would lead outside the outbox
// directory (the record is then skipped and logged).
std::optional<OutboxFax> LoadFaxRecord(int index);

// The part after the last "/", "\" or ":", "" when there is none.
std::string GetFileName(const std::string& path);

} // namespace AccountConfig
