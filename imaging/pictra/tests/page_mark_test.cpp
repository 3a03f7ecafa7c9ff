// Stamping one page onto another.

#include <gtest/gtest.h>

#include "PageOperationPages.h"
#include "PageTestSupport.h"
#include "PictraTestSupport.h"

using namespace pagetest;
using namespace pictratest;

TEST(PtxImgMark, StampsClippedToThePage)
{
    const Rows stamp = {"#.#", ".#.", "###"};
    const Rows white(8, std::string(8, '.'));
    const ImageHandle onWhite = PtxImgMark(bilevelPage(white), bilevelPage(stamp), 6, 6, 1);
    EXPECT_EQ(bilevelRows(onWhite), (Rows{"........", "........", "........", "........", "........", "........",
                                          "......#.", ".......#"}));
    const Rows black(4, std::string(4, '#'));
    EXPECT_EQ(bilevelRows(PtxImgMark(bilevelPage(black), bilevelPage(stamp), 0, 0, 0)),
              (Rows{"#.##", ".#.#", "####", "####"}));
    EXPECT_EQ(bilevelRows(PtxImgMark(bilevelPage(black), bilevelPage(stamp), 0, 0, 1)), black);

    // A colour stamp on a 1-bit page leaves a 1-bit page: red, green and
    // blue ink black, white white; with option 1 white leaves the page as it is.
    const ImageHandle colour = PtxImgMark(bilevelPage({"#...", "...."}), colourPage({"rg", "bw"}), 1, 0, 0);
    EXPECT_EQ(colour.bitCount(), 1);
    EXPECT_EQ(bilevelRows(colour), (Rows{"###.", ".#.."}));
    EXPECT_EQ(bilevelRows(PtxImgMark(bilevelPage({"##", ".."}), colourPage({"wo", "pw"}), 0, 0, 1)),
              (Rows{"##", "#."}));
    // A 1-bit stamp on a colour page keeps the page's black pixels.
    EXPECT_EQ(colourRows(PtxImgMark(colourPage({"kr", "gb"}), bilevelPage({"..", "#."}), 0, 0, 0)),
              (Rows{"kw", "kw"}));

    struct Failure {
        ImageHandle page;
        int32_t x, y;
        const char* message;
    };
    Failure failures[] = {
        {bilevelPage(white), 8, 0, "the point is out of source image"},
        {bilevelPage(white), 0, -1, "the point is out of source image"},
        {greyPage(white), 0, 0, "Bit depth must be 1 or 24"},
        {ImageHandle(), 0, 0, "image handle is null"},
    };
    for (auto& f : failures) {
        EXPECT_TRUE(PtxImgMark(f.page, bilevelPage(stamp), f.x, f.y, 1).isNull());
        EXPECT_STREQ(PtxGetLastErrorInfo(), f.message);
    }
}
