// The page editor in a real window (a plain main window with the editor's
// toolbar, as the compose window will host it) over TIFF files that netpbm
// and tiffcp made: a rubber band and a right press crop the page, which
// saved equals ImageMagick's crop of the original; zoom steps and limits;
// paging and the commands' enabling; the pop-up; a three-page file cut and
// saved from the toolbar; a view not laid out; undo after a page change;
// the save command's and the question's refusals through the prompter.

#include "compose/qt/FaxView.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include <filesystem>

#include "compose/qt/EditorCursors.h"
#include "compose/qt/tests/EditorWindow.h"
#include "compose/tests/PageFileFixtures.h"
#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "faxbox/DocumentTexts.h"

using testsupport::md5sumOf;
using testsupport::quote;
using testsupport::runOk;
namespace C = FaxViewCommand;

namespace {

class FaxViewTest : public ::testing::Test {
protected:
    FaxViewTest()
    {
        QtTest::EnsureApplication();
        window.resize(1200, 1150);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void load(const std::string& path)
    {
        ASSERT_FALSE(path.empty());
        ASSERT_EQ(view->LoadFile(QString::fromStdString(path)), 1) << script.texts.join("|").toStdString();
    }

    void trigger(int id) { view->CommandAction(id)->trigger(); }

    // A click on the command's toolbar button.
    void click(int id)
    {
        QWidget* button = window.ButtonFor(id);
        ASSERT_NE(button, nullptr) << id;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // A rubber band on the viewport from `from` to `to`.
    void drawCropRectangle(QPoint from, QPoint to)
    {
        QWidget* port = view->viewport();
        QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(port, (from + to) / 2);
        QTest::mouseMove(port, to);
        QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, to);
    }

    testsupport::TempDir dir;
    ScriptedPrompter::Script script;
    ScopedPrompter scoped{script};
    EditorWindow window;
    CFaxView* view = window.view;
};

TEST_F(FaxViewTest, ARubberBandAndARightPressCropThePageAsImageMagickDoes)
{
    struct Case {
        int32_t height;
        QSize content;           // at zoom 1.0
        const char* cut;         // the saved page
        const char* convertCrop; // the same cut by ImageMagick
    } cases[] = {
        {1100, {1728, 2200}, "800x400", "800x400+100+100"},
        {2200, {1728, 2200}, "800x800", "800x800+100+200"},
    };
    for (const Case& c : cases) {
        const std::string name = "page-" + std::to_string(c.height);
        const std::string path = pagefiles::g4File(dir, name + ".tif", 1, 1728, c.height);
        const std::string original = dir.file(name + "-original.tif");
        std::filesystem::copy_file(path, original);
        load(path);
        trigger(C::ActualSize);
        EXPECT_EQ(view->Zoom(), 1.0);
        EXPECT_EQ(view->ContentSize(), c.content);

        trigger(C::Crop);
        ASSERT_TRUE(view->IsCropMode());
        EXPECT_TRUE(view->CommandAction(C::Crop)->isChecked());
        EXPECT_FALSE(view->IsHandMode());
        drawCropRectangle(QPoint(100, 200), QPoint(900, 1000));
        EXPECT_EQ(view->CropTracker(), QRect(100, 200, 800, 800));
        EXPECT_EQ(view->Editor().CropRect(), (PageRect{100, 200, 800, 800}));
        if (c.height == 1100) {
            view->viewport()->repaint();
            QtTest::SaveScreenshot(window, QStringLiteral("editor-crop-tracker"));
            // The dotted border and a handle outside the rectangle's corner.
            const QImage shot = view->viewport()->grab().toImage();
            EXPECT_EQ(shot.pixel(95, 195), qRgb(0, 0, 0));
        }

        // A right press inside cuts; its release opens no pop-up.
        QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(500, 600));
        EXPECT_FALSE(view->IsCropMode());
        EXPECT_FALSE(view->CommandAction(C::Crop)->isChecked());
        EXPECT_TRUE(view->CropTracker().isEmpty());
        QtTest::ProcessEventsFor(50);
        EXPECT_FALSE(view->PopupMenu()->isVisible());
        EXPECT_TRUE(view->IsModified());
        if (c.height == 1100)
            QtTest::SaveScreenshot(window, QStringLiteral("editor-cropped"));

        trigger(C::Save);
        EXPECT_FALSE(view->IsModified());
        EXPECT_EQ(pagefiles::pageSize(path), c.cut);
        const std::string expected = dir.file(name + "-expected.tif");
        ASSERT_TRUE(runOk("convert " + quote(original) + " -crop " + c.convertCrop + " +repage " + quote(expected)));
        EXPECT_EQ(pagefiles::differingPixels(path, 0, expected, 0), 0) << c.height;
        EXPECT_EQ(faxfixtures::tiffPagesCompressedWith(path, "CCITT Group 4"), 1) << c.height;
        EXPECT_TRUE(script.texts.isEmpty()) << script.texts.join("|").toStdString();
    }
}

TEST_F(FaxViewTest, AMultiPageFileSavedFromTheToolbarKeepsItsCompressionAndItsOtherPages)
{
    const std::string path = pagefiles::packBitsFile(dir, "three.tif", 3);
    const std::string original = dir.file("three-original.tif");
    std::filesystem::copy_file(path, original);
    load(path);
    click(C::NextPage);
    click(C::ActualSize);
    click(C::Crop);
    // (QTest takes the point (0, 0) for the widget's middle.)
    drawCropRectangle(QPoint(10, 10), QPoint(1010, 1010));
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(500, 500));
    EXPECT_EQ(view->GetCurrentPage(), 1);
    EXPECT_EQ(view->GetWorkPage().width(), 1000);
    click(C::Save);
    EXPECT_FALSE(view->IsModified());
    EXPECT_EQ(faxfixtures::tiffPageCount(path), 3);
    EXPECT_EQ(faxfixtures::tiffPagesCompressedWith(path, "PackBits"), 3);
    EXPECT_EQ(pagefiles::pageSize(path, 1), "1000x500");
    for (int page : {0, 2})
        EXPECT_EQ(pagefiles::differingPixels(path, page, original, page), 0) << page;
}

TEST_F(FaxViewTest, TheTrackerMovesAndFollowsTheZoom)
{
    load(pagefiles::g4File(dir, "one.tif", 1));
    trigger(C::ActualSize);
    trigger(C::Crop);
    drawCropRectangle(QPoint(100, 200), QPoint(300, 400));
    // Dragged from inside: moved by (50, 20).
    drawCropRectangle(QPoint(150, 250), QPoint(200, 270));
    EXPECT_EQ(view->Editor().CropRect(), (PageRect{150, 220, 200, 200}));
    trigger(C::ZoomIn);
    EXPECT_EQ(view->CropTracker(), QRect(225, 330, 300, 300));
    // Undo empties the rectangle and keeps the tool.
    trigger(C::Undo);
    EXPECT_TRUE(view->IsCropMode());
    EXPECT_TRUE(view->CropTracker().isEmpty());
}

TEST_F(FaxViewTest, APendingStampIsDrawnWithItsTrackerAndUndoEndsIt)
{
    load(pagefiles::g4File(dir, "one.tif", 1));
    trigger(C::ActualSize);
    PageStamp& stamp = view->Editor().Stamp();
    // Over a white part of the page.
    stamp.rect = {600, 800, 100, 50};
    stamp.pending = true;
    EXPECT_TRUE(view->StampTracker().isEmpty());  // not drawn yet
    stamp.drawn = true;
    trigger(C::ZoomOut);
    EXPECT_EQ(view->StampTracker(), QRect(400, 533, 66, 33));
    trigger(C::ActualSize);
    EXPECT_EQ(view->StampTracker(), QRect(600, 800, 100, 50));
    EXPECT_FALSE(view->CommandAction(C::Crop)->isEnabled());
    view->viewport()->repaint();
    const QImage shot = view->viewport()->grab().toImage();
    EXPECT_EQ(shot.pixel(595, 795), qRgb(0, 0, 0));        // the top-left handle
    EXPECT_EQ(shot.pixel(650, 795), qRgb(0, 0, 0));        // the top side's handle
    EXPECT_EQ(shot.pixel(620, 795), qRgb(255, 255, 255));  // between them
    EXPECT_EQ(shot.pixel(650, 825), qRgb(255, 255, 255));  // inside
    QtTest::SaveScreenshot(window, QStringLiteral("editor-stamp-tracker"));
    trigger(C::Undo);
    EXPECT_TRUE(view->StampTracker().isEmpty());
    EXPECT_TRUE(view->CommandAction(C::Crop)->isEnabled());
}

TEST_F(FaxViewTest, NineStepsEachWayReachTheLimitsAndAPageChangeFitsTheWidth)
{
    load(pagefiles::g4File(dir, "two.tif", 2));
    QCoreApplication::processEvents();  // the scroll bars settle: the width is the one beside them
    EXPECT_DOUBLE_EQ(view->Zoom(), static_cast<double>(view->viewport()->width()) / 1728);
    trigger(C::ActualSize);
    EXPECT_FALSE(view->CommandAction(C::ActualSize)->isEnabled());
    for (int i = 0; i < 9; ++i)
        trigger(C::ZoomIn);
    EXPECT_DOUBLE_EQ(view->Zoom(), 38.443359375);
    EXPECT_FALSE(view->CommandAction(C::ZoomIn)->isEnabled());
    view->OnCommand(C::ZoomIn);
    EXPECT_DOUBLE_EQ(view->Zoom(), 38.443359375);
    QtTest::SaveScreenshot(window, QStringLiteral("editor-zoom-max"));

    trigger(C::ActualSize);
    for (int i = 0; i < 9; ++i)
        trigger(C::ZoomOut);
    EXPECT_NEAR(view->Zoom(), 0.026012294, 1e-9);
    EXPECT_FALSE(view->CommandAction(C::ZoomOut)->isEnabled());
    view->OnCommand(C::ZoomOut);
    EXPECT_NEAR(view->Zoom(), 0.026012294, 1e-9);

    trigger(C::NextPage);
    EXPECT_EQ(view->GetCurrentPage(), 1);
    QCoreApplication::processEvents();
    EXPECT_DOUBLE_EQ(view->Zoom(), static_cast<double>(view->viewport()->width()) / 1728);
    EXPECT_EQ(view->PagePosition(), QStringLiteral("2 - 2"));
}

TEST_F(FaxViewTest, AViewNotLaidOutKeepsZoomOne)
{
    // A child squeezed to no width in a shown window.
    QWidget holder;
    auto* squeezed = new CFaxView(&holder);
    holder.resize(300, 300);
    holder.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&holder));
    squeezed->setGeometry(0, 0, 0, 300);
    QCoreApplication::processEvents();
    ASSERT_EQ(squeezed->viewport()->width(), 0);
    ASSERT_EQ(squeezed->LoadFile(QString::fromStdString(pagefiles::g4File(dir, "one.tif", 1))), 1);
    EXPECT_EQ(squeezed->Zoom(), 1.0);
    EXPECT_EQ(squeezed->ContentSize(), QSize(1728, 2200));
}

TEST_F(FaxViewTest, CommandsAreEnabledAsThePageAndToolsSayAndRotationNever)
{
    const QStringList order = {"上一页",   "下一页",   "图像放大", "图像缩小", "原图大小", "向左旋转",
                               "向右旋转", "剪切图像", "撤销操作", "电子盖章", "文字批注", "保存"};
    QStringList texts;
    for (QAction* action : view->ToolbarActions())
        texts << action->text();
    EXPECT_EQ(texts, order);
    EXPECT_TRUE(view->IsHandMode());  // as first shown

    auto enabled = [&](int id) { return view->CommandAction(id)->isEnabled(); };
    auto expectNeverEnabled = [&](const char* state) {
        for (int id : {C::RotateLeft, C::RotateRight})
            EXPECT_FALSE(enabled(id)) << state << " " << id;
    };
    auto expectAnnotations = [&](bool on, const char* state) {
        for (int id : {C::Seal, C::TextNote})
            EXPECT_EQ(enabled(id), on) << state << " " << id;
    };
    expectNeverEnabled("empty");
    expectAnnotations(false, "empty");
    EXPECT_FALSE(enabled(C::Crop));

    load(pagefiles::g4File(dir, "three.tif", 3));
    EXPECT_FALSE(view->IsHandMode());
    EXPECT_FALSE(enabled(C::PreviousPage));
    EXPECT_FALSE(enabled(C::FirstPage));
    EXPECT_TRUE(enabled(C::NextPage));
    EXPECT_TRUE(enabled(C::Crop));
    expectNeverEnabled("page 0");
    expectAnnotations(true, "page 0");
    trigger(C::Crop);
    expectNeverEnabled("crop on");
    expectAnnotations(false, "crop on");
    trigger(C::Crop);

    trigger(C::NextPage);
    EXPECT_TRUE(enabled(C::PreviousPage));
    EXPECT_TRUE(enabled(C::LastPage));
    view->PopupMenu()->actions().at(1)->trigger();  // "最后一页"
    EXPECT_EQ(view->GetCurrentPage(), 2);
    EXPECT_FALSE(enabled(C::NextPage));
    EXPECT_FALSE(enabled(C::LastPage));
    EXPECT_TRUE(enabled(C::FirstPage));
    expectNeverEnabled("last page");

    // The pop-up on a right-button release, its first command the default.
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(300, 300));
    QMenu* menu = view->PopupMenu();
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return menu->isVisible(); }));
    EXPECT_EQ(menu->title(), QStringLiteral("__FAXVIEWPOP_"));
    EXPECT_EQ(menu->defaultAction()->text(), QStringLiteral("起始一页"));
    QtTest::SaveScreenshot(*menu, QStringLiteral("editor-popup"));
    menu->close();
    view->OnCommand(C::PageEnd);
    EXPECT_EQ(view->ScrollPosition(), QPoint(view->horizontalScrollBar()->maximum(), view->verticalScrollBar()->maximum()));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Home);
    EXPECT_EQ(view->ScrollPosition(), QPoint(0, 0));
    view->PopupMenu()->actions().at(0)->trigger();  // "起始一页"
    EXPECT_EQ(view->GetCurrentPage(), 0);

    view->ResetPages();
    EXPECT_EQ(view->GetPageCount(), -1);
    EXPECT_EQ(view->PagePosition(), QStringLiteral("0 - 0"));
    expectNeverEnabled("reset");
}

TEST_F(FaxViewTest, ACropKeptByAPageChangeStillAsksAfterUndo)
{
    const std::string path = pagefiles::g4File(dir, "two.tif", 2);
    const std::string before = md5sumOf(path);
    load(path);
    trigger(C::ActualSize);
    trigger(C::Crop);
    drawCropRectangle(QPoint(10, 10), QPoint(400, 400));
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
    EXPECT_EQ(view->GetWorkPage().width(), 390);
    trigger(C::NextPage);
    trigger(C::Undo);
    EXPECT_TRUE(view->IsModified());

    script.threeWayAnswers = {PromptAnswer::Cancel};
    EXPECT_EQ(view->SaveIfModified(), 0);
    EXPECT_EQ(script.texts, QStringList{QString::fromUtf8(DocumentText::kSaveModified)});
    EXPECT_EQ(md5sumOf(path), before);
}

TEST_F(FaxViewTest, RefusalsAndFailuresReachThePrompter)
{
    const QString tooMany = QString::fromUtf8(DocumentText::kTooManyPages);
    const std::string path = pagefiles::longFile(dir, "long.tif", 120);
    const std::string before = md5sumOf(path);
    load(path);
    EXPECT_EQ(view->GetPageCount(), 100);
    trigger(C::Crop);  // marks the pages modified
    trigger(C::Save);
    EXPECT_EQ(script.texts, QStringList{tooMany});
    EXPECT_TRUE(view->IsModified());
    script.texts.clear();
    script.threeWayAnswers = {PromptAnswer::Yes};
    EXPECT_EQ(view->SaveIfModified(), 0);
    EXPECT_EQ(script.texts, (QStringList{QString::fromUtf8(DocumentText::kSaveModified), tooMany}));
    EXPECT_EQ(md5sumOf(path), before);

    script.texts.clear();
    script.threeWayAnswers = {PromptAnswer::No};
    EXPECT_EQ(view->LoadFile(QString::fromStdString(pagefiles::fileWithGreyPage(dir, "grey.tif", 2, 1))), 0);
    EXPECT_EQ(script.texts, (QStringList{QString::fromUtf8(DocumentText::kSaveModified),
                                         QString::fromUtf8(DocumentText::kNotTwoToneOrTrueColour)}));
    EXPECT_EQ(view->GetPageCount(), -1);
    EXPECT_TRUE(view->GetWorkPage().isNull());

    std::filesystem::create_directories(dir.file("locked"));
    load(pagefiles::g4File(dir, "locked/one.tif", 1));
    testsupport::ReadOnlyDirectory locked(dir.file("locked"));
    if (!locked.held())
        GTEST_SKIP() << "the directory cannot be made read-only here";
    script.texts.clear();
    trigger(C::Crop);
    trigger(C::Save);
    EXPECT_EQ(script.texts, QStringList{QString::fromUtf8(FaxViewText::kSaveFailedReadOnly)});
    EXPECT_TRUE(view->IsModified());
}

TEST(EditorCursorsTest, EachCursorIsDrawnInBlackOnWhiteAroundItsHotSpot)
{
    QtTest::EnsureApplication();
    QWidget strip;
    strip.setAccessibleName(QStringLiteral("cursors"));
    auto* layout = new QHBoxLayout(&strip);
    const std::pair<const char*, QCursor> cursors[] = {
        {"crop", CropCursor()}, {"hand", HandCursor()}, {"text", TextCursor()}};
    for (const auto& [name, cursor] : cursors) {
        const QImage image = cursor.pixmap().toImage();
        ASSERT_EQ(image.size(), QSize(32, 32)) << name;
        EXPECT_TRUE(QRect(0, 0, 32, 32).contains(cursor.hotSpot())) << name;
        int black = 0;
        int white = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QRgb pixel = image.pixel(x, y);
                black += pixel == qRgb(0, 0, 0);
                white += pixel == qRgb(255, 255, 255);
            }
        EXPECT_GT(black, 20) << name;
        EXPECT_GT(white, 20) << name;
        EXPECT_EQ(qAlpha(image.pixel(0, 31)), 0) << name;  // a corner stays clear
        auto* label = new QLabel(&strip);
        label->setPixmap(cursor.pixmap().scaled(96, 96));
        label->setAccessibleName(QString::fromUtf8(name));
        layout->addWidget(label);
    }
    strip.setStyleSheet(QStringLiteral("background: #808080"));
    strip.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&strip));
    QtTest::SaveScreenshot(strip, QStringLiteral("editor-cursors"));
}

} // namespace
