#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "../src/LastError.h"
#include "pictra/Pictra.h"

TEST(ImageHandle, LayoutOfNewPages)
{
    struct Case {
        int32_t width;
        uint16_t bits;
        std::size_t stride;
        uint32_t paletteEntries;
    };
    const Case cases[] = {
        {1, 1, 4, 2}, {32, 1, 4, 2}, {33, 1, 8, 2}, {7, 4, 4, 16}, {9, 4, 8, 16},
        {5, 8, 8, 256}, {1, 24, 4, 0}, {5, 24, 16, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x3, " + std::to_string(c.bits) + " bits");
        const ImageHandle h = ImageHandle::createDib(c.width, 3, c.bits);
        ASSERT_TRUE(h.isValidDib());
        const BitmapInfoHeader hdr = h.header();
        EXPECT_EQ(hdr.size, 40u);
        EXPECT_EQ(hdr.planes, 1);
        EXPECT_EQ(hdr.clrUsed, c.paletteEntries);
        EXPECT_EQ(h.stride(), c.stride);
        EXPECT_EQ(h.size(), 40 + 4 * c.paletteEntries + 3 * c.stride);
        EXPECT_EQ(h.displayRow(0), h.storedRow(2));
        for (std::size_t i = 0; i < h.size() - 40; ++i)
            ASSERT_EQ(h.data()[40 + i], 0);
    }
}

TEST(ImageHandle, SizesAreCheckedBeforeAllocating)
{
    EXPECT_FALSE(DibBlockSize(0, 10, 1));
    EXPECT_FALSE(DibBlockSize(10, -1, 8));
    EXPECT_FALSE(DibBlockSize(10, 10, 16));
    EXPECT_FALSE(DibBlockSize(INT32_MAX, INT32_MAX, 24));
    EXPECT_FALSE(DibBlockSize(70000, 70000, 24)); // 14.7 GB, more than a page may take
    EXPECT_EQ(DibBlockSize(20000, 20000, 1), 40u + 8u + 2500u * 20000u);
    EXPECT_TRUE(ImageHandle::createDib(70000, 70000, 24).isNull());
    EXPECT_TRUE(ImageHandle::allocate(kMaxDibBytes + 1).isNull());

    // A block too short for what its header claims is not a valid page.
    ImageHandle h = ImageHandle::allocate(48);
    BitmapInfoHeader hdr;
    hdr.width = 100;
    hdr.height = 100;
    hdr.bitCount = 1;
    h.setHeader(hdr);
    EXPECT_FALSE(h.isValidDib());
    EXPECT_FALSE(ImageHandle().isValidDib());
}

TEST(ImageHandle, CloneOwnsItsOwnBlock)
{
    ImageHandle a = ImageHandle::createDib(8, 2, 8);
    a.pixels()[0] = 7;
    ImageHandle b = a.clone();
    b.pixels()[0] = 9;
    EXPECT_EQ(a.pixels()[0], 7);
    EXPECT_EQ(b.size(), a.size());
    ImageHandle moved = std::move(b);
    EXPECT_EQ(moved.pixels()[0], 9);
    EXPECT_TRUE(ImageHandle().clone().isNull());
}

TEST(PictraRecords, ResolutionConversionsComeBackUnchanged)
{
    EXPECT_EQ(PtxDpiToPpm(200), 7874);
    EXPECT_EQ(PtxPpmToDpi(7874), 200);
    for (int32_t dpi : {72, 96, 100, 150, 196, 200, 204, 300, 400, 600, 1200})
        EXPECT_EQ(PtxPpmToDpi(PtxDpiToPpm(dpi)), dpi) << dpi;
    EXPECT_EQ(PtxPpmToDpi(0), 0);
    // A record's resolution beyond what the header can hold stays at its limit.
    EXPECT_EQ(PtxDpiToPpm(INT32_MAX), INT32_MAX);
    EXPECT_EQ(PtxDpiToPpm(INT32_MIN), INT32_MIN);
}

TEST(PictraLastError, EachThreadReadsItsOwnFailure)
{
    std::vector<ImageHandle> one(1);
    ASSERT_EQ(PtxOpenImageFile("/nonexistent/page.tif", nullptr, one), -1);
    EXPECT_STREQ(PtxGetLastErrorInfo(), "failed to open file");
    std::string other;
    std::thread([&] {
        EXPECT_STREQ(PtxGetLastErrorInfo(), "");
        PtxSaveImageToFile(ImageHandle(), "/tmp/x", ImgFileInfo{});
        other = PtxGetLastErrorInfo();
    }).join();
    EXPECT_EQ(other, "image handle is null");
    EXPECT_STREQ(PtxGetLastErrorInfo(), "failed to open file");
}

TEST(PictraLastError, LongTextsAreCutToTheBuffer)
{
    pictra::setLastError(std::string(300, 'x'));
    EXPECT_EQ(std::string(PtxGetLastErrorInfo()), std::string(255, 'x'));
    // A cut never splits a UTF-8 sequence: 254 ASCII bytes and a 3-byte character.
    pictra::setLastError(std::string(254, 'y') + "页");
    EXPECT_EQ(std::string(PtxGetLastErrorInfo()), std::string(254, 'y'));
    pictra::clearLastError();
    EXPECT_STREQ(PtxGetLastErrorInfo(), "");
}
