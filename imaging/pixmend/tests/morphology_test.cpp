// The 3 x 3 morphology filters: ImageMagick's erosion and dilation as the
// oracle of Thicken, Thinning and Outline on random and scan-like pages,
// small pages for the neighbourhood rules, and the line rule of the
// line-preserving smoothing checked in all 256 neighbourhoods.

#include <gtest/gtest.h>

#include "Neighbourhood.h"
#include "PixmendTestSupport.h"
#include "Scratch.h"
#include "pictra/Pictra.h"
#include "pixmend/PageFilters.h"

using namespace pixmendtest;

namespace {

using Filter = int32_t (*)(ImageHandle&);

struct NamedFilter {
    const char* name;
    Filter filter;
};

const NamedFilter kFilters[] = {
    {"CharacterSmoothing", CharacterSmoothing},
    {"Thinning", Thinning},
    {"Thicken", Thicken},
    {"Outline", Outline},
    {"LightThicken", LightThicken},
    {"FillLineBreaks", FillLineBreaks},
    {"FillLineBreaks_PreserveLines", FillLineBreaks_PreserveLines},
    {"SmoothClean", SmoothClean},
    {"SmoothClean_PreserveLines", SmoothClean_PreserveLines},
};

// The page without its first and last row and column.
ImageHandle inner(const ImageHandle& page) { return PtxImgCrop(page, 1, 1, page.width() - 1, page.height() - 1); }

} // namespace

TEST(Morphology, ThickenThinningAndOutlineEqualImageMagicksErosionAndDilation)
{
    TempDir dir;
    struct Oracle {
        const char* name;
        Filter filter;
        std::string operations; // "{in}" stands for the input file
        bool innerOnly;
    };
    const Oracle oracles[] = {
        {"Thicken", Thicken, "-virtual-pixel White -morphology Erode Square:1", false},
        {"Thinning", Thinning,
         "-virtual-pixel White -morphology Dilate Square:1 -shave 1x1 -bordercolor white -border 1", false},
        {"Outline", Outline,
         "\\( {in} -virtual-pixel White -morphology Dilate Square:1 -negate \\) -compose Lighten -composite", true},
    };
    ImageHandle scan = scanLikePage(240, 180, {10, true, 4});
    sprinkleSpecks(scan, 60, 2);
    const ImageHandle pages[] = {randomPage(53, 31, 11, 0.5), randomPage(64, 40, 12, 0.8), scan.clone()};
    for (const Oracle& o : oracles) {
        for (const ImageHandle& page : pages) {
            SCOPED_TRACE(std::string(o.name) + " on a " + std::to_string(page.width()) + " x " +
                         std::to_string(page.height()) + " page");
            std::string operations = o.operations;
            if (const auto at = operations.find("{in}"); at != std::string::npos)
                operations.replace(at, 4, dir.file("magick-in.pbm"));
            const ImageHandle expected = magick(page, operations, dir);
            ASSERT_FALSE(expected.isNull());
            ImageHandle ours = page.clone();
            ASSERT_EQ(o.filter(ours), 1);
            if (o.innerOnly)
                EXPECT_EQ(differingPixels(inner(ours), inner(expected), dir), 0);
            else
                EXPECT_EQ(differingPixels(ours, expected, dir), 0);
        }
    }
}

TEST(Morphology, NeighbourhoodRulesOnSmallPages)
{
    struct Case {
        const char* name;
        Filter filter;
        Rows page;
        Rows expected;
    };
    const Case cases[] = {
        {"Thinning keeps an all-black interior inside a white frame", Thinning, {"#####", "#####", "#####", "#####"},
         {".....", ".###.", ".###.", "....."}},
        {"Thinning keeps only pixels with eight black neighbours", Thinning, {"####.", "####.", "####.", "....."},
         {".....", ".##..", ".....", "....."}},
        {"SmoothClean whitens a pixel white only left and right", SmoothClean, {"###", ".#.", "###"},
         {"###", "...", "###"}},
        {"SmoothClean_PreserveLines keeps it: above and below are black", SmoothClean_PreserveLines,
         {"###", ".#.", "###"}, {"###", ".#.", "###"}},
        {"SmoothClean keeps a pixel white at its four sides, black at its corners", SmoothClean,
         {"#.#", ".#.", "#.#"}, {"#.#", ".#.", "#.#"}},
        {"SmoothClean_PreserveLines whitens that one", SmoothClean_PreserveLines, {"#.#", ".#.", "#.#"},
         {"#.#", "...", "#.#"}},
        {"SmoothClean removes a lone pixel", SmoothClean, {"...", ".#.", "..."}, {"...", "...", "..."}},
        {"SmoothClean_PreserveLines removes a lone pixel", SmoothClean_PreserveLines, {"...", ".#.", "..."},
         {"...", "...", "..."}},
        {"CharacterSmoothing fills a hole with four black sides and thins a spur", CharacterSmoothing,
         {"......", ".###..", ".#.##.", ".###..", "......"}, {"......", ".###..", ".###..", ".###..", "......"}},
        {"LightThicken grows a pixel left and up, stopping at the edges", LightThicken,
         {".....", ".....", "..#..", ".....", "#...."}, {".....", ".##..", ".##..", "#....", "#...."}},
        {"Thicken grows every way, on the border too", Thicken, {"#....", ".....", "....."},
         {"##...", "##...", "....."}},
        {"Outline empties the inside of a block", Outline, {"#####", "#####", "#####", "#####"},
         {"#####", "#...#", "#...#", "#####"}},
        {"FillLineBreaks closes a gap in a row and one in a column", FillLineBreaks,
         {".......", ".##.##.", ".......", ".......", ".....#.", ".......", ".....#."},
         {".......", ".#####.", ".......", ".......", ".....#.", ".....#.", ".....#."}},
        {"FillLineBreaks closes a corner of left, below and above-right", FillLineBreaks,
         {".....", "...#.", ".#...", "..#..", "....."}, {".....", "...#.", ".##..", "..#..", "....."}},
        {"FillLineBreaks_PreserveLines closes a break with three black sides", FillLineBreaks_PreserveLines,
         {".....", "..#..", "...#.", "..#..", "....."}, {".....", "..#..", "..##.", "..#..", "....."}},
        {"FillLineBreaks_PreserveLines leaves a gap between two pixels", FillLineBreaks_PreserveLines,
         {".....", ".#.#.", "....."}, {".....", ".#.#.", "....."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImageHandle page = bilevelPage(c.page);
        ASSERT_EQ(c.filter(page), 1);
        EXPECT_EQ(bilevelRows(page), c.expected);
    }
}

// Every neighbourhood in which a black pixel lies on a line (black above
// and below, or left and right): the line-preserving smoothing keeps it.
TEST(Morphology, PreserveLinesSmoothingKeepsThePixelOnALineInAll256Neighbourhoods)
{
    using namespace pixmend::Ring;
    const std::pair<int, int> at[8] = {{1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}, {0, 0}};
    int lines = 0;
    for (unsigned code = 0; code < 256; ++code) {
        Rows rows = {"...", ".#.", "..."};
        for (int bit = 0; bit < 8; ++bit) {
            if (code & (1u << bit))
                rows[static_cast<std::size_t>(at[bit].second)][static_cast<std::size_t>(at[bit].first)] = '#';
        }
        const bool onLine = pixmend::hasAll(code, N | S) || pixmend::hasAll(code, E | W);
        ImageHandle page = bilevelPage(rows);
        ASSERT_EQ(SmoothClean_PreserveLines(page), 1);
        const bool kept = bilevelRows(page)[1][1] == '#';
        if (onLine) {
            ++lines;
            EXPECT_TRUE(kept) << rows[0] << "/" << rows[1] << "/" << rows[2];
        }
        // The table and the filter agree in every neighbourhood.
        EXPECT_EQ(kept, !pixmend::smoothCleanPreserveLinesTable()[code]) << code;
    }
    EXPECT_EQ(lines, 112);
}

TEST(Morphology, RefusesNullAndDeeperPagesAndAMissingScratchCopy)
{
    for (const NamedFilter& f : kFilters) {
        SCOPED_TRACE(f.name);
        ImageHandle none;
        EXPECT_EQ(f.filter(none), f.filter == FillLineBreaks ? 0 : -1);
        ImageHandle grey = ImageHandle::createDib(6, 6, 8);
        EXPECT_EQ(f.filter(grey), -1);

        ImageHandle page = bilevelPage({"#.#.", ".##.", "#..#", "...."});
        const Rows before = bilevelRows(page);
        pixmend::refuseScratchAfter(0);
        EXPECT_EQ(f.filter(page), -1);
        pixmend::refuseScratchAfter(-1);
        EXPECT_EQ(bilevelRows(page), before);
    }
}
