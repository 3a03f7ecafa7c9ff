// WynCutMargin: black scan borders whitened along their inner edge, text
// beside them kept, and the crop checked against ImageMagick's -trim of the
// cleaned page.

#include <gtest/gtest.h>

#include "PixmendTestSupport.h"
#include "pictra/Pictra.h"
#include "pixmend/LineCleanup.h"

using namespace pixmendtest;

namespace {

// A 20 x 12 page with a 3-pixel black border at the left edge in every
// row, and a text stroke two pixels right of it in rows 4 to 7.
Rows borderedPage()
{
    Rows rows(12, "###.................");
    for (std::size_t y = 4; y <= 7; ++y)
        rows[y].replace(5, 2, "##");
    return rows;
}

Rows withoutBorder(Rows rows)
{
    for (std::string& r : rows)
        r.replace(0, 3, "...");
    return rows;
}

std::vector<uint8_t> bytesOf(const ImageHandle& h) { return {h.data(), h.data() + h.size()}; }

} // namespace

TEST(CutMargin, WhitensTheBorderAndKeepsTheStrokeBesideIt)
{
    struct Case {
        const char* name;
        bool mirrored; // the border at the right edge
    };
    for (const Case c : {Case{"left border", false}, Case{"right border", true}}) {
        SCOPED_TRACE(c.name);
        ImageHandle page = bilevelPage(borderedPage());
        ImageHandle expected = bilevelPage(withoutBorder(borderedPage()));
        if (c.mirrored) {
            page = PtxImgMirror(page);
            expected = PtxImgMirror(expected);
        }
        const ImageHandle copy = WynCutMargin(page, 0, 2);
        ASSERT_FALSE(copy.isNull());
        EXPECT_EQ(bilevelRows(page), bilevelRows(expected));
        EXPECT_EQ(bytesOf(copy), bytesOf(page));
    }
}

TEST(CutMargin, CropEqualsImageMagicksTrimOfTheCleanedPage)
{
    TempDir dir;
    ImageHandle page = scanLikePage(300, 240, {12, true, 8});
    // Scan borders of 6 or 7 pixels at the left and 9 or 10 at the right:
    // a ragged inner edge that moves a column at a time, as the limit does.
    for (int32_t y = 0; y < page.height(); ++y) {
        blackenBox(page, 0, y, 5 + (y / 7) % 2, y);
        blackenBox(page, page.width() - 9 - (y / 11) % 2, y, page.width() - 1, y);
    }
    ImgInfo dpi{};
    dpi.xResolution = 300;
    dpi.yResolution = 300;
    PtxSetImgInfo(page, &dpi);
    const ImageHandle cropped = WynCutMargin(page, 1, 3);
    ASSERT_FALSE(cropped.isNull());
    const ImageHandle trimmed = magick(page, "-trim +repage", dir);
    ASSERT_FALSE(trimmed.isNull());
    // The text lies within a twelfth of the width from each edge.
    EXPECT_LE(cropped.width(), page.width() - 2 * (page.width() / 12) + 1);
    ASSERT_EQ(cropped.width(), trimmed.width());
    ASSERT_EQ(cropped.height(), trimmed.height());
    EXPECT_EQ(differingPixels(cropped, trimmed, dir), 0);
    // The cut page keeps the page's resolution.
    EXPECT_EQ(cropped.header().xPelsPerMeter, page.header().xPelsPerMeter);
    EXPECT_EQ(cropped.header().yPelsPerMeter, page.header().yPelsPerMeter);
}

TEST(CutMargin, PagesWithoutBlackAndTheCropFlagsLowByte)
{
    ImageHandle white = whiteBilevelPage(30, 20);
    EXPECT_TRUE(WynCutMargin(white, 1, 2).isNull());
    const ImageHandle copy = WynCutMargin(white, 0x100, 2); // only the low byte counts
    ASSERT_FALSE(copy.isNull());
    EXPECT_EQ(bytesOf(copy), bytesOf(white));
}

TEST(CutMargin, RefusesNullAndDeeperPages)
{
    ImageHandle none;
    ImageHandle grey = ImageHandle::createDib(10, 10, 8);
    EXPECT_TRUE(WynCutMargin(none, 1, 2).isNull());
    EXPECT_TRUE(WynCutMargin(grey, 1, 2).isNull());
}
