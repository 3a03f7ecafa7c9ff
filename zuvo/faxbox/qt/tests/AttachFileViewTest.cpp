// The attachments view in a real window over stored files of a folder: page
// files open in the document (a name holding ".tif" in any case, ".tiff" too), sound files reach the
// browser through their ".wav" copy (md5sum), other files as stored; the
// pop-up or the notice without a selection, save as (exact copies, failures
// told), and printing without a printer.

#include "faxbox/qt/AttachFileView.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "faxbox/AttachmentFiles.h"
#include "faxbox/qt/DocumentPrompter.h"
#include "faxbox/tests/FaxPageFixtures.h"

using faxfixtures::patternPage;
using faxfixtures::writeFaxTiff;
using testsupport::md5sumOf;

namespace {

constexpr const char* kCreateTime = "20261210093001";

class FixedFolder : public SelectedFolderSource {
public:
    std::string SelectedFolderDirectory() const override { return directory; }
    std::string directory;
};

class AttachFileViewTest : public ::testing::Test {
protected:
    AttachFileViewTest()
    {
        QtTest::EnsureApplication();
        folder.directory = dir.path();
        document.SetPrompts(&prompts);
        AttachFileViewServices services;
        services.showFaxContentView = [this] { ++viewerShown; };
        services.navigate = [this](const QString& address) { addresses.push_back(address); };
        services.postNotice = [this](const QString& text) { notices.push_back(text); };
        view = std::make_unique<CAttachFileView>(document, &folder, std::move(services));
        view->resize(300, 200);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }

    std::string stored(const std::string& file) const { return dir.file(file + "." + kCreateTime); }

    void addRow(const std::string& file, const std::string& bytes = "")
    {
        if (!bytes.empty())
            testsupport::writeFile(stored(file), bytes);
        view->SetFaxPath(file.c_str(), kCreateTime);
    }

    void click(int row)
    {
        const QRect rect = view->visualItemRect(view->topLevelItem(row));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }

    void rightClick(const QPoint& at)
    {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(view->viewport(), &event);
    }

    testsupport::TempDir dir;
    ScriptedPrompter::Script script;
    ScopedPrompter scoped{script};
    PrompterDocumentPrompts prompts;
    FixedFolder folder;
    CPelno1Doc document;
    std::unique_ptr<CAttachFileView> view;
    int viewerShown = 0;
    QStringList addresses;
    QStringList notices;
};

TEST_F(AttachFileViewTest, RowsAndColumns)
{
    EXPECT_EQ(view->headerItem()->text(0), QStringLiteral("文件名称"));
    EXPECT_EQ(view->headerItem()->text(1), QStringLiteral("CreateTime"));
    EXPECT_EQ(view->header()->sectionSize(0), 150);
    EXPECT_EQ(view->header()->sectionSize(1), 100);
    addRow("合同.tif");
    view->SetFaxPath(nullptr, kCreateTime);  // no name: no row
    addRow("voice.wav");
    EXPECT_EQ(view->ItemCount(), 2);
    EXPECT_EQ(view->topLevelItem(1)->text(0), QStringLiteral("voice.wav"));
    EXPECT_EQ(view->topLevelItem(1)->text(1), QString::fromLatin1(kCreateTime));
    EXPECT_EQ(view->StoredPath(0), std::optional<std::string>(stored("合同.tif")));
    QtTest::SaveScreenshot(*view, QStringLiteral("attachments-rows"));

    folder.directory.clear();  // no folder selected: no stored file
    EXPECT_FALSE(view->StoredPath(0));
}

TEST_F(AttachFileViewTest, AClickOpensPageFilesInTheViewerAndOthersInTheBrowser)
{
    testsupport::TempDir scratch;
    const ImageHandle page = patternPage(200, 100);
    std::vector<const ImageHandle*> three(3, &page);
    ASSERT_TRUE(writeFaxTiff(three, stored("A.TIF"), 200, 100, scratch));
    view->SetFaxPath("A.TIF", kCreateTime);
    addRow("voice.wav", std::string("RIFF....WAVEfmt ") + std::string(3000, '\x07'));
    addRow("body.html", "<html>body</html>");
    // A scanner's ".tiff" is a page file as well.
    const ImageHandle wide = patternPage(300, 120);
    ASSERT_TRUE(writeFaxTiff(wide, stored("scan.tiff"), 200, 100, scratch));
    view->SetFaxPath("scan.tiff", kCreateTime);

    click(0);
    EXPECT_EQ(viewerShown, 1);
    EXPECT_EQ(document.GetPageCount(), 3);
    EXPECT_TRUE(addresses.isEmpty());

    click(1);
    const std::string copy = stored("voice.wav") + ".wav";
    ASSERT_TRUE(std::filesystem::exists(copy));
    EXPECT_EQ(md5sumOf(copy), md5sumOf(stored("voice.wav")));
    click(2);
    ASSERT_EQ(addresses.size(), 2);
    EXPECT_EQ(addresses[0], QUrl::fromLocalFile(QString::fromStdString(copy)).toString());
    EXPECT_EQ(addresses[1], QUrl::fromLocalFile(QString::fromStdString(stored("body.html"))).toString());
    EXPECT_EQ(viewerShown, 1);

    click(3);
    EXPECT_EQ(viewerShown, 2);
    EXPECT_EQ(addresses.size(), 2) << "no browser pane for scan.tiff";
    EXPECT_EQ(document.GetPageCount(), 1);
    EXPECT_EQ(document.GetPathName(), stored("scan.tiff"));

    // Enter opens the current row too.
    view->setCurrentItem(view->topLevelItem(0));
    view->setFocus();
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_EQ(viewerShown, 3);

    view->Clear();
    EXPECT_EQ(view->ItemCount(), 0);
    EXPECT_EQ(view->topLevelItemCount(), 0);
    EXPECT_EQ(document.GetPageCount(), -1);
}

TEST_F(AttachFileViewTest, ThePopUpNeedsASelectedRow)
{
    addRow("p1.tif", "page");
    rightClick(QPoint(100, 150));  // below the rows, nothing selected
    EXPECT_EQ(notices, QStringList{QStringLiteral("请选择附件")});
    EXPECT_FALSE(view->PopupMenu()->isVisible());

    view->setCurrentItem(view->topLevelItem(0));
    rightClick(view->visualItemRect(view->topLevelItem(0)).center());
    QMenu* menu = view->PopupMenu();
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return menu->isVisible(); }));
    EXPECT_EQ(menu->title(), QStringLiteral("传真附件(&F)"));
    QStringList texts;
    for (QAction* action : menu->actions())
        texts.push_back(action->text());
    EXPECT_EQ(texts, (QStringList{QStringLiteral("打开(&O)...\tCtrl+O"), QStringLiteral("另存为(&A)..."),
                                  QStringLiteral("打印(&P)...\tCtrl+P")}));
    EXPECT_EQ(menu->defaultAction(), view->CommandAction(AttachCommand::Open));
    QtTest::SaveScreenshot(*menu, QStringLiteral("attachments-popup"));
    menu->close();
}

TEST_F(AttachFileViewTest, SaveAsCopiesExactlyAndSaysWhenItCannot)
{
    std::string bytes;
    for (int i = 0; i < 50000; ++i)
        bytes += static_cast<char>(i % 251);
    addRow("p1.tif", bytes);
    addRow("voice.wav", "RIFF sound");
    addRow("scan.tiff", "II*\x00 scanned");
    view->setCurrentItem(view->topLevelItem(0));
    script.chosenFiles.push_back(ChosenFile{QString::fromStdString(dir.file("saved.tif")), 0});
    view->OnCommand(AttachCommand::SaveAs);
    ASSERT_EQ(script.fileRequests.size(), 1U);
    EXPECT_TRUE(script.fileRequests[0].save);
    EXPECT_TRUE(script.fileRequests[0].overwritePrompt);
    EXPECT_EQ(script.fileRequests[0].filter, QStringLiteral("TIFF(*.TIF)|*.TIF||"));
    EXPECT_EQ(md5sumOf(dir.file("saved.tif")), md5sumOf(stored("p1.tif")));

    view->setCurrentItem(view->topLevelItem(1));
    script.chosenFiles.push_back(ChosenFile{QString::fromStdString(dir.file("no/such/dir/v.wav")), 0});
    view->OnCommand(AttachCommand::SaveAs);
    EXPECT_EQ(script.fileRequests[1].filter, QStringLiteral("WAV File(*.wav)|*.wav||"));
    EXPECT_EQ(script.texts, QStringList{QStringLiteral("保存失败")});

    view->OnCommand(AttachCommand::SaveAs);  // cancelled: nothing more
    EXPECT_EQ(script.texts.size(), 1);

    // A ".tiff" page file is offered as TIFF.
    view->setCurrentItem(view->topLevelItem(2));
    view->OnCommand(AttachCommand::SaveAs);
    ASSERT_EQ(script.fileRequests.size(), 4U);
    EXPECT_EQ(script.fileRequests[3].filter, QStringLiteral("TIFF(*.TIF)|*.TIF||"));
    EXPECT_EQ(script.fileRequests[3].initialPath, QStringLiteral("scan.tiff"));
}

TEST_F(AttachFileViewTest, PrintingWithoutAPrinterLeavesThePlainCopyAndSaysSo)
{
    // A CUPS server that is not there: no default destination.
    testsupport::ScopedEnv server("CUPS_SERVER", dir.file("no-cupsd.sock"));
    addRow("合同.tif", "page bytes");
    view->setCurrentItem(view->topLevelItem(0));
    view->OnCommand(AttachCommand::Print);
    EXPECT_EQ(md5sumOf(dir.file("合同.tif")), md5sumOf(stored("合同.tif")));
    EXPECT_EQ(script.texts, QStringList{QStringLiteral("打印失败，可能文件合同.tif不存在!")});
}

} // namespace
