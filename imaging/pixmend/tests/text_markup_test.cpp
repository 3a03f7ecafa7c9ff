// Text drawn by ImageMarkup: where it lands, what it whitens, how it turns.

#include <gtest/gtest.h>

#include <thread>

#include "MarkupTestSupport.h"

using namespace markuptest;

namespace {

struct FontCase {
    const char* name;
    const char* face;
    const char* text;
};

const FontCase kFonts[] = {
    {"DejaVuSans", "DejaVu Sans", "Markup 42"},
    {"DejaVuSansMono", "DejaVu Sans Mono", "Wq|g"},
    {"WenQuanYi", "WenQuanYi Zen Hei", "请输入文本"},
    // Windows' Song face, drawn by its fixed-pitch stand-in.
    {"SongFace", "宋体", "传真 Fax"},
    // No such face anywhere: Latin falls to the default font and the Chinese
    // characters to a font that has them.
    {"MissingFace", "No Such Face Anywhere", "传真 Fax"},
};

constexpr int32_t kCell = 20;

// The text box that opaque text whitens, read off a black page.
struct Rendered {
    ImageHandle page;
    Box box;
};

Rendered renderOnBlack(const char* face, const char* text, int32_t orientation, int32_t w = 240, int32_t h = 60)
{
    Rendered r{blackPage(w, h), {}};
    MarkupParams p = centredText(r.page, text, font(face, kCell));
    p.orientation = orientation;
    EXPECT_EQ(ImageMarkup(p), 0);
    r.box = boxOf(r.page, true);
    return r;
}

class TextByFont : public ::testing::TestWithParam<FontCase> {};

} // namespace

TEST_P(TextByFont, OpaqueTextIsBlackInsideAWhiteBoxOneRowBelowItsCentredTop)
{
    const FontCase& c = GetParam();
    const Rendered onBlack = renderOnBlack(c.face, c.text, MarkupOrientation::Horizontal);
    const Box& box = onBlack.box;
    ASSERT_FALSE(box.empty());
    EXPECT_EQ(box.height(), kCell) << "a positive font height is the cell height";
    EXPECT_EQ(box.left, 240 / 2 - box.width() / 2);
    EXPECT_EQ(box.top, 60 / 2 - kCell / 2 + 1);

    ImageHandle onWhite = whitePage(240, 60);
    ASSERT_EQ(ImageMarkup(centredText(onWhite, c.text, font(c.face, kCell))), 0);
    int textPixels = 0;
    for (int32_t y = 0; y < 60; ++y)
        for (int32_t x = 0; x < 240; ++x) {
            const bool black = !isWhite(onWhite, x, y);
            if (!box.contains(x, y)) {
                ASSERT_FALSE(black) << "black outside the text box at " << x << "," << y;
                continue;
            }
            // Inside the box the same pixels are text whatever the page held.
            ASSERT_EQ(black, !isWhite(onBlack.page, x, y)) << x << "," << y;
            textPixels += black;
        }
    EXPECT_GT(textPixels, 20 * static_cast<int>(std::string(c.text).size() / 3));
}

TEST_P(TextByFont, TransparentTextOnlyAddsBlackWhileOpaqueTextOnlyChangesItsBox)
{
    const FontCase& c = GetParam();
    const ImageHandle striped = makePage(240, 60, 0xB3);
    const Rendered reference = renderOnBlack(c.face, c.text, MarkupOrientation::Horizontal);

    ImageHandle transparent = striped.clone();
    MarkupParams p = centredText(transparent, c.text, font(c.face, kCell));
    p.transparent = 1;
    ASSERT_EQ(ImageMarkup(p), 0);
    ImageHandle opaque = striped.clone();
    ASSERT_EQ(ImageMarkup(centredText(opaque, c.text, font(c.face, kCell))), 0);

    int blackened = 0;
    for (int32_t y = 0; y < 60; ++y)
        for (int32_t x = 0; x < 240; ++x) {
            const bool before = isWhite(striped, x, y);
            const bool text = reference.box.contains(x, y) && !isWhite(reference.page, x, y);
            ASSERT_EQ(isWhite(transparent, x, y), before && !text) << x << "," << y;
            const bool expectedOpaque = reference.box.contains(x, y) ? !text : before;
            ASSERT_EQ(isWhite(opaque, x, y), expectedOpaque) << x << "," << y;
            blackened += before && text;
        }
    EXPECT_GT(blackened, 0);
}

TEST_P(TextByFont, VerticalTextIsTheHorizontalBitmapTurnedClockwise)
{
    const FontCase& c = GetParam();
    const Rendered across = renderOnBlack(c.face, c.text, MarkupOrientation::Horizontal, 240, 240);
    const Rendered down = renderOnBlack(c.face, c.text, MarkupOrientation::Vertical, 240, 240);
    ASSERT_EQ(down.box.width(), across.box.height());
    ASSERT_EQ(down.box.height(), across.box.width());
    const int32_t cy = across.box.height();
    for (int32_t v = 0; v < cy; ++v)
        for (int32_t u = 0; u < across.box.width(); ++u)
            ASSERT_EQ(isWhite(down.page, down.box.left + cy - 1 - v, down.box.top + u),
                      isWhite(across.page, across.box.left + u, across.box.top + v))
                << u << "," << v;
}

INSTANTIATE_TEST_SUITE_P(Fonts, TextByFont, ::testing::ValuesIn(kFonts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextMarkup, TextWidthIsTheSumOfTheCharacterAdvances)
{
    struct Case {
        const char* face;
        const char* one;
        const char* four;
    };
    for (const Case& c : {Case{"DejaVu Sans Mono", "M", "MMMM"}, Case{"WenQuanYi Zen Hei", "文", "文本传真"}}) {
        const int32_t one = renderOnBlack(c.face, c.one, MarkupOrientation::Horizontal).box.width();
        const int32_t four = renderOnBlack(c.face, c.four, MarkupOrientation::Horizontal).box.width();
        EXPECT_GT(one, 4) << c.face;
        EXPECT_EQ(four, 4 * one) << c.face;
    }
}

TEST(TextMarkup, FontRecordSetsCellHeightWidthAndWeight)
{
    for (const int32_t cell : {12, 20, 33}) {
        ImageHandle page = blackPage(200, 80);
        ASSERT_EQ(ImageMarkup(centredText(page, "Hg", font("DejaVu Sans", cell))), 0);
        EXPECT_EQ(boxOf(page, true).height(), cell);
    }
    // A negative height is the character height: the cell comes out taller.
    ImageHandle em = blackPage(200, 80);
    ASSERT_EQ(ImageMarkup(centredText(em, "Hg", font("DejaVu Sans", -kCell))), 0);
    EXPECT_GT(boxOf(em, true).height(), kCell);

    auto widthWith = [](int32_t averageWidth) {
        MarkupFont f = font("DejaVu Sans", kCell);
        f.width = averageWidth;
        ImageHandle page = blackPage(400, 60);
        EXPECT_EQ(ImageMarkup(centredText(page, "abcdef", f)), 0);
        return boxOf(page, true).width();
    };
    EXPECT_GT(widthWith(18), widthWith(0) * 3 / 2) << "average width 18 at a 20-pixel cell stretches the text";

    // Bold from a real bold face (DejaVu) and made by hand (WenQuanYi has none).
    for (const char* face : {"DejaVu Sans", "WenQuanYi Zen Hei"}) {
        auto inkWith = [face](int32_t weight) {
            MarkupFont f = font(face, kCell);
            f.weight = weight;
            ImageHandle page = whitePage(300, 60);
            EXPECT_EQ(ImageMarkup(centredText(page, "Bold 粗体", f)), 0);
            return countBlack(page);
        };
        EXPECT_GT(inkWith(700), inkWith(400) * 11 / 10) << face;
    }
}

TEST(TextMarkup, FallbackFontsDrawDistinctChineseCharacters)
{
    // Were the characters missing, each would be the same empty box.
    const Rendered first = renderOnBlack("No Such Face Anywhere", "请输", MarkupOrientation::Horizontal);
    const Rendered second = renderOnBlack("No Such Face Anywhere", "入文", MarkupOrientation::Horizontal);
    ASSERT_EQ(first.box, second.box);
    EXPECT_NE(picture(first.page), picture(second.page));
}

TEST(TextMarkup, TextPlacedByPositionLandsOneRowBelowIt)
{
    ImageHandle page = blackPage(200, 60);
    MarkupParams p = centredText(page, "Fax", font("DejaVu Sans", kCell));
    p.centreText = 0;
    p.textX = 17;
    p.textY = 9;
    ASSERT_EQ(ImageMarkup(p), 0);
    const Box box = boxOf(page, true);
    EXPECT_EQ(box.left, 17);
    EXPECT_EQ(box.top, 10);
    EXPECT_EQ(box.height(), kCell);
}

TEST(TextMarkup, MalformedUtf8IsDrawnAsReplacementCharacters)
{
    // GBK bytes handed over by mistake, a lone continuation byte, a sequence
    // cut at the end of the text and an over-long form.
    for (const char* text : {"\xb4\xab\xd5\xe6", "a\x80" "b", "ab\xe4\xbd", "\xc0\xaf"}) {
        SCOPED_TRACE(text);
        ImageHandle page = whitePage(200, 40);
        ASSERT_EQ(ImageMarkup(centredText(page, text, font("DejaVu Sans", kCell))), 0);
        EXPECT_GT(countBlack(page), 10);
    }
}

TEST(TextMarkup, CallsOnSeparatePagesInFourThreadsDrawAsOneCallAlone)
{
    const char* texts[] = {"请输入文本", "Markup 42", "传真 Fax", "WgQ"};
    std::vector<std::vector<std::string>> expected;
    for (const char* text : texts) {
        ImageHandle page = whitePage(160, 40);
        EXPECT_EQ(ImageMarkup(centredText(page, text, font("No Such Face Anywhere", kCell))), 0);
        expected.push_back(picture(page));
    }
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 5; ++round) {
                ImageHandle page = whitePage(160, 40);
                const bool drawn = ImageMarkup(centredText(page, texts[t], font("No Such Face Anywhere", kCell))) == 0;
                mismatches[t] += !drawn || picture(page) != expected[t];
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}
