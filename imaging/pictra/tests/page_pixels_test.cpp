// Single pixels at display coordinates, and histograms against the colour
// counts of ImageMagick's histogram:info:.

#include <map>
#include <random>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "PageTestSupport.h"
#include "PictraTestSupport.h"
#include "testsupport/NetpbmPage.h"

using namespace pagetest;
using namespace pictratest;

namespace {

struct ChannelCounts {
    PtxHistogram red{}, green{}, blue{};
};

// Per-channel counts made from ImageMagick's count of every colour.
ChannelCounts magickHistogram(const std::string& ppm)
{
    const auto r = run("convert " + quote(ppm) + " -format %c histogram:info:-");
    ChannelCounts counts;
    const std::regex line(R"(^\s*(\d+): \(\s*(\d+),\s*(\d+),\s*(\d+)\))");
    std::istringstream in(r.output);
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (!std::regex_search(text, m, line))
            continue;
        const auto n = static_cast<uint32_t>(std::stoul(m[1]));
        counts.red[std::stoul(m[2])] += n;
        counts.green[std::stoul(m[3])] += n;
        counts.blue[std::stoul(m[4])] += n;
    }
    return counts;
}

} // namespace

TEST(PagePixels, GetReadsDisplayCoordinatesAndRefusesPointsOutside)
{
    const ImageHandle page = colourPage({"rgb", "kwy"});
    PtxColour c;
    ASSERT_EQ(PtxImgGetPixelColor(page, 0, 0, &c), 1);
    EXPECT_EQ(std::vector<int>({c.blue, c.green, c.red}), std::vector<int>({0, 0, 255}));
    ASSERT_EQ(PtxImgGetPixelColor(page, 2, 1, &c), 1);
    EXPECT_EQ(std::vector<int>({c.blue, c.green, c.red}), std::vector<int>({0, 255, 255}));
    EXPECT_STREQ(PtxGetLastErrorInfo(), "");

    for (auto [x, y] : {std::pair{3, 0}, {0, 2}, {-1, 0}, {0, -1}}) {
        EXPECT_EQ(PtxImgGetPixelColor(page, x, y, &c), 0);
        EXPECT_STREQ(PtxGetLastErrorInfo(), "the point is out of image");
        EXPECT_TRUE(PtxImgSetPixelColor(page, x, y, &c).isNull());
        EXPECT_STREQ(PtxGetLastErrorInfo(), "the point is out of image");
    }
    EXPECT_EQ(PtxImgGetPixelColor(page, 0, 0, nullptr), 0);
    EXPECT_EQ(PtxImgGetPixelColor(ImageHandle(), 0, 0, &c), 0);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null");
}

TEST(PagePixels, SetChangesOnePixelOfACopy)
{
    const ImageHandle page = colourPage({"rgb", "kwy"});
    const PtxColour orange{0, 128, 255};
    const ImageHandle changed = PtxImgSetPixelColor(page, 1, 1, &orange);
    ASSERT_FALSE(changed.isNull());
    EXPECT_EQ(colourRows(changed), (Rows{"rgb", "koy"}));
    EXPECT_EQ(colourRows(page), (Rows{"rgb", "kwy"}));

    // On a 1-bit page a colour becomes the nearer of black and white.
    const ImageHandle bits = bilevelPage({"..", ".."});
    const PtxColour darkGrey{60, 60, 60};
    EXPECT_EQ(bilevelRows(PtxImgSetPixelColor(bits, 1, 0, &darkGrey)), (Rows{".#", ".."}));
    // Channels beyond 0..255 are cut to it.
    const PtxColour past{-20, 300, 1000};
    const ImageHandle cut = PtxImgSetPixelColor(page, 0, 0, &past);
    PtxColour read;
    ASSERT_EQ(PtxImgGetPixelColor(cut, 0, 0, &read), 1);
    EXPECT_EQ(std::vector<int>({read.blue, read.green, read.red}), std::vector<int>({0, 255, 255}));
}

TEST(PagePixels, HistogramsEqualImageMagicksColourCounts)
{
    TempDir dir;
    for (uint32_t type : {PtxBlank::TrueColour, PtxBlank::Colours256, PtxBlank::Colours16, PtxBlank::Bilevel}) {
        SCOPED_TRACE(type);
        ImageHandle page = PtxCreateHandle(41, 29, type);
        std::mt19937 gen(type);
        for (int32_t r = 0; r < page.height(); ++r) {
            for (std::size_t i = 0; i < page.stride(); ++i)
                page.storedRow(r)[i] = static_cast<uint8_t>(gen() % (type == PtxBlank::TrueColour ? 8 : 256) * 31);
        }
        ASSERT_TRUE(writePpm(page, dir.file("page.ppm")));
        ChannelCounts ours;
        ASSERT_EQ(PtxImgHistogram(page, &ours.red, &ours.green, &ours.blue), 1);
        const ChannelCounts magick = magickHistogram(dir.file("page.ppm"));
        EXPECT_EQ(ours.red, magick.red);
        EXPECT_EQ(ours.green, magick.green);
        EXPECT_EQ(ours.blue, magick.blue);
    }
}

TEST(PagePixels, HistogramZeroesWhatItIsGivenAndSkipsNullArrays)
{
    PtxHistogram green;
    green.fill(99);
    ASSERT_EQ(PtxImgHistogram(bilevelPage({"#..", "..."}), nullptr, &green, nullptr), 1);
    PtxHistogram expected{};
    expected[0] = 1;
    expected[255] = 5;
    EXPECT_EQ(green, expected);
    EXPECT_EQ(PtxImgHistogram(ImageHandle(), nullptr, &green, nullptr), 0);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null");
}
