// The main window's tool bar in a real window: the undo button with its
// drop-down, disabled while nothing can be undone.

#include "../ShellTestApp.h"

#include "core/qt/MainFrame.h"
#include "core/qt/UndoDropDown.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class MainFrameToolBarTest : public ShellTest {
protected:
    MainFrameToolBarTest()
    {
        QSettings(QStringLiteral("Zuvo"), QStringLiteral("Zuvo")).clear();
        settings.site = {"http://127.0.0.1:9", "http://127.0.0.1:9", "fax"};
        frame = std::make_unique<CMainFrame>(settings, services);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    }
    ~MainFrameToolBarTest() override { frame.reset(); }

    QToolButton* undoButton() const { return frame->ToolBar()->findChild<QToolButton*>(QStringLiteral("UndoButton")); }

    MainFrameSettings settings;
    MainFrameServices services;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace

TEST_F(MainFrameToolBarTest, UndoButtonWithItsDropDownIsDisabledWhileNothingCanBeUndone)
{
    QToolButton* button = undoButton();
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(button->text(), QStringLiteral("撤消"));
    EXPECT_EQ(button->defaultAction(), frame->CommandAction(FrameCommandId::EditUndo));
    EXPECT_EQ(button->popupMode(), QToolButton::MenuButtonPopup);
    EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon) << "like the tool bar's other buttons";
    ASSERT_NE(button->menu(), nullptr);
    EXPECT_TRUE(button->menu()->actions().contains(frame->UndoList()));
    EXPECT_FALSE(button->isEnabled());
    QtTest::SaveScreenshot(*frame, QStringLiteral("main-frame-undo-disabled"));

    // The button follows the list by itself.
    frame->UndoList()->SetLines({QStringLiteral("旋转页面"), QStringLiteral("添加文字")});
    EXPECT_TRUE(button->isEnabled());
    frame->UndoList()->SetLines({});
    EXPECT_FALSE(button->isEnabled());
}

TEST_F(MainFrameToolBarTest, DropDownIsAListOfOneToSixLinesAndATextLineBothOf140)
{
    UndoDropDown* dropDown = frame->UndoList();
    QListWidget* list = dropDown->List();
    QLabel* text = dropDown->TextLine();
    EXPECT_EQ(list->width(), 140);
    EXPECT_EQ(text->width(), 140);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::MultiSelection);
    EXPECT_FALSE(list->accessibleName().isEmpty());
    EXPECT_FALSE(text->accessibleName().isEmpty());

    auto heightFor = [&](int lines) {
        QStringList entries;
        for (int i = 1; i <= lines; ++i) entries << QStringLiteral("操作 %1").arg(i);
        dropDown->SetLines(entries);
        return list->height();
    };
    const int empty = heightFor(0);
    const int one = heightFor(1);
    const int three = heightFor(3);
    const int six = heightFor(6);
    const int nine = heightFor(9);
    EXPECT_EQ(empty, one) << "never less than one line";
    EXPECT_GT(three, one);
    EXPECT_EQ(six - one, 5 * list->sizeHintForRow(0));
    EXPECT_EQ(nine, six) << "never more than six lines; the rest scrolls";

    dropDown->SetLines({QStringLiteral("旋转页面"), QStringLiteral("添加文字"), QStringLiteral("裁剪")});
    frame->UpdateCommands();
    list->item(0)->setSelected(true);
    list->item(2)->setSelected(true);
    EXPECT_EQ(text->text(), QStringLiteral("撤消 2 项操作"));

    // The drop-down opens from the button's arrow in the real window.
    QToolButton* button = undoButton();
    bool shown = false;
    QTimer::singleShot(300, [&] {
        QMenu* menu = button->menu();
        shown = menu->isVisible() && dropDown->defaultWidget()->isVisible();
        QtTest::SaveScreenshot(*frame, QStringLiteral("main-frame-undo-button"));
        QtTest::SaveScreenshot(*menu, QStringLiteral("main-frame-undo-drop-down"));
        menu->close();
    });
    button->showMenu();
    EXPECT_TRUE(shown);
}
