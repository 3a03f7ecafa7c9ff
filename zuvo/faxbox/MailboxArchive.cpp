// Backup, restore, export and import of mailboxes through FilePack: which
// files go into a pack under which names, and how a pack is taken back
// without trusting it.

#include "faxbox/MailboxArchive.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <unordered_set>

#include "cfgtree/Config.h"
#include "core/TextUtil.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/FaxRecordStore.h"
#include "core/stores/ProgramPaths.h"
#include "core/stores/ScratchDirectory.h"
#include "faxbox/DirectoryReplacement.h"
#include "faxbox/FaxList.h"
#include "faxbox/FilePack.h"
#include "jotter/Jotter.h"
#include "safefile/SafeFile.h"
#include "spindle/VLock.h"

namespace MailboxArchive {
namespace {

constexpr const char* kAccountItem = "account.xml";
constexpr const char* kPathInfoItem = "path.info";
constexpr const char* kDataPrefix = ".";
constexpr std::size_t kMaxPathInfoBytes = 4096;

// The attributes an imported record takes over, in the order they are written.
constexpr const char* kImportedAttributes[] = {
    FaxRecord::kCaller,      FaxRecord::kToCC,         FaxRecord::kTopic,      FaxRecord::kName,
    FaxRecord::kCompany,     FaxRecord::kSendFaxTime,  FaxRecord::kReadFlag,   FaxRecord::kFlag,
    FaxRecord::kDate,        FaxRecord::kBodyFileName, FaxRecord::kCreateTime, FaxRecord::kPages,
    FaxRecord::kSendTimer,   FaxRecord::kTimerFlag,
};

std::string accountFile()
{
    return JoinPath(ProgramDirectory(), "account.xml");
}

// A pack that replaces any old one of that base name.
std::unique_ptr<FilePack> newPack(const std::string& base)
{
    std::error_code ignored;
    std::filesystem::remove(base + ".index", ignored);
    std::filesystem::remove(base + ".dat", ignored);
    auto pack = std::make_unique<FilePack>();
    pack->SetIndexPath(base + ".index");
    pack->SetDataPath(base + ".dat");
    return pack->Open() ? std::move(pack) : nullptr;
}

// The pack of an existing index file; never creates one.
std::unique_ptr<FilePack> existingPack(const std::string& indexFile)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(indexFile, error)) {
        cpLog(kLogFailure, "no pack index %s", indexFile.c_str());
        return nullptr;
    }
    auto pack = std::make_unique<FilePack>();
    pack->SetIndexPath(indexFile);
    pack->SetDataPath(DataPathOf(indexFile));
    return pack->Open() ? std::move(pack) : nullptr;
}

bool writeText(const std::string& path, const std::string& text)
{
    return safefile::WriteFile(path, text) == safefile::WriteResult::Written;
}

// The first line of a small file with trailing CR, LF and blanks cut.
std::string firstLine(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string text(kMaxPathInfoBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    text = text.substr(0, text.find('\n'));
    while (!text.empty() && (text.back() == '\r' || text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

// A crash-safe copy of a file over another.
bool copyFile(const std::string& from, const std::string& to)
{
    if (safefile::CopyFile(from, to) == safefile::WriteResult::Written)
        return true;
    cpLog(kLogFailure, "cannot copy %s to %s", from.c_str(), to.c_str());
    return false;
}

// A CreateTime as records are matched by it: letter case aside.
std::string createTimeKey(std::string createTime)
{
    for (char& c : createTime)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return createTime;
}

// Adds the records of the folder in the imported document whose CreateTime
// the folder does not hold yet (nor an earlier record of the import), and
// saves once. One walk reads the imported records, one the folder's
// CreateTimes: the import is linear in the records, however many.
bool importRecords(Config& imported, const std::string& folderPath)
{
    static const std::vector<std::string> importedNames(std::begin(kImportedAttributes), std::end(kImportedAttributes));
    const std::vector<FaxRecord> records = ReadFaxRecordsFrom(imported, folderPath, importedNames);
    Spindle::VLock lock(AccountConfig::Mutex());
    std::vector<Config::NodeAttributes> held;
    AccountConfig::GetNodesWithChildren(folderPath + "/Fax", {FaxRecord::kCreateTime}, "", {}, held);
    std::unordered_set<std::string> createTimes;
    for (const Config::NodeAttributes& node : held)
        createTimes.insert(createTimeKey(node.values[0].value_or("")));
    const int before = static_cast<int>(held.size());
    int added = 0;
    for (std::size_t k = 0; k < records.size(); ++k) {
        const FaxRecord& record = records[k];
        const auto [key, isNew] = createTimes.insert(createTimeKey(record.CreateTime()));
        if (!isNew)
            continue;
        if (!AddFaxRecord(folderPath, record, before + added)) {
            createTimes.erase(key);
            cpLog(kLogFailure, "import: record %zu of %s not taken", k, folderPath.c_str());
            continue;
        }
        ++added;
    }
    cpLog(kLogTrace, "import: %d of %zu records added to %s", added, records.size(), folderPath.c_str());
    if (added == 0 || AccountConfig::Save())
        return true;
    RemoveFaxRecordsFrom(folderPath, before);
    return false;
}

// "Account[i]" of the first account of document whose Default is "yes"
// (any case), as the account store finds it; "" when none.
std::string defaultAccountOf(Config& document)
{
    const int count = document.getNodeCnt("Account");
    for (int i = 0; i < count; ++i) {
        const std::string path = FormatText("Account[%d]", i);
        if (EqualsNoCase(document.getNodeAttr(path.c_str(), "Default"), "yes"))
            return path;
    }
    return "";
}

// Whether every record of the default account of document finds its body
// and page files in its folder's directory below dataDirectory (folders
// that lie elsewhere are not in a pack, and not looked at). Logs the first
// file that is not there.
bool recordsFindTheirFiles(Config& document, const std::string& dataDirectory)
{
    const std::string account = defaultAccountOf(document);
    if (account.empty())
        return true;
    const int folders = document.getNodeCnt((account + "/Folder").c_str());
    for (int j = 0; j < folders; ++j) {
        const std::string folderPath = FormatText("%s/Folder[%d]", account.c_str(), j);
        const std::string directory = document.getNodeAttr(folderPath.c_str(), "Directory");
        const std::string folderDirectory =
            IsAbsolutePath(directory) ? "" : AccountConfig::ResolveFolderDirectory(dataDirectory, directory);
        if (folderDirectory.empty())
            continue;
        // The attributes a record's file names are made of.
        const std::vector<FaxRecord> records =
            ReadFaxRecordsFrom(document, folderPath, {FaxRecord::kCreateTime, FaxRecord::kBodyFileName});
        for (std::size_t k = 0; k < records.size(); ++k) {
            const FaxRecord& record = records[k];
            std::optional<std::vector<std::string>> files = AttachmentPaths(folderDirectory, record);
            const std::string body = record.Get(FaxRecord::kBodyFileName);
            if (files && !body.empty()) {
                const std::optional<std::string> bodyPath = BodyFilePath(folderDirectory, body);
                bodyPath ? files->push_back(*bodyPath) : files.reset();
            }
            if (!files) {
                cpLog(kLogFailure, "restore: record %zu of %s names a file that cannot be there", k, folderPath.c_str());
                return false;
            }
            for (const std::string& file : *files) {
                std::error_code error;
                if (!std::filesystem::is_regular_file(file, error)) {
                    cpLog(kLogFailure, "restore: record %zu of %s names %s, which the pack does not hold", k,
                          folderPath.c_str(), file.c_str());
                    return false;
                }
            }
        }
    }
    return true;
}

Result fromFlag(bool done)
{
    return done ? Result::Success : Result::Failed;
}

} // namespace

std::string PackBase(const std::string& chosen)
{
    const std::string suffix = ".index";
    if (chosen.size() > suffix.size() && EqualsNoCase(chosen.substr(chosen.size() - suffix.size()), suffix))
        return chosen.substr(0, chosen.size() - suffix.size());
    return chosen;
}

std::string DataPathOf(const std::string& indexFile)
{
    const std::size_t slash = indexFile.rfind('/');
    const std::size_t dot = indexFile.rfind('.');
    const bool inName = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (inName ? indexFile.substr(0, dot) : indexFile) + ".dat";
}

std::string ExportPrefix(const std::string& folderDirectory)
{
    std::string prefix = ItemName(IsAbsolutePath(folderDirectory) ? LastPathComponent(folderDirectory) : folderDirectory);
    while (!prefix.empty() && prefix.back() == '\\')
        prefix.pop_back();
    return prefix;
}

Result BackupAccount(const std::string& chosen)
{
    const std::string dataDirectory = AccountConfig::GetDataDirectory();
    const auto pack = newPack(PackBase(chosen));
    return fromFlag(pack && !dataDirectory.empty() && pack->AddFile(kAccountItem, accountFile()) &&
                    pack->AddDirectory(kDataPrefix, dataDirectory));
}

Result RestoreAccount(const std::string& indexFile)
{
    const auto pack = existingPack(indexFile);
    if (!pack)
        return Result::Failed;
    ScratchDirectory scratch("zuvo-pack");
    if (!scratch.valid())
        return Result::Failed;
    const std::string candidate = scratch.file(kAccountItem);
    Config restored;
    if (!pack->ExtractFile(kAccountItem, candidate) || restored.open(candidate.c_str()) != 1) {
        cpLog(kLogFailure, "restore: the account.xml of %s does not load; nothing changed", indexFile.c_str());
        return Result::Failed;
    }

    // Nobody files, moves or saves a record until the mailbox is whole again.
    Spindle::VLock lock(AccountConfig::Mutex());
    std::string dataDirectory = AccountConfig::GetDataDirectory();
    if (dataDirectory.empty())
        dataDirectory = JoinPath(ProgramDirectory(), "data");

    // The restored data directory is built beside the present one (which
    // stays as it is), from what it holds now with the pack's files over
    // it, and is put in its place only once the pack's records all find
    // their files in it.
    DirectoryReplacement data(dataDirectory);
    if (!data.IsOpen() || !data.TakeCurrentContents() ||
        !pack->ExtractTree(kDataPrefix, data.Path(), FilePack::Existing::Replace) ||
        !recordsFindTheirFiles(restored, data.Path())) {
        cpLog(kLogFailure, "restore: %s cannot be taken back; the mailbox is as it was", indexFile.c_str());
        return Result::Failed;
    }

    // The old account.xml (when there is one) is kept aside until the store
    // has loaded the new one; the store's document is the old one until then.
    const std::string oldAccount = scratch.file("account-before.xml");
    std::error_code error;
    const bool hadAccount = std::filesystem::exists(accountFile(), error);
    if ((hadAccount && !copyFile(accountFile(), oldAccount)) || !data.Swap()) {
        cpLog(kLogFailure, "restore: %s cannot be put in place; the mailbox is as it was", indexFile.c_str());
        return Result::Failed;
    }
    if (!copyFile(candidate, accountFile()) || !AccountConfig::Reload()) {
        bool accountBack = true;
        if (hadAccount) {
            accountBack = copyFile(oldAccount, accountFile());
        } else {
            std::filesystem::remove(accountFile(), error);
            accountBack = !error;
        }
        const bool back = accountBack && data.SwapBack();
        cpLog(kLogFailure, "restore: the account.xml of %s could not be put in place; %s", indexFile.c_str(),
              back ? "the mailbox is as it was" : "the old mailbox could not be put back");
        return Result::Failed;
    }
    AccountConfig::PrepareDataDirectories(ProgramDirectory());
    cpLog(kLogTrace, "restore: %s restored", indexFile.c_str());
    return Result::Success;
}

Result ExportFolder(const std::string& folderPath, const std::string& chosen)
{
    const std::string directory = AccountConfig::GetAttr(folderPath, "Directory");
    const std::string folderDirectory = FolderDirectory(folderPath);
    if (directory.empty() || folderDirectory.empty())
        return Result::Failed;
    ScratchDirectory scratch("zuvo-pack");
    const std::string pathInfo = scratch.file(kPathInfoItem);
    if (!scratch.valid())
        return Result::Failed;
    const auto pack = newPack(PackBase(chosen));
    return fromFlag(pack && pack->AddFile(kAccountItem, accountFile()) && writeText(pathInfo, folderPath + "\r\n") &&
                    pack->AddFile(kPathInfoItem, pathInfo) &&
                    pack->AddDirectory(ExportPrefix(directory), folderDirectory));
}

Result ImportFolder(const std::string& folderPath, const std::string& indexFile)
{
    const auto pack = existingPack(indexFile);
    if (!pack)
        return Result::Failed;
    ScratchDirectory scratch("zuvo-pack");
    const std::string pathInfo = scratch.file(kPathInfoItem);
    if (!scratch.valid())
        return Result::Failed;
    if (!pack->ExtractFile(kPathInfoItem, pathInfo) || !EqualsNoCase(firstLine(pathInfo), folderPath)) {
        cpLog(kLogFailure, "import: %s is not an export of %s", indexFile.c_str(), folderPath.c_str());
        return Result::WrongFolder;
    }
    const std::string importedFile = scratch.file("account-imp.xml");
    Config imported;
    if (!pack->ExtractFile(kAccountItem, importedFile) || imported.open(importedFile.c_str()) != 1)
        return Result::BadIndex;

    const std::string directory = imported.getNodeAttr(folderPath.c_str(), "Directory");
    const std::string folderDirectory = EnsureFolderDirectory(folderPath);
    if (directory.empty() || folderDirectory.empty())
        return Result::Failed;
    return fromFlag(pack->ExtractTree(ExportPrefix(directory), folderDirectory, FilePack::Existing::Keep) &&
                    importRecords(imported, folderPath));
}

} // namespace MailboxArchive
