// Blank pages of every type, copies, and the resolution record.

#include <gtest/gtest.h>

#include "PageTestSupport.h"
#include "PictraTestSupport.h"

using namespace pagetest;
using namespace pictratest;

TEST(PtxCreateHandle, BlankPagesOfEveryType)
{
    auto entry = [](const ImageHandle& h, int i) {
        const uint8_t* e = h.palette() + 4 * i;
        return std::vector<int>{e[2], e[1], e[0]};
    };
    const ImageHandle colours256 = PtxCreateHandle(3, 2, PtxBlank::Colours256);
    EXPECT_EQ(entry(colours256, 8), (std::vector<int>{192, 220, 192}));
    EXPECT_EQ(entry(colours256, 10), (std::vector<int>{255, 240, 212}));
    EXPECT_EQ(entry(colours256, 16), (std::vector<int>{255, 170, 0}));
    EXPECT_EQ(entry(colours256, 17), (std::vector<int>{220, 146, 0}));
    EXPECT_EQ(entry(colours256, 21), (std::vector<int>{80, 50, 0}));
    EXPECT_EQ(entry(colours256, 22), (std::vector<int>{255, 227, 212}));  // second ramp, (255, 85, 0)
    EXPECT_EQ(entry(colours256, 28), (std::vector<int>{255, 85, 0}));
    EXPECT_EQ(entry(colours256, 225), (std::vector<int>{80, 80, 0}));
    EXPECT_EQ(entry(colours256, 226), (std::vector<int>{242, 242, 242}));
    EXPECT_EQ(entry(colours256, 245), (std::vector<int>{14, 14, 14}));
    EXPECT_EQ(entry(colours256, 246), (std::vector<int>{255, 251, 240}));
    EXPECT_EQ(entry(colours256, 255), (std::vector<int>{255, 255, 255}));
    const ImageHandle colours16 = PtxCreateHandle(3, 2, PtxBlank::Colours16);
    EXPECT_EQ(entry(colours16, 7), (std::vector<int>{192, 192, 192}));
    EXPECT_EQ(entry(colours16, 15), (std::vector<int>{255, 255, 255}));
    const ImageHandle grey = PtxCreateHandle(3, 2, PtxBlank::Grey);
    EXPECT_EQ(entry(grey, 77), (std::vector<int>{77, 77, 77}));
    const ImageHandle bilevel = PtxCreateHandle(33, 2, PtxBlank::Bilevel);
    EXPECT_EQ(entry(bilevel, 0), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(entry(bilevel, 1), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(bilevel.header().imageSize, bilevel.size());
    EXPECT_EQ(bilevel.size(), 40u + 8u + 2u * 8u);
    EXPECT_EQ(PtxCreateHandle(3, 2, PtxBlank::TrueColour).header().clrUsed, 0u);

    for (auto [w, h, type] : {std::array<uint32_t, 3>{0, 5, 1}, {5, 0, 4}, {5, 5, 0}, {5, 5, 6},
                              {0x80000000u, 5, 1}, {5, 0xFFFFFFFFu, 4}, {200000, 200000, 1}})
        EXPECT_TRUE(PtxCreateHandle(w, h, type).isNull()) << w << "x" << h << " type " << type;
}

TEST(PtxImgInfo, ResolutionRecordAndItsMessages)
{
    ImageHandle page = PtxCreateHandle(17, 9, PtxBlank::Grey);
    ImgInfo info;
    info.xResolution = 200;
    info.yResolution = 300;
    info.width = 999; // ignored
    ASSERT_EQ(PtxSetImgInfo(page, &info), 1);
    EXPECT_EQ(page.header().xPelsPerMeter, 7874);
    EXPECT_EQ(page.width(), 17);
    ImgInfo back;
    ASSERT_EQ(PtxGetImgInfo(page, &back), 1);
    EXPECT_EQ(back.xResolution, 200);
    EXPECT_EQ(back.yResolution, 300);
    EXPECT_EQ(back.width, 17);
    EXPECT_EQ(back.height, 9);
    EXPECT_EQ(back.bitCount, 8);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "");

    EXPECT_EQ(PtxGetImgInfo(page, nullptr), 0);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image info is null");
    ImageHandle none;
    EXPECT_EQ(PtxSetImgInfo(none, &info), 0);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "image handle is null");
    EXPECT_TRUE(PtxCopyHandle(none).isNull());
    const ImageHandle copy = PtxCopyHandle(page);
    EXPECT_TRUE(std::equal(page.data(), page.data() + page.size(), copy.data()));
}
