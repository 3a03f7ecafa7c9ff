// The page editor's pages without widgets: loading (the 100-page limit,
// pages neither 1 nor 24 bits), cropping with the display height rule,
// undo and the modified flag across pages, saving back in the file's own
// format, the refusals and failures of a save, and the question before
// edits are dropped. Files are made by netpbm and tiffcp and checked with
// tiffinfo, md5sum and ImageMagick.

#include "compose/FaxPageEditor.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "compose/tests/PageFileFixtures.h"
#include "faxbox/DocumentTexts.h"
#include "faxbox/tests/ScriptedPrompts.h"

using faxfixtures::tiffPageCount;
using faxfixtures::tiffPagesCompressedWith;
using testsupport::md5sumOf;

namespace {

using Answer = DocumentPrompts::Answer;

class FaxPageEditorTest : public ::testing::Test {
protected:
    void SetUp() override { editor.SetPrompts(&prompts); }

    // Loads `path`, which must load.
    void load(const std::string& path)
    {
        ASSERT_FALSE(path.empty());
        ASSERT_EQ(editor.LoadFile(path), 1) << (prompts.texts.empty() ? "" : prompts.texts.back());
    }

    // A crop of (left, top, width, height) in image coordinates.
    bool crop(const PageRect& rect)
    {
        if (!editor.IsCropMode())
            editor.ToggleCrop();
        editor.SetCropRect(rect);
        return editor.Crop();
    }

    testsupport::TempDir dir;
    ScriptedPrompts prompts;
    FaxPageEditor editor;
};

TEST_F(FaxPageEditorTest, ALoadShowsPageZeroAndAnEmptyEditorHasNothing)
{
    EXPECT_EQ(editor.GetPageCount(), -1);
    EXPECT_EQ(editor.GetCurrentPage(), -1);
    EXPECT_TRUE(editor.GetWorkPage().isNull());
    EXPECT_EQ(editor.SaveIfModified(), 1);

    const std::string path = pagefiles::g4File(dir, "three.tif", 3);
    load(path);
    EXPECT_EQ(editor.GetPageCount(), 3);
    EXPECT_EQ(editor.GetCurrentPage(), 0);
    EXPECT_EQ(editor.GetPathName(), path);
    EXPECT_EQ(editor.Pages().GetDisplayHeight(), 2200);
    EXPECT_EQ(editor.Pages().GetPalette().size(), 2U);
    EXPECT_FALSE(editor.IsModified());
    ASSERT_FALSE(editor.GetWorkPage().isNull());
    EXPECT_EQ(editor.GetWorkPage().width(), 1728);
    EXPECT_FALSE(editor.GoToPage(3));
    EXPECT_EQ(editor.GetCurrentPage(), 0);

    editor.ResetPages();
    EXPECT_EQ(editor.GetPageCount(), -1);
    EXPECT_EQ(editor.GetPathName(), "");
    EXPECT_TRUE(editor.GetWorkPage().isNull());
}

TEST_F(FaxPageEditorTest, AFileOfMorePagesLoadsAHundredAndIsNeverWrittenBack)
{
    const std::string path = pagefiles::longFile(dir, "long.tif", 120);
    load(path);
    EXPECT_EQ(editor.GetPageCount(), 100);
    ASSERT_NE(editor.Pages().GetImageInfo(), nullptr);
    EXPECT_EQ(editor.Pages().GetImageInfo()->pages, 120);
    EXPECT_EQ(FaxPageEditor::CountImagePages(path), 100);
    const std::string before = md5sumOf(path);

    editor.SetModifiedFlag();
    EXPECT_FALSE(editor.Save());
    EXPECT_EQ(prompts.texts, std::vector<std::string>{DocumentText::kTooManyPages});
    EXPECT_TRUE(editor.IsModified());

    prompts.texts.clear();
    prompts.answers = {Answer::Yes};
    EXPECT_EQ(editor.SaveIfModified(), 0);
    EXPECT_EQ(prompts.texts, (std::vector<std::string>{DocumentText::kSaveModified, DocumentText::kTooManyPages}));
    EXPECT_TRUE(editor.IsModified());
    EXPECT_EQ(md5sumOf(path), before);
}

TEST_F(FaxPageEditorTest, AGreyPageAnywhereRefusesTheLoad)
{
    for (int greyAt : {0, 2}) {
        prompts.texts.clear();
        const std::string path =
            pagefiles::fileWithGreyPage(dir, "grey-" + std::to_string(greyAt) + ".tif", 3, greyAt);
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(editor.LoadFile(path), 0) << greyAt;
        EXPECT_EQ(prompts.texts, std::vector<std::string>{DocumentText::kNotTwoToneOrTrueColour}) << greyAt;
        EXPECT_EQ(editor.GetPageCount(), -1) << greyAt;
        EXPECT_TRUE(editor.GetWorkPage().isNull()) << greyAt;
    }
}

TEST_F(FaxPageEditorTest, AMissingOrUnreadableFileShowsTheLibrarysText)
{
    const std::string junk = dir.file("junk.tif");
    testsupport::writeFile(junk, "not an image");
    for (const std::string& path : {dir.file("missing.tif"), junk}) {
        prompts.texts.clear();
        EXPECT_EQ(editor.LoadFile(path), 0) << path;
        ASSERT_EQ(prompts.texts.size(), 1U) << path;
        EXPECT_FALSE(prompts.texts[0].empty()) << path;
        EXPECT_EQ(editor.GetPageCount(), -1) << path;
    }
    EXPECT_EQ(FaxPageEditor::CountImagePages(dir.file("missing.tif")), 0);
}

TEST_F(FaxPageEditorTest, CropHalvesTopAndBottomOnlyOnAPageShownAtDoubleHeight)
{
    struct Case {
        int32_t height;
        const char* expected;  // the cut page, width x height
        const char* convertCrop;
    } cases[] = {
        {1100, "800x400", "800x400+100+100"},
        {2200, "800x800", "800x800+100+200"},
    };
    for (const Case& c : cases) {
        const std::string path = pagefiles::g4File(dir, "crop-" + std::to_string(c.height) + ".tif", 1, 1728, c.height);
        const std::string original = dir.file("original.tif");
        std::filesystem::copy_file(path, original, std::filesystem::copy_options::overwrite_existing);
        load(path);
        ASSERT_TRUE(crop({100, 200, 800, 800})) << c.height;
        EXPECT_FALSE(editor.IsCropMode());
        EXPECT_TRUE(editor.CropRect().IsEmpty());
        EXPECT_TRUE(editor.IsModified());
        ASSERT_TRUE(editor.Save()) << c.height;
        EXPECT_FALSE(editor.IsModified());
        EXPECT_EQ(pagefiles::pageSize(path), c.expected);
        const std::string expected = dir.file("expected.tif");
        ASSERT_TRUE(testsupport::runOk("convert " + testsupport::quote(original) + " -crop " + c.convertCrop +
                                       " +repage " + testsupport::quote(expected)));
        EXPECT_EQ(pagefiles::differingPixels(path, 0, expected, 0), 0) << c.height;
    }
}

TEST_F(FaxPageEditorTest, AFailedCropShowsTheLibrarysTextAndKeepsThePage)
{
    load(pagefiles::g4File(dir, "one.tif", 1));
    const std::string before = md5sumOf(dir.file("one.tif"));
    // Reaches past the right edge.
    EXPECT_FALSE(crop({1700, 0, 100, 100}));
    ASSERT_EQ(prompts.texts.size(), 1U);
    EXPECT_EQ(prompts.texts[0], "rectangle is out of image");
    EXPECT_EQ(editor.GetWorkPage().width(), 1728);
    EXPECT_TRUE(editor.IsCropMode());
    EXPECT_TRUE(editor.CropRect().IsEmpty());
    EXPECT_EQ(md5sumOf(dir.file("one.tif")), before);
}

TEST_F(FaxPageEditorTest, WritingBackKeepsTheFormatThePageCountAndThePagesNotEdited)
{
    struct Case {
        const char* name;
        int pages;
        const char* compression;
    } cases[] = {{"g4.tif", 1, "CCITT Group 4"}, {"packbits.tif", 3, "PackBits"}};
    for (const Case& c : cases) {
        const std::string path = c.pages == 1 ? pagefiles::g4File(dir, c.name, 1) : pagefiles::packBitsFile(dir, c.name, 3);
        ASSERT_FALSE(path.empty());
        const std::string original = dir.file(std::string("original-") + c.name);
        std::filesystem::copy_file(path, original);
        load(path);
        // The last page is cut; the others are shown and left.
        for (int i = 1; i < c.pages; ++i)
            ASSERT_TRUE(editor.GoToPage(i));
        ASSERT_TRUE(crop({0, 0, 1000, 1000}));
        ASSERT_TRUE(editor.Save()) << c.name;
        EXPECT_EQ(tiffPageCount(path), c.pages) << c.name;
        EXPECT_EQ(tiffPagesCompressedWith(path, c.compression), c.pages) << c.name;
        EXPECT_EQ(pagefiles::pageSize(path, c.pages - 1), "1000x500") << c.name;
        for (int i = 0; i + 1 < c.pages; ++i)
            EXPECT_EQ(pagefiles::differingPixels(path, i, original, i), 0) << c.name << " page " << i;
    }
}

TEST_F(FaxPageEditorTest, AReadOnlyFileIsReportedAndStaysModified)
{
    std::filesystem::create_directories(dir.file("locked"));
    const std::string path = pagefiles::g4File(dir, "locked/one.tif", 1);
    load(path);
    ASSERT_TRUE(crop({0, 0, 800, 800}));
    const std::string before = md5sumOf(path);
    testsupport::ReadOnlyDirectory locked(dir.file("locked"));
    if (!locked.held())
        GTEST_SKIP() << "the directory cannot be made read-only here";

    EXPECT_FALSE(editor.Save());
    EXPECT_EQ(prompts.texts, std::vector<std::string>{FaxViewText::kSaveFailedReadOnly});
    EXPECT_TRUE(editor.IsModified());

    prompts.texts.clear();
    prompts.answers = {Answer::Yes};
    EXPECT_EQ(editor.SaveIfModified(), 0);
    EXPECT_EQ(prompts.texts, (std::vector<std::string>{DocumentText::kSaveModified, DocumentText::kSaveFailed}));
    EXPECT_TRUE(editor.IsModified());
    EXPECT_EQ(md5sumOf(path), before);
}

TEST_F(FaxPageEditorTest, TheQuestionBeforeEditsAreDropped)
{
    struct Case {
        Answer answer;
        int result;
        bool written;
    } cases[] = {{Answer::Cancel, 0, false}, {Answer::No, 1, false}, {Answer::Yes, 1, true}};
    for (const Case& c : cases) {
        prompts.texts.clear();
        const std::string path = pagefiles::g4File(dir, "asked.tif", 1);
        const std::string before = md5sumOf(path);
        load(path);
        ASSERT_TRUE(crop({0, 0, 800, 800}));
        prompts.answers = {c.answer};
        EXPECT_EQ(editor.SaveIfModified(), c.result);
        EXPECT_EQ(prompts.texts, std::vector<std::string>{DocumentText::kSaveModified});
        EXPECT_EQ(md5sumOf(path) != before, c.written);
        EXPECT_EQ(editor.IsModified(), !c.written);
        editor.SetModifiedFlag(false);
    }
}

TEST_F(FaxPageEditorTest, LoadingAnotherFileAsksFirstAndCancelKeepsThePages)
{
    const std::string first = pagefiles::g4File(dir, "first.tif", 2);
    const std::string second = pagefiles::g4File(dir, "second.tif", 1);
    load(first);
    ASSERT_TRUE(crop({0, 0, 800, 800}));
    prompts.answers = {Answer::Cancel};
    EXPECT_EQ(editor.LoadFile(second), 0);
    EXPECT_EQ(prompts.texts, std::vector<std::string>{DocumentText::kSaveModified});
    EXPECT_EQ(editor.GetPathName(), first);
    EXPECT_EQ(editor.GetWorkPage().width(), 800);
    EXPECT_TRUE(editor.IsModified());

    prompts.answers = {Answer::No};
    load(second);
    EXPECT_EQ(editor.GetPathName(), second);
    EXPECT_FALSE(editor.IsModified());
}

TEST_F(FaxPageEditorTest, UndoClearsTheFlagOnlyWhenNoOtherPageDiffersFromTheFile)
{
    load(pagefiles::g4File(dir, "two.tif", 2));
    // An edit of the page shown, undone: as loaded.
    ASSERT_TRUE(crop({0, 0, 800, 800}));
    editor.Undo();
    EXPECT_FALSE(editor.IsModified());
    EXPECT_EQ(editor.GetWorkPage().width(), 1728);

    // Page 0 cut and kept in the list by going to page 1; undo there keeps
    // the flag, and so does undo back on page 0, which shows the cut page.
    ASSERT_TRUE(crop({0, 0, 800, 800}));
    ASSERT_TRUE(editor.GoToPage(1));
    editor.Undo();
    EXPECT_TRUE(editor.IsModified());
    ASSERT_TRUE(editor.GoToPage(0));
    EXPECT_EQ(editor.GetWorkPage().width(), 800);
    editor.Undo();
    EXPECT_TRUE(editor.IsModified());

    // After a save the undo page is no longer what the file holds.
    ASSERT_TRUE(crop({0, 0, 400, 400}));
    ASSERT_TRUE(editor.Save());
    EXPECT_FALSE(editor.IsModified());
    editor.Undo();
    EXPECT_EQ(editor.GetWorkPage().width(), 800);
    EXPECT_TRUE(editor.IsModified());
}

TEST_F(FaxPageEditorTest, UndoEndsAPendingStampAndEmptiesTheCropRectangle)
{
    load(pagefiles::g4File(dir, "one.tif", 1));
    PageStamp& stamp = editor.Stamp();
    stamp.image = PtxCopyHandle(editor.GetWorkPage());
    stamp.rect = {10, 10, 20, 20};
    stamp.pending = stamp.drawn = true;
    editor.Undo();
    EXPECT_FALSE(editor.Stamp().pending);
    EXPECT_FALSE(editor.Stamp().drawn);
    EXPECT_TRUE(editor.Stamp().image.isNull());
    EXPECT_TRUE(editor.Stamp().rect.IsEmpty());

    editor.ToggleCrop();
    editor.SetCropRect({1, 2, 3, 4});
    editor.Undo();
    EXPECT_TRUE(editor.IsCropMode());
    EXPECT_TRUE(editor.CropRect().IsEmpty());
}

} // namespace
