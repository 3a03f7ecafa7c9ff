// Start-up cleaning: the names every record gives its files are collected
// first, then each folder directory is walked once; only when something
// there is named by no record are the named files looked at, to know a
// second name or a copy of one.
#include "faxbox/MailboxLeftovers.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <utility>

#include "core/TextUtil.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/ProgramPaths.h"
#include "faxbox/FaxList.h"
#include "jotter/Jotter.h"
#include "safefile/SafeFile.h"
#include "spindle/VLock.h"

namespace fs = std::filesystem;

namespace {

using FileIdentity = std::pair<dev_t, ino_t>;

// The program's names of page and body files.
bool isPageName(const std::string& name)
{
    constexpr std::size_t kSuffix = 15; // "." and the 14 digits of a CreateTime
    return name.size() > kSuffix && name[name.size() - kSuffix] == '.' &&
           IsValidCreateTime(std::string_view(name).substr(name.size() - kSuffix + 1));
}

bool isBodyName(const std::string& name)
{
    return name.size() > 10 && name.rfind("body-", 0) == 0 && name.compare(name.size() - 5, 5, ".html") == 0;
}

// A temporary file of the crash-safe writer that this process did not make.
bool isLeftTemporary(const std::string& name)
{
    const std::optional<safefile::TemporaryName> temporary = safefile::ParseTemporaryName(name);
    return temporary && temporary->owner != ::getpid();
}

std::optional<FileIdentity> identityOf(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

struct Folder {
    std::string directory;
    std::string dataDirectory; // its account's
};

// Every folder directory with the names its records give.
struct NamedFiles {
    std::map<std::string, std::set<std::string>> names; // directory -> names
    std::vector<Folder> folders;
    std::set<std::string> dataDirectories;
};

NamedFiles collectNamedFiles()
{
    NamedFiles named;
    const int accounts = AccountConfig::GetNodeCount("Account");
    for (int a = 0; a < accounts; ++a) {
        const std::string account = FormatText("Account[%d]", a);
        const std::string dataDirectory = AccountConfig::GetFolderFullDirectory(account);
        if (!dataDirectory.empty())
            named.dataDirectories.insert(dataDirectory);
        const int folders = AccountConfig::GetNodeCount(account + "/Folder");
        for (int f = 0; f < folders; ++f) {
            const std::string folderPath = FormatText("%s/Folder[%d]", account.c_str(), f);
            const std::string directory = AccountConfig::GetFolderFullDirectory(folderPath);
            if (directory.empty())
                continue;
            named.folders.push_back({directory, dataDirectory});
            std::set<std::string>& names = named.names[directory];
            for (const FaxRecord& record : ReadFaxRecords(folderPath))
                for (std::string& name : RecordFileNames(record))
                    names.insert(std::move(name));
        }
    }
    return named;
}

// The files that records name and that exist, by identity and by size,
// so that a second name or a whole copy of one is known.
class FiledFiles {
public:
    explicit FiledFiles(const NamedFiles& named)
    {
        for (const auto& [directory, names] : named.names)
            for (const std::string& name : names) {
                const std::string path = JoinPath(directory, name);
                struct stat info {};
                if (!IsSafeName(name) || ::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
                    continue;
                identities_.insert({info.st_dev, info.st_ino});
                bySize_.emplace(info.st_size, path);
            }
    }
    bool IsSecondName(const FileIdentity& identity) const { return identities_.count(identity) > 0; }
    // A filed file holds the same bytes.
    bool HasCopy(const std::string& path) const
    {
        std::error_code error;
        const auto size = fs::file_size(path, error);
        if (error)
            return false;
        const auto [first, last] = bySize_.equal_range(static_cast<off_t>(size));
        for (auto it = first; it != last; ++it)
            if (sameBytes(path, it->second))
                return true;
        return false;
    }

private:
    static bool sameBytes(const std::string& a, const std::string& b)
    {
        std::ifstream left(a, std::ios::binary);
        std::ifstream right(b, std::ios::binary);
        if (!left || !right)
            return false;
        std::vector<char> one(64 * 1024), other(64 * 1024);
        for (;;) {
            left.read(one.data(), static_cast<std::streamsize>(one.size()));
            right.read(other.data(), static_cast<std::streamsize>(other.size()));
            if (left.gcount() != right.gcount() ||
                !std::equal(one.begin(), one.begin() + left.gcount(), other.begin()))
                return false;
            if (left.gcount() == 0 || left.eof() || right.eof())
                return left.eof() == right.eof() && !left.bad() && !right.bad();
        }
    }

    std::set<FileIdentity> identities_;
    std::multimap<off_t, std::string> bySize_;
};

void removeLogged(const std::string& path, const char* what, int& count)
{
    if (::unlink(path.c_str()) == 0) {
        ++count;
        cpLog(kLogTrace, "removed %s <%s>", what, path.c_str());
    } else {
        cpLog(kLogFailure, "cannot remove %s <%s>: %s", what, path.c_str(), std::strerror(errno));
    }
}

// Moves the file into the orphans folder of dataDirectory under a free name.
void moveToOrphans(const std::string& path, const std::string& name, const std::string& dataDirectory, int& count)
{
    const std::string orphans = JoinPath(dataDirectory, kOrphansFolder);
    std::error_code error;
    fs::create_directories(orphans, error);
    const std::string free = FirstFreeName(name, kMaxFileNameBytes, [&orphans](const std::string& candidate) {
        std::error_code missing;
        return fs::symlink_status(JoinPath(orphans, candidate), missing).type() != fs::file_type::not_found;
    });
    const std::string target = JoinPath(orphans, free);
    if (dataDirectory.empty() || free.empty() ||
        ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
        cpLog(kLogFailure, "page file <%s> that no fax names stays where it is: %s", path.c_str(),
              std::strerror(errno));
        return;
    }
    ++count;
    cpLog(kLogNotice, "page file <%s> that no fax names moved to <%s>", path.c_str(), target.c_str());
}

std::vector<std::string> entriesOf(const std::string& directory)
{
    std::error_code error;
    std::vector<std::string> entries;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path().filename().string());
    return entries;
}

// A page or body file in a folder directory that no record names.
struct Unnamed {
    std::string path;
    std::string name;
    std::string dataDirectory;
    FileIdentity identity;
};

// Removes the temporary files of the folder and gathers its unnamed files.
void sortFolder(const Folder& folder, const NamedFiles& named, LeftoverCleaning& cleaning,
                std::vector<Unnamed>& unnamed)
{
    const auto namedHere = named.names.find(folder.directory);
    for (const std::string& name : entriesOf(folder.directory)) {
        if (namedHere != named.names.end() && namedHere->second.count(name))
            continue;
        const std::string path = JoinPath(folder.directory, name);
        const std::optional<FileIdentity> identity = identityOf(path);
        if (!identity)
            continue; // directories, links and whatever is no plain file
        if (isLeftTemporary(name))
            removeLogged(path, "temporary file", cleaning.temporariesRemoved);
        else if (isPageName(name) || isBodyName(name))
            unnamed.push_back({path, name, folder.dataDirectory, *identity});
    }
}

// Temporary files directly in directory; with besideTarget only those whose
// target is there.
void removeTemporaries(const std::string& directory, bool besideTarget, int& count)
{
    for (const std::string& name : entriesOf(directory)) {
        if (!isLeftTemporary(name) || !identityOf(JoinPath(directory, name)))
            continue;
        const std::string target = safefile::ParseTemporaryName(name)->targetStart;
        if (besideTarget && !identityOf(JoinPath(directory, target)))
            continue;
        removeLogged(JoinPath(directory, name), "temporary file", count);
    }
}

} // namespace

LeftoverCleaning CleanMailboxLeftovers(const std::string& programDirectory)
{
    LeftoverCleaning cleaning;
    Spindle::VLock lock(AccountConfig::Mutex());
    if (!AccountConfig::IsOpen())
        return cleaning;
    const NamedFiles named = collectNamedFiles();
    std::set<std::string> cleaned;
    std::vector<Unnamed> unnamed;
    for (const Folder& folder : named.folders)
        if (cleaned.insert(folder.directory).second)
            sortFolder(folder, named, cleaning, unnamed);
    if (!unnamed.empty()) {
        const FiledFiles filed(named);
        for (const Unnamed& file : unnamed) {
            if (filed.IsSecondName(file.identity))
                removeLogged(file.path, "second name of a filed file", cleaning.copiesRemoved);
            else if (filed.HasCopy(file.path))
                removeLogged(file.path, "copy of a filed file", cleaning.copiesRemoved);
            else
                moveToOrphans(file.path, file.name, file.dataDirectory, cleaning.orphansMoved);
        }
    }
    for (const std::string& directory : named.dataDirectories)
        if (!cleaned.count(directory))
            removeTemporaries(directory, false, cleaning.temporariesRemoved);
    if (!programDirectory.empty() && !cleaned.count(programDirectory) && !named.dataDirectories.count(programDirectory))
        removeTemporaries(programDirectory, true, cleaning.temporariesRemoved);
    if (cleaning.temporariesRemoved + cleaning.copiesRemoved + cleaning.orphansMoved > 0)
        cpLog(kLogNotice, "crash leftovers: %d temporary files and %d copies of filed files removed, %d page files "
              "moved to %s", cleaning.temporariesRemoved, cleaning.copiesRemoved, cleaning.orphansMoved,
              kOrphansFolder);
    return cleaning;
}
