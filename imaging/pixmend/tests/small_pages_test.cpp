// Every clean-up filter on the smallest and darkest pages: one pixel, one
// row, one column, all black. The sanitizer build runs these to show that
// no filter reads or writes beyond a page.

#include <functional>

#include <gtest/gtest.h>

#include "PixmendTestSupport.h"
#include "pixmend/LineCleanup.h"
#include "pixmend/PageFilters.h"

using namespace pixmendtest;

namespace {

struct Filter {
    const char* name;
    std::function<bool(ImageHandle&)> run; // true when the filter reports success
};

const LinePass kCareful{8, 1, 2, 1, 3, 2, 1};
const LinePass kPlain{2, 0, 1, 0, 0, 0, 0};

const Filter kFilters[] = {
    {"Streak", [](ImageHandle& p) { return Streak(p, 2) == 1; }},
    {"Despeckle", [](ImageHandle& p) { return Despeckle(p, 2, 2) == 1; }},
    {"ImageDeskew", [](ImageHandle& p) {
         double angle = 0;
         return !ImageDeskew(p, &angle).isNull();
     }},
    {"CharacterSmoothing", [](ImageHandle& p) { return CharacterSmoothing(p) == 1; }},
    {"Thinning", [](ImageHandle& p) { return Thinning(p) == 1; }},
    {"Thicken", [](ImageHandle& p) { return Thicken(p) == 1; }},
    {"Outline", [](ImageHandle& p) { return Outline(p) == 1; }},
    {"LightThicken", [](ImageHandle& p) { return LightThicken(p) == 1; }},
    {"FillLineBreaks", [](ImageHandle& p) { return FillLineBreaks(p) == 1; }},
    {"FillLineBreaks_PreserveLines", [](ImageHandle& p) { return FillLineBreaks_PreserveLines(p) == 1; }},
    {"SmoothClean", [](ImageHandle& p) { return SmoothClean(p) == 1; }},
    {"SmoothClean_PreserveLines", [](ImageHandle& p) { return SmoothClean_PreserveLines(p) == 1; }},
    {"LineRemoval careful", [](ImageHandle& p) { return LineRemoval(p, kCareful, 1, kCareful, 1) == 1; }},
    {"LineRemoval plain", [](ImageHandle& p) { return LineRemoval(p, kPlain, 1, kPlain, 1) == 1; }},
    {"DeShade", [](ImageHandle& p) { return DeShade(p, 0, 0, 3, 3, 2, 2) == 1; }},
    {"WynCutMargin", [](ImageHandle& p) {
         WynCutMargin(p, 1, 2); // null when nothing black is left
         return !WynCutMargin(p, 0, 2).isNull();
     }},
};

} // namespace

TEST(SmallPages, EveryFilterRunsOnTinyAndAllBlackPages)
{
    struct Page {
        const char* name;
        ImageHandle page;
    };
    const Page pages[] = {
        {"1 x 1 white", whiteBilevelPage(1, 1)},
        {"1 x 1 black", bilevelPage({"#"})},
        {"one row", randomPage(37, 1, 3)},
        {"one row, all black", bilevelPage({std::string(40, '#')})},
        {"one column", randomPage(1, 23, 4)},
        {"all black", bilevelPage(Rows(17, std::string(33, '#')))},
        {"32 wide, all black (rows without padding bits)", bilevelPage(Rows(5, std::string(32, '#')))},
    };
    for (const Filter& f : kFilters) {
        for (const Page& p : pages) {
            SCOPED_TRACE(std::string(f.name) + " on " + p.name);
            ImageHandle page = p.page.clone();
            EXPECT_TRUE(f.run(page));
            EXPECT_EQ(page.width(), p.page.width());
            EXPECT_EQ(page.height(), p.page.height());
            EXPECT_EQ(page.size(), p.page.size());
        }
    }
}
