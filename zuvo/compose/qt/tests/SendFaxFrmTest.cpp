// The compose window in a real window, driven by QTest with a scripted
// person: numbers typed and checked, recipients picked, a TIFF attached
// through the file chooser, the fax queued with Alt+S (account.xml checked
// with xmllint, the copy with md5sum), drafts on close, files handed over,
// the start from a queued reply, and a document printed on the fax printer
// of a private cupsd.

#include "compose/qt/SendFaxFrm.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>

#include "compose/qt/FaxSubjectBar.h"
#include "compose/qt/FaxView.h"
#include "compose/tests/PageFileFixtures.h"
#include "contacts/qt/AddrSelectDlg.h"
#include "contacts/tests/PickerAddressFile.h"
#include "core/TaskQueue.h"
#include "core/qt/HandOver.h"
#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "core/tests/AccountFixture.h"
#include "faxbox/FaxTasks.h"
#include "faxbox/tests/FaxPageFixtures.h"
#include "res/StringTable.h"
#include "testsupport/PrivateCupsServer.h"

namespace {

using Bar = CFaxSubjectBar;

const char* const kAccounts =
    "<Account Name=\"默认\" Default=\"yes\" Directory=\"data\" IsUse=\"0\">"
    "<Folder Name=\"收件箱\" Type=\"faxbox\" Directory=\"fax\"/>"
    "<Folder Name=\"发件箱\" Type=\"outbox\" Directory=\"outbox\"/>"
    "<Folder Name=\"草稿\" Type=\"tempbox\" Directory=\"temp\"/></Account>\n";

class SendFaxFrmTest : public testfiles::AccountStoreTest {
protected:
    void SetUp() override
    {
        QtTest::EnsureApplication();
        openWith(kAccounts);
        testfiles::writeFile(dir_.file("address.xml"), pickerfixture::addressFile());
        std::filesystem::create_directories(dir_.file("data"));
        page_ = dir_.file("报价.tif");
        const ImageHandle page = faxfixtures::patternPage(64, 40);
        ASSERT_TRUE(faxfixtures::writeFaxTiff(std::vector<const ImageHandle*>{&page, &page}, page_, 200, 100, dir_));
    }

    ComposeWindowServices services()
    {
        return services(kPrinterRestoreDelay);
    }
    ComposeWindowServices services(std::chrono::milliseconds printerRestoreDelay)
    {
        ComposeWindowServices s;
        s.tasks = [this]() -> TaskQueue& { return tasks_; };
        s.openSendWindow = [this] { ++sendWindowsOpened_; };
        s.currentAccount = [] { return std::string(); };
        s.addressDirectory = QString::fromStdString(dir_.path());
        s.handOverDirectory = QString::fromStdString(dir_.file("data"));
        s.printerRestoreDelay = printerRestoreDelay;
        return s;
    }
    std::unique_ptr<CSendFaxFrm> open(const QStringList& files = {})
    {
        return open(services(), files);
    }
    std::unique_ptr<CSendFaxFrm> open(const ComposeWindowServices& with, const QStringList& files = {})
    {
        auto window = std::make_unique<CSendFaxFrm>(with, files);
        window->resize(1000, 700);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return window;
    }
    static QLineEdit* edit(CSendFaxFrm& window, Bar::Control id)
    {
        return static_cast<QLineEdit*>(window.SubjectBar()->ControlOf(id));
    }
    static QString count(CSendFaxFrm& window)
    {
        return static_cast<QLabel*>(window.SubjectBar()->ControlOf(Bar::CountLabel))->text();
    }
    std::string outbox(const std::string& rest) const
    {
        return xpath("string(/Config/Account[1]/Folder[@Type='outbox']/Fax[1]" + rest + ")").value_or("?");
    }
    // Adds a file through the file chooser, as the user does.
    static void add(CSendFaxFrm& window, ScriptedPrompter::Script& script, const std::string& path)
    {
        script.chosenFiles.push_back(ChosenFile{QString::fromStdString(path), 0});
        window.OnCommand(32834);
    }
    int faxes(const char* type) const
    {
        return std::stoi(xpath(std::string("count(/Config/Account[1]/Folder[@Type='") + type + "']/Fax)").value_or("0"));
    }

    TaskQueue tasks_;
    int sendWindowsOpened_ = 0;
    std::string page_;
    ScriptedPrompter::Script script_;
    ScopedPrompter prompter_{script_};
};

TEST_F(SendFaxFrmTest, TypedNumbersArePickedCheckedAndTheFaxIsQueuedWithAltS)
{
    auto window = open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("撰写传真"));
    EXPECT_FALSE(window->CommandAction(32809)->isEnabled()) << "nothing to send yet";
    const int w = window->SubjectBar()->width();
    EXPECT_EQ(edit(*window, Bar::ToEdit)->geometry(), QRect(QPoint(100, 10), QPoint(w - 101, 29)));

    // Typed: the repeated 111 goes when its comma comes.
    QLineEdit* to = edit(*window, Bar::ToEdit);
    to->setFocus();
    QTest::keyClicks(to, QStringLiteral("444,111,111,"));
    EXPECT_EQ(to->text(), QStringLiteral("444,111,"));
    EXPECT_EQ(count(*window), QStringLiteral("2"));

    // Picked: 222 from the first folder to To (its card names the fax),
    // 333 to CC.
    script_.dialogs.push_back([](QDialog& dialog) {
        auto& picker = static_cast<CAddrSelectDlg&>(dialog);
        dialog.show();
        picker.FolderCombo()->setCurrentIndex(0); // 333 111 222
        picker.CardList()->topLevelItem(2)->setSelected(true);
        QTest::mouseClick(picker.ButtonOf(CAddrSelectDlg::Button::AddTo), Qt::LeftButton);
        picker.CardList()->clearSelection();
        picker.CardList()->topLevelItem(0)->setSelected(true);
        QTest::mouseClick(picker.ButtonOf(CAddrSelectDlg::Button::AddCc), Qt::LeftButton);
        return QDialog::Accepted;
    });
    QTest::mouseClick(static_cast<QPushButton*>(window->SubjectBar()->ControlOf(Bar::ToButton)), Qt::LeftButton);
    EXPECT_EQ(script_.dialogTitles, QStringList{"地址选择"});
    EXPECT_EQ(to->text(), QStringLiteral("111,222,444"));
    EXPECT_EQ(edit(*window, Bar::CcEdit)->text(), QStringLiteral("333"));
    EXPECT_EQ(count(*window), QStringLiteral("4"));

    script_.chosenFiles.push_back(ChosenFile{QString::fromStdString(page_), 0});
    window->OnCommand(32834);
    ASSERT_EQ(script_.fileRequests.size(), 1U);
    EXPECT_TRUE(script_.fileRequests[0].filter.startsWith(QStringLiteral("All Files (*.*)|*.*|Tif Files(*.tif)")));
    EXPECT_EQ(window->SubjectBar()->GetItemCount(), 1);
    EXPECT_EQ(window->PageEditor()->GetPageCount(), 2);
    edit(*window, Bar::SubjectEdit)->setText(QStringLiteral("报价单"));
    QtTest::SaveScreenshot(*window, QStringLiteral("compose-window"));

    ASSERT_TRUE(window->CommandAction(32809)->isEnabled());
    QTest::keyClick(window.get(), Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(script_.texts.isEmpty()) << script_.texts.join(QStringLiteral(" | ")).toStdString();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(sendWindowsOpened_, 1);
    EXPECT_EQ(outbox("/@Caller"), "111,222,444");
    EXPECT_EQ(outbox("/@ToCC"), "333");
    EXPECT_EQ(outbox("/@Topic"), "报价单");
    EXPECT_EQ(outbox("/@Name"), "王五");
    EXPECT_EQ(outbox("/@Company"), "乙公司");
    EXPECT_EQ(outbox("/@Pages"), "2");
    EXPECT_EQ(outbox("/AttachFile/@File"), "报价.tif");
    EXPECT_EQ(testfiles::md5sumOf(dir_.file("data/outbox/报价.tif." + outbox("/@CreateTime"))),
              testfiles::md5sumOf(page_));
}

TEST_F(SendFaxFrmTest, ChecksKeepTheWindowOpenAndAnItemNamedLikeAListedOneIsRefused)
{
    auto window = open();
    edit(*window, Bar::ToEdit)->setText(QStringLiteral("5"));
    window->OnCommand(32809);
    EXPECT_EQ(script_.texts, QStringList{QString::fromUtf8(LoadString(61489).data())});
    EXPECT_TRUE(window->isVisible());

    const std::string twin = dir_.file("other");
    std::filesystem::create_directories(twin);
    std::filesystem::copy_file(page_, twin + "/报价.tif");
    window->SubjectBar()->SetListItem(QString::fromStdString(page_), 0);
    script_.chosenFiles.push_back(ChosenFile{QString::fromStdString(twin + "/报价.tif"), 0});
    window->OnCommand(32834);
    EXPECT_EQ(window->SubjectBar()->GetItemCount(), 1);
    EXPECT_EQ(script_.texts.back(), QStringLiteral("已有同名附件：报价.tif"));
    EXPECT_EQ(faxes("outbox"), 0);
}

TEST_F(SendFaxFrmTest, ClosingWithChangesAsksAndYesKeepsADraft)
{
    for (bool yes : {false, true}) {
        auto window = open();
        edit(*window, Bar::CcEdit)->setText(QStringLiteral("9"));
        ASSERT_TRUE(window->IsModified());
        script_.answers.push_back(yes);
        window->close();
        EXPECT_EQ(script_.texts.back(), QStringLiteral("是否要保存传真件？"));
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(faxes("tempbox"), yes ? 1 : 0);
    }
    EXPECT_EQ(xpath("string(/Config/Account[1]/Folder[@Type='tempbox']/Fax[1]/@ToCC)"), "9");
}

TEST_F(SendFaxFrmTest, HandedOverFilesAreTakenAndAddfileTempIsRemoved)
{
    ASSERT_TRUE(WriteHandOverFile(QString::fromStdString(dir_.file("data")), {QString::fromStdString(page_)}));
    auto window = open();
    EXPECT_EQ(window->SubjectBar()->GetItemPath(), QString::fromStdString(page_)) << "read at creation";
    EXPECT_FALSE(std::filesystem::exists(dir_.file("data/addfile.temp")));

    const std::string second = dir_.file("第二个很长的文件名" + std::string(200, 'x') + ".tif");
    std::filesystem::copy_file(page_, second);
    ASSERT_TRUE(WriteHandOverFile(QString::fromStdString(dir_.file("data")), {QString::fromStdString(second)}));
    WindowRegistry::Post(window->Handle(), WM_FAX_ADD_FILE, 0, 0, {}, {QString::fromStdString(second)});
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return window->SubjectBar()->GetItemCount() == 2; }));
    EXPECT_EQ(window->SubjectBar()->GetItemEntry()[1].path, QString::fromStdString(second)) << "no 256-character cut";
    EXPECT_FALSE(std::filesystem::exists(dir_.file("data/addfile.temp")));
    EXPECT_TRUE(window->IsModified());
}

TEST_F(SendFaxFrmTest, AFileHandedOverAtCreationIsFittedToTheWidthTheShownWindowGives)
{
    // Loaded in the constructor, before the window is laid out and shown.
    const std::string tall = dir_.file("tall.tif");
    const ImageHandle page = faxfixtures::patternPage(800, 1200);
    ASSERT_TRUE(faxfixtures::writeFaxTiff(std::vector<const ImageHandle*>{&page}, tall, 200, 200, dir_));
    auto window = open({QString::fromStdString(tall)});
    QtTest::ProcessEventsFor(50);
    const CFaxView& view = *window->PageEditor();
    const int room = view.viewport()->width();
    EXPECT_LE(view.PageRectangle().width(), room);
    EXPECT_GE(view.PageRectangle().width(), room - 2) << "fitted to the view's size before the window was shown";
    QtTest::SaveScreenshot(*window, QStringLiteral("compose-handed-over-fitted"));

    // Once the user zooms, a new size of the window keeps that zoom.
    window->PageEditor()->ZoomOut();
    const double zoomed = view.Zoom();
    window->resize(800, 600);
    QtTest::ProcessEventsFor(50);
    EXPECT_EQ(view.Zoom(), zoomed);
}

TEST_F(SendFaxFrmTest, AQueuedReplyFillsTheWindowAndOtherTasksStayQueued)
{
    testfiles::writeFile(dir_.file("data/fax/x.tif.20261210093001"), "page");
    FaxRecord stored;
    stored.Set(FaxRecord::kCaller, "555");
    stored.Set(FaxRecord::kTopic, "合同");
    stored.Set(FaxRecord::kName, "李四");
    stored.Set(FaxRecord::kCreateTime, "20261210093001");
    stored.Set(FaxRecord::kSendTimer, "2028-02-29 10:20:30");
    stored.Set(FaxRecord::kTimerFlag, "1");
    stored.attachments = {{"x.tif", ""}};
    ASSERT_EQ(AppendFaxRecord("Account[0]/Folder[0]", stored), 1);
    tasks_.AddTask(std::make_unique<CFaxRcvTask>());
    auto reply = std::make_unique<CFaxReplyTask>();
    reply->SetFaxPath("Account[0]/Folder[0]/Fax[0]");
    tasks_.AddTask(std::move(reply));

    auto window = open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("回复传真"));
    EXPECT_EQ(edit(*window, Bar::ToEdit)->text(), QStringLiteral("555"));
    EXPECT_EQ(edit(*window, Bar::SubjectEdit)->text(), QStringLiteral("回复：合同"));
    EXPECT_EQ(window->SubjectBar()->GetSendTime(), QStringLiteral("2028-02-29 10:20:30"));
    EXPECT_TRUE(window->SubjectBar()->ControlOf(Bar::DatePicker)->isEnabled());
    EXPECT_EQ(window->SubjectBar()->GetItemCount(), 0);
    EXPECT_TRUE(window->IsModified());
    ASSERT_EQ(tasks_.Count(), 1U);
    EXPECT_NE(tasks_.PopTaskOf<CFaxRcvTask>(), nullptr);
}

TEST_F(SendFaxFrmTest, ADocumentIsPrintedOnTheFaxPrinterAndTheDefaultComesBackWithTheHandOver)
{
    testsupport::PrivateCupsServer cups({"Earlier", "Zuvo_Print"});
    if (!cups.Ready())
        GTEST_SKIP() << cups.Why();
    const std::string memo = dir_.file("memo.txt");
    testfiles::writeFile(memo, "please fax this\n");
    auto window = open();
    script_.chosenFiles.push_back(ChosenFile{QString::fromStdString(memo), 0});
    window->OnCommand(32834);
    EXPECT_TRUE(script_.texts.isEmpty()) << script_.texts.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(window->SubjectBar()->GetItemCount(), 0) << "the document comes back printed";
    EXPECT_EQ(testfiles::run("lpstat -d").output, "system default destination: Zuvo_Print\n");
    const std::vector<std::string> jobs = cups.Jobs(1);
    ASSERT_EQ(jobs.size(), 1U);
    EXPECT_EQ(testfiles::run("cmp " + testfiles::quote(jobs[0]) + " " + testfiles::quote(memo)).status, 0);

    WindowRegistry::Post(window->Handle(), WM_FAX_ADD_FILE, 0, 0, {}, {QString::fromStdString(page_)});
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return window->SubjectBar()->GetItemCount() == 1; }));
    EXPECT_EQ(testfiles::run("lpstat -d").output, "system default destination: Earlier\n");
}

TEST_F(SendFaxFrmTest, AFileThatDoesNotOpenOrHasOverAHundredPagesIsNotAddedAndSaysWhy)
{
    const std::string random = dir_.file("random.tif");
    std::string noise;
    for (int i = 0; i < 4096; ++i)
        noise.push_back(static_cast<char>((i * 7919 + 13) % 251));
    testfiles::writeFile(random, noise);
    const std::string empty = dir_.file("empty.tif");
    testfiles::writeFile(empty, "");
    const std::string longFile = pagefiles::longFile(dir_, "long.tif", 101);
    ASSERT_FALSE(longFile.empty());
    const struct {
        std::string path;
        QString said;
    } cases[] = {
        {random, QStringLiteral("Unknown or wrong format")},
        {empty, QStringLiteral("Unknown or wrong format")},
        {longFile, QStringLiteral("该文件超过100页，不能作为传真附件：") + QString::fromStdString(longFile)},
    };
    auto window = open();
    edit(*window, Bar::ToEdit)->setText(QStringLiteral("5"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        script_.texts.clear();
        add(*window, script_, c.path);
        EXPECT_EQ(window->SubjectBar()->GetItemCount(), 0);
        EXPECT_EQ(script_.texts, QStringList{c.said});
    }
    // Handed over, the same.
    script_.texts.clear();
    WindowRegistry::Post(window->Handle(), WM_FAX_ADD_FILE, 0, 0, {}, {QString::fromStdString(random)});
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !script_.texts.isEmpty(); }));
    EXPECT_EQ(window->SubjectBar()->GetItemCount(), 0);

    // Nothing to send: the fax is not queued.
    window->OnCommand(32809);
    EXPECT_EQ(script_.texts.back(), QString::fromUtf8(LoadString(61489).data()));
    EXPECT_EQ(faxes("outbox"), 0);
}

TEST_F(SendFaxFrmTest, EditsAreMadeOnTheWindowsOwnCopyAndTheUsersFileNeverChanges)
{
    const std::string before = testfiles::md5sumOf(page_);
    auto window = open();
    edit(*window, Bar::ToEdit)->setText(QStringLiteral("5"));
    add(*window, script_, page_);
    ASSERT_EQ(window->SubjectBar()->GetItemCount(), 1);
    EXPECT_EQ(window->SubjectBar()->GetItemPath(), QString::fromStdString(page_)) << "the list shows the user's file";
    FaxPageEditor& editor = window->PageEditor()->Editor();
    editor.ToggleCrop();
    editor.SetCropRect({0, 0, 32, 20});
    ASSERT_TRUE(editor.Crop());
    ASSERT_TRUE(editor.Save());
    EXPECT_EQ(testfiles::md5sumOf(page_), before) << "a save writes the window's copy";

    script_.threeWayAnswers.push_back(PromptAnswer::Yes);
    window->OnCommand(32809);
    ASSERT_EQ(faxes("outbox"), 1) << script_.texts.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(testfiles::md5sumOf(page_), before);
    const std::string sent = dir_.file("data/outbox/报价.tif." + outbox("/@CreateTime"));
    EXPECT_NE(testfiles::md5sumOf(sent), before) << "the fax carries the edit";
    EXPECT_EQ(testfiles::run("identify -format '%w ' " + testfiles::quote(sent)).output, "32 64 ");
}

TEST_F(SendFaxFrmTest, ADoubleClickOrEnterOnAnAttachmentLoadsItsPages)
{
    const std::string one = dir_.file("一页.tif");
    const ImageHandle page = faxfixtures::patternPage(48, 40);
    ASSERT_TRUE(faxfixtures::writeFaxTiff(page, one, 200, 100, dir_));
    auto window = open();
    add(*window, script_, page_);
    add(*window, script_, one);
    ASSERT_EQ(window->SubjectBar()->GetItemCount(), 2);
    ASSERT_EQ(window->PageEditor()->GetPageCount(), 1) << "the file added last is shown";

    auto* list = static_cast<QListWidget*>(window->SubjectBar()->ControlOf(Bar::AttachList));
    const QPoint first = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first);
    EXPECT_EQ(window->PageEditor()->GetPageCount(), 2);

    list->setFocus();
    list->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(window->PageEditor()->GetPageCount(), 1);
    EXPECT_TRUE(script_.texts.isEmpty()) << script_.texts.join(QStringLiteral(" | ")).toStdString();
}

TEST_F(SendFaxFrmTest, NumbersPastAHundredAreToldAndNoSeparatorTrailsTheCalledList)
{
    QString pasted;
    for (int i = 1; i <= 150; ++i)
        pasted += QString::number(1000 + i) + (i % 2 == 0 ? QStringLiteral("，") : QStringLiteral(","));
    auto window = open();
    QLineEdit* to = edit(*window, Bar::ToEdit);
    to->setFocus();
    to->setText(pasted);
    EXPECT_EQ(script_.texts, QStringList{QStringLiteral("收件人号码最多100个，已略去后面的50个号码！")});
    EXPECT_EQ(count(*window), QStringLiteral("100"));
    EXPECT_TRUE(to->text().endsWith(QStringLiteral("1100,")));

    script_.texts.clear();
    QTest::keyClicks(to, QStringLiteral("7"));
    EXPECT_EQ(script_.texts, QStringList{QStringLiteral("收件人号码最多100个，已略去后面的1个号码！")});
    EXPECT_EQ(count(*window), QStringLiteral("100")) << "the 101st cannot be typed";

    script_.texts.clear();
    add(*window, script_, page_);
    window->OnCommand(32809);
    ASSERT_EQ(faxes("outbox"), 1) << script_.texts.join(QStringLiteral(" | ")).toStdString();
    const std::string called = outbox("/@Caller");
    EXPECT_EQ(std::count(called.begin(), called.end(), ','), 99);
    EXPECT_TRUE(called.ends_with("1100")) << called;
}

TEST_F(SendFaxFrmTest, TheDefaultPrinterComesBackAfterTheTimeOutAndWhenTheWindowCloses)
{
    testsupport::PrivateCupsServer cups({"Earlier", "Zuvo_Print"});
    if (!cups.Ready())
        GTEST_SKIP() << cups.Why();
    const std::string memo = dir_.file("memo.txt");
    testfiles::writeFile(memo, "please fax this\n");
    const auto userDefault = [] { return testfiles::run("lpstat -d").output; };
    {
        auto window = open(services(std::chrono::milliseconds(300)));
        add(*window, script_, memo);
        EXPECT_EQ(userDefault(), "system default destination: Zuvo_Print\n");
        EXPECT_TRUE(QtTest::ProcessEventsUntil(
            [&] { return userDefault() == "system default destination: Earlier\n"; }, 20000))
            << "the document never came back";
    }
    auto window = open();
    add(*window, script_, memo);
    EXPECT_EQ(userDefault(), "system default destination: Zuvo_Print\n");
    window->close();
    EXPECT_EQ(userDefault(), "system default destination: Earlier\n");
    EXPECT_EQ(testfiles::readFile(testsupport::PrivateCupsServer::UserOptionsFile()).find("Default"), std::string::npos)
        << "the server's default was the user's: none is written";
    EXPECT_TRUE(script_.texts.isEmpty()) << script_.texts.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(cups.Jobs(2).size(), 2U);
}

TEST_F(SendFaxFrmTest, EveryToolbarCommandShowsAnIconAboveItsCaption)
{
    auto window = open();
    add(*window, script_, page_);
    const QList<QToolBar*> bars = window->findChildren<QToolBar*>();
    ASSERT_EQ(bars.size(), 2) << "the window's and the page editor's";
    for (QToolBar* bar : bars) {
        EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        ASSERT_FALSE(bar->actions().isEmpty());
        for (QAction* action : bar->actions())
            EXPECT_FALSE(action->icon().isNull()) << action->text().toStdString();
    }
    QtTest::SaveScreenshot(*window, QStringLiteral("compose-toolbars"));
}

} // namespace
