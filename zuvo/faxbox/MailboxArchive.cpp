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

bool loads(const std::string& xmlFile)
{
    Config document;
    return document.open(xmlFile.c_str()) == 1;
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
    if (!pack->ExtractFile(kAccountItem, candidate) || !loads(candidate)) {
        cpLog(kLogFailure, "restore: the account.xml of %s does not load", indexFile.c_str());
        return Result::Failed;
    }
    std::string dataDirectory = AccountConfig::GetDataDirectory();
    if (dataDirectory.empty())
        dataDirectory = JoinPath(ProgramDirectory(), "data");
    if (!pack->ExtractTree(kDataPrefix, dataDirectory, FilePack::Existing::Replace) ||
        !pack->ExtractFile(kAccountItem, accountFile()) || !AccountConfig::Reload())
        return Result::Failed;
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
