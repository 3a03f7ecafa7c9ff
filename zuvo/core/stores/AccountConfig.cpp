#include "core/stores/AccountConfig.h"

#include <filesystem>
#include <memory>

#include "cfgtree/Config.h"
#include "core/TextUtil.h"
#include "core/stores/FaxRecord.h"
#include "core/stores/FaxRecordStore.h"
#include "core/stores/ProgramPaths.h"
#include "jotter/Jotter.h"
#include "spindle/VLock.h"

namespace AccountConfig {
namespace {

struct Store {
    Spindle::VMutex mutex;
    std::unique_ptr<Config> document; // set only while a file is loaded
    std::function<void()> saveListener;
};

Store& store()
{
    static Store instance;
    return instance;
}

// Runs use(document) under the store lock, or gives closed when no document is loaded.
template <typename Result, typename Use>
Result withDocument(Result closed, Use use)
{
    Spindle::VLock lock(store().mutex);
    if (!store().document)
        return closed;
    return use(*store().document);
}

bool isFlagSet(const std::string& value)
{
    return AtoiText(value) == 1;
}

// Attribute of the default account; "" without one.
std::string defaultAttr(const char* name)
{
    return withDocument(std::string(), [&](Config& doc) {
        const std::string account = GetDefaultAccountPath();
        return account.empty() ? std::string() : doc.getNodeAttr(account.c_str(), name);
    });
}

// Number attribute of the default account; missing when it is absent.
int defaultAttrInt(const char* name, int missing)
{
    return withDocument(missing, [&](Config& doc) {
        const std::string account = GetDefaultAccountPath();
        if (account.empty() || !doc.hasNodeAttr(account.c_str(), name))
            return missing;
        return AtoiText(doc.getNodeAttr(account.c_str(), name));
    });
}

int setDefaultAttr(const char* name, const std::string& value)
{
    Spindle::VLock lock(store().mutex);
    const std::string account = GetDefaultAccountPath();
    return account.empty() ? 0 : PutAttr(account, name, value);
}

// The folder path of the first folder of that Type below accountPath.
std::string folderOf(Config& doc, const std::string& accountPath, const std::string& type)
{
    const std::string folders = accountPath + "/Folder";
    const int count = doc.getNodeCnt(folders.c_str());
    for (int j = 0; j < count; ++j) {
        const std::string path = FormatText("%s/Folder[%d]", accountPath.c_str(), j);
        if (EqualsNoCase(doc.getNodeAttr(path.c_str(), "Type"), type))
            return path;
    }
    return "";
}

// The account path that a folder path starts with.
std::string accountOfFolder(const std::string& folderPath)
{
    const std::size_t cut = folderPath.find("/Folder[");
    return cut == std::string::npos ? std::string() : folderPath.substr(0, cut);
}

// directory made absolute: as it is when absolute, else joined to base()
// when it stays below it. "" when it is empty, when it would leave its base
// (logged: "<what> ... leaves <where>") or when base() gives "".
template <typename Base>
std::string resolveBelow(const std::string& directory, Base base, const char* what, const char* where)
{
    if (directory.empty())
        return "";
    if (IsAbsolutePath(directory))
        return directory;
    if (!IsSafeRelativePath(directory)) {
        cpLog(kLogFailure, "%s \"%s\" leaves %s; ignored", what, directory.c_str(), where);
        return "";
    }
    const std::string root = base();
    return root.empty() ? std::string() : JoinPath(root, directory);
}

std::string absoluteAccountDirectory(const std::string& directory)
{
    return resolveBelow(directory, [] { return ProgramDirectory(); }, "account directory", "the program directory");
}

} // namespace

// ---- opening and saving --------------------------------------------------

int Open(const std::string& programDirectory)
{
    Spindle::VLock lock(store().mutex);
    if (store().document)
        return 1;
    auto document = std::make_unique<Config>();
    const std::string main = JoinPath(programDirectory, "account.xml");
    const std::string backup = JoinPath(programDirectory, "account-bak.xml");
    if (!document->open(main.c_str())) {
        cpLog(kLogFailure, "cannot load %s; trying %s", main.c_str(), backup.c_str());
        if (!document->open(backup.c_str()))
            return 0;
    }
    if (!document->save(backup.c_str()))
        cpLog(kLogFailure, "cannot write the account backup %s", backup.c_str());
    store().document = std::move(document);
    return 1;
}

int Open()
{
    return Open(ProgramDirectory());
}

int IsOpen()
{
    return withDocument(0, [](Config&) { return 1; });
}

int Save()
{
    Spindle::VLock lock(store().mutex);
    if (!store().document)
        return 0;
    const int saved = store().document->save();
    if (!saved)
        cpLog(kLogFailure, "saving account.xml failed; the file on disk is unchanged");
    if (store().saveListener)
        store().saveListener();
    return saved;
}

int Reload()
{
    return withDocument(0, [](Config& doc) { return doc.reload(); });
}

void Close()
{
    Spindle::VLock lock(store().mutex);
    store().document.reset();
}

void SetSaveListener(std::function<void()> listener)
{
    Spindle::VLock lock(store().mutex);
    store().saveListener = std::move(listener);
}

Spindle::VMutex& Mutex()
{
    return store().mutex;
}

// ---- generic access ------------------------------------------------------

std::string GetAttr(const std::string& path, const std::string& name)
{
    return withDocument(std::string(), [&](Config& doc) { return doc.getNodeAttr(path.c_str(), name.c_str()); });
}

int GetAttrInto(const std::string& path, const std::string& name, std::string& out)
{
    out.clear();
    return withDocument(0, [&](Config& doc) { return doc.getNodeAttr(path.c_str(), name.c_str(), out); });
}

int GetAttrInt(const std::string& path, const std::string& name)
{
    return withDocument(-1, [&](Config& doc) { return AtoiText(doc.getNodeAttr(path.c_str(), name.c_str())); });
}

int HasAttr(const std::string& path, const std::string& name)
{
    return withDocument(0, [&](Config& doc) { return doc.hasNodeAttr(path.c_str(), name.c_str()); });
}

int SetAttr(const std::string& path, const std::string& name, const std::string& value)
{
    return withDocument(0, [&](Config& doc) { return doc.setNodeAttr(path.c_str(), name.c_str(), value.c_str()); });
}

int SetAttrInt(const std::string& path, const std::string& name, int value)
{
    return SetAttr(path, name, std::to_string(value));
}

int CreateAttr(const std::string& path, const std::string& name)
{
    return withDocument(0, [&](Config& doc) { return doc.createNodeAttr(path.c_str(), name.c_str()); });
}

int PutAttr(const std::string& path, const std::string& name, const std::string& value)
{
    return withDocument(0, [&](Config& doc) {
        if (!doc.hasNodeAttr(path.c_str(), name.c_str()) && !doc.createNodeAttr(path.c_str(), name.c_str()))
            return 0;
        return doc.setNodeAttr(path.c_str(), name.c_str(), value.c_str());
    });
}

int AddNode(const std::string& parent, const std::string& name, const std::string& text)
{
    return withDocument(0, [&](Config& doc) {
        return doc.addNode(parent.empty() ? nullptr : parent.c_str(), name.c_str(), text.c_str(), "", "");
    });
}

int InsertNode(const std::string& parent, const std::string& name, const std::string& refPath)
{
    return withDocument(0, [&](Config& doc) {
        return doc.insertNode(parent.empty() ? nullptr : parent.c_str(), name.c_str(), "", "", "", refPath.c_str());
    });
}

int AddChild(const std::string& name, const std::string& text)
{
    return withDocument(0, [&](Config& doc) { return doc.addChild(name.c_str(), text.c_str(), "", ""); });
}

int AddNodeAttr(const std::string& name, const std::string& value)
{
    return withDocument(0, [&](Config& doc) { return doc.addNodeAttr(name.c_str(), value.c_str()); });
}

int AddNodeAttrInt(const std::string& name, int value)
{
    return AddNodeAttr(name, std::to_string(value));
}

int AddChildAttr(const std::string& name, const std::string& value)
{
    return withDocument(0, [&](Config& doc) { return doc.addChildAttr(name.c_str(), value.c_str()); });
}

int RemoveNode(const std::string& path)
{
    return withDocument(0, [&](Config& doc) { return doc.removeNode(path.c_str()); });
}

int GetNodeCount(const std::string& path)
{
    return withDocument(0, [&](Config& doc) { return doc.getNodeCnt(path.c_str()); });
}

int GetNodesWithChildren(const std::string& path, const std::vector<std::string>& names, const std::string& childPath,
                         const std::vector<std::string>& childNames, std::vector<Config::NodeAttributes>& nodes,
                         std::size_t limit)
{
    nodes.clear();
    return withDocument(0, [&](Config& doc) {
        return doc.getNodesWithChildren(path.c_str(), names, childPath.c_str(), childNames, nodes, limit);
    });
}

int SetCurNode(const std::string& path)
{
    return withDocument(0, [&](Config& doc) { return doc.setCurNode(path.c_str()); });
}

int GetChildNum()
{
    return withDocument(-1, [](Config& doc) { return doc.getChildNum(); });
}

int GoChild(int index)
{
    return withDocument(0, [&](Config& doc) { return doc.goChild(index); });
}

int GoParent()
{
    return withDocument(0, [](Config& doc) {
        try {
            return doc.goParent();
        } catch (const ConfigError&) {
            return 0; // above the document node
        }
    });
}

int GetCurAttr(const std::string& name, std::string& out)
{
    out.clear();
    return withDocument(0, [&](Config& doc) { return doc.getAttr(name.c_str(), out); });
}

std::string GetCurAttrString(const std::string& name)
{
    std::string value;
    GetCurAttr(name, value);
    return value;
}

// ---- accounts and folders ------------------------------------------------

std::string GetDefaultAccountPath()
{
    return withDocument(std::string(), [](Config& doc) {
        const int count = doc.getNodeCnt("Account");
        for (int i = 0; i < count; ++i) {
            const std::string path = FormatText("Account[%d]", i);
            if (EqualsNoCase(doc.getNodeAttr(path.c_str(), "Default"), "yes"))
                return path;
        }
        return std::string();
    });
}

std::string GetFolderPath(const std::string& type)
{
    return withDocument(std::string(), [&](Config& doc) {
        const int count = doc.getNodeCnt("Account");
        for (int i = 0; i < count; ++i) {
            const std::string account = FormatText("Account[%d]", i);
            if (!EqualsNoCase(doc.getNodeAttr(account.c_str(), "Default"), "yes"))
                continue;
            if (std::string folder = folderOf(doc, account, type); !folder.empty())
                return folder;
        }
        return std::string();
    });
}

std::string GetFolderDirectory(const std::string& type)
{
    Spindle::VLock lock(store().mutex);
    const std::string folder = GetFolderPath(type);
    return folder.empty() ? std::string() : GetAttr(folder, "Directory");
}

std::string GetTempBoxPath() { return GetFolderPath(FolderType::kTempBox); }
std::string GetTempBoxDirectory() { return GetFolderDirectory(FolderType::kTempBox); }
std::string GetDeposeBoxPath() { return GetFolderPath(FolderType::kDeposeBox); }
std::string GetDeposeBoxDirectory() { return GetFolderDirectory(FolderType::kDeposeBox); }
std::string GetFaxBoxPath() { return GetFolderPath(FolderType::kFaxBox); }
std::string GetFaxBoxDirectory() { return GetFolderDirectory(FolderType::kFaxBox); }
std::string GetInBoxPath() { return GetFolderPath(FolderType::kInBox); }
std::string GetInBoxDirectory() { return GetFolderDirectory(FolderType::kInBox); }
std::string GetOutBoxPath() { return GetFolderPath(FolderType::kOutBox); }
std::string GetOutBoxDirectory() { return GetFolderDirectory(FolderType::kOutBox); }
std::string GetTrashBoxPath() { return GetFolderPath(FolderType::kTrashBox); }
std::string GetTrashBoxDirectory() { return GetFolderDirectory(FolderType::kTrashBox); }
std::string GetOverBoxPath() { return GetFolderPath(FolderType::kOverBox); }
std::string GetOverBoxDirectory() { return GetFolderDirectory(FolderType::kOverBox); }

std::string FindFolderPath(const std::string& accountPath, const std::string& type)
{
    return withDocument(std::string(), [&](Config& doc) { return folderOf(doc, accountPath, type); });
}

std::string GetFolderDirectoryOf(const std::string& accountPath, const std::string& type)
{
    Spindle::VLock lock(store().mutex);
    const std::string folder = FindFolderPath(accountPath, type);
    return folder.empty() ? std::string() : GetAttr(folder, "Directory");
}

int HasFolderOfType(const std::string& type)
{
    Spindle::VLock lock(store().mutex);
    const std::string account = GetDefaultAccountPath();
    return !account.empty() && !FindFolderPath(account, type).empty() ? 1 : 0;
}

std::string ResolveFolderDirectory(const std::string& accountDirectory, const std::string& folderDirectory)
{
    return resolveBelow(
        folderDirectory, [&] { return absoluteAccountDirectory(accountDirectory); }, "folder directory",
        "its data directory");
}

std::string GetFolderFullDirectory(const std::string& path)
{
    Spindle::VLock lock(store().mutex);
    const std::string account = accountOfFolder(path);
    if (account.empty())
        return absoluteAccountDirectory(GetAttr(path, "Directory"));
    return ResolveFolderDirectory(GetAttr(account, "Directory"), GetAttr(path, "Directory"));
}

std::string GetDataDirectory()
{
    return absoluteAccountDirectory(defaultAttr("Directory"));
}

// ---- the default account's settings --------------------------------------

std::string GetAccountName() { return defaultAttr("Name"); }
std::string GetFaxUser() { return defaultAttr("FaxUser"); }
std::string GetFaxPassword() { return defaultAttr("FaxPassword"); }
std::string GetFaxEMail() { return defaultAttr("FaxEMail"); }
std::string GetSmtpHost() { return defaultAttr("SmtpHost"); }
int GetSmtpPort() { return defaultAttrInt("SmtpPort", 0); }
std::string GetSmtpUser() { return defaultAttr("SmtpUser"); }
std::string GetSmtpPassword() { return defaultAttr("SmtpPassword"); }
std::string GetReplyEMail() { return defaultAttr("ReplyEMail"); }

int GetUpdateFlag() { return isFlagSet(defaultAttr("UpdateFlag")) ? 1 : 0; }
int SetUpdateFlag(int n) { return setDefaultAttr("UpdateFlag", std::to_string(n)); }
std::string GetUpdateData() { return defaultAttr("UpdateData"); }
int SetUpdateData(const std::string& text) { return setDefaultAttr("UpdateData", text); }
int GetProxyFlag() { return isFlagSet(defaultAttr("ProxyFlag")) ? 1 : 0; }
int SetProxyFlag(int n) { return setDefaultAttr("ProxyFlag", std::to_string(n)); }
int GetProxyPort() { return defaultAttrInt("ProxyPort", 9000); }
int SetProxyPort(int n) { return setDefaultAttr("ProxyPort", std::to_string(n)); }
std::string GetProxyServer() { return defaultAttr("ProxyServer"); }
int SetProxyServer(const std::string& text) { return setDefaultAttr("ProxyServer", text); }
std::string GetFaxUserAttr() { return defaultAttr("FaxUser"); }
int GetFaxServer() { return defaultAttrInt("FaxServer", 0); }
int SetFaxServer(int n) { return setDefaultAttr("FaxServer", std::to_string(n)); }
std::string GetRcvFaxNotifyFile() { return defaultAttr("RcvFaxNotifyFile"); }
int SetRcvFaxNotifyFile(const std::string& text) { return setDefaultAttr("RcvFaxNotifyFile", text); }
std::string GetFaxReplyNotifyFile() { return defaultAttr("FaxReplyNotifyFile"); }
int SetFaxReplyNotifyFile(const std::string& text) { return setDefaultAttr("FaxReplyNotifyFile", text); }
int GetEnableAccess() { return defaultAttrInt("EnableAccess", 0); }
int SetEnableAccess(int n) { return setDefaultAttr("EnableAccess", std::to_string(n)); }
std::string GetAccessPassword() { return defaultAttr("AccessPassword"); }
int SetAccessPassword(const std::string& text) { return setDefaultAttr("AccessPassword", text); }
int SetAccessKey(const std::string& text) { return setDefaultAttr("AccessKey", text); }

// ---- start-up ------------------------------------------------------------

int EnsureDefaultFolders(const std::string& language)
{
    Spindle::VLock lock(store().mutex);
    const std::string account = GetDefaultAccountPath();
    if (account.empty())
        return 0;
    const bool chinese = EqualsNoCase(language, "cn");

    if (FindFolderPath(account, "failedbox").empty()) {
        if (!AddNode(account, "Folder") || !AddNodeAttr("Name", chinese ? "失败箱" : "Failed") ||
            !AddNodeAttr("Type", "failedbox") || !AddNodeAttr("Directory", "failedbox") || !Save())
            return 0;
    }
    if (!FindFolderPath(account, "faxbox").empty())
        return 1;

    // Received faxes get their own box in front of the inbox, which from
    // now on holds the receipts only.
    const std::string inbox = FindFolderPath(account, "inbox");
    if (!inbox.empty() && !PutAttr(inbox, "Name", chinese ? "回执箱" : "replyBox"))
        return 0;
    if (!InsertNode(account, "Folder", inbox) || !AddNodeAttr("Name", chinese ? "收件箱" : "rcvBox") ||
        !AddNodeAttr("Type", "faxbox") || !AddNodeAttr("Directory", "faxbox"))
        return 0;
    return Save();
}

int PrepareDataDirectories(const std::string& directory)
{
    Spindle::VLock lock(store().mutex);
    const std::string account = GetDefaultAccountPath();
    if (account.empty())
        return 0;
    std::error_code error;
    std::string current = GetDataDirectory();
    if (!current.empty() && !std::filesystem::exists(current, error))
        current.clear();
    const std::string target = JoinPath(IsAbsolutePath(directory) ? directory : ProgramDirectory(), "data");
    if (!current.empty() && current == target)
        return 1;
    std::filesystem::create_directories(target, error);
    if (!std::filesystem::is_directory(target, error)) {
        cpLog(kLogFailure, "cannot create the data directory %s", target.c_str());
        return 0;
    }
    if (!PutAttr(account, "Directory", target) || !Save())
        return 0;
    return Reload();
}

// ---- fax records ----------------------------------------------------------

int GetOutBoxFaxCount()
{
    Spindle::VLock lock(store().mutex);
    const std::string outbox = GetOutBoxPath();
    return outbox.empty() ? 0 : GetNodeCount(outbox + "/Fax");
}

int GetFaxCount(const std::string& accountPath, const std::string& type)
{
    Spindle::VLock lock(store().mutex);
    const std::string folder = FindFolderPath(accountPath, type);
    return folder.empty() ? 0 : GetNodeCount(folder + "/Fax");
}

int FaxExistsByCreateTime(const std::string& folderPath, const std::string& createTime)
{
    return withDocument(0, [&](Config& doc) {
        if (!doc.setCurNode(folderPath.c_str()))
            return 1;
        const int count = doc.getNodeCnt((folderPath + "/Fax").c_str());
        for (int k = 0; k < count; ++k) {
            const std::string fax = FormatText("%s/Fax[%d]", folderPath.c_str(), k);
            if (EqualsNoCase(doc.getNodeAttr(fax.c_str(), "CreateTime"), createTime)) {
                doc.setCurNode(fax.c_str());
                return 1;
            }
        }
        return 0;
    });
}

int RemoveOutBoxFax(int index)
{
    Spindle::VLock lock(store().mutex);
    const std::string outbox = GetOutBoxPath();
    if (outbox.empty() || !RemoveNode(FormatText("%s/Fax[%d]", outbox.c_str(), index)))
        return 0;
    return Save();
}

std::optional<OutboxFax> LoadFaxRecord(int index)
{
    Spindle::VLock lock(store().mutex);
    const std::string outbox = GetOutBoxPath();
    const auto fax = outbox.empty() ? std::nullopt : ReadFaxRecord(outbox, index);
    if (!fax)
        return std::nullopt;
    auto pages = AttachmentPaths(GetFolderFullDirectory(outbox), *fax);
    if (!pages)
        return std::nullopt;
    OutboxFax record;
    record.recipients = fax->Get(FaxRecord::kCaller);
    if (const std::string cc = fax->Get(FaxRecord::kToCC); !cc.empty())
        record.recipients += "," + cc;
    record.pages = std::move(*pages);
    return record;
}

std::string GetFileName(const std::string& path)
{
    return LastPathComponent(path);
}

} // namespace AccountConfig
