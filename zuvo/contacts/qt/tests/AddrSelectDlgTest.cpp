// The recipient picker in a real window, driven by QTest: the folder combo
// and its "所有人" entry, the buttons beside To and CC, double click and
// Enter on the card list, OK with what the caller reads; the repeat message
// through a scripted prompter.

#include "contacts/qt/AddrSelectDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>

#include "contacts/qt/tests/TypedText.h"
#include "contacts/tests/PickerAddressFile.h"
#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "core/tests/TestFiles.h"

namespace {

using Button = CAddrSelectDlg::Button;

QStringList column(const QTreeWidget& list, int index)
{
    QStringList texts;
    for (int row = 0; row < list.topLevelItemCount(); ++row)
        texts.push_back(list.topLevelItem(row)->text(index));
    return texts;
}

QStringList entries(const QListWidget& list)
{
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        texts.push_back(list.item(row)->text());
    return texts;
}

class AddrSelectDlgTest : public ::testing::Test {
protected:
    AddrSelectDlgTest() : scoped_(script_)
    {
        QtTest::EnsureApplication();
        testfiles::writeFile(dir_.file("address.xml"), pickerfixture::addressFile());
    }

    // The dialog shown in a real window (not modal, so the test drives it).
    std::unique_ptr<CAddrSelectDlg> open(const QString& to = {}, const QString& cc = {})
    {
        auto dialog = std::make_unique<CAddrSelectDlg>(QString::fromStdString(dir_.path()));
        dialog->SetPrefill(to, cc);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }
    static void click(CAddrSelectDlg& dialog, Button which) { QTest::mouseClick(dialog.ButtonOf(which), Qt::LeftButton); }
    static void select(CAddrSelectDlg& dialog, std::initializer_list<int> rows)
    {
        dialog.CardList()->clearSelection();
        for (int row : rows)
            dialog.CardList()->topLevelItem(row)->setSelected(true);
    }
    static void ok(CAddrSelectDlg& dialog)
    {
        auto* box = dialog.findChild<QDialogButtonBox*>();
        QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.isVisible());
    }

    testfiles::TempDir dir_;
    ScriptedPrompter::Script script_;
    ScopedPrompter scoped_;
};

TEST_F(AddrSelectDlgTest, OkWithoutChangesReturnsThePrefillSorted)
{
    auto dialog = open(QStringLiteral("222,111"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("地址选择"));
    EXPECT_EQ(entries(*dialog->ToList()), (QStringList{"111", "222"}));
    ok(*dialog);
    EXPECT_EQ(dialog->GetToList(), QStringLiteral("111,222"));
    EXPECT_EQ(dialog->GetCcList(), QString());
    EXPECT_FALSE(dialog->Picked());
}

TEST_F(AddrSelectDlgTest, AllListsEveryCardFolderByFolderAndAFolderItsOwn)
{
    auto dialog = open();
    QComboBox& folders = *dialog->FolderCombo();
    ASSERT_EQ(folders.count(), 4);
    EXPECT_EQ(folders.currentText(), QStringLiteral("所有人"));
    EXPECT_EQ(column(*dialog->CardList(), 0), (QStringList{"张三", "李四", "王五", "赵六", "孙七"}));
    EXPECT_EQ(column(*dialog->CardList(), 1), (QStringList{"333", "111", "222", "444", "111"}));
    EXPECT_TRUE(dialog->CardList()->isColumnHidden(2));
    QtTest::SaveScreenshot(*dialog, QStringLiteral("addr-select-all"));

    folders.setCurrentIndex(1);
    EXPECT_EQ(column(*dialog->CardList(), 0), QStringList{"赵六"});
    folders.setCurrentIndex(2);
    EXPECT_EQ(column(*dialog->CardList(), 0), QStringList{"孙七"});
}

TEST_F(AddrSelectDlgTest, TypedTextNamingNoFolderShowsNothingAndEnterKeepsTheDialogOpen)
{
    auto dialog = open();
    QLineEdit* text = dialog->FolderCombo()->lineEdit();
    text->selectAll();
    QTest::keyClicks(text, QStringLiteral("nowhere"));
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->CardList()->topLevelItemCount(), 0);
    EXPECT_EQ(dialog->FolderCombo()->count(), 4) << "typed text is not added as an entry";
}

// In a shown dialog the keyboard focus of the folder combo is the combo
// itself (its text field only shows it): Enter typed there, after a
// folder's name or the entry for all, refills the card list and the dialog
// stays open for the picking; OK closes it.
TEST_F(AddrSelectDlgTest, EnterInTheFolderComboRefillsTheCardsAndKeepsTheDialogOpen)
{
    auto dialog = open();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    QComboBox& folders = *dialog->FolderCombo();
    QTest::mouseClick(folders.lineEdit(), Qt::LeftButton);
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return folders.hasFocus(); }));
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);

    struct Step {
        QString typed;
        QStringList names;
    };
    const Step steps[] = {
        {QStringLiteral("客户"), QStringList{QStringLiteral("赵六")}},
        {QStringLiteral("所有人"), QStringList{"张三", "李四", "王五", "赵六", "孙七"}},
        {QStringLiteral("默认"), QStringList{"张三", "李四", "王五"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.typed.toStdString());
        QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
        typeInto(focus, step.typed);
        ASSERT_EQ(folders.currentText(), step.typed);
        QTest::keyClick(focus, Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_NE(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(column(*dialog->CardList(), 0), step.names);
    }
    QTest::keyClick(focus, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(dialog->isVisible()) << "the keypad's Enter as well";
    QtTest::SaveScreenshot(*dialog, QStringLiteral("addr-select-enter"));
    ok(*dialog);
}

TEST_F(AddrSelectDlgTest, ANumberInCcIsRefusedForToWithTheMessage)
{
    auto dialog = open(QString(), QStringLiteral("333"));
    select(*dialog, {0, 2}); // 333 (in CC), 222
    click(*dialog, Button::AddTo);
    EXPECT_EQ(script_.texts, QStringList{"该号码已经存在！"});
    EXPECT_EQ(entries(*dialog->ToList()), QStringList{"222"});

    select(*dialog, {1});
    click(*dialog, Button::AddCc);
    EXPECT_EQ(entries(*dialog->CcList()), (QStringList{"111", "333"}));
    ok(*dialog);
    EXPECT_EQ(dialog->GetToList(), QStringLiteral("222"));
    EXPECT_EQ(dialog->GetCcList(), QStringLiteral("111,333"));
    ASSERT_TRUE(dialog->Picked());
    EXPECT_EQ(QString::fromStdString(dialog->Picked()->name), QStringLiteral("王五"));
    EXPECT_EQ(QString::fromStdString(dialog->Picked()->company), QStringLiteral("乙公司"));
}

TEST_F(AddrSelectDlgTest, AddAllSkipsRepeatsSilently)
{
    auto dialog = open(QStringLiteral("111"));
    dialog->FolderCombo()->setCurrentIndex(0); // 333, 111, 222
    click(*dialog, Button::AddAllTo);
    EXPECT_TRUE(script_.texts.isEmpty());
    EXPECT_EQ(entries(*dialog->ToList()), (QStringList{"111", "222", "333"}));
    click(*dialog, Button::AddAllCc);
    EXPECT_TRUE(script_.texts.isEmpty());
    EXPECT_EQ(dialog->CcList()->count(), 0);
    QtTest::SaveScreenshot(*dialog, QStringLiteral("addr-select-lists"));
}

TEST_F(AddrSelectDlgTest, DoubleClickAndEnterAddTheFirstSelectedCardToTo)
{
    auto dialog = open();
    QTreeWidget& cards = *dialog->CardList();
    const QRect row = cards.visualItemRect(cards.topLevelItem(3)); // 赵六 444
    QTest::mouseClick(cards.viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(cards.viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(entries(*dialog->ToList()), QStringList{"444"});

    select(*dialog, {2, 0});
    cards.setFocus();
    QTest::keyClick(&cards, Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(entries(*dialog->ToList()), (QStringList{"333", "444"})) << "only the first selected row";
    EXPECT_EQ(QString::fromStdString(dialog->Picked()->name), QStringLiteral("张三"));
}

TEST_F(AddrSelectDlgTest, RemovingTheLastEntryLeavesAnEmptyList)
{
    auto dialog = open(QStringLiteral("9"), QStringLiteral("8"));
    click(*dialog, Button::RemoveTo); // nothing selected: nothing removed
    EXPECT_EQ(dialog->ToList()->count(), 1);
    dialog->ToList()->setCurrentRow(0);
    click(*dialog, Button::RemoveTo);
    dialog->CcList()->setCurrentRow(0);
    click(*dialog, Button::RemoveCc);
    ok(*dialog);
    EXPECT_EQ(dialog->GetToList(), QString());
    EXPECT_EQ(dialog->GetCcList(), QString());
}

// The backup of the address book is start-up's: a picker that opens (on
// every recipient choice of every compose window) leaves it alone, and
// makes none where there is none.
TEST_F(AddrSelectDlgTest, OpeningThePickerLeavesTheBackupAlone)
{
    const std::string backup = dir_.file("address-bak.xml");
    auto first = open();
    first->reject();
    EXPECT_FALSE(std::filesystem::exists(backup));

    testfiles::writeFile(backup, "the backup start-up wrote");
    auto second = open(QStringLiteral("111"));
    EXPECT_EQ(second->CardList()->topLevelItemCount(), 5);
    ok(*second);
    EXPECT_EQ(testfiles::readFile(backup), "the backup start-up wrote");
}

TEST_F(AddrSelectDlgTest, WithoutTheFileTheListsStillWork)
{
    std::filesystem::remove(dir_.file("address.xml"));
    auto dialog = open(QStringLiteral("7,5"), QStringLiteral("6"));
    EXPECT_EQ(dialog->FolderCombo()->count(), 0);
    EXPECT_EQ(dialog->CardList()->topLevelItemCount(), 0);
    click(*dialog, Button::AddAllTo);
    ok(*dialog);
    EXPECT_EQ(dialog->GetToList(), QStringLiteral("5,7"));
    EXPECT_EQ(dialog->GetCcList(), QStringLiteral("6"));
    EXPECT_FALSE(std::filesystem::exists(dir_.file("address.xml")));
}

} // namespace
