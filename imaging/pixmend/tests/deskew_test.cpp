// ImageDeskew on pages of text rows and rules turned by Pictra: the angle
// it finds and its sign, ImageMagick's own deskew angle as a second
// opinion, and a straightened page that estimates straight again.

#include <cmath>

#include <gtest/gtest.h>

#include "PixmendTestSupport.h"
#include "pictra/Pictra.h"
#include "pixmend/PageFilters.h"

using namespace pixmendtest;

namespace {

// ImageMagick's estimate of a page's skew in degrees; NaN when it gives none.
double magickDeskewAngle(const ImageHandle& page, const TempDir& dir)
{
    const std::string in = dir.file("skewed.pbm");
    writePbm(page, in);
    const auto r = run("convert " + in + " -deskew 40% -format '%[deskew:angle]' info:");
    try {
        return std::stod(r.output);
    } catch (const std::exception&) {
        return std::nan("");
    }
}

const ImageHandle& straightPage()
{
    static const ImageHandle page = scanLikePage(1000, 1300, {16, true, 21});
    return page;
}

} // namespace

// The turn is known, so it is the oracle of the angle. ImageMagick's
// deskew is a second opinion where it is itself right: version 6.9 finds
// 7.10 degrees on the page turned by 7.3 and 6.05 on the one turned by 12,
// so beyond 5 degrees only its sense is compared.
TEST(Deskew, FindsTheTurnOfAPageAndStraightensIt)
{
    TempDir dir;
    for (double turn : {-7.3, -0.5, 0.3, 2.5, 3.0, 12.0}) {
        SCOPED_TRACE("turned " + std::to_string(turn) + " degrees");
        const ImageHandle turned = PtxImgRotate(straightPage(), static_cast<float>(turn), 1);
        ASSERT_FALSE(turned.isNull());
        double angle = 99;
        const ImageHandle straight = ImageDeskew(turned, &angle);
        ASSERT_FALSE(straight.isNull());
        // The angle is the turn that straightens the page.
        EXPECT_NEAR(angle, -turn, 0.1 + 1e-9);
        const double magickAngle = magickDeskewAngle(turned, dir);
        if (std::fabs(turn) <= 5) {
            EXPECT_NEAR(std::fabs(angle), std::fabs(magickAngle), 0.2);
        }
        EXPECT_EQ(std::signbit(angle), std::signbit(magickAngle));
        double again = 99;
        const ImageHandle twice = ImageDeskew(straight, &again);
        ASSERT_FALSE(twice.isNull());
        EXPECT_LE(std::fabs(again), 0.1 + 1e-9);
    }
}

TEST(Deskew, AStraightPageGivesACopyWithEqualPixels)
{
    double angle = 99;
    const ImageHandle copy = ImageDeskew(straightPage(), &angle);
    ASSERT_FALSE(copy.isNull());
    EXPECT_LE(std::fabs(angle), 0.1 + 1e-9);
    EXPECT_EQ(std::vector<uint8_t>(copy.data(), copy.data() + copy.size()),
              std::vector<uint8_t>(straightPage().data(), straightPage().data() + straightPage().size()));
}

TEST(Deskew, RefusesNullAndDeeperPages)
{
    double angle = 99;
    EXPECT_TRUE(ImageDeskew(ImageHandle(), &angle).isNull());
    EXPECT_EQ(angle, 0.0);
    angle = 99;
    EXPECT_TRUE(ImageDeskew(PtxCreateHandle(40, 40, PtxBlank::Grey), &angle).isNull());
    EXPECT_EQ(angle, 0.0);
    // Without a place for the angle it still deskews.
    EXPECT_FALSE(ImageDeskew(straightPage(), nullptr).isNull());
}
