// FilePack: the index codec (field by field, little-endian, every length
// checked before it is used), adding files to the .dat and extracting them
// below a directory without ever leaving it.

#include "faxbox/FilePack.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "byteorder/LittleEndian.h"
#include "core/stores/ProgramPaths.h"
#include "core/TextUtil.h"
#include "jotter/Jotter.h"
#include "safefile/ReplacementFile.h"
#include "safefile/SafeFile.h"
#include "safefile/UniqueFd.h"
#include "spindle/VLock.h"

namespace {

// Offsets and lengths are 32-bit: the .dat never grows past this.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull;
constexpr std::size_t kCopyChunk = 64 * 1024;
// The smallest item: a name's length field and three integers, each of which
// may be stored as a bare length field of 0 (read as 0).
constexpr uint64_t kMinItemBytes = 4 + 3 * 4;

using safefile::UniqueFd;

// ---- writing files --------------------------------------------------------

bool writeAll(int fd, const char* data, std::size_t size, off_t offset)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

// ---- the index codec ------------------------------------------------------

void putU32(std::string& out, uint32_t value)
{
    uint8_t bytes[4];
    le::put32(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

void putText(std::string& out, const std::string& bytes)
{
    putU32(out, static_cast<uint32_t>(bytes.size()));
    out += bytes;
}

void putInteger(std::string& out, uint32_t value)
{
    putU32(out, 4);
    putU32(out, value);
}

// Reads the index field by field; every length is checked against what the
// file still holds before anything is read or allocated.
class IndexReader {
public:
    IndexReader(std::FILE* file, uint64_t size) : file_(file), remaining_(size) {}

    uint64_t remaining() const { return remaining_; }
    const char* error() const { return error_; }

    bool text(std::string& out)
    {
        uint32_t length = 0;
        if (!u32(length))
            return false;
        if (length > FilePack::kMaxNameBytes)
            return fail("a text longer than the limit");
        out.assign(length, '\0');
        return bytes(out.data(), length);
    }

    bool integer(uint32_t& out)
    {
        uint32_t length = 0;
        if (!u32(length))
            return false;
        out = 0;
        if (length == 0)
            return true;
        if (length != 4)
            return fail("an integer whose length field is not 4");
        return u32(out);
    }

    bool fail(const char* why)
    {
        error_ = why;
        return false;
    }

private:
    bool u32(uint32_t& out)
    {
        uint8_t b[4];
        if (!bytes(b, 4))
            return false;
        out = le::get32(b);
        return true;
    }

    bool bytes(void* out, std::size_t n)
    {
        if (n > remaining_ || std::fread(out, 1, n, file_) != n)
            return fail("a field cut off by the end of the file");
        remaining_ -= n;
        return true;
    }

    std::FILE* file_;
    uint64_t remaining_;
    const char* error_ = "";
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Size of a file, 0 when it does not exist; nothing when it cannot be examined.
std::optional<uint64_t> fileSize(const std::string& path)
{
    struct stat st{};
    if (path.empty())
        return 0;
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? std::optional<uint64_t>(0) : std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}

// The data file opened with `flags`, or -1 when it is not a regular file:
// O_NONBLOCK, so that a FIFO in its place fails at once instead of waiting
// for a writer.
UniqueFd openDataFile(const std::string& path, int flags)
{
    UniqueFd fd(::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0644));
    struct stat st{};
    if (fd.get() >= 0 && (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)))
        return UniqueFd();
    return fd;
}

// ---- copying bytes --------------------------------------------------------

struct CopyResult {
    bool ok = false;
    uint64_t copied = 0;
    bool overflow = false; // the source holds more than the limit
};

// Copies the source from its current position to the data file at offset,
// at most limit bytes; overflow tells whether more bytes followed.
CopyResult copyIntoData(int source, int data, uint64_t offset, uint64_t limit)
{
    CopyResult result;
    std::vector<char> chunk(kCopyChunk);
    for (;;) {
        const ssize_t n = ::read(source, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return result;
        if (n == 0)
            break;
        if (result.copied + static_cast<uint64_t>(n) > limit) {
            result.overflow = true;
            return result;
        }
        if (!writeAll(data, chunk.data(), static_cast<std::size_t>(n), static_cast<off_t>(offset + result.copied)))
            return result;
        result.copied += static_cast<uint64_t>(n);
    }
    result.ok = true;
    return result;
}

// Copies length bytes from offset of the data file to fd; false when the
// data file ends first.
bool copyFromData(int data, uint64_t offset, uint64_t length, int fd)
{
    std::vector<char> chunk(kCopyChunk);
    uint64_t done = 0;
    while (done < length) {
        const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(chunk.size(), length - done));
        const ssize_t n = ::pread(data, chunk.data(), want, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        if (!writeAll(fd, chunk.data(), static_cast<std::size_t>(n), static_cast<off_t>(done)))
            return false;
        done += static_cast<uint64_t>(n);
    }
    return true;
}

bool isPackOnlyName(const std::string& name)
{
    return EqualsNoCase(name, "account.xml") || EqualsNoCase(name, "path.info");
}

// Makes the directories of relativePath's parent below root, one part at a
// time; an existing part must be a directory, not a link to one (which
// could lead the file out of root).
bool makeParents(const std::string& root, const std::string& relativePath)
{
    std::string path = root;
    std::size_t start = 0;
    for (std::size_t slash; (slash = relativePath.find('/', start)) != std::string::npos; start = slash + 1) {
        path = JoinPath(path, relativePath.substr(start, slash - start));
        if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
        struct stat st{};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return false;
    }
    return true;
}

} // namespace

// ---- names ------------------------------------------------------------------

std::string ItemName(const std::string& name)
{
    std::string out = name;
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

std::string ItemRelativePath(const std::string& itemName)
{
    std::string path;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = itemName.find_first_of("\\/", start);
        const std::string part = itemName.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part != ".") {
            if (!IsSafeName(part))
                return "";
            path = path.empty() ? part : path + "/" + part;
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return path;
}

// ---- FilePack -----------------------------------------------------------------

FilePack::~FilePack() = default;

void FilePack::SetIndexPath(const std::string& path)
{
    Spindle::VLock lock(mutex_);
    indexPath_ = path;
}

void FilePack::SetDataPath(const std::string& path)
{
    Spindle::VLock lock(mutex_);
    dataPath_ = path;
}

int FilePack::Open()
{
    Spindle::VLock lock(mutex_);
    head_ = FilePackHead{};
    items_.clear();
    if (indexPath_.empty())
        return 0;

    struct stat st{};
    if (::stat(indexPath_.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return 0;
        head_.version = kVersion;
        head_.vendor = kVendor;
        if (!WriteIndex()) {
            cpLog(kLogFailure, "cannot create the pack index %s", indexPath_.c_str());
            return 0;
        }
        return 1;
    }

    const std::optional<uint64_t> dataSize = fileSize(dataPath_);
    // Only a regular file is opened: opening a FIFO would wait for a writer.
    std::unique_ptr<std::FILE, FileCloser> file(S_ISREG(st.st_mode) ? std::fopen(indexPath_.c_str(), "rbe") : nullptr);
    if (!file || !dataSize || ::fstat(::fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode)) {
        cpLog(kLogFailure, "cannot read the pack index %s", indexPath_.c_str());
        return 0;
    }

    IndexReader reader(file.get(), static_cast<uint64_t>(st.st_size));
    FilePackHead head;
    std::vector<std::unique_ptr<FileItem>> items;
    uint32_t count = 0;
    bool sound = reader.text(head.version) && reader.text(head.vendor) && reader.integer(count);
    head.count = static_cast<int32_t>(count);
    if (sound && head.count < 0)
        sound = reader.fail("a negative item count");
    else if (sound && uint64_t(count) * kMinItemBytes > reader.remaining())
        sound = reader.fail("more items than the file can hold");
    if (sound)
        cpLog(kLogTrace, "head , version=<%s> num=<%ld>", head.version.c_str(), static_cast<long>(head.count));

    for (uint32_t k = 0; sound && k < count; ++k) {
        auto item = std::make_unique<FileItem>();
        std::string name;
        uint32_t valid = 0;
        sound = reader.text(name) && reader.integer(valid) && reader.integer(item->offset) &&
                reader.integer(item->length);
        if (!sound)
            break;
        const std::optional<std::string> utf8 = FromGbk(name);
        if (!utf8) {
            sound = reader.fail("an item name that is not GBK");
            break;
        }
        if (uint64_t(item->offset) + item->length > *dataSize) {
            sound = reader.fail("an item reaching past the end of the data file");
            break;
        }
        item->name = ItemName(*utf8);
        item->valid = static_cast<int32_t>(valid);
        cpLog(kLogTrace, "Item[%d] Name=<%s> offset=<%ld> len=<%ld>", static_cast<int>(k), item->name.c_str(),
              static_cast<long>(item->offset), static_cast<long>(item->length));
        items.push_back(std::move(item));
    }
    if (!sound) {
        cpLog(kLogFailure, "pack index %s refused: %s", indexPath_.c_str(), reader.error());
        return 0;
    }
    head_ = std::move(head);
    items_ = std::move(items);
    return 1;
}

int FilePack::WriteIndex()
{
    Spindle::VLock lock(mutex_);
    if (indexPath_.empty())
        return 0;
    std::string bytes;
    putText(bytes, head_.version.empty() ? kVersion : head_.version);
    putText(bytes, head_.vendor.empty() ? kVendor : head_.vendor);
    putInteger(bytes, static_cast<uint32_t>(items_.size()));
    for (const auto& item : items_) {
        const std::optional<std::string> name = ToGbk(item->name);
        if (!name)
            return 0;
        putText(bytes, *name);
        putInteger(bytes, static_cast<uint32_t>(item->valid));
        putInteger(bytes, item->offset);
        putInteger(bytes, item->length);
    }
    if (safefile::WriteFile(indexPath_, bytes, {.fileMode = 0644}) != safefile::WriteResult::Written) {
        cpLog(kLogFailure, "cannot write the pack index %s", indexPath_.c_str());
        return 0;
    }
    head_.count = static_cast<int32_t>(items_.size());
    return 1;
}

FileItem* FilePack::find(const std::string& name) const
{
    const std::string wanted = ItemName(name);
    const bool anyCase = isPackOnlyName(wanted);
    for (const auto& item : items_)
        if (anyCase ? EqualsNoCase(item->name, wanted) : item->name == wanted)
            return item.get();
    return nullptr;
}

bool FilePack::isOwnFile(dev_t device, ino_t inode) const
{
    for (const std::string* path : {&indexPath_, &dataPath_}) {
        struct stat st{};
        if (!path->empty() && ::stat(path->c_str(), &st) == 0 && st.st_dev == device && st.st_ino == inode)
            return true;
    }
    return false;
}

int FilePack::addFile(const std::string& itemName, const std::string& sourcePath, bool followLinks)
{
    const std::string name = ItemName(itemName);
    const std::optional<std::string> gbkName = ToGbk(name);
    if (sourcePath.empty() || name.empty() || !gbkName || gbkName->size() > kMaxNameBytes || dataPath_.empty()) {
        cpLog(kLogFailure, "cannot add \"%s\" from \"%s\" to the pack", itemName.c_str(), sourcePath.c_str());
        return 0;
    }
    UniqueFd source(::open(sourcePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW)));
    struct stat st{};
    if (source.get() < 0 || ::fstat(source.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        cpLog(kLogFailure, "pack: cannot read %s", sourcePath.c_str());
        return 0;
    }
    if (isOwnFile(st.st_dev, st.st_ino)) {
        cpLog(kLogFailure, "pack: %s is one of the pack's own files", sourcePath.c_str());
        return 0;
    }
    UniqueFd data = openDataFile(dataPath_, O_RDWR | O_CREAT);
    struct stat dataStat{};
    if (data.get() < 0 || ::fstat(data.get(), &dataStat) != 0) {
        cpLog(kLogFailure, "pack: cannot open the data file %s", dataPath_.c_str());
        return 0;
    }
    const uint64_t end = static_cast<uint64_t>(dataStat.st_size);
    const uint64_t room = end < kMaxDataBytes ? kMaxDataBytes - end : 0;

    FileItem* existing = find(name);
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    bool inPlace = existing != nullptr && existing->length >= size;
    uint64_t offset = inPlace ? existing->offset : end;
    CopyResult copy = copyIntoData(source.get(), data.get(), offset, inPlace ? existing->length : room);
    if (inPlace && copy.overflow) {
        // The file grew after it was measured: its bytes go at the end after all.
        if (::lseek(source.get(), 0, SEEK_SET) == 0) {
            inPlace = false;
            offset = end;
            copy = copyIntoData(source.get(), data.get(), offset, room);
        }
    }
    if (!inPlace && end > kMaxDataBytes)
        copy = CopyResult{false, 0, true};
    if (!copy.ok) {
        if (inPlace) {
            // Its old bytes are partly overwritten: the item goes.
            items_.erase(std::find_if(items_.begin(), items_.end(), [&](const auto& item) { return item.get() == existing; }));
        }
        cpLog(kLogFailure, "pack: %s not added to %s%s", sourcePath.c_str(), dataPath_.c_str(),
              copy.overflow ? ": the data file would pass 4 GiB" : "");
        return 0;
    }
    FileItem* item = existing;
    if (item == nullptr) {
        items_.push_back(std::make_unique<FileItem>());
        item = items_.back().get();
        item->name = name;
    }
    item->offset = static_cast<uint32_t>(offset);
    item->length = static_cast<uint32_t>(copy.copied);
    item->valid = 1;
    return 1;
}

bool FilePack::syncData()
{
    UniqueFd data = openDataFile(dataPath_, O_RDONLY);
    return data.get() >= 0 && ::fsync(data.get()) == 0;
}

int FilePack::commit(std::vector<FileItem> before, int result)
{
    // Keep the items equal to the index on disk.
    if (syncData() && WriteIndex())
        return result;
    items_.clear();
    for (FileItem& item : before)
        items_.push_back(std::make_unique<FileItem>(std::move(item)));
    return 0;
}

int FilePack::AddFile(const std::string& itemName, const std::string& sourcePath)
{
    Spindle::VLock lock(mutex_);
    std::vector<FileItem> before = Items();
    const std::size_t count = items_.size();
    const int added = addFile(itemName, sourcePath, true);
    if (!added && items_.size() == count)
        return 0;
    return commit(std::move(before), added);
}

int FilePack::addTree(const std::string& prefix, const std::string& directory)
{
    std::error_code error;
    std::vector<std::filesystem::directory_entry> entries;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
        entries.push_back(*it);
    if (error) {
        cpLog(kLogFailure, "pack: cannot read the directory %s", directory.c_str());
        return 0;
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
    for (const auto& entry : entries) {
        const std::string name = entry.path().filename().string();
        const std::string itemName = prefix.empty() ? name : prefix + "\\" + name;
        const std::filesystem::file_status status = entry.symlink_status(error);
        if (error)
            return 0;
        if (std::filesystem::is_directory(status)) {
            if (!addTree(itemName, entry.path().string()))
                return 0;
        } else if (std::filesystem::is_regular_file(status)) {
            struct stat st{};
            if (::lstat(entry.path().c_str(), &st) == 0 && isOwnFile(st.st_dev, st.st_ino))
                continue;
            if (!addFile(itemName, entry.path().string(), false))
                return 0;
        } else {
            cpLog(kLogTrace, "pack: %s is skipped (not a regular file or a directory)", entry.path().c_str());
        }
    }
    return 1;
}

int FilePack::AddDirectory(const std::string& prefix, const std::string& directory)
{
    Spindle::VLock lock(mutex_);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(directory, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return 1;
    if (!std::filesystem::is_directory(status)) {
        cpLog(kLogFailure, "pack: %s is not a directory", directory.c_str());
        return 0;
    }
    std::vector<FileItem> before = Items();
    const int added = addTree(ItemName(prefix), directory);
    return commit(std::move(before), added);
}

int FilePack::extract(const FileItem& item, const std::string& targetPath)
{
    UniqueFd data = openDataFile(dataPath_, O_RDONLY);
    if (data.get() < 0) {
        cpLog(kLogFailure, "pack: cannot open the data file %s", dataPath_.c_str());
        return 0;
    }
    safefile::ReplacementFile target(targetPath);
    const bool copied = target.IsOpen() && copyFromData(data.get(), item.offset, item.length, target.Fd()) && target.Commit();
    if (!copied)
        cpLog(kLogFailure, "pack: cannot extract \"%s\" to %s", item.name.c_str(), targetPath.c_str());
    return copied ? 1 : 0;
}

int FilePack::ExtractFile(const std::string& itemName, const std::string& targetPath)
{
    Spindle::VLock lock(mutex_);
    const FileItem* item = find(itemName);
    if (item == nullptr) {
        cpLog(kLogFailure, "pack: no item \"%s\"", itemName.c_str());
        return 0;
    }
    return extract(*item, targetPath);
}

int FilePack::ExtractAll(const std::string& directory)
{
    Spindle::VLock lock(mutex_);
    if (items_.empty())
        return 0;
    return ExtractTree("", directory, Existing::Replace);
}

int FilePack::ExtractTree(const std::string& prefix, const std::string& directory, Existing existing)
{
    Spindle::VLock lock(mutex_);
    std::string under = ItemName(prefix);
    while (!under.empty() && under.back() == '\\')
        under.pop_back();
    if (!under.empty())
        under += '\\';

    struct Job {
        const FileItem* item;
        std::string relativePath;
    };
    std::vector<Job> jobs;
    for (const auto& item : items_) {
        if (ItemRelativePath(item->name).empty()) {
            cpLog(kLogFailure, "pack: refused the item name \"%s\"", item->name.c_str());
            return 0;
        }
        if (item->name.compare(0, under.size(), under) != 0)
            continue;
        const std::string relative = ItemRelativePath(item->name.substr(under.size()));
        if (relative.empty()) {
            cpLog(kLogFailure, "pack: refused the item name \"%s\"", item->name.c_str());
            return 0;
        }
        jobs.push_back({item.get(), relative});
    }

    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (!std::filesystem::is_directory(directory, error)) {
        cpLog(kLogFailure, "pack: cannot make the directory %s", directory.c_str());
        return 0;
    }
    for (const Job& job : jobs) {
        const std::string target = JoinPath(directory, job.relativePath);
        struct stat st{};
        if (existing == Existing::Keep && ::lstat(target.c_str(), &st) == 0)
            continue;
        if (!makeParents(directory, job.relativePath) || !extract(*job.item, target))
            return 0;
    }
    return 1;
}

FilePackHead FilePack::Head() const
{
    Spindle::VLock lock(mutex_);
    return head_;
}

std::vector<FileItem> FilePack::Items() const
{
    Spindle::VLock lock(mutex_);
    std::vector<FileItem> items;
    items.reserve(items_.size());
    for (const auto& item : items_)
        items.push_back(*item);
    return items;
}

std::unique_ptr<FileItem> FilePack::Find(const std::string& itemName) const
{
    Spindle::VLock lock(mutex_);
    const FileItem* item = find(itemName);
    return item ? std::make_unique<FileItem>(*item) : nullptr;
}
