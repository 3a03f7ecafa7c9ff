// filepack_bench: what a backup and a restore of a data directory cost.
//
// It makes a data directory of N page files (30 KB each, as a fax page),
// then times adding it to a new pack with AddDirectory (the index written
// once, at the end) against adding the same files one by one with AddFile
// (the index rewritten, crash-safe, after each), and extracting it all again
// with ExtractTree (every file written beside its target, synced and
// renamed). Every result is checked (the items, their bytes back); a wrong
// one exits 1. Time never fails it.
//
// Then 导入 of a folder export: for folders of N records (N = 1,000, 5,000
// and 20,000, each record naming one small page file), the folder is
// exported, its records are removed, and the import is timed (the files
// extracted next to the ones kept, the records matched by CreateTime and
// added, account.xml saved once); every record must be back exactly once.
//
//   filepack_bench [--files N] [--records N]   (default 2000; 1,000/5,000/20,000)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "core/TextUtil.h"
#include "core/stores/AccountConfig.h"
#include "faxbox/FilePack.h"
#include "faxbox/MailboxArchive.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kPageBytes = 30000;

std::string pageName(int i)
{
    return "p" + std::to_string(i) + ".tif.20261210093001";
}

std::string pageBytes(int i)
{
    std::string bytes(kPageBytes, static_cast<char>('a' + i % 26));
    bytes.replace(0, std::to_string(i).size(), std::to_string(i));
    return bytes;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double seconds(const std::function<void()>& run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

[[noreturn]] void wrong(const char* what)
{
    std::fprintf(stderr, "filepack_bench: wrong result: %s\n", what);
    std::exit(1);
}

struct Pack {
    explicit Pack(const fs::path& base)
    {
        fs::remove(base.string() + ".index");
        fs::remove(base.string() + ".dat");
        pack.SetIndexPath(base.string() + ".index");
        pack.SetDataPath(base.string() + ".dat");
        if (!pack.Open())
            wrong("open");
    }
    FilePack pack;
};

constexpr const char* kFolder = "Account[0]/Folder[0]";

// A program directory whose one folder holds n records, each with a page file.
void writeFolder(const fs::path& home, int n)
{
    fs::create_directories(home / "data" / "faxbox");
    std::ofstream out(home / "account.xml", std::ios::binary | std::ios::trunc);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>\n"
           "<Account Name=\"bench\" Default=\"yes\" Directory=\"data\">\n"
           "<Folder Name=\"收件箱\" Type=\"faxbox\" Directory=\"faxbox\">\n";
    for (int k = 0; k < n; ++k) {
        const std::string createTime = FormatText("2026%010d", 100000000 + k);
        out << "<Fax Caller=\"021-" << k << "\" Topic=\"主题" << k << "\" Date=\"2026-12-10 09:30:01\" CreateTime=\""
            << createTime << "\" Pages=\"1\" ReadFlag=\"0\" Flag=\"0\"><AttachFile File=\"p.tif\"/></Fax>\n";
        std::ofstream(home / "data" / "faxbox" / ("p.tif." + createTime), std::ios::binary) << "II*" << k;
    }
    out << "</Folder>\n</Account>\n</Config>\n";
}

// Seconds that 导入 of an export of n records takes into the emptied folder.
double importSeconds(const fs::path& root, int n)
{
    const fs::path home = root / ("import-" + std::to_string(n));
    writeFolder(home, n);
    ::setenv("ZUVO_HOME", home.c_str(), 1);
    AccountConfig::Close();
    if (AccountConfig::Open(home.string()) != 1)
        wrong("account.xml does not open");
    const std::string exported = (home / "faxbox-export").string();
    if (MailboxArchive::ExportFolder(kFolder, exported) != MailboxArchive::Result::Success)
        wrong("export");
    for (int k = n - 1; k >= 0; --k)
        if (AccountConfig::RemoveNode(std::string(kFolder) + "/Fax[" + std::to_string(k) + "]") != 1)
            wrong("removing a record");
    if (AccountConfig::Save() != 1)
        wrong("saving the emptied folder");
    MailboxArchive::Result result = MailboxArchive::Result::Failed;
    const double elapsed = seconds([&] { result = MailboxArchive::ImportFolder(kFolder, exported + ".index"); });
    if (result != MailboxArchive::Result::Success)
        wrong("import");
    if (AccountConfig::GetNodeCount(std::string(kFolder) + "/Fax") != n)
        wrong("the records back");
    AccountConfig::Close();
    return elapsed;
}

} // namespace

int main(int argc, char** argv)
{
    int files = 2000;
    std::vector<int> records{1000, 5000, 20000};
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--files") == 0)
            files = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--records") == 0)
            records = {std::atoi(argv[i + 1])};
    }

    char scratch[] = "/tmp/filepack-bench-XXXXXX";
    if (::mkdtemp(scratch) == nullptr)
        wrong("no scratch directory");
    const fs::path root(scratch);
    const fs::path data = root / "data";
    fs::create_directories(data / "faxbox");
    for (int i = 0; i < files; ++i)
        std::ofstream(data / "faxbox" / pageName(i), std::ios::binary) << pageBytes(i);

    Pack whole(root / "whole");
    const double directory = seconds([&] {
        if (!whole.pack.AddDirectory(".", data.string()))
            wrong("AddDirectory");
    });
    Pack single(root / "single");
    const double oneByOne = seconds([&] {
        for (int i = 0; i < files; ++i)
            if (!single.pack.AddFile(".\\faxbox\\" + pageName(i), (data / "faxbox" / pageName(i)).string()))
                wrong("AddFile");
    });
    if (whole.pack.Items().size() != static_cast<std::size_t>(files) ||
        single.pack.Items().size() != static_cast<std::size_t>(files))
        wrong("item count");

    const fs::path out = root / "out";
    const double extract = seconds([&] {
        if (!whole.pack.ExtractTree(".", out.string(), FilePack::Existing::Replace))
            wrong("ExtractTree");
    });
    for (int i = 0; i < files; ++i)
        if (readFile(out / "faxbox" / pageName(i)) != pageBytes(i))
            wrong("extracted bytes");
    std::vector<double> imports;
    for (int n : records)
        imports.push_back(importSeconds(root, n));
    fs::remove_all(root);

    std::printf("| operation | files | seconds | ms per file |\n|---|---|---|---|\n");
    const auto row = [&](const char* what, double s) {
        std::printf("| %s | %d | %.2f | %.2f |\n", what, files, s, files ? 1000.0 * s / files : 0.0);
    };
    row("AddDirectory (index written once)", directory);
    row("AddFile each (index rewritten each time)", oneByOne);
    row("ExtractTree (each file synced and renamed)", extract);

    std::printf("\n| 导入 of a folder export | records | seconds | ms per record |\n|---|---|---|---|\n");
    for (std::size_t k = 0; k < records.size(); ++k)
        std::printf("| records and page files | %d | %.2f | %.3f |\n", records[k], imports[k],
                    records[k] ? 1000.0 * imports[k] / records[k] : 0.0);
    return 0;
}
