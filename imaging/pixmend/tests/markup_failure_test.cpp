// What ImageMarkup refuses, and what it leaves behind when it does.

#include <gtest/gtest.h>

#include "MarkupTestSupport.h"

using namespace markuptest;

namespace {

ImageHandle pageOfBits(uint16_t bitCount)
{
    return ImageHandle::createDib(40, 30, bitCount);
}

} // namespace

TEST(MarkupFailures, RefusedCallsLeaveThePageAndShowNothing)
{
    struct Case {
        const char* name;
        uint16_t bitCount; // 0: no page at all
        int32_t centreX, centreY, width, height, orientation;
        int32_t fontHeight = 12;
    };
    const Case cases[] = {
        {"NullPage", 0, 20, 15, 40, 30, 0},
        {"FourBitPage", 4, 20, 15, 40, 30, 0},
        {"EightBitPage", 8, 20, 15, 40, 30, 0},
        {"TrueColourPage", 24, 20, 15, 40, 30, 0},
        {"CentreNearerTheLeftThanHalfTheWidth", 1, 19, 15, 40, 30, 0},
        {"CentreNearerTheTopThanHalfTheHeight", 1, 20, 14, 40, 30, 0},
        {"OrientationTwo", 1, 20, 15, 40, 30, 2},
        {"OrientationMinusOne", 1, 20, 15, 40, 30, -1},
        {"FontTooLargeToRasterise", 1, 20, 15, 40, 30, 0, 100000},
        {"FontCharacterHeightTooLarge", 1, 20, 15, 40, 30, 0, -5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageCollector messages;
        ImageHandle page = c.bitCount ? pageOfBits(c.bitCount) : ImageHandle{};
        if (c.bitCount == 1)
            page = whitePage(40, 30);
        const std::vector<uint8_t> before(page.data(), page.data() + page.size());
        MarkupParams p = centredText(page, "x", font("DejaVu Sans", c.fontHeight));
        p.page = c.bitCount ? &page : nullptr;
        p.shape = MarkupShape::Rectangle;
        p.keepInterior = 0;
        p.centreX = c.centreX;
        p.centreY = c.centreY;
        p.width = c.width;
        p.height = c.height;
        p.orientation = c.orientation;
        EXPECT_EQ(ImageMarkup(p), -1);
        EXPECT_EQ(std::vector<uint8_t>(page.data(), page.data() + page.size()), before);
        EXPECT_TRUE(messages.messages.empty());
    }
}

TEST(MarkupFailures, CentredTextWiderThanTheRoomLeftOfTheCentreShowsTheMessageAndKeepsTheShape)
{
    MessageCollector messages;
    ImageHandle page = blackPage(60, 30);
    MarkupParams p = centredText(page, "a text far longer than the page", font("DejaVu Sans", 16));
    p.shape = MarkupShape::Rectangle;
    p.keepInterior = 0;
    p.width = 20;
    p.height = 10;
    EXPECT_EQ(ImageMarkup(p), -1);
    EXPECT_EQ(messages.messages, std::vector<std::string>{"文字超出边界"});
    // The rectangle drawn before the text was placed stays: its interior is
    // 18 x 8 white pixels, one row below the shape's top of 10.
    EXPECT_EQ(boxOf(page, true), (Box{21, 12, 38, 19}));
}

TEST(MarkupFailures, VerticalTextIsCentredByItsTurnedSize)
{
    // Turned, the long text is narrow and fits where it did not fit across.
    MessageCollector messages;
    ImageHandle page = blackPage(60, 400);
    MarkupParams p = centredText(page, "a text far longer than the page", font("DejaVu Sans", 16));
    p.orientation = MarkupOrientation::Vertical;
    EXPECT_EQ(ImageMarkup(p), 0);
    EXPECT_TRUE(messages.messages.empty());
    const Box box = boxOf(page, true);
    EXPECT_EQ(box.width(), 16);
    EXPECT_GT(box.height(), 150);
}
