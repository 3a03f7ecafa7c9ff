// tiff_bench: Pictra's TIFF open and save and its page count beside libtiff's
// own tools on the same files.
//
// It makes a text-dense 1728 x 2292 fax page (drawn here, written as G4 by
// ImageMagick) and files of that page 10 and N times (joined by tiffcp),
// then times, in alternating runs, whole processes: this program opening a
// file and saving it as G4 against `tiffcp -c g4` at 1, 10 and N pages, and
// counting the N pages against `tiffinfo`. It prints medians, ratios and
// peak memory, and the time of the same calls inside this process (what the
// program itself waits for). It checks every result and exits 1 on a wrong
// one; it never judges time.
//
//   tiff_bench [--pages N] [--runs R]     (defaults: 100 pages, 11 runs)

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "BenchRun.h"
#include "pictra/DibRows.h"
#include "pictra/Pictra.h"
#include "testsupport/NetpbmPage.h"

namespace {

using namespace benchrun;

constexpr int32_t kWidth = 1728;
constexpr int32_t kHeight = 2292;
constexpr int32_t kMaxPages = 100;

// ---- the page ----

// A glyph: 8 x 13 pixels of strokes, as the letters of a small fax font.
using Glyph = std::vector<std::pair<int, int>>;

std::vector<Glyph> makeGlyphs(std::mt19937& random)
{
    std::vector<Glyph> glyphs(90);
    for (Glyph& g : glyphs) {
        const int strokes = 2 + static_cast<int>(random() % 3);
        for (int s = 0; s < strokes; ++s) {
            int x = static_cast<int>(random() % 8);
            int y = static_cast<int>(random() % 13);
            const int dx = static_cast<int>(random() % 3) - 1;
            const int dy = dx == 0 ? 1 : static_cast<int>(random() % 3) - 1;
            for (int step = 0; step < 9 && x >= 0 && x < 8 && y >= 0 && y < 13; ++step, x += dx, y += dy) {
                g.emplace_back(x, y);
                if (x + 1 < 8)
                    g.emplace_back(x + 1, y); // strokes two pixels wide
            }
        }
    }
    return glyphs;
}

// Lines of words across the whole page, as a dense typed letter.
ImageHandle textPage()
{
    ImageHandle page = PtxCreateHandle(kWidth, kHeight, PtxBlank::Bilevel);
    std::memset(page.pixels(), 0xFF, page.size() - page.pixelOffset());
    std::mt19937 random(2024);
    const std::vector<Glyph> glyphs = makeGlyphs(random);
    for (int32_t top = 60; top + 13 < kHeight - 60; top += 22) {
        for (int32_t left = 70; left < kWidth - 120;) {
            const int letters = 2 + static_cast<int>(random() % 8);
            for (int i = 0; i < letters; ++i, left += 10) {
                for (const auto& [x, y] : glyphs[random() % glyphs.size()])
                    DibSetRowBit(page.displayRow(top + y), left + x, false);
            }
            left += 10;
        }
    }
    ImgInfo dpi{};
    dpi.xResolution = 204;
    dpi.yResolution = 196;
    PtxSetImgInfo(page, &dpi);
    return page;
}

// ---- what the child processes do ----

bool openAndSaveG4(const std::string& in, const std::string& out)
{
    std::vector<ImageHandle> pages(kMaxPages);
    ImgFileInfo info;
    const int32_t n = PtxOpenImageFile(in, &info, pages);
    if (n < 1)
        return false;
    info.encodeOption = PtxTiffCompression::CcittG4;
    info.pages = n;
    return n == 1 ? PtxSaveImageToFile(pages[0], out, info) == 1
                  : PtxSaveMultiImageToFile(pages, out, info) == 1;
}

int child(int argc, char** argv)
{
    const std::string job = argv[2];
    if (job == "open-save" && argc == 5)
        return openAndSaveG4(argv[3], argv[4]) ? 0 : 1;
    if (job == "count" && argc == 4)
        return PtxCountImagePages(argv[3], kMaxPages) > 0 ? 0 : 1;
    if (job == "start")
        return 0; // what a process that loads Pictra costs before any work
    return 2;
}

// ---- checks ----

std::size_t occurrences(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size())
        ++n;
    return n;
}

// Our file holds the source's pages, G4, as tiffinfo reads it; its pixels
// are those of the source and of tiffcp's copy.
bool sameFaxes(const std::string& source, const std::string& ours, const std::string& theirs, int32_t pages,
               std::string& why)
{
    const std::string report = commandOutput("tiffinfo '" + ours + "' 2>&1");
    if (occurrences(report, "TIFF Directory") != static_cast<std::size_t>(pages) ||
        occurrences(report, "Compression Scheme: CCITT Group 4") != static_cast<std::size_t>(pages) ||
        occurrences(report, "Bits/Sample: 1") != static_cast<std::size_t>(pages)) {
        why = "tiffinfo does not see " + std::to_string(pages) + " 1-bit G4 pages in " + ours;
        return false;
    }
    const int32_t slots = std::min(pages, kMaxPages);
    std::vector<ImageHandle> a(static_cast<std::size_t>(slots)), b(a.size()), c(a.size());
    if (PtxOpenImageFile(source, nullptr, a) != slots || PtxOpenImageFile(ours, nullptr, b) != slots ||
        PtxOpenImageFile(theirs, nullptr, c) != slots) {
        why = std::string("cannot reopen the files: ") + PtxGetLastErrorInfo();
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto equal = [&](const ImageHandle& x, const ImageHandle& y) {
            return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size()) == 0;
        };
        if (!equal(a[i], b[i]) || !equal(a[i], c[i])) {
            why = "page " + std::to_string(i + 1) + " differs";
            return false;
        }
    }
    return true;
}

// ---- the report ----

std::string verdict(bool met) { return met ? "met" : "NOT met"; }

// One row: Pictra's process and call beside the tool's process, the ratios
// of CPU time, and the target judged on each.
void printRow(const std::string& what, const Pair& p, double callMs, double limit)
{
    const double process = p.ours.cpuMs / p.theirs.cpuMs;
    const double call = callMs / p.theirs.cpuMs;
    std::printf("%-27s %7.1f %7.1f %6.1f  %7.1f  %7.1f %7.1f %6.1f  %5.2f %5.2f  <= %.1f: call %s, process %s\n",
                what.c_str(), p.ours.cpuMs, p.ours.wallMs, p.ours.peakMb, callMs, p.theirs.cpuMs, p.theirs.wallMs,
                p.theirs.peakMb, call, process, limit, verdict(call <= limit).c_str(), verdict(process <= limit).c_str());
}

int fail(const std::string& why)
{
    std::fprintf(stderr, "tiff_bench: %s\n", why.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--child")
        return child(argc, argv);
    int32_t pages = kMaxPages;
    int runs = 11;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--pages")
            pages = std::clamp(std::atoi(argv[i + 1]), 1, kMaxPages);
        else if (option == "--runs")
            runs = std::clamp(std::atoi(argv[i + 1]), 1, 100);
        else
            return fail("usage: tiff_bench [--pages N] [--runs R]");
    }

    const ScratchFolder folder("tiff-bench");
    if (folder.path().empty())
        return fail("cannot make a scratch folder");
    const std::string& dir = folder.path();
    const std::string pbm = dir + "/page.pbm";
    const std::string one = dir + "/page.tif";
    const ImageHandle page = textPage();
    if (!testsupport::writePbm(page, pbm) ||
        std::system(("convert '" + pbm + "' -density 204x196 -units PixelsPerInch -compress group4 '" + one + "'")
                        .c_str()) != 0)
        return fail("cannot make the G4 page with ImageMagick");

    // Files of 1, 10 and `pages` pages (fewer when `pages` is smaller).
    std::vector<int32_t> sizes = {1};
    if (pages > 10)
        sizes.push_back(10);
    if (pages > 1)
        sizes.push_back(pages);
    const auto fileOf = [&](int32_t n) { return n == 1 ? one : dir + "/pages" + std::to_string(n) + ".tif"; };
    for (int32_t n : sizes) {
        std::string join = "tiffcp";
        for (int32_t i = 0; n > 1 && i < n; ++i)
            join += " '" + one + "'";
        if (n > 1 && std::system((join + " '" + fileOf(n) + "'").c_str()) != 0)
            return fail("cannot join the pages with tiffcp");
    }
    const std::string& many = fileOf(pages);

    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    std::vector<Pair> saves;
    for (int32_t n : sizes) {
        const std::string tag = std::to_string(n);
        saves.push_back(alternate({self, "--child", "open-save", fileOf(n), dir + "/ours" + tag + ".tif"},
                                  {"tiffcp", "-c", "g4", fileOf(n), dir + "/theirs" + tag + ".tif"}, runs));
    }
    const Pair count = alternate({self, "--child", "count", many}, {"tiffinfo", many}, runs);
    bool ok = count.ok;
    for (const Pair& p : saves)
        ok = ok && p.ok;
    if (!ok)
        return fail("a run exited with an error");

    std::string why;
    for (int32_t n : sizes) {
        const std::string tag = std::to_string(n);
        if (!sameFaxes(fileOf(n), dir + "/ours" + tag + ".tif", dir + "/theirs" + tag + ".tif", n, why))
            return fail(why);
    }
    const int32_t expected = std::min(pages, kMaxPages);
    if (PtxCountImagePages(many, kMaxPages) != expected)
        return fail("the page count is not " + std::to_string(expected));

    // The same calls inside this process.
    std::vector<double> calls;
    for (int32_t n : sizes)
        calls.push_back(inProcessMs(runs, [&] { return openAndSaveG4(fileOf(n), dir + "/call.tif"); }, ok));
    const double callCount =
        inProcessMs(runs, [&] { return PtxCountImagePages(many, kMaxPages) == expected; }, ok);
    if (!ok)
        return fail("an in-process call failed");

    const std::vector<std::string> startOnly = {self, "--child", "start"};
    runProcess(startOnly);
    std::vector<Run> starts;
    for (int i = 0; i < runs; ++i)
        starts.push_back(runProcess(startOnly));
    const Figures start = medians(starts);

    const double handleMb = static_cast<double>(page.size()) * expected / (1024.0 * 1024.0);
    const double memoryLimit = 2 * handleMb + 16;
    std::printf("tiff_bench: %d x %d text-dense G4 page (%.1f KB), %d-page file (%.1f MB); medians of %d "
                "alternating runs; times in ms, memory in MB\n",
                kWidth, kHeight, std::filesystem::file_size(one) / 1024.0, pages,
                std::filesystem::file_size(many) / (1024.0 * 1024.0), runs);
    std::printf("%-27s %7s %7s %6s  %7s  %7s %7s %6s  %5s %5s  target (cpu)\n", "", "process", "wall", "peak",
                "call", "tool", "wall", "peak", "call/", "proc/");
    std::printf("%-27s %7s %7s %6s  %7s  %7s %7s %6s  %5s %5s\n", "", "cpu", "", "", "cpu", "cpu", "", "", "tool",
                "tool");
    for (std::size_t i = 0; i < sizes.size(); ++i)
        printRow("open + G4 save, " + std::to_string(sizes[i]) + (sizes[i] == 1 ? " page" : " pages"), saves[i],
                 calls[i], 1.1);
    printRow("page count, " + std::to_string(pages) + " pages", count, callCount, 1.2);
    std::printf("tools: tiffcp -c g4 (saves), tiffinfo (count); call: the same Pictra calls inside this process\n");
    std::printf("a process that only loads Pictra (ImageMagick is loaded only for files that are not TIFF): "
                "%.1f ms cpu, %.1f ms wall, %.1f MB\n",
                start.cpuMs, start.wallMs, start.peakMb);
    std::printf("peak memory of the %d-page run: %.1f MB; 2 x %.1f MB of handles + 16 MB = %.1f MB: %s\n", pages,
                saves.back().ours.peakMb, handleMb, memoryLimit, verdict(saves.back().ours.peakMb < memoryLimit).c_str());
    return 0;
}
