// The program's main window with the fax document's panes: the page viewer
// and the attachments view installed, the file menu's save, save as and
// print routed to them (dialogs through the prompter), a turn saved from the
// menu (tiffinfo), and the save prompt when the window closes.

#include "faxbox/qt/DocumentPanes.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

#include "core/frame/FrameCommands.h"
#include "core/qt/MainFrame.h"
#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "faxbox/Pelno1Doc.h"
#include "faxbox/qt/AttachFileView.h"
#include "faxbox/qt/FaxContentView.h"
#include "faxbox/tests/FaxPageFixtures.h"

using faxfixtures::patternPage;
using faxfixtures::writeFaxTiff;

namespace {

TEST(DocumentPanesTest, TheMainWindowShowsBothPanesAndRoutesSavePrintAndSaveAs)
{
    QtTest::EnsureApplication();
    ScriptedPrompter::Script script;
    ScopedPrompter scoped(script);
    MainFrameSettings settings;
    auto frame = std::make_unique<CMainFrame>(settings, MainFrameServices{});
    const DocumentPanes panes = InstallDocumentPanes(*frame);
    frame->resize(1000, 700);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    EXPECT_EQ(frame->GetFaxContentView(), panes.viewer);
    EXPECT_EQ(frame->GetAttachFileView(), panes.attachments);

    QMenu* fileMenu = nullptr;
    for (QAction* action : frame->menuBar()->actions())
        if (action->text() == QStringLiteral("文件"))
            fileMenu = action->menu();
    ASSERT_NE(fileMenu, nullptr);
    QStringList texts;
    for (QAction* action : fileMenu->actions())
        texts.push_back(action->text());
    EXPECT_EQ(texts, (QStringList{QStringLiteral("新建"), QStringLiteral("打开"), QStringLiteral("保存"),
                                  QStringLiteral("另存为"), QStringLiteral("打印")}));
    frame->UpdateCommands();
    for (int id : {FrameCommandId::FileSave, FrameCommandId::FileSaveAs, FrameCommandId::FilePrint})
        EXPECT_TRUE(frame->CommandAction(id)->isEnabled()) << id;

    testsupport::TempDir dir;
    const ImageHandle page = patternPage(1728, 1100);
    ASSERT_TRUE(writeFaxTiff(page, dir.file("fax.tif"), 200, 100, dir));
    frame->ShowFaxContentView();
    ASSERT_EQ(panes.document->OnOpenDocument(dir.file("fax.tif")), 1);
    QtTest::SaveScreenshot(*frame, QStringLiteral("main-window-with-page"));
    frame->OnCommand(FrameCommandId::FilePrint);  // the print dialog, through the prompter
    EXPECT_EQ(script.dialogTitles.size(), 1U);
    frame->OnCommand(FrameCommandId::FileSaveAs);  // the save dialog, through the prompter
    ASSERT_EQ(script.fileRequests.size(), 1U);
    EXPECT_EQ(script.fileRequests[0].filter.left(10), QStringLiteral("BMP(*.BMP)"));
    panes.viewer->OnCommand(1008);  // turned right, then saved from the menu
    frame->OnCommand(FrameCommandId::FileSave);
    EXPECT_FALSE(panes.document->IsModified());
    EXPECT_EQ(faxfixtures::tiffPageCount(dir.file("fax.tif")), 1);
    EXPECT_EQ(testsupport::run("tiffinfo " + testsupport::quote(dir.file("fax.tif")) + " | grep -c 'Width: 1100'")
                  .output,
              "1\n");

    // Closing with unsaved changes asks first: Cancel keeps the window, No lets it go.
    panes.viewer->OnCommand(1008);
    script.threeWayAnswers = {PromptAnswer::Cancel, PromptAnswer::No};
    frame->close();
    EXPECT_FALSE(frame->IsShutDown());
    EXPECT_EQ(script.texts.back(), QStringLiteral("保存被修改过的文件?"));
    frame->close();
    EXPECT_TRUE(frame->IsShutDown());
}

} // namespace
