// A FilePack archive from outside: the first four bytes (little-endian) give
// the length of the .index, the rest of that many bytes is the .index and
// whatever follows is the .dat. Whatever opens lists only items that lie
// within the .dat, extracts only below the directory it is given, and
// writes an index that opens again to the same items.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "faxbox/FilePack.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool SameItems(const std::vector<FileItem>& a, const std::vector<FileItem>& b, bool sameNames)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if ((sameNames && a[i].name != b[i].name) || a[i].offset != b[i].offset || a[i].length != b[i].length ||
            a[i].valid != b[i].valid)
            return false;
    return true;
}

// Every path below directory (its own files), as a sorted list.
std::vector<std::string> Listing(const std::string& directory)
{
    std::vector<std::string> paths;
    std::error_code error;
    for (fs::recursive_directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
        paths.push_back(it->path().string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Quiet();
    if (size < 4)
        return 0;
    const std::size_t indexBytes =
        std::min<std::size_t>(size - 4, data[0] | data[1] << 8 | data[2] << 16 | std::size_t(data[3]) << 24);
    const std::string index = fuzz::WriteScratch("pack.index", data + 4, indexBytes);
    const std::string dat = fuzz::WriteScratch("pack.dat", data + 4 + indexBytes, size - 4 - indexBytes);
    const std::string scratch = fuzz::ScratchDirectory();
    const std::string out = scratch + "/out";
    std::error_code ignored;
    fs::remove_all(out, ignored);
    fs::remove(scratch + "/again.index", ignored);

    FilePack pack;
    pack.SetIndexPath(index);
    pack.SetDataPath(dat);
    if (pack.Open() != 1)
        return 0;
    const std::vector<FileItem> items = pack.Items();
    const std::uint64_t datSize = size - 4 - indexBytes;
    for (const FileItem& item : items)
        if (std::uint64_t(item.offset) + item.length > datSize)
            fuzz::Fault("an item reaches past the end of the .dat");

    // Extraction writes below out, and nowhere else.
    const std::vector<std::string> before = Listing(scratch);
    pack.ExtractTree("", out, FilePack::Existing::Replace);
    pack.ExtractTree(".", out, FilePack::Existing::Keep);
    for (const std::string& path : Listing(scratch))
        if (path.rfind(out + "/", 0) != 0 && path != out &&
            !std::binary_search(before.begin(), before.end(), path))
            fuzz::Fault("extraction wrote outside its directory");
    // A file that one item alone names holds that item's bytes.
    std::map<std::string, int> named;
    for (const FileItem& item : items)
        ++named[ItemRelativePath(item.name)];
    for (const FileItem& item : items) {
        const std::string relative = ItemRelativePath(item.name);
        const std::string path = out + "/" + relative;
        std::error_code error;
        if (relative.empty() || named[relative] != 1 || !fs::is_regular_file(fs::symlink_status(path, error)))
            continue;
        const std::string bytes(reinterpret_cast<const char*>(data) + 4 + indexBytes + item.offset, item.length);
        if (ReadFile(path) != bytes)
            fuzz::Fault("an extracted file differs from its item's bytes");
    }

    // The index written from what was read opens again to the same items
    // (a name that was no GBK comes back as it was written, and stays so).
    FilePack copy;
    copy.SetIndexPath(scratch + "/again.index");
    copy.SetDataPath(dat);
    if (copy.Open() != 1)
        fuzz::Fault("a new index cannot be made");
    FilePack written;
    written.SetIndexPath(index);
    written.SetDataPath(dat);
    if (pack.WriteIndex() == 1) {
        if (written.Open() != 1)
            fuzz::Fault("a rewritten index does not open");
        if (!SameItems(written.Items(), items, false))
            fuzz::Fault("a rewritten index lists other items");
        const std::vector<FileItem> once = written.Items();
        if (written.WriteIndex() != 1 || written.Open() != 1 || !SameItems(written.Items(), once, true))
            fuzz::Fault("an index written twice changes");
    }
    return 0;
}
