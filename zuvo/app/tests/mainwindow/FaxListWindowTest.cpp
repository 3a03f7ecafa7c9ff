// The fax list in the real main window (Xvfb): rows newest first with
// unread ones in blue, a click that shows the fax and marks it read once,
// the Delete key moving records and files into the trash with the tree's
// counts following, the right-click pop-ups, the failed box's resend with
// the send command after it, and the compose tasks of a receipt's double
// click, reply and forward; in the program's own window, a reply opens the
// compose window over the fax replied to.
#include "faxbox/qt/Pelno1View.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTcpServer>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

#include "app/CPelno1App.h"
#include "app/ProgramMainFrame.h"
#include "compose/qt/FaxSubjectBar.h"
#include "compose/qt/SendFaxFrm.h"
#include "core/TextUtil.h"
#include "core/WindowMessages.h"
#include "core/frame/FrameCommands.h"
#include "core/qt/BrowserView.h"
#include "core/qt/MainFrame.h"
#include "core/qt/WindowMessage.h"
#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/FaxRecordStore.h"
#include "faxbox/FaxListCommands.h"
#include "faxbox/FaxTasks.h"
#include "faxbox/qt/AttachFileView.h"
#include "faxbox/qt/DocumentPanes.h"
#include "faxbox/qt/FaxListModel.h"
#include "faxbox/qt/FaxListPane.h"
#include "faxbox/qt/LeftView.h"
#include "faxbox/tests/FaxListFixture.h"

using namespace faxlist_test;
namespace fs = std::filesystem;

namespace {

// A session that is logged in from the start and does nothing.
class LoggedInSession : public MainFrameSession {
public:
    void Start() override {}
    void Stop() override {}
    void Disconnect() override {}
    void Reconnect() override {}
    int LogInAgain() override { return 0; }
    void SetEnabled(bool) override {}
    bool IsLoggedIn() const override { return true; }
    int SendUpdateRequest() override { return 0; }
    bool IsUpdateInProgress() const override { return false; }
    void SetUpdateInProgress(bool) override {}
    std::string LoginToken() const override { return {}; }
};

class FaxListWindowTest : public FaxListFixture {
protected:
    void SetUp() override { QtTest::EnsureApplication(); }

    // The main window over the folders given, with the tree, the document's
    // panes and the list installed, and the folder at `folder` selected.
    void showWindow(const std::vector<std::vector<FaxSpec>>& records, int folder)
    {
        openFolders(records);
        MainFrameServices services;
        services.makeSession = [](SessionEvents&) { return std::make_unique<LoggedInSession>(); };
        services.outboxFaxCount = [](bool) { return AccountConfig::GetOutBoxFaxCount(); };
        services.openSendWindow = [this](bool) { ++sendWindows; };
        services.openCompose = [this] {
            composeTasks.push_back(tasks.PopTask());
        };
        frame = std::make_unique<CMainFrame>(MainFrameSettings{}, std::move(services));
        const DocumentPanes panes = InstallDocumentPanes(*frame);
        attachments = panes.attachments;
        list = InstallFaxList(*frame, panes, [this]() -> TaskQueue& { return tasks; });
        LeftViewServices treeServices;
        treeServices.setCurrentAccount = [](const std::string&) {};
        CMainFrame* window = frame.get();
        treeServices.postListRefresh = [window] {
            WindowRegistry::Post(window->Handle(), WM_FAX_RELOAD, 0, 0);
        };
        tree = new CLeftView(treeServices);  // the frame takes it
        tree->FillTree();
        frame->SetPaneWidget(CMainFrame::FramePane::LeftView, tree);
        frame->resize(1100, 700);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        selectFolder(folder);
    }
    void selectFolder(int folder)
    {
        tree->Tree()->setCurrentItem(tree->Tree()->topLevelItem(0)->child(folder));
        const std::string path = FormatText("Account[0]/Folder[%d]", folder);
        ASSERT_TRUE(QtTest::ProcessEventsUntil([&] {
            return list->Model()->rowCount() == FaxCount(path) && tree->GetCurFolderPath() == path;
        })) << path;
        QtTest::ProcessEventsFor(50);
    }
    QRect rowRect(int row) const
    {
        return list->visualRect(list->Model()->index(row, kColumnName));
    }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rowRect(row).center());
        QtTest::ProcessEventsFor(30);
    }
    int rowOf(const std::string& createTime) const { return list->Model()->RowOf({createTime, 0}); }
    QColor textColor(int row) const
    {
        return list->Model()->data(list->Model()->index(row, kColumnName), Qt::ForegroundRole).value<QColor>();
    }
    QString folderLabel(int folder) const { return tree->Tree()->topLevelItem(0)->child(folder)->text(0); }
    QString caption() const { return frame->findChild<QLabel*>(QStringLiteral("CaptionBar"))->text(); }

    // Right-clicks a row; the menu that opens is read and closed again.
    struct ShownMenu {
        QString title;
        QStringList texts;
        QString defaultText;
    };
    ShownMenu rightClick(int row)
    {
        ShownMenu shown;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            poll.stop();
            shown.title = menu->title();
            for (QAction* action : menu->actions())
                shown.texts << action->text() + (action->isEnabled() ? "" : " (off)");
            shown.defaultText = menu->defaultAction() ? menu->defaultAction()->text() : QString();
            QtTest::SaveScreenshot(*menu, QStringLiteral("fax-list-popup-") + QString::number(++menusShown));
            menu->close();
        });
        poll.start();
        const QPoint at = row < 0 ? QPoint(5, list->viewport()->height() - 5) : rowRect(row).center();
        if (row >= 0)
            clickRow(row);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &event);
        QtTest::ProcessEventsFor(30);
        return shown;
    }

    ScriptedPrompter::Script script;
    ScopedPrompter scoped{script};
    TaskQueue tasks;
    std::vector<std::unique_ptr<CTask>> composeTasks;
    int sendWindows = 0;
    int menusShown = 0;
    std::unique_ptr<CMainFrame> frame;
    CPelno1View* list = nullptr;
    CAttachFileView* attachments = nullptr;
    CLeftView* tree = nullptr;
};

std::vector<FaxSpec> receivedFaxes()
{
    return {
        {"20261201080001", "2026-12-01 08:00:01", "ReadFlag=\"1\" Topic=\"旧的\"", {"a.tif"}},
        {"20261203080002", "2026-12-03 08:00:02", "ReadFlag=\"0\" Topic=\"新的\"", {"b.tif", "c.wav"}},
        {"20261202080003", "2026-12-02 08:00:03", "ReadFlag=\"1\" Topic=\"中间\"", {"d.tif"}},
        {"20261204080004", "2026-12-04 08:00:04", "ReadFlag=\"0\" Topic=\"最新\"", {}},
        {"20261130080005", "2026-11-30 08:00:05", "ReadFlag=\"1\" Topic=\"最旧\"", {"e.tif"}},
    };
}

} // namespace

TEST_F(FaxListWindowTest, UnreadFaxesAreBlueAndAClickShowsTheFaxAndMarksItReadOnce)
{
    showWindow({receivedFaxes()}, 0);
    ASSERT_EQ(list->Model()->rowCount(), 5);
    QStringList dates;
    for (int row = 0; row < 5; ++row)
        dates << list->Model()->data(list->Model()->index(row, kColumnDate)).toString();
    EXPECT_EQ(dates, (QStringList{"2026-12-04 08:00:04", "2026-12-03 08:00:02", "2026-12-02 08:00:03",
                                  "2026-12-01 08:00:01", "2026-11-30 08:00:05"}));
    EXPECT_EQ(textColor(0), QColor(0, 0, 255));
    EXPECT_EQ(textColor(1), QColor(0, 0, 255));
    EXPECT_EQ(textColor(2), QColor(Qt::black));
    EXPECT_EQ(list->Model()->headerData(kColumnName, Qt::Horizontal).toString(), QStringLiteral("名字"));
    EXPECT_EQ(list->Model()->headerData(kColumnTopic, Qt::Horizontal).toString(), QStringLiteral("传真主题"));
    EXPECT_EQ(list->Model()->data(list->Model()->index(1, 0), FaxListModel::kRowKeyRole).toULongLong(),
              203080002u);
    QtTest::SaveScreenshot(*frame, QStringLiteral("fax-list-unread"));

    // A header click sorts by that column's text; the date's header sorts back.
    const auto names = [this] {
        QStringList texts;
        for (int row = 0; row < list->Model()->rowCount(); ++row)
            texts << list->Model()->data(list->Model()->index(row, kColumnName)).toString();
        return texts;
    };
    QHeaderView* header = list->horizontalHeader();
    const auto clickHeader = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    };
    clickHeader(kColumnName);
    const QStringList first = names();
    clickHeader(kColumnName);
    const QStringList second = names();
    QStringList ascending = first;
    std::sort(ascending.begin(), ascending.end());
    const QStringList descending(ascending.rbegin(), ascending.rend());
    EXPECT_TRUE((first == ascending && second == descending) || (first == descending && second == ascending))
        << first.join(",").toStdString() << " then " << second.join(",").toStdString();
    const auto newestFirst = [this] {
        return list->Model()->data(list->Model()->index(0, kColumnDate)).toString() ==
               QStringLiteral("2026-12-04 08:00:04");
    };
    clickHeader(kColumnDate);
    if (!newestFirst())
        clickHeader(kColumnDate);
    ASSERT_TRUE(newestFirst());

    // The unread fax with two attachments: shown, marked read, stored.
    const int unread = rowOf("20261203080002");
    clickRow(unread);
    EXPECT_EQ(xpath("string(/Config/Account/Folder[1]/Fax[2]/@ReadFlag)"), "1");
    EXPECT_EQ(textColor(unread), QColor(Qt::black));
    EXPECT_EQ(caption(), QStringLiteral("主题：  新的    传真号码: 021-080002"));
    EXPECT_EQ(attachments->ItemCount(), 2);
    EXPECT_TRUE(attachments->isVisible());
    QtTest::SaveScreenshot(*frame, QStringLiteral("fax-list-read"));
    const std::string stored = testfiles::md5sumOf(accountPath());
    clickRow(unread);
    clickRow(rowOf("20261202080003")); // read already
    EXPECT_EQ(testfiles::md5sumOf(accountPath()), stored) << "showing read faxes changes no byte";

    // A fax without attachments takes the attachments pane away.
    clickRow(rowOf("20261204080004"));
    EXPECT_EQ(attachments->ItemCount(), 0);
    EXPECT_FALSE(attachments->isVisible());
}

TEST_F(FaxListWindowTest, TheDeleteKeyMovesFaxesIntoTheTrashAndTheCountsFollow)
{
    showWindow({receivedFaxes()}, 0);
    const std::string bMd5 = testfiles::md5sumOf(writePage("faxbox", "b.tif", "20261203080002"));
    writePage("faxbox", "c.wav", "20261203080002");
    const std::string aMd5 = testfiles::md5sumOf(writePage("faxbox", "a.tif", "20261201080001"));
    EXPECT_EQ(folderLabel(0), QStringLiteral("收件箱(5)"));

    clickRow(rowOf("20261203080002"));
    clickRow(rowOf("20261201080001"), Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Delete);
    QtTest::ProcessEventsFor(50);
    EXPECT_EQ(count("Folder[@Type='faxbox']"), "3");
    EXPECT_EQ(count("Folder[@Type='trashbox']"), "2");
    EXPECT_EQ(list->Model()->rowCount(), 3);
    EXPECT_EQ(folderLabel(0), QStringLiteral("收件箱(3)"));
    EXPECT_EQ(folderLabel(1), QStringLiteral("垃圾箱(2)"));
    EXPECT_FALSE(fs::exists(folderDir("faxbox") + "/b.tif.20261203080002"));
    EXPECT_EQ(testfiles::md5sumOf(folderDir("trash") + "/b.tif.20261203080002"), bMd5);
    EXPECT_EQ(testfiles::md5sumOf(folderDir("trash") + "/a.tif.20261201080001"), aMd5);
    // The fax now in the first deleted one's place is selected and shown, not marked read.
    ASSERT_EQ(list->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(textColor(list->selectionModel()->selectedRows().front().row()), QColor(Qt::black));
    QtTest::SaveScreenshot(*frame, QStringLiteral("fax-list-after-delete"));

    // In the trash the record goes for good and its files stay.
    selectFolder(1);
    clickRow(0);
    QTest::keyClick(list, Qt::Key_Delete);
    QtTest::ProcessEventsFor(50);
    EXPECT_EQ(count("Folder[@Type='trashbox']"), "1");
    EXPECT_EQ(folderLabel(1), QStringLiteral("垃圾箱(1)"));
    EXPECT_TRUE(fs::exists(folderDir("trash") + "/b.tif.20261203080002"));
    EXPECT_TRUE(fs::exists(folderDir("trash") + "/a.tif.20261201080001"));
}

TEST_F(FaxListWindowTest, ASelectionStaysInItsFolderWhereAnotherFaxHasTheSameCreateTime)
{
    // A fax and a receipt filed in the same second: one CreateTime in two folders.
    const std::string sameSecond = "20261205090000";
    showWindow({{{sameSecond, "2026-12-05 09:00:00", "ReadFlag=\"1\" Topic=\"报价单\"", {}}}, {}, {}, {}, {}, {},
                {{sameSecond, "2026-12-05 09:00:00", "ReadFlag=\"1\" Topic=\"发送回执\"", {}}}},
               0);
    clickRow(0);
    ASSERT_EQ(caption(), QStringLiteral("主题：  报价单    传真号码: 021-090000"));

    selectFolder(6);
    EXPECT_TRUE(list->selectionModel()->selectedRows().isEmpty()) << "the inbox's selection does not pick the receipt";
    QTest::keyClick(list, Qt::Key_Delete);
    QtTest::ProcessEventsFor(50);
    EXPECT_EQ(count("Folder[@Type='inbox']"), "1") << "nothing the user chose, nothing deleted";
    EXPECT_EQ(count("Folder[@Type='trashbox']"), "0");

    clickRow(0);
    EXPECT_EQ(caption(), QStringLiteral("主题：  发送回执    传真号码: 021-090000")) << "the receipt is shown, not taken as shown";
    QtTest::SaveScreenshot(*frame, QStringLiteral("fax-list-other-folder"));
}

TEST_F(FaxListWindowTest, RightClickShowsTheFolderMenuWithItsDefaultOrTheNotice)
{
    showWindow({receivedFaxes(), {}, {}, {}, {{"20261201120000", "2026-12-01 12:00:00", "", {}}}}, 0);
    const ShownMenu faxMenu = rightClick(0);
    EXPECT_EQ(faxMenu.title, QStringLiteral("传真(&X)"));
    // The test's compose opener stands for the compose window.
    EXPECT_EQ(faxMenu.texts, (QStringList{"回复传真(&R)...", "转发传真(&T)...", "重新发送(&N)...", "删除传真(&D)...",
                                          "删除所有(&A)..."}));
    EXPECT_EQ(faxMenu.defaultText, QStringLiteral("回复传真(&R)..."));

    list->clearSelection();
    rightClick(-1);
    EXPECT_TRUE(QtTest::ProcessEventsUntil([&] { return frame->Popup().Text() == QStringLiteral("请选择传真"); }));

    selectFolder(4);
    const ShownMenu failedMenu = rightClick(0);
    EXPECT_EQ(failedMenu.title, QStringLiteral("__FAILED__"));
    EXPECT_EQ(failedMenu.texts,
              (QStringList{"重新发送(&N)...", "全部重发(&A)...", "删除传真(&D)...", "删除所有(&A)..."}));
    EXPECT_EQ(failedMenu.defaultText, QStringLiteral("重新发送(&N)..."));
}

TEST_F(FaxListWindowTest, AFailedFaxGoesBackToTheOutboxAndTheOutboxIsSent)
{
    showWindow({{}, {}, {},
                {{"20261130100000", "2026-11-30 10:00:00", "", {"s1.tif"}}},
                {{"20261201120000", "2026-12-01 12:00:00", "SendFaxTime=\"20261130100000\"", {}},
                 {"20261201120001", "2026-12-01 12:00:01", "SendFaxTime=\"20200101000000\"", {}}}},
               4);
    const std::string s1 = testfiles::md5sumOf(writePage("overbox", "s1.tif", "20261130100000"));
    list->OnCommand(FaxListCommand::ResendAllFailed);
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return sendWindows == 1; })) << "32775 follows the resend";
    EXPECT_EQ(count("Folder[@Type='outbox']"), "1");
    EXPECT_EQ(count("Folder[@Type='failedbox']"), "1") << "the report without its sent fax stays";
    EXPECT_EQ(testfiles::md5sumOf(folderDir("outbox") + "/s1.tif.20261201120000"), s1);
    EXPECT_TRUE(QtTest::ProcessEventsUntil(
        [&] { return frame->Popup().Text() == QString::fromUtf8(kMissingSourceText); }));
    EXPECT_EQ(list->Model()->rowCount(), 1);
}

TEST_F(FaxListWindowTest, AReceiptsDoubleClickAndReplyAndForwardNameTheirFax)
{
    showWindow({receivedFaxes(), {}, {},
                {{"20261130100000", "2026-11-30 10:00:00", "", {}}}, {}, {},
                {{"20261201090000", "2026-12-01 09:00:00", "SendFaxTime=\"20261130100000\"", {}}}},
               6);
    clickRow(0);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowRect(0).center());
    QtTest::ProcessEventsFor(30);
    ASSERT_EQ(composeTasks.size(), 1u);
    const auto* edit = dynamic_cast<CFaxEditTask*>(composeTasks[0].get());
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->GetFaxPath(), "Account[0]/Folder[3]/Fax[0]");
    EXPECT_EQ(edit->GetCaller(), "021-090000");

    selectFolder(0);
    clickRow(rowOf("20261202080003"));
    frame->OnCommand(FrameCommandId::ReplyFax);
    frame->OnCommand(FrameCommandId::ForwardFax);
    ASSERT_EQ(composeTasks.size(), 3u);
    const auto* reply = dynamic_cast<CFaxReplyTask*>(composeTasks[1].get());
    const auto* forward = dynamic_cast<CFaxTransferTask*>(composeTasks[2].get());
    ASSERT_TRUE(reply && forward);
    EXPECT_EQ(reply->GetFaxPath(), "Account[0]/Folder[0]/Fax[2]");
    EXPECT_EQ(forward->GetFaxPath(), "Account[0]/Folder[0]/Fax[2]");
    EXPECT_EQ(forward->GetFolderPath(), Folder::FaxBox);
    EXPECT_EQ(tasks.Count(), 0u);
}

// The program's main window gives the list its compose opener: the list
// queues a reply (as the reply command does once logged in) on the
// application's queue and calls it, and the window that opens takes the
// task, addressed to the fax's caller.
TEST_F(FaxListWindowTest, InTheProgramsWindowTheComposeOpenerOpensTheWindowOverTheQueuedFax)
{
    openFolders({receivedFaxes()});
    CPelno1App app;
    std::unique_ptr<MainWindowInterface> program = CreateProgramMainFrame();
    auto* window = qobject_cast<CMainFrame*>(&program->Widget());
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->ComposeOpener()) << "reply, forward, resend and the double click need it";
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    auto reply = std::make_unique<CFaxReplyTask>();
    reply->SetFaxPath("Account[0]/Folder[0]/Fax[2]");
    app.Tasks().AddTask(std::move(reply));
    window->ComposeOpener()();
    CSendFaxFrm* compose = nullptr;
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] {
        compose = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* candidate = qobject_cast<CSendFaxFrm*>(top); candidate && candidate->isVisible())
                compose = candidate;
        return compose != nullptr;
    }));
    EXPECT_EQ(compose->windowTitle(), QStringLiteral("回复传真"));
    const auto* to = qobject_cast<QLineEdit*>(compose->SubjectBar()->ControlOf(CFaxSubjectBar::ToEdit));
    ASSERT_NE(to, nullptr);
    EXPECT_EQ(to->text(), QStringLiteral("021-080003"));
    EXPECT_EQ(app.Tasks().Count(), 0u) << "the compose window took the reply";
    EXPECT_EQ(window->RegisteredWindowCount(), 1);
    QtTest::SaveScreenshot(*compose, QStringLiteral("fax-list-reply-compose"));
    compose->close();
    window->close();
}

TEST_F(FaxListWindowTest, AFaxBodyIsShownInTheBrowserWithoutScriptFilesOrNetwork)
{
    if (!CHtmlView::HasEmbeddedBrowser())
        GTEST_SKIP() << "built without the embedded browser";
    QTcpServer server;  // stands for the network the body must not reach
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    showWindow({{{"20261201080001", "2026-12-01 08:00:01", "ReadFlag=\"1\" Flag=\"1\" BodyFileName=\"body-1.html\"",
                  {"a.tif"}}}},
               0);
    testfiles::writeFile(dir_.file("secret.html"), "<p>secret</p>");
    testfiles::writeFile(folderDir("faxbox") + "/body-1.html",
                         "<html><head><meta charset=\"utf-8\"><title>正文</title></head><body><p>服务器的正文</p>"
                         "<script>document.title = 'script ran';</script>"
                         "<img src=\"http://127.0.0.1:" + std::to_string(server.serverPort()) + "/remote.png\">"
                         "<iframe src=\"file://" + dir_.file("secret.html") + "\"></iframe></body></html>");
    bool shown = false;
    QObject::connect(frame->GetBrowserView(), &CHtmlView::untrustedHtmlShown, [&] { shown = true; });
    clickRow(0);
    EXPECT_TRUE(frame->IsBrowserViewShown());
    EXPECT_TRUE(frame->GetBrowserView()->IsShowingUntrustedHtml());
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return shown; }, 30000));
    QtTest::ProcessEventsFor(300);
    EXPECT_EQ(frame->GetBrowserView()->UntrustedTitle(), QStringLiteral("正文")) << "no script ran";
    EXPECT_FALSE(server.hasPendingConnections() || server.waitForNewConnection(200)) << "nothing was fetched";
    QtTest::SaveScreenshot(*frame, QStringLiteral("fax-list-body"));
    EXPECT_EQ(attachments->ItemCount(), 1);
}
