// The page editor's annotations without widgets: a seal pressed onto a page
// and saved equals ImageMagick's Multiply composite of the plain seal at the
// same point; a page shown at double height gets it at half height; moving a
// stamp leaves no traces; the first point is moved into narrow pages; the
// stamp log line; a seal file that never changes; text notes rendered into
// 1-bit pages only; the failures' messages.

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "compose/FaxPageEditor.h"
#include "pixmend/MarkupFontMetrics.h"
#include "compose/tests/PageFileFixtures.h"
#include "core/codec/FileScrambler.h"
#include "faxbox/DibHeader.h"
#include "faxbox/tests/ScriptedPrompts.h"

using testsupport::md5sumOf;
using testsupport::quote;

namespace {


std::vector<uint8_t> bytes(const ImageHandle& page)
{
    const std::span<const uint8_t> block = DibBytes(page);
    return {block.begin(), block.end()};
}

class FaxPageAnnotationsTest : public ::testing::Test {
protected:
    void SetUp() override { editor.SetPrompts(&prompts); }

    void load(const std::string& path)
    {
        ASSERT_FALSE(path.empty());
        ASSERT_EQ(editor.LoadFile(path), 1) << (prompts.texts.empty() ? "" : prompts.texts.back());
    }

    // A seal file as the seal folder stores it (scrambled) of a 1-bit BMP
    // (pagefiles::sealBmp), which `plain` keeps.
    std::string makeSeal(const std::string& name, int width, int height, std::string* plain = nullptr)
    {
        const std::string bmp = pagefiles::sealBmp(dir, name, width, height);
        EXPECT_FALSE(bmp.empty());
        const std::string seal = dir.file(name);
        testsupport::writeFile(seal, testsupport::readFile(bmp));
        EXPECT_EQ(ScrambleFile(seal), 1);
        if (plain)
            *plain = bmp;
        return seal;
    }

    std::string logText() const { return testsupport::readFile(logPath); }

    testsupport::TempDir dir;
    ScriptedPrompts prompts;
    FaxPageEditor editor;
    std::string logPath = dir.file("LogIt.txt");
};

TEST_F(FaxPageAnnotationsTest, ASealPressedAndSavedIsTheMultiplyCompositeOfThePlainSealAndIsLogged)
{
    const std::string page = pagefiles::g4File(dir, "page.tif", 1, 1000, 1200);
    const std::string before = dir.file("before.tif");
    testsupport::writeFile(before, testsupport::readFile(page));
    load(page);
    std::string plain;
    const std::string seal = makeSeal("A", 200, 120, &plain);
    const std::string sealMd5 = md5sumOf(seal);

    ASSERT_TRUE(editor.OpenSeal(seal));
    ASSERT_TRUE(editor.PressSeal(700, 900, logPath));
    EXPECT_TRUE(editor.Stamp().pending);
    EXPECT_TRUE(editor.Stamp().drawn);
    EXPECT_EQ(editor.Stamp().rect, (PageRect{700, 900, 200, 120}));
    EXPECT_TRUE(editor.IsModified());
    ASSERT_TRUE(editor.Save());
    EXPECT_FALSE(editor.Stamp().pending) << "the save ends the stamp";

    const std::string expected = dir.file("expected.tif");
    ASSERT_TRUE(testsupport::runOk("composite -compose Multiply -geometry +700+900 " + quote(plain) + " " +
                                   quote(before) + " " + quote(expected)));
    EXPECT_EQ(pagefiles::differingPixels(page, 0, expected, 0), 0);
    EXPECT_GT(pagefiles::differingPixels(page, 0, before, 0), 0);
    EXPECT_EQ(md5sumOf(seal), sealMd5) << "the seal file is never unscrambled in place";

    const std::regex line("\\d+-\\d+-\\d+ \\d+:\\d+  " + page + ", " + seal + "\r\n");
    EXPECT_TRUE(std::regex_match(logText(), line)) << logText();
    EXPECT_TRUE(prompts.texts.empty());
}

TEST_F(FaxPageAnnotationsTest, AColourSealOnAGroup4PageIsSavedAsOneBitWithItsRedInkBlack)
{
    const std::string page = pagefiles::g4File(dir, "page.tif", 1, 1000, 1200);
    const std::string before = dir.file("before.tif");
    testsupport::writeFile(before, testsupport::readFile(page));
    const std::string colour = pagefiles::colourSealBmp(dir, "red", 200);
    ASSERT_FALSE(colour.empty());
    ASSERT_EQ(testsupport::run("od -An -tu2 -j28 -N2 " + quote(colour)).output, "    24\n") << "24 bits a pixel";
    const std::string seal = dir.file("red");
    testsupport::writeFile(seal, testsupport::readFile(colour));
    ASSERT_EQ(ScrambleFile(seal), 1);

    load(page);
    ASSERT_TRUE(editor.OpenSeal(seal));
    ASSERT_TRUE(editor.PressSeal(300, 400, logPath));
    EXPECT_EQ(editor.GetWorkPage().bitCount(), 1);
    ASSERT_TRUE(editor.Save());
    EXPECT_TRUE(prompts.texts.empty()) << prompts.texts.front();

    const auto info = testsupport::run("tiffinfo " + quote(page) + " 2>/dev/null").output;
    EXPECT_NE(info.find("Bits/Sample: 1"), std::string::npos) << info;
    EXPECT_NE(info.find("Compression Scheme: CCITT Group 4"), std::string::npos) << info;
    // The ink black, the white around it transparent: the page multiplied
    // by the seal with its red made black.
    const std::string ink = dir.file("ink.png");
    ASSERT_TRUE(testsupport::runOk("convert " + quote(colour) + " -fill black -opaque 'rgb(220,30,40)' -threshold 50% " +
                                   quote(ink)));
    const std::string expected = dir.file("expected.tif");
    ASSERT_TRUE(testsupport::runOk("composite -compose Multiply -geometry +300+400 " + quote(ink) + " " +
                                   quote(before) + " " + quote(expected)));
    EXPECT_EQ(pagefiles::differingPixels(page, 0, expected, 0), 0);
    EXPECT_EQ(testsupport::run("convert " + quote(page) + " -crop 1x1+400+500 -format '%[fx:mean]' info:").output, "0")
        << "the middle of the seal is dark";
}

TEST_F(FaxPageAnnotationsTest, OnAPageShownAtDoubleHeightTheSealIsHalfAsHighAtHalfTheY)
{
    const std::string page = pagefiles::g4File(dir, "page.tif", 1, 1728, 1100);
    const std::string before = dir.file("before.tif");
    testsupport::writeFile(before, testsupport::readFile(page));
    load(page);
    ASSERT_TRUE(editor.OpenSeal(makeSeal("A", 200, 120)));
    ASSERT_TRUE(editor.PressSeal(700, 900, logPath));
    EXPECT_EQ(editor.Stamp().rect, (PageRect{700, 900, 200, 120})) << "the rectangle is in display coordinates";
    ASSERT_TRUE(editor.Save());

    // The bounding box of what changed: the seal's frame.
    const auto changed = testsupport::run("convert " + quote(before) + " " + quote(page) +
                                          " -compose difference -composite -trim -format '%wx%h%X%Y' info:");
    EXPECT_EQ(changed.output, "200x60+700+450");
}

TEST_F(FaxPageAnnotationsTest, MovingAndResizingAStampLeavesNoTraces)
{
    load(pagefiles::g4File(dir, "page.tif", 1, 800, 900));
    const std::string seal = makeSeal("A", 200, 120);
    ASSERT_TRUE(editor.OpenSeal(seal));
    ASSERT_TRUE(editor.PressSeal(100, 100, logPath));

    FaxPageEditor fresh;
    fresh.SetPrompts(&prompts);
    ASSERT_EQ(fresh.LoadFile(editor.GetPathName()), 1);
    ASSERT_TRUE(fresh.OpenSeal(seal));
    ASSERT_TRUE(fresh.PressSeal(500, 600, dir.file("other-log.txt")));

    ASSERT_EQ(editor.PlaceStamp(500, 600), 1);
    EXPECT_EQ(bytes(editor.GetWorkPage()), bytes(fresh.GetWorkPage()));

    // Resized: the rectangle's size, the image resampled.
    editor.Stamp().rect = {0, 0, 400, 240};
    ASSERT_EQ(editor.PlaceStamp(-30, -40), 1);
    EXPECT_EQ(editor.Stamp().rect, (PageRect{0, 0, 400, 240})) << "a stamp dragged off the top-left lies at 0";

    editor.Undo();
    EXPECT_FALSE(editor.Stamp().pending);
    EXPECT_TRUE(editor.Stamp().image.isNull());
    FaxPageEditor original;
    ASSERT_EQ(original.LoadFile(editor.GetPathName()), 1);
    EXPECT_EQ(bytes(editor.GetWorkPage()), bytes(original.GetWorkPage())) << "undo removes the seal";
    EXPECT_FALSE(editor.IsModified());
}

TEST_F(FaxPageAnnotationsTest, TheFirstPointIsMovedIntoTheNarrowPage)
{
    struct Case {
        int64_t x, y;
        PageRect placed;
    };
    const Case cases[] = {
        {1528, 100, {100, 100, 200, 120}},  // past the right edge
        {-50, 5000, {0, 280, 200, 120}},    // before the left, past the bottom
        {20, 30, {20, 30, 200, 120}},       // inside
    };
    const std::string page = pagefiles::g4File(dir, "narrow.tif", 1, 300, 400);
    const std::string seal = makeSeal("A", 200, 120);
    for (const Case& c : cases) {
        load(page);
        ASSERT_TRUE(editor.OpenSeal(seal));
        EXPECT_TRUE(editor.PressSeal(c.x, c.y, logPath)) << c.x << "," << c.y;
        EXPECT_EQ(editor.Stamp().rect, c.placed) << c.x << "," << c.y;
        editor.Undo();
    }
    EXPECT_TRUE(prompts.texts.empty());
}

TEST_F(FaxPageAnnotationsTest, FailuresKeepThePageAndTheSealFile)
{
    const std::string page = pagefiles::g4File(dir, "page.tif", 1, 800, 900);
    load(page);
    const std::string junk = dir.file("junk");
    testsupport::writeFile(junk, std::string(2000, 'x'));
    const std::string junkMd5 = md5sumOf(junk);
    const std::vector<uint8_t> shown = bytes(editor.GetWorkPage());

    EXPECT_FALSE(editor.OpenSeal(junk));
    EXPECT_FALSE(editor.OpenSeal(dir.file("missing")));
    EXPECT_EQ(prompts.texts.size(), 2U);
    EXPECT_EQ(md5sumOf(junk), junkMd5) << "a failed open leaves the seal file as it was";
    EXPECT_FALSE(editor.Stamp().pending);
    EXPECT_FALSE(editor.PressSeal(10, 10, logPath));
    EXPECT_EQ(bytes(editor.GetWorkPage()), shown);
    EXPECT_FALSE(std::filesystem::exists(logPath));

    // A log that cannot be written is shown; the seal stays.
    prompts.texts.clear();
    ASSERT_TRUE(editor.OpenSeal(makeSeal("A", 200, 120)));
    EXPECT_TRUE(editor.PressSeal(10, 10, dir.file("no-such-dir/LogIt.txt")));
    ASSERT_EQ(prompts.texts.size(), 1U);
    EXPECT_EQ(prompts.texts[0], FaxViewText::kStampLogFailed);
    EXPECT_TRUE(editor.Stamp().pending);
    EXPECT_NE(bytes(editor.GetWorkPage()), shown);
}

TEST_F(FaxPageAnnotationsTest, ATextNoteIsRenderedOntoBilevelPagesOnly)
{
    // A 24-bit page: refused before any dialog.
    const std::string colour = pagefiles::colourFile(dir, "colour.tif");
    load(colour);
    EXPECT_FALSE(editor.ToggleTextTool());
    EXPECT_FALSE(editor.IsTextTool());
    ASSERT_EQ(prompts.texts.size(), 1U);
    EXPECT_EQ(prompts.texts[0], FaxViewText::kNotBilevel);

    prompts.texts.clear();
    load(pagefiles::g4File(dir, "page.tif", 1, 800, 900));
    EXPECT_TRUE(editor.ToggleTextTool());
    EXPECT_TRUE(editor.IsTextTool());
    EXPECT_TRUE(editor.IsModified());

    TextNote none;
    none.font = {"", 20, 0, 400, false};
    none.lineHeight = 30;
    EXPECT_FALSE(editor.StartTextNote(10, 10, none));
    ASSERT_EQ(prompts.texts.size(), 1U);
    EXPECT_EQ(prompts.texts[0], FaxViewText::kCreateImageFailed);
    EXPECT_FALSE(editor.Stamp().pending);

    TextNote note = none;
    note.text = "批注 ok";
    const int32_t width = GetMarkupTextExtent(note.font, note.text)->width;
    const std::vector<uint8_t> shown = bytes(editor.GetWorkPage());
    ASSERT_TRUE(editor.StartTextNote(300, 400, note));
    EXPECT_EQ(editor.Stamp().rect, (PageRect{300, 400, width, 30}));
    EXPECT_TRUE(editor.Stamp().pending);
    EXPECT_EQ(bytes(editor.GetUndoPage()), shown) << "undo goes back to the page before the note";
    ImgFileInfo tiff;
    tiff.format = PtxFormat::Tiff;
    const std::string noted = dir.file("noted.tif");
    const std::string original = dir.file("original.tif");
    ASSERT_EQ(PtxSaveImageToFile(editor.GetWorkPage(), noted, tiff), 1);
    ASSERT_EQ(PtxSaveImageToFile(editor.GetUndoPage(), original, tiff), 1);
    // The glyphs changed pixels inside the note's rectangle only.
    const auto changed = testsupport::run("convert " + quote(original) + " " + quote(noted) +
                                          " -compose difference -composite -trim -format '%w %h %X %Y' info:");
    int w = 0, h = 0, x = 0, y = 0;
    ASSERT_EQ(std::sscanf(changed.output.c_str(), "%d %d %d %d", &w, &h, &x, &y), 4) << changed.output;
    EXPECT_GT(w, width / 2) << changed.output;
    EXPECT_GT(h, 5) << changed.output;
    EXPECT_GE(x, 300);
    EXPECT_GE(y, 400);
    EXPECT_LE(x + w, 300 + width);
    EXPECT_LE(y + h, 430);
    EXPECT_FALSE(std::filesystem::exists(logPath)) << "text notes write no log line";
}

TEST_F(FaxPageAnnotationsTest, OrdinaryNotesInAProportionalFontFitTheirBox)
{
    load(pagefiles::g4File(dir, "page.tif", 1, 1728, 2200));
    MarkupFont font{"WenQuanYi Zen Hei", -24, 0, 400, false};
    const auto metrics = GetMarkupFontMetrics(font);
    ASSERT_TRUE(metrics);
    for (const char* text : {"传真已收到", "已阅", "请回电", "同意", "Received, thanks", "OK", "WWW", "mmm",
                             "合同第3页已签字", "2026-12-11", "张经理 审阅", "急！请今天回复"}) {
        SCOPED_TRACE(text);
        prompts.texts.clear();
        TextNote note;
        note.text = text;
        note.font = font;
        note.lineHeight = metrics->height;
        EXPECT_TRUE(editor.StartTextNote(200, 300, note));
        EXPECT_EQ(editor.Stamp().rect.width, GetMarkupTextExtent(font, text)->width) << "the box is the drawn text's";
        EXPECT_TRUE(prompts.texts.empty()) << prompts.texts.front();
        editor.Undo();
    }
}

} // namespace
