// The font metrics a caller sizes its page by, against what ImageMarkup draws.

#include <gtest/gtest.h>

#include "MarkupTestSupport.h"
#include "pixmend/MarkupFontMetrics.h"

using namespace markuptest;

TEST(MarkupFontMetrics, LineHeightIsTheHeightOfTheDrawnTextBox)
{
    for (const char* face : {"DejaVu Sans", "WenQuanYi Zen Hei", "宋体"})
        for (const int32_t height : {14, -14, 27}) {
            SCOPED_TRACE(std::string(face) + " " + std::to_string(height));
            const auto metrics = GetMarkupFontMetrics(font(face, height));
            ASSERT_TRUE(metrics);
            EXPECT_EQ(metrics->ascent + metrics->descent, metrics->height);
            EXPECT_GE(metrics->externalLeading, 0);
            if (height > 0) {
                EXPECT_EQ(metrics->height, height);
            }
            ImageHandle page = blackPage(200, 80);
            ASSERT_EQ(ImageMarkup(centredText(page, "Hg文", font(face, height))), 0);
            EXPECT_EQ(boxOf(page, true).height(), metrics->height);
        }
}

TEST(MarkupFontMetrics, AverageWidthIsTheRequestedWidthAndSizesAPageThatHoldsTheText)
{
    // The text dialog's own font, and what the page editor makes of it: a page
    // as wide as the text's GBK bytes times the average width and one line
    // high, with the text centred on it. The Song face fills it exactly:
    // half-width characters take the average width, Chinese ones twice that.
    MarkupFont dialogFont = font("宋体", 20);
    dialogFont.width = 18;
    const auto metrics = GetMarkupFontMetrics(dialogFont);
    ASSERT_TRUE(metrics);
    EXPECT_EQ(metrics->averageCharWidth, 18);

    struct Case {
        const char* text;
        int32_t gbkBytes;
    };
    for (const Case& c : {Case{"请输入文本", 10}, Case{"传真 Fax", 8}, Case{"2024-03-0108:15:00", 18}}) {
        SCOPED_TRACE(c.text);
        MessageCollector messages;
        ImageHandle page = blackPage(c.gbkBytes * metrics->averageCharWidth,
                                     metrics->height + metrics->externalLeading);
        EXPECT_EQ(ImageMarkup(centredText(page, c.text, dialogFont)), 0);
        EXPECT_TRUE(messages.messages.empty());
        const Box box = boxOf(page, true);
        EXPECT_EQ(box.left, 0);
        EXPECT_EQ(box.width(), page.width());
    }
}

TEST(MarkupFontMetrics, ATextsExtentSizesAPageThatHoldsItInAProportionalFont)
{
    // Wide and narrow letters, Chinese and mixed text in proportional faces:
    // a page of the measured extent holds the text centred, its white box
    // filling the page's width, with no "文字超出边界".
    for (const char* face : {"WenQuanYi Zen Hei", "DejaVu Sans"})
        for (const char* text : {"传真已收到", "WWWWWW", "iiiiii", "Mixed 混合 text", "已阅，请回电 13900000000"}) {
            SCOPED_TRACE(std::string(face) + " " + text);
            const MarkupFont note = font(face, 24);
            const auto extent = GetMarkupTextExtent(note, text);
            ASSERT_TRUE(extent);
            EXPECT_EQ(extent->height, GetMarkupFontMetrics(note)->height);
            MessageCollector messages;
            ImageHandle page = blackPage(extent->width, extent->height + 1);
            EXPECT_EQ(ImageMarkup(centredText(page, text, note)), 0);
            EXPECT_TRUE(messages.messages.empty());
            const Box box = boxOf(page, true);
            EXPECT_EQ(box.left, 0);
            EXPECT_EQ(box.width(), extent->width);
        }
    EXPECT_FALSE(GetMarkupTextExtent(font("DejaVu Sans", 100000), "x"));
}

TEST(MarkupFontMetrics, UnusableSizesGiveNothing)
{
    EXPECT_FALSE(GetMarkupFontMetrics(font("DejaVu Sans", 100000)));
    MarkupFont wide = font("DejaVu Sans", 20);
    wide.width = 100000;
    EXPECT_FALSE(GetMarkupFontMetrics(wide));
}
