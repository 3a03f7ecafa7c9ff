// cleanup_bench: Pixmend's deskew and speck removal beside leptonica's and
// ImageMagick's on the same scanned page.
//
// It draws a 300-dpi A4 page (2480 x 3508, 1 bit) of text-like rows and
// rules, turns it by 3 degrees with Pictra, cuts it back to A4 and
// sprinkles specks of 1 x 1 and 2 x 2 pixels on it. It then times, as
// medians: ImageDeskew and Despeckle(2, 2) as calls inside this process and
// as whole processes (read the PBM, work, write the PBM), against
// leptonica's pixFindSkew + pixDeskew inside this process, against
// `convert page.pbm -deskew 40% out.pbm` and, for the specks, ImageMagick's
// connected components with an area threshold and its -despeckle. It checks
// every result of ours (the angle, the straightened page, the page without
// exactly the specks) and exits 1 on a wrong one; it never judges time.
//
//   cleanup_bench [--width W] [--height H] [--runs R]   (defaults: 2480, 3508, 11)

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <leptonica/allheaders.h>

#include "BenchRun.h"
#include "pictra/Pictra.h"
#include "pixmend/PageFilters.h"
#include "testsupport/NetpbmPage.h"
#include "testsupport/ScanPages.h"

namespace {

using namespace benchrun;

constexpr double kTurn = 3.0;

struct Pages {
    ImageHandle clean;   // turned, without specks
    ImageHandle speckled;
    int specks = 0;
};

// The A4 page turned by kTurn and cut back to its size around its centre,
// then sprinkled with about one speck per 2,500 pixels.
Pages makePages(int32_t width, int32_t height)
{
    const int32_t glyph = std::max(8, 30 * width / 2480);
    const ImageHandle straight = testsupport::scanLikePage(width, height, {glyph, true, 2480});
    const ImageHandle turned = PtxImgRotate(straight, static_cast<float>(kTurn), 1);
    const int32_t left = (turned.width() - width) / 2;
    const int32_t top = (turned.height() - height) / 2;
    Pages pages;
    pages.clean = PtxImgCrop(turned, left, top, left + width, top + height);
    pages.speckled = pages.clean.clone();
    pages.specks = testsupport::sprinkleSpecks(pages.speckled, width * height / 2500, 7);
    return pages;
}

bool samePixels(const ImageHandle& a, const ImageHandle& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    for (int32_t y = 0; y < a.height(); ++y) {
        for (int32_t x = 0; x < a.width(); ++x) {
            if (DibRowBit(a.displayRow(y), x) != DibRowBit(b.displayRow(y), x))
                return false;
        }
    }
    return true;
}

long differing(const ImageHandle& a, const ImageHandle& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return -1;
    long n = 0;
    for (int32_t y = 0; y < a.height(); ++y) {
        for (int32_t x = 0; x < a.width(); ++x)
            n += DibRowBit(a.displayRow(y), x) != DibRowBit(b.displayRow(y), x);
    }
    return n;
}

// ---- what the child processes do: read the page, work, write the result ----

int child(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    const std::string job = argv[2];
    ImageHandle page = testsupport::readPbm(argv[3]);
    if (page.isNull())
        return 1;
    if (job == "deskew") {
        double angle = 0;
        const ImageHandle straight = ImageDeskew(page, &angle);
        return !straight.isNull() && testsupport::writePbm(straight, argv[4]) ? 0 : 1;
    }
    if (job == "despeckle")
        return Despeckle(page, 2, 2) == 1 && testsupport::writePbm(page, argv[4]) ? 0 : 1;
    return 2;
}

// ---- ImageMagick's side ----

// Median wall and CPU time of a process run `runs` times after a warm-up.
Figures timeProcess(const std::vector<std::string>& argv, int runs, bool& ok)
{
    runProcess(argv);
    std::vector<Run> all;
    for (int i = 0; i < runs; ++i) {
        all.push_back(runProcess(argv));
        ok = ok && all.back().status == 0;
    }
    return medians(all);
}

int fail(const std::string& why)
{
    std::fprintf(stderr, "cleanup_bench: %s\n", why.c_str());
    return 1;
}

// ---- leptonica's side, inside this process ----

struct PixDeleter {
    void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using Pix = std::unique_ptr<PIX, PixDeleter>;

struct LeptonicaDeskew {
    double findMs = 0;   // pixFindSkew
    double deskewMs = 0; // pixDeskew (which finds the skew again, then turns the page)
    float angle = 0;     // pixFindSkew's: the page's skew
    bool ok = true;
};

LeptonicaDeskew leptonicaDeskew(const std::string& pbm, int runs)
{
    LeptonicaDeskew l;
    setMsgSeverity(L_SEVERITY_ERROR); // no line of its own per turn
    const Pix page(pixRead(pbm.c_str()));
    if (!page)
        return {0, 0, 0, false};
    l.findMs = inProcessMs(runs, [&] {
        float confidence = 0;
        return pixFindSkew(page.get(), &l.angle, &confidence) == 0;
    }, l.ok);
    l.deskewMs = inProcessMs(runs, [&] { return Pix(pixDeskew(page.get(), 0)) != nullptr; }, l.ok);
    return l;
}

void printRow(const char* what, double callMs, const Figures& ours, const Figures& theirs, const Figures& theirsNull)
{
    std::printf("%-22s %8.1f %8.1f %8.1f   %8.1f %8.1f %8.1f   %6.3f %6.3f\n", what, callMs, ours.wallMs, ours.cpuMs,
                theirs.wallMs, theirs.cpuMs, theirsNull.wallMs, ours.wallMs / theirs.wallMs,
                callMs / theirsNull.wallMs);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--child")
        return child(argc, argv);
    int32_t width = 2480, height = 3508;
    int runs = 11;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--width")
            width = std::clamp(std::atoi(argv[i + 1]), 200, 10000);
        else if (option == "--height")
            height = std::clamp(std::atoi(argv[i + 1]), 200, 14000);
        else if (option == "--runs")
            runs = std::clamp(std::atoi(argv[i + 1]), 1, 100);
        else
            return fail("usage: cleanup_bench [--width W] [--height H] [--runs R]");
    }
    const ScratchFolder folder("cleanup-bench");
    if (folder.path().empty())
        return fail("cannot make a scratch folder");
    const std::string dir = folder.path();
    const std::string pbm = dir + "/page.pbm";
    const Pages pages = makePages(width, height);
    if (pages.clean.isNull() || !testsupport::writePbm(pages.speckled, pbm))
        return fail("cannot make the page");

    // Our results, checked.
    double angle = 0;
    const ImageHandle straight = ImageDeskew(pages.speckled, &angle);
    if (straight.isNull() || std::fabs(angle + kTurn) > 0.1 + 1e-9)
        return fail("deskew found " + std::to_string(angle) + " degrees, not " + std::to_string(-kTurn));
    double left = 99;
    if (ImageDeskew(straight, &left).isNull() || std::fabs(left) > 0.1 + 1e-9)
        return fail("the straightened page still leans by " + std::to_string(left) + " degrees");
    ImageHandle despeckled = pages.speckled.clone();
    if (Despeckle(despeckled, 2, 2) != 1 || !samePixels(despeckled, pages.clean))
        return fail("Despeckle(2, 2) did not remove exactly the specks");

    bool ok = true;
    const double callDeskew = inProcessMs(runs, [&] {
        double a = 0;
        return !ImageDeskew(pages.speckled, &a).isNull();
    }, ok);
    std::vector<ImageHandle> copies;
    for (int i = 0; i < runs; ++i)
        copies.push_back(pages.speckled.clone());
    std::size_t next = 0;
    const double callDespeckle = inProcessMs(runs, [&] { return Despeckle(copies[next++], 2, 2) == 1; }, ok);

    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const std::string area = "connected-components:area-threshold=5";
    const std::string mean = "connected-components:mean-color=true";
    const Figures oursDeskew = timeProcess({self, "--child", "deskew", pbm, dir + "/ours-straight.pbm"}, runs, ok);
    const Figures oursSpecks = timeProcess({self, "--child", "despeckle", pbm, dir + "/ours-clean.pbm"}, runs, ok);
    const Figures imDeskew = timeProcess({"convert", pbm, "-deskew", "40%", dir + "/im-straight.pbm"}, runs, ok);
    const Figures imDeskewNull = timeProcess({"convert", pbm, "-deskew", "40%", "null:"}, runs, ok);
    const std::vector<std::string> components = {"convert", pbm,  "-define", area,
                                                 "-define", mean, "-connected-components", "8"};
    auto with = [](std::vector<std::string> argv, const std::string& out) {
        argv.push_back(out);
        return argv;
    };
    const Figures imSpecks = timeProcess(with(components, dir + "/im-clean.pbm"), runs, ok);
    const Figures imSpecksNull = timeProcess(with(components, "null:"), runs, ok);
    const Figures imDespeckle = timeProcess({"convert", pbm, "-despeckle", dir + "/im-despeckle.pbm"}, runs, ok);
    const Figures imDespeckleNull = timeProcess({"convert", pbm, "-despeckle", "null:"}, runs, ok);
    const LeptonicaDeskew lept = leptonicaDeskew(pbm, runs);
    if (!ok || !lept.ok)
        return fail("a run exited with an error");
    if (!samePixels(testsupport::readPbm(dir + "/ours-clean.pbm"), pages.clean))
        return fail("the despeckle process wrote a wrong page");

    const std::string magickAngle = commandOutput("convert '" + pbm + "' -deskew 40% -format '%[deskew:angle]' info:");
    const long componentsApart = differing(testsupport::readPbm(dir + "/im-clean.pbm"), despeckled);

    std::printf("cleanup_bench: %d x %d 1-bit page of text rows and rules turned %.1f degrees, %d specks; medians "
                "of %d runs; ms\n",
                width, height, kTurn, pages.specks, runs);
    std::printf("%-22s %8s %8s %8s   %8s %8s %8s   %6s %6s\n", "", "ours", "ours", "ours", "IM", "IM", "IM", "proc/",
                "call/");
    std::printf("%-22s %8s %8s %8s   %8s %8s %8s   %6s %6s\n", "", "call cpu", "proc", "proc cpu", "proc", "proc cpu",
                "to null:", "IM", "null:");
    printRow("deskew", callDeskew, oursDeskew, imDeskew, imDeskewNull);
    const double leptMs = lept.findMs + lept.deskewMs;
    printRow("specks: components", callDespeckle, oursSpecks, imSpecks, imSpecksNull);
    printRow("specks: -despeckle", callDespeckle, oursSpecks, imDespeckle, imDespeckleNull);
    std::printf("angle: ours %.1f degrees (the turn that straightens the page), leptonica's skew %.2f, "
                "ImageMagick's deskew:angle %s\n",
                angle, lept.angle, magickAngle.c_str());
    std::printf("ImageMagick's area-threshold page differs from ours in %ld pixels%s\n", componentsApart,
                componentsApart == 0 ? "" : " (it judges a component by its area, ours by its size)");
    std::printf("deskew inside the process: ours %.1f ms, leptonica's pixFindSkew %.1f ms + pixDeskew %.1f ms = %.1f "
                "ms; ours / leptonica %.3f: <= 1.0 %s\n",
                callDeskew, lept.findMs, lept.deskewMs, leptMs, callDeskew / leptMs,
                callDeskew <= leptMs ? "met" : "NOT met");
    std::printf("IM: convert page.pbm -deskew 40%% out.pbm; -define %s -define %s -connected-components 8 out.pbm; "
                "-despeckle out.pbm; 'to null:' the same without writing the page\n",
                area.c_str(), mean.c_str());
    return 0;
}
