// Backup, restore, export and import of mailboxes through FilePack: which
// files go into a pack under which names, and how a pack is taken back
// without trusting it.

#include "faxbox/MailboxArchive.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "cfgtree/Config.h"
#include "core/TextUtil.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/FaxRecordStore.h"
#include "core/stores/ProgramPaths.h"
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

// A private directory for the files a pack operation reads back, removed
// with its contents at the end.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
        std::error_code error;
        std::string pattern = (std::filesystem::temp_directory_path(error) / "zuvo-pack-XXXXXX").string();
        if (!error && ::mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
        else
            cpLog(kLogFailure, "pack: no scratch directory");
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    bool valid() const { return !path_.empty(); }
    std::string file(const std::string& name) const { return JoinPath(path_, name); }

private:
    std::string path_;
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

// Record index of the folder at folderPath in another account document.
FaxRecord readRecord(Config& document, const std::string& folderPath, int index)
{
    const std::string fax = FormatText("%s/Fax[%d]", folderPath.c_str(), index);
    FaxRecord record;
    for (const char* name : kImportedAttributes)
        if (document.hasNodeAttr(fax.c_str(), name))
            record.Set(name, document.getNodeAttr(fax.c_str(), name));
    const std::string pages = fax + "/AttachFile";
    const int count = document.getNodeCnt(pages.c_str());
    for (int k = 0; k < count; ++k) {
        const std::string child = FormatText("%s[%d]", pages.c_str(), k);
        record.attachments.push_back(
            {document.getNodeAttr(child.c_str(), "File"), document.getNodeAttr(child.c_str(), "HeadFlag")});
    }
    return record;
}

// Adds the records of the folder in the imported document that the folder
// does not hold yet, and saves once.
bool importRecords(Config& imported, const std::string& folderPath)
{
    Spindle::VLock lock(AccountConfig::Mutex());
    const int before = FaxCount(folderPath);
    const int count = imported.getNodeCnt((folderPath + "/Fax").c_str());
    int added = 0;
    for (int k = 0; k < count; ++k) {
        const FaxRecord record = readRecord(imported, folderPath, k);
        if (AccountConfig::FaxExistsByCreateTime(folderPath, record.CreateTime()))
            continue;
        if (!AddFaxRecord(folderPath, record)) {
            cpLog(kLogFailure, "import: record %d of %s not taken", k, folderPath.c_str());
            continue;
        }
        ++added;
    }
    cpLog(kLogTrace, "import: %d of %d records added to %s", added, count, folderPath.c_str());
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
    ScratchDirectory scratch;
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
    ScratchDirectory scratch;
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
    ScratchDirectory scratch;
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
