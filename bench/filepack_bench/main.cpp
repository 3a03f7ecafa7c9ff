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
//   filepack_bench [--files N]      (default 2000)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "faxbox/FilePack.h"

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

} // namespace

int main(int argc, char** argv)
{
    int files = 2000;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--files") == 0)
            files = std::atoi(argv[i + 1]);

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
    fs::remove_all(root);

    std::printf("| operation | files | seconds | ms per file |\n|---|---|---|---|\n");
    const auto row = [&](const char* what, double s) {
        std::printf("| %s | %d | %.2f | %.2f |\n", what, files, s, files ? 1000.0 * s / files : 0.0);
    };
    row("AddDirectory (index written once)", directory);
    row("AddFile each (index rewritten each time)", oneByOne);
    row("ExtractTree (each file synced and renamed)", extract);
    return 0;
}
