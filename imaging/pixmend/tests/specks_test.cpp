// Streak and Despeckle: small pages for the edge cases, ImageMagick's
// morphology and connected components as oracles on random and scan-like
// pages, and a page of more components than 16-bit labels can count.

#include <map>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "PixmendTestSupport.h"
#include "pixmend/PageFilters.h"

using namespace pixmendtest;

namespace {

struct FilterCase {
    const char* name;
    Rows page;
    int32_t a, b;
    Rows expected;
};

struct MagickObject {
    int32_t width, height;
    bool black;
};

// ImageMagick's 8-connected objects of a page and each pixel's object id.
struct MagickComponents {
    std::map<long, MagickObject> objects;
    std::vector<long> idOf; // display rows top first
};

MagickComponents magickComponents(const ImageHandle& page, const TempDir& dir)
{
    const std::string in = dir.file("cc.pbm");
    const std::string labels = dir.file("cc-labels.raw");
    writePbm(page, in);
    // The label image as floats, which carry each pixel's object id / 65535.
    const auto listing = run("convert " + in + " -define connected-components:verbose=true -connected-components 8 " +
                             "-depth 32 -define quantum:format=floating-point gray:" + labels);
    MagickComponents result;
    const std::regex line(R"(^\s*(\d+): (\d+)x(\d+)\+\d+\+\d+ \S+ \d+ gray\((\d+)\))");
    std::istringstream text(listing.output);
    for (std::string l; std::getline(text, l);) {
        std::smatch m;
        if (std::regex_search(l, m, line))
            result.objects[std::stol(m[1])] = {std::stoi(m[2]), std::stoi(m[3]), m[4] == "0"};
    }
    const std::vector<uint8_t> raw = readBytes(labels);
    for (std::size_t i = 0; i + 4 <= raw.size(); i += 4) {
        float v;
        std::memcpy(&v, raw.data() + i, 4);
        result.idOf.push_back(std::lround(v * 65535.0));
    }
    return result;
}

// The page without the black objects ImageMagick lists at most w wide and h high.
ImageHandle withoutSmallObjects(const ImageHandle& page, const MagickComponents& cc, int32_t w, int32_t h)
{
    ImageHandle expected = page.clone();
    for (int32_t y = 0; y < page.height(); ++y) {
        for (int32_t x = 0; x < page.width(); ++x) {
            const MagickObject& o = cc.objects.at(cc.idOf[static_cast<std::size_t>(y) * page.width() + x]);
            if (o.black && o.width <= w && o.height <= h)
                DibSetRowBit(expected.displayRow(y), x, true);
        }
    }
    return expected;
}

} // namespace

TEST(Streak, WhitensShortRowRunsEdgesIncluded)
{
    const FilterCase cases[] = {
        {"max 1: single pixels go, runs of two stay", {"#.##.#", ".#..##", "#...#."}, 1, 0,
         {"..##..", "....##", "......"}},
        {"max 3: up to three", {"###.####", "##..#..."}, 3, 0, {"....####", "........"}},
        {"a row black end to end is one run", {"#####"}, 4, 0, {"#####"}},
    };
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(c.name);
        ImageHandle page = bilevelPage(c.page);
        ASSERT_EQ(Streak(page, c.a), 1);
        EXPECT_EQ(bilevelRows(page), c.expected);
    }
}

TEST(Streak, EqualsImageMagicksClosingWithARowOfOneMore)
{
    TempDir dir;
    for (int32_t n : {1, 2, 5}) {
        for (unsigned seed : {1u, 2u}) {
            SCOPED_TRACE("n " + std::to_string(n) + ", seed " + std::to_string(seed));
            ImageHandle page = randomPage(61, 23, seed, 0.6);
            const ImageHandle expected = magick(
                page, "-virtual-pixel White -morphology Close Rectangle:" + std::to_string(n + 1) + "x1", dir);
            ASSERT_EQ(Streak(page, n), 1);
            EXPECT_EQ(differingPixels(page, expected, dir), 0);
        }
    }
}

TEST(Despeckle, SpansDecideAndCornersConnect)
{
    const FilterCase cases[] = {
        {"1, 1 removes single pixels only", {"#...##", "......", "..#..#", "#....#"}, 1, 1,
         {"....##", "......", ".....#", ".....#"}},
        {"two pixels touching at a corner are one component of spans 1, 1", {"#.....", ".#...#", "......"}, 1, 1,
         {"#.....", ".#....", "......"}},
        {"the same pair goes with 2, 2", {"#.....", ".#...#", "......"}, 2, 2, {"......", "......", "......"}},
        {"a pixel in the page's corner", {"...", "...", "..#"}, 1, 1, {"...", "...", "..."}},
        {"wide but flat: spans 3 and 0", {"....", "####", "...."}, 3, 5, {"....", "####", "...."}},
        {"wide but flat under 4, 1", {"....", "####", "...."}, 4, 1, {"....", "....", "...."}},
    };
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(c.name);
        ImageHandle page = bilevelPage(c.page);
        ASSERT_EQ(Despeckle(page, c.a, c.b), 1);
        EXPECT_EQ(bilevelRows(page), c.expected);
    }
}

TEST(Despeckle, RemovesExactlyTheBlackComponentsImageMagickListsWithinTheSize)
{
    TempDir dir;
    struct Page {
        const char* name;
        ImageHandle page;
    };
    ImageHandle scan = scanLikePage(300, 220, {12, true, 5});
    sprinkleSpecks(scan, 150, 9);
    Page pages[] = {{"random", randomPage(90, 70, 3, 0.3)}, {"scan-like with specks", std::move(scan)}};
    for (Page& p : pages) {
        const MagickComponents cc = magickComponents(p.page, dir);
        for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {3, 2}, {6, 9}}) {
            SCOPED_TRACE(std::string(p.name) + " " + std::to_string(w) + " x " + std::to_string(h));
            const ImageHandle expected = withoutSmallObjects(p.page, cc, w, h);
            ImageHandle ours = p.page.clone();
            ASSERT_EQ(Despeckle(ours, w, h), 1);
            EXPECT_EQ(differingPixels(ours, expected, dir), 0);
        }
    }
}

// Dots two pixels apart: 122,500 components, more than a 16-bit label holds.
TEST(Despeckle, LabelsMoreThanSixtyFiveThousandComponents)
{
    ImageHandle page = whiteBilevelPage(700, 700);
    for (int32_t y = 0; y < 700; y += 2) {
        for (int32_t x = 0; x < 700; x += 2)
            DibSetRowBit(page.displayRow(y), x, false);
    }
    // One pair of pixels touching at a corner: spans 1 and 1, kept.
    DibSetRowBit(page.displayRow(1), 1, false);
    ASSERT_EQ(Despeckle(page, 1, 1), 1);
    for (int32_t y = 0; y < 700; ++y) {
        for (int32_t x = 0; x < 700; ++x) {
            const bool kept = (x == 0 && y == 0) || (x == 1 && y == 1) || (x == 2 && y == 0) || (x == 0 && y == 2) ||
                              (x == 2 && y == 2);
            ASSERT_EQ(DibRowBit(page.displayRow(y), x) == 0, kept) << x << ", " << y;
        }
    }
}

TEST(Specks, RefuseNullAndDeeperPages)
{
    ImageHandle none;
    ImageHandle grey = ImageHandle::createDib(8, 8, 8);
    const std::vector<uint8_t> before(grey.data(), grey.data() + grey.size());
    for (ImageHandle* page : {&none, &grey}) {
        EXPECT_EQ(Streak(*page, 3), -1);
        EXPECT_EQ(Despeckle(*page, 3, 3), -1);
    }
    EXPECT_EQ(std::vector<uint8_t>(grey.data(), grey.data() + grey.size()), before);
    ImageHandle page = bilevelPage({"#."});
    EXPECT_EQ(Streak(page, 0), -1);
}
