// The fax document: opening pages of TIFF files that netpbm and tiffcp made,
// the 100-page limit, refusing pages that are neither 1 nor 24 bits, saving
// back (also into a read-only directory), saving as, and the save prompt;
// written files are checked with tiffinfo, md5sum and ImageMagick.

#include "faxbox/Pelno1Doc.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "faxbox/DocumentTexts.h"
#include "faxbox/tests/FaxPageFixtures.h"
#include "faxbox/tests/ScriptedPrompts.h"

using faxfixtures::patternPage;
using faxfixtures::tiffPageCount;
using faxfixtures::tiffPagesCompressedWith;
using faxfixtures::writeFaxTiff;
using testsupport::md5sumOf;
using testsupport::quote;
using testsupport::run;
using testsupport::runOk;

namespace {

// A viewer that shows a page of the test's choosing.
class FakeView : public DocumentView {
public:
    const ImageHandle& GetWorkPage() const override { return workPage; }
    void ResetTools() override { ++resets; }
    void OnDocumentUpdate() override { ++updates; }

    ImageHandle workPage;
    int resets = 0;
    int updates = 0;
};

// The digest of a file's page as PBM through ImageMagick.
std::string pixelsOf(const std::string& file, int page = 0)
{
    return run("convert " + quote(file + "[" + std::to_string(page) + "]") + " -depth 1 pbm:- | md5sum").output;
}

std::string pixelsOf(const ImageHandle& page, const testsupport::TempDir& scratch)
{
    const std::string pbm = scratch.file("expected.pbm");
    testsupport::writePbm(page, pbm);
    return pixelsOf(pbm);
}

class Pelno1DocTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        document.SetPrompts(&prompts);
        document.SetView(&view);
    }

    // A fax file of `count` pattern pages (each marked with its number).
    std::string faxFile(const std::string& name, int count, int32_t width = 1728, int32_t height = 1100)
    {
        std::vector<ImageHandle> pages;
        for (int i = 0; i < count; ++i)
            pages.push_back(patternPage(width, height, i + 1));
        std::vector<const ImageHandle*> pointers;
        for (const ImageHandle& page : pages)
            pointers.push_back(&page);
        const std::string path = dir.file(name);
        EXPECT_TRUE(writeFaxTiff(pointers, path, 200, 100, dir));
        return path;
    }

    testsupport::TempDir dir;
    ScriptedPrompts prompts;
    FakeView view;
    CPelno1Doc document;
};

TEST_F(Pelno1DocTest, OpensEveryPageWithTheFirstCurrentAndTheDisplayHeightRule)
{
    const std::string path = faxFile("three.tif", 3);
    ASSERT_EQ(document.OnOpenDocument(path), 1);
    EXPECT_EQ(document.GetPageCount(), 3);
    EXPECT_EQ(document.GetCurrentPage(), 0);
    EXPECT_EQ(document.GetPathName(), path);
    ASSERT_NE(document.GetImageInfo(), nullptr);
    EXPECT_EQ(document.GetImageInfo()->format, PtxFormat::Tiff);
    EXPECT_EQ(document.GetImageInfo()->pages, 3);
    EXPECT_FALSE(document.IsModified());
    EXPECT_EQ(view.updates, 1);
    // A landscape page is shown at twice its height; its two colours kept.
    EXPECT_EQ(document.GetDisplayWidth(), 1728);
    EXPECT_EQ(document.GetDisplayHeight(), 2200);
    EXPECT_EQ(document.GetPalette().size(), 2U);

    document.SetCurrentPage(2);
    EXPECT_EQ(document.GetCurrentPage(), 2);
    document.SetCurrentPage(3);   // out of range: ignored
    document.SetCurrentPage(-1);
    EXPECT_EQ(document.GetCurrentPage(), 2);
    EXPECT_EQ(pixelsOf(document.GetCurrentPageDib(), dir), pixelsOf(patternPage(1728, 1100, 3), dir));
    EXPECT_TRUE(prompts.texts.empty());
}

TEST_F(Pelno1DocTest, DisplayHeightDoublesOnlyPagesLowerThanWide)
{
    struct Case {
        int32_t width, height, shownHeight;
    } cases[] = {{1728, 1100, 2200}, {1728, 2200, 2200}, {64, 64, 64}, {65, 64, 128}};
    for (const Case& c : cases) {
        ASSERT_EQ(document.OnOpenDocument(faxFile("page.tif", 1, c.width, c.height)), 1);
        EXPECT_EQ(document.GetDisplayWidth(), c.width);
        EXPECT_EQ(document.GetDisplayHeight(), c.shownHeight) << c.width << " x " << c.height;
    }
}

TEST_F(Pelno1DocTest, AFileOfMorePagesLoadsHundredSaveRefusesSaveAsWritesTheFirstHundredWithPackBits)
{
    // 100 pages of one kind, then 50 of another: a save as that took later
    // pages would show the second kind.
    const ImageHandle first = patternPage(40, 20, 1);
    const ImageHandle later = patternPage(41, 20, 2);
    std::vector<const ImageHandle*> pages(100, &first);
    pages.insert(pages.end(), 50, &later);
    const std::string path = dir.file("long.tif");
    ASSERT_TRUE(writeFaxTiff(pages, path, 200, 200, dir));
    ASSERT_EQ(tiffPageCount(path), 150);
    const std::string before = md5sumOf(path);

    ASSERT_EQ(document.OnOpenDocument(path), 1);
    EXPECT_EQ(document.GetPageCount(), 100);
    EXPECT_EQ(document.GetImageInfo()->pages, 150);

    EXPECT_FALSE(document.OnFileSave());
    ASSERT_EQ(prompts.texts.size(), 1U);
    EXPECT_EQ(prompts.texts[0], DocumentText::kTooManyPages);
    EXPECT_EQ(md5sumOf(path), before);

    prompts.paths.push_back(DocumentPrompts::SavePath{dir.file("first"), 5});  // TIFF
    ASSERT_TRUE(document.OnFileSaveAs());
    EXPECT_EQ(prompts.filters.at(0), DocumentText::kSaveAsFilter);
    const std::string saved = dir.file("first.TIF");
    EXPECT_EQ(tiffPageCount(saved), 100);
    EXPECT_EQ(tiffPagesCompressedWith(saved, "PackBits"), 100);
    EXPECT_EQ(run("tiffinfo " + quote(saved) + " 2>/dev/null | grep -c 'Image Width: 40 '").output, "100\n");
}

TEST_F(Pelno1DocTest, PagesOtherThanTwoToneOrTrueColourAreRefused)
{
    const std::string grey = dir.file("grey.tif");
    ASSERT_TRUE(runOk("pgmramp -lr 64 32 | pnmtotiff > " + quote(grey)));
    EXPECT_EQ(document.OnOpenDocument(grey), 0);
    EXPECT_EQ(prompts.texts, std::vector<std::string>{DocumentText::kNotTwoToneOrTrueColour});
    EXPECT_EQ(document.GetPageCount(), -1);
    EXPECT_EQ(document.GetCurrentPage(), -1);
    EXPECT_TRUE(document.GetCurrentPageDib().isNull());

    const std::string colour = dir.file("colour.tif");
    ASSERT_TRUE(runOk("ppmpat -g2 64 32 | pnmtotiff -truecolor > " + quote(colour)));
    prompts.texts.clear();
    EXPECT_EQ(document.OnOpenDocument(colour), 1);
    EXPECT_TRUE(prompts.texts.empty());
    EXPECT_TRUE(document.GetPalette().empty());  // true colour has no colour table
}

TEST_F(Pelno1DocTest, MissingAndUnreadableFiles)
{
    ASSERT_EQ(document.OnOpenDocument(faxFile("one.tif", 1)), 1);
    // A path that does not exist leaves the document empty and succeeds.
    EXPECT_EQ(document.OnOpenDocument(dir.file("gone.tif")), 1);
    EXPECT_EQ(document.GetPageCount(), -1);
    EXPECT_EQ(document.GetPathName(), "");
    EXPECT_TRUE(prompts.texts.empty());

    const std::string broken = dir.file("broken.tif");
    testsupport::writeFile(broken, "II*\0not a tiff at all");
    EXPECT_EQ(document.OnOpenDocument(broken), 0);
    ASSERT_EQ(prompts.texts.size(), 1U);
    EXPECT_FALSE(prompts.texts[0].empty());  // the image library's own text
    EXPECT_EQ(document.GetPageCount(), -1);
}

TEST_F(Pelno1DocTest, SaveWritesTheViewersPageAndClearsTheModifiedFlag)
{
    const std::string path = faxFile("two.tif", 2);
    ASSERT_EQ(document.OnOpenDocument(path), 1);
    document.SetCurrentPage(1);
    view.workPage = patternPage(1728, 1100, 7);
    document.SetModifiedFlag();

    ASSERT_TRUE(document.OnFileSave());
    EXPECT_FALSE(document.IsModified());
    EXPECT_EQ(view.resets, 1);
    EXPECT_EQ(tiffPageCount(path), 2);
    EXPECT_EQ(tiffPagesCompressedWith(path, "CCITT Group 4"), 2);  // the file's own compression
    EXPECT_EQ(pixelsOf(path, 1), pixelsOf(view.workPage, dir));
    EXPECT_EQ(pixelsOf(path), pixelsOf(patternPage(1728, 1100, 1), dir));
}

TEST_F(Pelno1DocTest, AFailedSaveLeavesTheFileAndKeepsTheDocumentModified)
{
    std::filesystem::create_directories(dir.file("locked"));
    const std::string path = faxFile("locked/one.tif", 1);
    ASSERT_EQ(document.OnOpenDocument(path), 1);
    const std::string before = md5sumOf(path);
    view.workPage = patternPage(1728, 1100, 5);
    document.SetModifiedFlag();

    testsupport::ReadOnlyDirectory locked(dir.file("locked"));
    if (!locked.held())
        GTEST_SKIP() << "the directory cannot be made read-only here";
    EXPECT_FALSE(document.OnFileSave());
    EXPECT_EQ(prompts.texts, std::vector<std::string>{DocumentText::kSaveFailedReadOnly});
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(view.resets, 1);
    EXPECT_EQ(md5sumOf(path), before);
}

TEST_F(Pelno1DocTest, TheSavePromptRunsBeforeAResetOrAnotherOpen)
{
    using Answer = DocumentPrompts::Answer;
    const std::string other = faxFile("other.tif", 1);
    struct Case {
        Answer answer;
        bool goes;        // the document was let go
        bool fileChanged; // the edit reached the file
    } cases[] = {{Answer::No, true, false}, {Answer::Cancel, false, false}, {Answer::Yes, true, true}};
    for (const Case& c : cases) {
        const std::string path = faxFile("edited.tif", 1);
        const std::string before = md5sumOf(path);
        ASSERT_EQ(document.OnOpenDocument(path), 1);
        view.workPage = patternPage(1728, 1100, 9);
        document.SetModifiedFlag();
        prompts.texts.clear();
        prompts.answers = {c.answer};

        EXPECT_EQ(document.Reset(), c.goes);
        EXPECT_EQ(prompts.texts, std::vector<std::string>{DocumentText::kSaveModified});
        EXPECT_EQ(document.GetPageCount(), c.goes ? -1 : 1);
        EXPECT_EQ(md5sumOf(path) != before, c.fileChanged);

        // Opening another file asks the same while changes are unsaved.
        if (!c.goes) {
            prompts.answers = {Answer::Cancel};
            EXPECT_EQ(document.OnOpenDocument(other), 0);
            EXPECT_EQ(document.GetPathName(), path);
            prompts.answers = {Answer::No};
            EXPECT_EQ(document.OnOpenDocument(other), 1);
            EXPECT_EQ(document.GetPathName(), other);
        }
    }
}

TEST_F(Pelno1DocTest, YesToTheSavePromptKeepsTheDocumentWhenTheSaveFails)
{
    std::filesystem::create_directories(dir.file("locked"));
    const std::string path = faxFile("locked/one.tif", 1);
    ASSERT_EQ(document.OnOpenDocument(path), 1);
    view.workPage = patternPage(1728, 1100, 3);
    document.SetModifiedFlag();
    testsupport::ReadOnlyDirectory locked(dir.file("locked"));
    if (!locked.held())
        GTEST_SKIP() << "the directory cannot be made read-only here";
    prompts.answers = {DocumentPrompts::Answer::Yes};
    EXPECT_FALSE(document.Reset());
    EXPECT_EQ(prompts.texts, (std::vector<std::string>{DocumentText::kSaveModified, DocumentText::kSaveFailed}));
    EXPECT_EQ(document.GetPageCount(), 1);
    EXPECT_TRUE(document.IsModified());
}

TEST_F(Pelno1DocTest, ANullPageIsNeverStored)
{
    ASSERT_EQ(document.OnOpenDocument(faxFile("one.tif", 1)), 1);
    document.ReplacePageDib(ImageHandle());
    EXPECT_FALSE(document.GetCurrentPageDib().isNull());
    // A viewer without a page leaves the document's page for the save.
    view.workPage.reset();
    document.SetModifiedFlag();
    EXPECT_TRUE(document.OnFileSave());
    EXPECT_EQ(pixelsOf(document.GetPathName()), pixelsOf(patternPage(1728, 1100, 1), dir));
}

TEST_F(Pelno1DocTest, SaveAsRecordsAndNames)
{
    struct Case {
        int filterIndex;
        const char* extension;
        uint16_t format;
        uint32_t encodeOption;
        uint8_t quality;
    } cases[] = {{0, "BMP", 1, 0, 0},  {1, "GIF", 2, 0, 0},  {2, "JPG", 3, 0, 55},     {3, "PNG", 4, 0, 0},
                 {4, "ICO", 5, 0, 0},  {5, "TIF", 6, 0x8005, 0}, {6, "TGA", 7, 0, 0}, {7, "PCX", 8, 0, 0},
                 {8, "JP2", 11, 0, 55}, {9, "PNM", 15, 0, 0}, {10, "RAS", 16, 0, 0}};
    ASSERT_EQ(SaveAsTypes().size(), std::size(cases));
    for (const Case& c : cases) {
        const SaveAsType& type = SaveAsTypes()[static_cast<std::size_t>(c.filterIndex)];
        EXPECT_STREQ(type.extension, c.extension);
        const ImgFileInfo record = SaveAsRecord(type, 3);
        EXPECT_EQ(record.format, c.format) << c.extension;
        EXPECT_EQ(record.encodeOption, c.encodeOption) << c.extension;
        EXPECT_EQ(record.quality, c.quality) << c.extension;
        EXPECT_EQ(record.pages, 3);
    }
    EXPECT_EQ(WithExtension("/d/out", "TIF"), "/d/out.TIF");
    EXPECT_EQ(WithExtension("/d/out.tif", "TIF"), "/d/out.tif");
    EXPECT_EQ(WithExtension("/d/out.Tif", "TIF"), "/d/out.Tif");
    EXPECT_EQ(WithExtension("/d/out.tif.bak", "TIF"), "/d/out.tif.bak.TIF");
    EXPECT_EQ(WithExtension("/d/outTIF", "TIF"), "/d/outTIF.TIF");
}

TEST_F(Pelno1DocTest, SaveAsOnePageWritesTheChosenTypeAndReportsFailures)
{
    ASSERT_EQ(document.OnOpenDocument(faxFile("one.tif", 1)), 1);
    prompts.paths.push_back(DocumentPrompts::SavePath{dir.file("copy"), 0});
    ASSERT_TRUE(document.OnFileSaveAs());
    EXPECT_EQ(run("identify -format %m " + quote(dir.file("copy.BMP"))).output.substr(0, 3), "BMP");  // BMP3
    EXPECT_EQ(pixelsOf(dir.file("copy.BMP")), pixelsOf(patternPage(1728, 1100, 1), dir));
    // A name that ends with the extension in another case is kept.
    prompts.paths.push_back(DocumentPrompts::SavePath{dir.file("copy.png"), 3});
    ASSERT_TRUE(document.OnFileSaveAs());
    EXPECT_EQ(run("identify -format %m " + quote(dir.file("copy.png"))).output, "PNG");

    prompts.paths.push_back(DocumentPrompts::SavePath{dir.file("copy.TIF"), 5});
    ASSERT_TRUE(document.OnFileSaveAs());
    EXPECT_EQ(tiffPagesCompressedWith(dir.file("copy.TIF"), "PackBits"), 1);

    // Cancelled: nothing; a directory that does not exist: the library's text.
    EXPECT_FALSE(document.OnFileSaveAs());
    prompts.paths.push_back(DocumentPrompts::SavePath{dir.file("no/such/dir/x"), 5});
    prompts.texts.clear();
    EXPECT_FALSE(document.OnFileSaveAs());
    ASSERT_EQ(prompts.texts.size(), 1U);
    EXPECT_FALSE(prompts.texts[0].empty());
}

} // namespace
