// ImageDeskew on pages of text rows and rules turned by Pictra: the angle
// it finds and its sign, ImageMagick's own deskew angle as a second
// opinion, and a straightened page that estimates straight again.

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "PixmendTestSupport.h"
#include "pictra/DibRows.h"
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

namespace {

// The skew estimate as the filter's contract states it, pixel by pixel: the
// inner area (without width / 50 columns and height / 50 rows at the edges)
// along lines 4 rows apart slanted by the candidate, every 4th pixel of a
// line tested; the score is the variance of the lines' black counts over
// their sum; whole degrees from -30 to 30, then tenths around the best, a
// candidate winning only with a strictly greater score. Tenths of a degree.
int32_t plainSlant(const ImageHandle& page)
{
    const int32_t w = page.width();
    const int32_t h = page.height();
    const int32_t top = h / 50;
    const int32_t bottom = h - h / 50;
    const double centre = (w - 1) / 2.0;
    const auto score = [&](int32_t tenths) {
        const double slope = std::tan(tenths * 0.001745329251994278);
        std::vector<int32_t> xs;
        std::vector<int32_t> offsets;
        for (int32_t x = w / 50; x < w - w / 50; x += 4) {
            xs.push_back(x);
            offsets.push_back(static_cast<int32_t>(std::lround((x - centre) * slope)));
        }
        const int32_t low = std::min(0, *std::min_element(offsets.begin(), offsets.end()));
        const int32_t high = std::max(0, *std::max_element(offsets.begin(), offsets.end()));
        // Line i passes the centre in row top - high + 4i.
        std::vector<double> counts;
        for (int32_t centreRow = top - high; centreRow <= bottom - 1 - low; centreRow += 4) {
            double black = 0;
            for (std::size_t k = 0; k < xs.size(); ++k) {
                const int32_t y = centreRow + offsets[k];
                if (y >= top && y < bottom)
                    black += DibRowBit(page.displayRow(y), xs[k]) == 0;
            }
            counts.push_back(black);
        }
        double sum = 0, squares = 0;
        for (double c : counts) {
            sum += c;
            squares += c * c;
        }
        const double n = static_cast<double>(counts.size());
        return sum == 0 ? 0.0 : (squares / n - (sum / n) * (sum / n)) / sum;
    };
    int32_t best = 0;
    double bestScore = 0;
    const auto consider = [&](int32_t tenths) {
        const double s = score(tenths);
        if (s > bestScore) {
            bestScore = s;
            best = tenths;
        }
    };
    for (int32_t tenths = -300; tenths <= 300; tenths += 10)
        consider(tenths);
    const int32_t coarse = best;
    for (int32_t tenths = coarse - 10; tenths <= coarse + 10; ++tenths)
        consider(tenths);
    return best;
}

} // namespace

// Turns from 0.3 to 29.5 degrees either way: the angle is the turn, to a
// tenth, and exactly what the estimate written pixel by pixel finds.
TEST(Deskew, FindsEveryTurnUpTo29AndAHalfDegreesAsThePlainEstimateDoes)
{
    int n = 0;
    for (double turn : {0.3, -0.4, 1.1, -2.0, 3.0, -5.7, 9.4, -14.2, 18.8, -23.5, 27.1, 29.5, -29.5}) {
        SCOPED_TRACE("turned " + std::to_string(turn) + " degrees");
        const ImageHandle page = scanLikePage(900, 1200, {14, n % 2 == 0, static_cast<unsigned>(31 + n)});
        ++n;
        const ImageHandle turned = PtxImgRotate(page, static_cast<float>(turn), 1);
        ASSERT_FALSE(turned.isNull());
        double angle = 99;
        ASSERT_FALSE(ImageDeskew(turned, &angle).isNull());
        EXPECT_NEAR(angle, -turn, 0.1 + 1e-9);
        EXPECT_EQ(angle, -plainSlant(turned) / 10.0);
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
