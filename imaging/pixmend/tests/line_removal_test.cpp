// LineRemoval: rules drawn by ImageMagick beside solid blocks, small pages
// for the rules of tracing and judging in segments (thickness, bridging,
// crossings, margin, segment boundaries, the page's last row), and the
// scratch copies that cannot be made.

#include <gtest/gtest.h>

#include "PixmendTestSupport.h"
#include "Scratch.h"
#include "pixmend/LineCleanup.h"

using namespace pixmendtest;

namespace {

LinePass pass(int32_t l, int32_t t, int32_t g = 0, int32_t m = 0, int32_t r = 0, int32_t d = 0, int32_t k = 0)
{
    return {l, t, g, m, r, d, k};
}

// A row of `width` pixels, black in the given [first, last] spans.
std::string row(std::size_t width, std::initializer_list<std::pair<std::size_t, std::size_t>> black = {})
{
    std::string text(width, '.');
    for (auto [first, last] : black)
        std::fill(text.begin() + static_cast<std::ptrdiff_t>(first), text.begin() + static_cast<std::ptrdiff_t>(last) + 1,
                  '#');
    return text;
}

// The page turned over its diagonal, so that a row case reads as a column case.
Rows transposed(const Rows& rows)
{
    Rows t(rows[0].size(), std::string(rows.size(), '.'));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        for (std::size_t x = 0; x < rows[y].size(); ++x)
            t[x][y] = rows[y][x];
    }
    return t;
}

struct LineCase {
    const char* name;
    Rows page;
    LinePass rows;
    int32_t rowPass;
    LinePass columns;
    int32_t columnPass;
    Rows expected;
};

void expectCase(const LineCase& c)
{
    SCOPED_TRACE(c.name);
    ImageHandle page = bilevelPage(c.page);
    ASSERT_EQ(LineRemoval(page, c.rows, c.rowPass, c.columns, c.columnPass), 1);
    EXPECT_EQ(bilevelRows(page), c.expected);
}

const LinePass kOff{};

} // namespace

TEST(LineRemoval, RemovesRulesDrawnBesideSolidBlocks)
{
    TempDir dir;
    // Blocks thicker than T + 3 = 6 both ways; rules 1 to 3 pixels thick,
    // crossing one another but touching no block.
    const std::string blocks = "-draw 'rectangle 20,20 59,44' -draw 'rectangle 200,130 216,190' "
                               "-draw 'rectangle 120,150 170,157'";
    const std::string rules = "-draw 'line 10,80 290,80' -draw 'line 10,81 290,81' -draw 'line 90,100 250,100' "
                              "-draw 'line 100,5 100,195' -draw 'line 101,5 101,195' -draw 'line 102,5 102,195' "
                              "-draw 'line 260,60 260,120' -draw 'line 30,120 95,120' -draw 'line 30,121 95,121' "
                              "-draw 'line 30,122 95,122' -draw 'line 280,10 280,70'";
    auto draw = [&](const std::string& what, const std::string& name) {
        const std::string file = dir.file(name);
        EXPECT_TRUE(runOk("convert -size 300x200 xc:white +antialias -fill black " + what + " -depth 8 " + file));
        return readPbm(file);
    };
    ImageHandle page = draw(blocks + " " + rules, "ruled.pgm");
    const ImageHandle expected = draw(blocks, "blocks.pgm");
    ASSERT_FALSE(page.isNull());
    ASSERT_FALSE(expected.isNull());
    ASSERT_GT(differingPixels(page, expected, dir), 0);
    const LinePass p = pass(8, 3);
    ASSERT_EQ(LineRemoval(page, p, 1, p, 1), 1);
    EXPECT_EQ(differingPixels(page, expected, dir), 0);
}

TEST(LineRemoval, TracesAndJudgesInSegments)
{
    const std::size_t w = 45;
    const Rows lines = {
        row(w),
        row(w, {{2, 40}}), row(w, {{2, 40}}), row(w, {{2, 40}}), row(w, {{2, 40}}), // 4 rows: a line
        row(w),
        row(w, {{2, 40}}), row(w, {{2, 40}}), row(w, {{2, 40}}), row(w, {{2, 40}}), row(w, {{2, 40}}), // 5: a band
        row(w),
        row(w, {{0, 7}, {10, 25}, {28, 34}}), // runs of 8, 16 and 7
        row(w),
        row(w, {{3, 31}}), // 29
        row(w),
    };
    Rows expectedLines(lines.size(), row(w));
    for (std::size_t y = 6; y <= 10; ++y)
        expectedLines[y] = lines[y];
    expectedLines[12] = row(w, {{28, 34}});

    // Dashes of 4 with gaps of 2: the row pass bridges a gap only after
    // more than twice its width of black, so the first gap stays and every
    // other gap after it closes; the column pass bridges from the first gap.
    const std::size_t dw = 40;
    const Rows dashed = {row(dw), row(dw, {{0, 3}, {6, 9}, {12, 15}, {18, 21}, {24, 27}, {30, 33}, {36, 39}}), row(dw)};
    const Rows dashedKept = {row(dw), row(dw, {{0, 3}}), row(dw)};

    const LineCase cases[] = {
        {"T = 1: a 4-row line goes, a 5-row band stays, runs of 8 to 29 go, a run of 7 stays", lines, pass(8, 1), 1,
         kOff, 0, expectedLines},
        {"a dashed row line loses every dash but the first", dashed, pass(8, 1, 2), 1, kOff, 0, dashedKept},
        {"the same line upright goes whole in the column pass", transposed(dashed), kOff, 0, pass(8, 1, 2), 1,
         transposed({row(dw), row(dw), row(dw)})},
        {"without bridging each dash is too short", dashed, pass(8, 1), 1, kOff, 0, dashed},
        {"margin 1 whitens a row above and below the line's columns", {row(20, {{5, 6}, {18, 19}}),
         row(20, {{2, 17}}), row(20, {{0, 1}, {9, 9}})}, pass(8, 1, 0, 1), 1, kOff, 0,
         {row(20, {{18, 19}}), row(20), row(20, {{0, 1}})}},
    };
    for (const LineCase& c : cases)
        expectCase(c);
}

TEST(LineRemoval, CarefulRemovalKeepsNarrowCrossingStrokes)
{
    // A 2-row line in rows 4 and 5, crossed at column 2 (1 wide), 10-11 (2
    // wide) and 18-20 (3 wide); a 2-pixel stub stands on it at column 26,
    // and a stroke at column 34 meets it from above only. Each stroke lies
    // inside one 8-column segment.
    const std::size_t w = 40;
    const auto strokes = {std::pair<std::size_t, std::size_t>{2, 2}, {10, 11}, {18, 20}};
    Rows page, expected;
    for (int y = 0; y < 10; ++y) {
        std::string r = row(w);
        if (y == 4 || y == 5) {
            r = row(w, {{0, 39}});
        } else {
            for (auto [first, last] : strokes)
                std::fill(r.begin() + static_cast<std::ptrdiff_t>(first), r.begin() + static_cast<std::ptrdiff_t>(last) + 1, '#');
            if (y == 2 || y == 3)
                r[26] = '#';
            if (y < 4)
                r[34] = '#';
        }
        page.push_back(r);
        expected.push_back(y == 4 || y == 5 ? row(w, {{2, 2}, {10, 11}, {34, 34}}) : r);
    }
    expectCase({"K = 1, R = 3, D = 2", page, pass(8, 1, 0, 0, 3, 2, 1), 1, kOff, 0, expected});
    // With R = 0 no side is clear: every column is a crossing, and the
    // whole line is one group wider than D in each segment.
    Rows none = page;
    none[4] = none[5] = row(w);
    expectCase({"R = 0", page, pass(8, 1, 0, 0, 0, 2, 1), 1, kOff, 0, none});
}

TEST(LineRemoval, AStrokeAcrossASegmentBoundaryIsJudgedInTwoParts)
{
    // A vertical line 2 columns wide from row 0, traced in segments of 8
    // rows; a 3-row stroke across it at rows 7 to 9 lies 1 row in the first
    // segment and 2 in the second, so it keeps its pixels on the line; the
    // same stroke at rows 2 to 4 does not.
    auto page = [](int32_t strokeTop) {
        Rows rows;
        for (int32_t y = 0; y < 40; ++y) {
            const bool stroke = y >= strokeTop && y < strokeTop + 3;
            rows.push_back(stroke ? row(14, {{0, 13}}) : row(14, {{6, 7}}));
        }
        return rows;
    };
    auto without = [&](int32_t strokeTop, bool keepCrossing) {
        Rows rows = page(strokeTop);
        for (int32_t y = 0; y < 40; ++y) {
            const bool stroke = y >= strokeTop && y < strokeTop + 3;
            if (!stroke || !keepCrossing) {
                rows[static_cast<std::size_t>(y)][6] = '.';
                rows[static_cast<std::size_t>(y)][7] = '.';
            }
        }
        return rows;
    };
    const LinePass careful = pass(8, 1, 0, 0, 3, 2, 1);
    expectCase({"across the boundary of rows 7 and 8", page(7), kOff, 0, careful, 1, without(7, true)});
    expectCase({"inside a segment", page(2), kOff, 0, careful, 1, without(2, false)});
}

TEST(LineRemoval, AChainOffThePageStaysButTracingGoesOn)
{
    // A black scan border 30 pixels wide down the left edge to the bottom
    // row, a rule in the middle, and a rule on the bottom row. The border's
    // chains run off the page and are neither judged nor removed, nor is
    // the bottom rule; the middle rule is removed all the same.
    Rows page;
    for (int y = 0; y < 30; ++y)
        page.push_back(row(80, {{0, 29}}));
    page[12] = row(80, {{0, 29}, {40, 75}});
    page[29] = row(80, {{0, 29}, {40, 75}});
    Rows expected = page;
    expected[12] = row(80, {{0, 29}});
    expectCase({"row pass", page, pass(8, 1), 1, kOff, 0, expected});
    expectCase({"column pass", transposed(page), kOff, 0, pass(8, 1), 1, transposed(expected)});
}

TEST(LineRemoval, ScratchCopiesThatCannotBeMadeChangeNothing)
{
    const Rows page = {row(30), row(30, {{0, 29}}), row(30, {{5, 5}}), row(30, {{5, 5}})};
    const LinePass careful = pass(8, 1, 0, 0, 3, 2, 1);
    // Both careful passes need five: the column pass's trace, turned page
    // and reference, the row pass's trace and reference.
    for (int32_t allowed = 0; allowed < 5; ++allowed) {
        SCOPED_TRACE(allowed);
        MessageCollector messages;
        ImageHandle p = bilevelPage(page);
        pixmend::refuseScratchAfter(allowed);
        EXPECT_EQ(LineRemoval(p, careful, 1, careful, 1), -1);
        pixmend::refuseScratchAfter(-1);
        EXPECT_EQ(bilevelRows(p), page);
        EXPECT_EQ(messages.messages, std::vector<std::string>{"Not enough money!"});
    }
    MessageCollector messages;
    ImageHandle p = bilevelPage(page);
    pixmend::refuseScratchAfter(5);
    EXPECT_EQ(LineRemoval(p, careful, 1, careful, 1), 1);
    pixmend::refuseScratchAfter(-1);
    EXPECT_NE(bilevelRows(p), page);
    EXPECT_TRUE(messages.messages.empty());
}

TEST(LineRemoval, DoesNothingToANullPageAndRefusesDeeperPagesAndSegmentsOfNothing)
{
    MessageCollector messages;
    ImageHandle none;
    ImageHandle grey = ImageHandle::createDib(20, 20, 8);
    EXPECT_EQ(LineRemoval(none, pass(8, 1), 1, pass(8, 1), 1), 1);
    EXPECT_TRUE(none.isNull());
    EXPECT_EQ(LineRemoval(grey, pass(8, 1), 1, pass(8, 1), 1), -1);
    ImageHandle page = bilevelPage({row(20, {{0, 19}})});
    EXPECT_EQ(LineRemoval(page, pass(0, 1), 1, kOff, 0), -1);
    EXPECT_EQ(LineRemoval(page, kOff, 0, pass(-3, 1), 1), -1);
    EXPECT_EQ(bilevelRows(page), (Rows{row(20, {{0, 19}})}));
    // A pass that does not run is not checked.
    EXPECT_EQ(LineRemoval(page, pass(8, 1), 1, kOff, 0), 1);
    EXPECT_TRUE(messages.messages.empty());
}
