// The page viewer in a real 800 x 600 window over a document of TIFF pages
// that netpbm and tiffcp made: fit to width, the viewport at zoom 1.0 pixel
// for pixel against ImageMagick's "-sample 100%x200%" (also scrolled), the
// zoom limits, paging, dragging and keys, two right turns saved against
// "convert -rotate 180", and printing to PDF at true size checked with
// pdfinfo, pdfimages and pdftoppm.

#include "faxbox/qt/FaxContentView.h"

#include <QAction>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "faxbox/FaxContentCommands.h"
#include "faxbox/qt/DocumentPrompter.h"
#include "faxbox/tests/FaxPageFixtures.h"

using faxfixtures::patternPage;
using faxfixtures::writeFaxTiff;
using testsupport::quote;
using testsupport::run;
using testsupport::runOk;
namespace C = FaxContentCommand;

namespace {

// ImageMagick's count of differing pixels between two pictures, as grey.
long differingPixels(const std::string& a, const std::string& b, const std::string& fuzz = "0%")
{
    const auto result =
        run("compare -fuzz " + fuzz + " -metric AE " + quote(a) + " " + quote(b) + " null: 2>&1");
    return result.output.empty() ? -1 : std::stol(result.output);
}

class FaxContentViewTest : public ::testing::Test {
protected:
    FaxContentViewTest()
    {
        QtTest::EnsureApplication();
        document.SetPrompts(&prompts);
        window.setWindowTitle(QStringLiteral("ZUVO"));
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        view = new CFaxContentView(document, &window);
        layout->addWidget(view);
        window.resize(800, 600);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // A fax file of `count` pattern pages of 1728 x 1100 at 200 x 100 dpi.
    std::string faxFile(int count)
    {
        pages.clear();
        for (int i = 0; i < count; ++i)
            pages.push_back(patternPage(1728, 1100, i + 1));
        std::vector<const ImageHandle*> pointers;
        for (const ImageHandle& page : pages)
            pointers.push_back(&page);
        const std::string path = dir.file("fax.tif");
        EXPECT_TRUE(writeFaxTiff(pointers, path, 200, 100, dir));
        return path;
    }

    void open(int count) { ASSERT_EQ(document.OnOpenDocument(faxFile(count)), 1); }

    // The viewport as drawn, in grey, beside ImageMagick's view of the same
    // part of the page at twice its height.
    long viewportAgainstOracle(const std::string& name)
    {
        const QImage shot = view->viewport()->grab().toImage();
        const std::string drawn = dir.file(name + ".png");
        shot.save(QString::fromStdString(drawn));
        QtTest::SaveScreenshot(window, QString::fromStdString(name));
        const QPoint at = view->ScrollPosition();
        std::ostringstream crop;
        crop << shot.width() << "x" << shot.height() << "+" << at.x() << "+" << at.y();
        const std::string expected = dir.file(name + "-expected.png");
        EXPECT_TRUE(runOk("convert " + quote(dir.file("fax.tif[" + std::to_string(document.GetCurrentPage()) + "]")) +
                          " -sample 100%x200% -crop " + crop.str() + " +repage -colorspace gray " + quote(expected)));
        const std::string drawnGrey = dir.file(name + "-grey.png");
        EXPECT_TRUE(runOk("convert " + quote(drawn) + " -colorspace gray " + quote(drawnGrey)));
        return differingPixels(drawnGrey, expected);
    }

    testsupport::TempDir dir;
    ScriptedPrompter::Script script;
    ScopedPrompter scoped{script};
    PrompterDocumentPrompts prompts;
    CPelno1Doc document;
    std::vector<ImageHandle> pages;
    QWidget window;
    CFaxContentView* view = nullptr;
};

TEST_F(FaxContentViewTest, ShowsThePageFittedToTheWidthAndPixelForPixelAtZoomOne)
{
    open(1);
    EXPECT_DOUBLE_EQ(view->Zoom(), static_cast<double>(view->viewport()->width()) / 1728);
    EXPECT_EQ(view->PagePosition(), QStringLiteral("1 - 1"));
    EXPECT_TRUE(view->IsHandMode());
    QtTest::SaveScreenshot(window, QStringLiteral("viewer-fit-to-width"));

    view->OnCommand(C::ActualSize);
    EXPECT_EQ(view->Zoom(), 1.0);
    EXPECT_EQ(view->ContentSize(), QSize(1728, 2200));
    EXPECT_EQ(view->verticalScrollBar()->maximum(), 2200 - view->viewport()->height());
    EXPECT_EQ(viewportAgainstOracle("viewer-zoom-1"), 0);

    // Scrolled into the page: only the exposed part is drawn, and right.
    view->ScrollTo(QPoint(333, 1001));
    QCoreApplication::processEvents();
    EXPECT_EQ(view->ScrollPosition(), QPoint(333, 1001));
    EXPECT_EQ(viewportAgainstOracle("viewer-zoom-1-scrolled"), 0);
}

// Fitted to the width, a page taller than the view takes the room beside the
// vertical scroll bar, so it never needs a horizontal one: whether both bars
// showed before (zoom 1) or neither did (zoomed out to a small page).
TEST_F(FaxContentViewTest, FittedToTheWidthATallPageNeedsNoHorizontalScrollBar)
{
    open(1);
    struct Case {
        const char* name;
        std::function<void()> before;
        bool barsBefore;
    };
    const Case cases[] = {
        {"from zoom 1", [&] { view->OnCommand(C::ActualSize); }, true},
        {"from zoomed out", [&] { while (view->ZoomOut()) {} }, false},
    };
    for (const Case& c : cases) {
        c.before();
        QCoreApplication::processEvents();
        ASSERT_EQ(view->verticalScrollBar()->isVisible(), c.barsBefore) << c.name;
        view->FitToWidth();
        QCoreApplication::processEvents();
        EXPECT_TRUE(view->verticalScrollBar()->isVisible()) << c.name;
        EXPECT_FALSE(view->horizontalScrollBar()->isVisible()) << c.name;
        EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0) << c.name;
        EXPECT_LE(view->ContentSize().width(), view->viewport()->width()) << c.name;
        EXPECT_GE(view->ContentSize().width(), view->viewport()->width() - 1) << c.name;
        QtTest::SaveScreenshot(window, QStringLiteral("viewer-fit-to-width-") + QString::fromLatin1(c.name).replace(' ', '-'));
    }
}

TEST_F(FaxContentViewTest, GreyFillsAllOutsideThePage)
{
    open(1);
    view->SetZoom(0.2);  // 345 x 440: grey right of and below the page
    const QImage shot = view->viewport()->grab().toImage();
    QtTest::SaveScreenshot(window, QStringLiteral("viewer-small-page"));
    const QRgb grey = CPageView::kOutsideGrey;
    EXPECT_EQ(shot.pixel(shot.width() - 1, 0), grey);
    EXPECT_EQ(shot.pixel(0, shot.height() - 1), grey);
    EXPECT_EQ(shot.pixel(shot.width() - 1, shot.height() - 1), grey);
    EXPECT_EQ(shot.pixel(346, 100), grey);
    EXPECT_EQ(shot.pixel(100, 441), grey);
    EXPECT_NE(shot.pixel(300, 10), grey);  // the page itself
}

TEST_F(FaxContentViewTest, ZoomStopsAtItsLimitsAndDisablesTheCommand)
{
    open(1);
    view->OnCommand(C::ActualSize);
    for (int i = 0; i < 16; ++i)
        view->OnCommand(C::ZoomIn);
    EXPECT_NEAR(view->Zoom(), 35.527136788, 1e-8);
    EXPECT_FALSE(view->IsCommandEnabled(C::ZoomIn));
    EXPECT_FALSE(view->CommandAction(C::ZoomIn)->isEnabled());
    view->OnCommand(C::ZoomIn);
    EXPECT_NEAR(view->Zoom(), 35.527136788, 1e-8);
    EXPECT_EQ(view->ContentSize(), QSize(61390, 78159));
    // Deep inside the huge page the view still draws its piece.
    view->ScrollTo(QPoint(30000, 40000));
    QtTest::SaveScreenshot(window, QStringLiteral("viewer-zoom-max"));

    view->OnCommand(C::ActualSize);
    for (int i = 0; i < 16; ++i)
        view->OnCommand(C::ZoomOut);
    EXPECT_NEAR(view->Zoom(), 0.028147497671, 1e-11);
    EXPECT_FALSE(view->CommandAction(C::ZoomOut)->isEnabled());
    view->OnCommand(C::ZoomOut);
    EXPECT_NEAR(view->Zoom(), 0.028147497671, 1e-11);
    QtTest::SaveScreenshot(window, QStringLiteral("viewer-zoom-min"));
}

TEST_F(FaxContentViewTest, PagingGivesTheRotatedPageBackAndShowsTheNextFitted)
{
    open(3);
    EXPECT_FALSE(view->CommandAction(C::PreviousPage)->isEnabled());
    EXPECT_FALSE(view->CommandAction(C::FirstPage)->isEnabled());
    view->OnCommand(C::RotateRight);
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(view->GetWorkPage().width(), 1100);  // turned; the base page is the one before
    EXPECT_EQ(view->GetBasePage().width(), 1728);
    view->OnCommand(C::ZoomIn);

    view->OnCommand(C::NextPage);
    EXPECT_EQ(document.GetCurrentPage(), 1);
    EXPECT_EQ(document.GetPageDib(0).width(), 1100);  // the turned page reached the document
    EXPECT_DOUBLE_EQ(view->Zoom(), static_cast<double>(view->viewport()->width()) / 1728);
    EXPECT_EQ(view->PagePosition(), QStringLiteral("2 - 3"));

    view->OnCommand(C::LastPage);
    EXPECT_EQ(document.GetCurrentPage(), 2);
    EXPECT_FALSE(view->CommandAction(C::NextPage)->isEnabled());
    EXPECT_TRUE(view->CommandAction(C::LastPage)->isEnabled());  // shows the last page again
    view->OnCommand(C::ZoomIn);
    view->OnCommand(C::LastPage);
    EXPECT_EQ(document.GetCurrentPage(), 2);
    EXPECT_DOUBLE_EQ(view->Zoom(), static_cast<double>(view->viewport()->width()) / 1728);
    view->OnCommand(C::FirstPage);
    EXPECT_EQ(document.GetCurrentPage(), 0);
    view->GoToPage(3);  // beyond the last page: refused
    EXPECT_EQ(document.GetCurrentPage(), 0);
}

TEST_F(FaxContentViewTest, TwoRightTurnsSavedEqualTheFileTurnedByImageMagick)
{
    open(1);
    const std::string original = dir.file("original.tif");
    ASSERT_TRUE(runOk("cp " + quote(dir.file("fax.tif")) + " " + quote(original)));
    view->OnCommand(C::RotateRight);
    view->OnCommand(C::RotateRight);
    QtTest::SaveScreenshot(window, QStringLiteral("viewer-turned-180"));
    ASSERT_TRUE(document.OnFileSave());
    EXPECT_FALSE(document.IsModified());
    EXPECT_FALSE(view->IsHandMode());  // tools reset after the save
    const std::string turned = dir.file("turned.png");
    ASSERT_TRUE(runOk("convert " + quote(original) + " -rotate 180 " + quote(turned)));
    EXPECT_EQ(differingPixels(dir.file("fax.tif"), turned), 0);
    EXPECT_EQ(run("tiffinfo " + quote(dir.file("fax.tif")) + " | grep -c 'Resolution: 200, 100'").output, "1\n");
}

TEST_F(FaxContentViewTest, HandDragKeysAndThePopUp)
{
    open(1);
    view->OnCommand(C::ActualSize);
    view->ScrollTo(QPoint(500, 500));
    QWidget* port = view->viewport();
    QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    EXPECT_TRUE(view->IsDragging());
    QTest::mouseMove(port, QPoint(300, 150));
    QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, QPoint(300, 150));
    EXPECT_FALSE(view->IsDragging());
    EXPECT_EQ(view->ScrollPosition(), QPoint(600, 650));  // the page followed the pointer

    view->setFocus();
    QTest::keyClick(view, Qt::Key_Home);
    EXPECT_EQ(view->ScrollPosition(), QPoint(0, 0));
    QTest::keyClick(view, Qt::Key_PageDown);
    EXPECT_EQ(view->ScrollPosition().y(), view->viewport()->height());
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(view->ScrollPosition().y(), view->viewport()->height() + view->viewport()->height() / 10);
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(view->ScrollPosition(), QPoint(view->horizontalScrollBar()->maximum(), 2200 - port->height()));
    view->OnCommand(C::PageTop);
    EXPECT_EQ(view->ScrollPosition(), QPoint(0, 0));

    // Right-button release: the pop-up with its first command as the default.
    QTest::mouseRelease(port, Qt::RightButton, Qt::NoModifier, QPoint(200, 200));
    QMenu* menu = view->PopupMenu();
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return menu->isVisible(); }));
    EXPECT_EQ(menu->title(), QStringLiteral("__FAXCONTENTVIEWPOP_"));
    EXPECT_EQ(menu->defaultAction()->text(), QStringLiteral("图像放大"));
    EXPECT_FALSE(view->CommandAction(C::ActualSize)->isEnabled());
    QtTest::SaveScreenshot(*menu, QStringLiteral("viewer-popup"));
    menu->close();

    // After a save the hand is off: a press drags nothing.
    view->ResetTools();
    QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    EXPECT_FALSE(view->IsDragging());
    QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
}

TEST_F(FaxContentViewTest, PrintsEveryPageAtItsTrueSizeToPdf)
{
    open(3);
    view->OnCommand(C::RotateRight);  // the working copy is not what is printed
    const std::string pdf = dir.file("fax.pdf");
    script.dialogs.push_back([&](QDialog& dialog) {
        QPrinter* printer = static_cast<QPrintDialog&>(dialog).printer();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(pdf));
        printer->setResolution(600);
        printer->setFullPage(true);
        printer->setPageSize(QPageSize(QSizeF(9.0, 11.5), QPageSize::Inch));
        return QDialog::Accepted;
    });
    ASSERT_TRUE(view->OnFilePrint());
    EXPECT_EQ(script.dialogTitles.size(), 1U);

    EXPECT_EQ(run("pdfinfo " + quote(pdf) + " | grep '^Pages:' | tr -s ' '").output, "Pages: 3\n");
    // page num type width height color comp bpc enc interp object ID x-ppi y-ppi ...
    const std::string images =
        run("pdfimages -list " + quote(pdf) + " | awk 'NR > 2 { print $1, $4, $5, $13, $14 }'").output;
    EXPECT_EQ(images, "1 1728 1100 200 100\n2 1728 1100 200 100\n3 1728 1100 200 100\n");

    const std::string rendered = dir.file("page1");
    ASSERT_TRUE(runOk("pdftoppm -f 1 -l 1 -rx 200 -ry 100 -gray -png " + quote(pdf) + " " + quote(rendered)));
    const std::string cut = dir.file("page1-cut.png");
    ASSERT_TRUE(runOk("convert " + quote(rendered) + "-1.png -crop 1728x1100+0+0 +repage " + quote(cut)));
    // Poppler places some edges of the marks one pixel over when it scales
    // the image back: a few edges' worth of the page may differ.
    const long differing = differingPixels(cut, dir.file("fax.tif[0]"), "50%");
    EXPECT_GE(differing, 0);
    EXPECT_LT(differing, 1728 * 1100 / 1000);

    // A cancelled dialog prints nothing.
    EXPECT_FALSE(view->OnFilePrint());
}

} // namespace
