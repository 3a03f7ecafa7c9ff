// The page editor's annotations in a real window: the seal command from the
// toolbar (the seal password, the seal manager with "选择", the seal pressed
// near the page's end and logged), the pending seal moved and resized with
// its tracker, undo; the text tool's click, the text dialog and the note
// placed where the click was; the text tool refused on a colour page before
// any dialog.

#include "compose/qt/FaxView.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>

#include <gtest/gtest.h>

#include <filesystem>

#include "compose/qt/tests/EditorWindow.h"
#include "compose/seals/SealStore.h"
#include "compose/tests/PageFileFixtures.h"
#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "core/tests/SessionFakes.h"
#include "textcodec/Gbk.h"

using testsupport::quote;
namespace C = FaxViewCommand;

namespace {


class FaxViewAnnotationsTest : public ::testing::Test {
protected:
    FaxViewAnnotationsTest()
    {
        QtTest::EnsureApplication();
        testsupport::writeFile(home.file("account.xml"),
                               TextCodec::utf8ToGbk("<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config>\n"
                                                    "<Account Name=\"a\" Default=\"yes\" FaxUser=\"00210000012345\" "
                                                    "FaxPassword=\"c2VjcmV0\"/>\n</Config>\n")
                                   .text);
        agent.running = 0;  // the seal password is checked against the stored one
        view->SetSealContext({&agent, home.path(), "Account[0]"});
        window.resize(1200, 900);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void load(const std::string& path)
    {
        ASSERT_FALSE(path.empty());
        ASSERT_EQ(view->LoadFile(QString::fromStdString(path)), 1) << script.texts.join("|").toStdString();
    }

    void click(int id)
    {
        QWidget* button = window.ButtonFor(id);
        ASSERT_NE(button, nullptr) << id;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // A seal "A" in the seal folder: a 1-bit frame around a disc.
    std::string addSeal(int width, int height)
    {
        const std::string bmp = pagefiles::sealBmp(dir, "source", width, height, 4, 30);
        SealStore store(home.path());
        EXPECT_NE(store.Open(), SealStore::OpenResult::Failed);
        EXPECT_EQ(store.Add("A", bmp), SealStore::AddResult::Added);
        return store.ImagePath(0);
    }

    // The person types the seal password and chooses the first seal.
    void choosesFirstSeal(QString* okCaption)
    {
        script.dialogs.push_back([](QDialog& dialog) {
            QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("1126")), QStringLiteral("secret"));
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            return dialog.result();
        });
        script.dialogs.push_back([okCaption](QDialog& dialog) {
            QPushButton* ok = dialog.findChild<QPushButton*>(QStringLiteral("1"));
            *okCaption = ok->text();
            dialog.findChild<QListWidget*>()->setCurrentRow(0);
            ok->click();
            return dialog.result();
        });
    }

    // A drag on the viewport from `from` to `to` with the left button.
    void drag(QPoint from, QPoint to)
    {
        QWidget* port = view->viewport();
        QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(port, (from + to) / 2);
        QTest::mouseMove(port, to);
        QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, to);
    }

    // The pending stamp's tracker on the viewport.
    QRect trackerOnViewport() const { return view->StampTracker().translated(-view->ScrollPosition()); }

    testsupport::TempDir home;
    testsupport::TempDir dir;
    sessiontest::FakeAgent agent;
    ScriptedPrompter::Script script;
    ScopedPrompter scoped{script};
    EditorWindow window;
    CFaxView* view = window.view;
};

TEST_F(FaxViewAnnotationsTest, TheSealCommandPressesTheChosenSealNearThePageEndAndItsTrackerMovesIt)
{
    const std::string page = pagefiles::g4File(dir, "page.tif", 1, 1728, 2200);
    load(page);
    const std::string seal = addSeal(240, 160);
    const std::string sealMd5 = testsupport::md5sumOf(seal);
    QString okCaption;
    choosesFirstSeal(&okCaption);
    EXPECT_TRUE(view->CommandAction(C::Seal)->isEnabled());
    click(C::Seal);

    EXPECT_EQ(script.dialogTitles, (QStringList{QStringLiteral("请输入密码"), QStringLiteral("电子章管理")}));
    EXPECT_EQ(okCaption, QStringLiteral("选择"));
    EXPECT_TRUE(script.texts.isEmpty()) << script.texts.join("|").toStdString();
    const PageStamp& stamp = view->Editor().Stamp();
    ASSERT_TRUE(stamp.pending);
    // At the page's end: the client width - 200 across, 100 below the top of
    // the part shown, in image coordinates at the zoom fitted to the width.
    const double zoom = view->Zoom();
    const int64_t expectedX = std::min<int64_t>(view->viewport()->width() - 200, 1728 - 240);
    EXPECT_EQ(stamp.rect.left, expectedX);
    EXPECT_EQ(stamp.rect.top, static_cast<int64_t>(view->ScrollPosition().y() / zoom) + 100);
    EXPECT_EQ(stamp.rect.width, 240);
    EXPECT_TRUE(view->IsModified());
    EXPECT_FALSE(view->IsHandMode());
    EXPECT_FALSE(view->CommandAction(C::Seal)->isEnabled()) << "no second seal while one is pending";
    EXPECT_FALSE(view->CommandAction(C::Crop)->isEnabled());
    EXPECT_EQ(testsupport::md5sumOf(seal), sealMd5);
    const std::string log = testsupport::readFile(home.file("LogIt.txt"));
    EXPECT_NE(log.find("  " + page + ", " + seal + "\r\n"), std::string::npos) << log;

    QRect tracker = trackerOnViewport();
    ASSERT_FALSE(tracker.isEmpty());
    ASSERT_TRUE(view->viewport()->rect().contains(tracker)) << "the seal is in view";
    QtTest::SaveScreenshot(window, "editor-seal-pending");

    // Moved by a press inside: the size stays.
    const PageRect before = stamp.rect;
    drag(tracker.center(), tracker.center() + QPoint(-300, 150));
    EXPECT_EQ(stamp.rect.width, before.width);
    EXPECT_EQ(stamp.rect.height, before.height);
    EXPECT_NEAR(static_cast<double>(stamp.rect.left), before.left - 300 / zoom, 2);
    EXPECT_NEAR(static_cast<double>(stamp.rect.top), before.top + 150 / zoom, 2);
    EXPECT_TRUE(stamp.pending);

    // Resized by the bottom-right handle: the stamp follows the tracker.
    tracker = trackerOnViewport();
    drag(tracker.bottomRight() + QPoint(4, 4), tracker.bottomRight() + QPoint(104, 54));
    EXPECT_NEAR(static_cast<double>(stamp.rect.width), before.width + 100 / zoom, 2);
    EXPECT_NEAR(static_cast<double>(stamp.rect.height), before.height + 50 / zoom, 2);
    QtTest::SaveScreenshot(window, "editor-seal-moved");

    click(C::Undo);
    EXPECT_FALSE(stamp.pending);
    EXPECT_TRUE(view->StampTracker().isEmpty());
    EXPECT_FALSE(view->IsModified());
    EXPECT_TRUE(view->CommandAction(C::Seal)->isEnabled());
}

TEST_F(FaxViewAnnotationsTest, TheTextToolTurnsAClickIntoANoteFromTheTextDialog)
{
    load(pagefiles::g4File(dir, "page.tif", 1, 1728, 2200));
    click(C::TextNote);
    EXPECT_TRUE(view->Editor().IsTextTool());
    EXPECT_TRUE(view->CommandAction(C::TextNote)->isChecked());
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::BitmapCursor) << "the text cursor";

    script.dialogs.push_back([](QDialog& dialog) {
        dialog.findChild<QTextEdit*>(QStringLiteral("1013"))->insertPlainText(QStringLiteral("已收到 OK"));
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        return dialog.result();
    });
    const QPoint at(700, 400);  // on white paper
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(script.dialogTitles, QStringList{QStringLiteral("文字批注")});
    EXPECT_FALSE(view->Editor().IsTextTool()) << "one note per click";
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::ArrowCursor);
    const PageStamp& stamp = view->Editor().Stamp();
    ASSERT_TRUE(stamp.pending) << script.texts.join("|").toStdString();
    const QPoint content = at + view->ScrollPosition();
    EXPECT_EQ(stamp.rect.left, static_cast<int64_t>(content.x() / view->Zoom()));
    EXPECT_EQ(stamp.rect.top, static_cast<int64_t>(content.y() / view->Zoom()));
    EXPECT_EQ(stamp.rect.width, 9 * 26) << "GBK length of the text times the character width";
    EXPECT_EQ(stamp.rect.height, 30);
    QtTest::SaveScreenshot(window, "editor-text-note");

    // Cancelled: nothing placed, the tool off.
    click(C::Undo);
    click(C::TextNote);
    script.dialogs.push_back([](QDialog&) { return QDialog::Rejected; });
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_FALSE(view->Editor().Stamp().pending);
    EXPECT_FALSE(view->Editor().IsTextTool());
}

TEST_F(FaxViewAnnotationsTest, TheTextToolIsRefusedOnAColourPageBeforeAnyDialog)
{
    const std::string colour = pagefiles::colourFile(dir, "colour.tif");
    load(colour);
    click(C::TextNote);
    EXPECT_EQ(script.texts, QStringList{QStringLiteral("原图像不是二值图像")});
    EXPECT_TRUE(script.dialogTitles.isEmpty());
    EXPECT_FALSE(view->Editor().IsTextTool());
    EXPECT_FALSE(view->CommandAction(C::TextNote)->isChecked());
}

} // namespace
