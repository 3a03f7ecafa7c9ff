// The compose window's subject bar in a real window: the controls' places
// at two widths, the timed-send switch and its pickers, the send time
// through the pickers (a leap day included), the attachment list with its
// flags, its pop-up menu and the Delete key.

#include "compose/qt/FaxSubjectBar.h"

#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include "core/qt/tests/QtTestSupport.h"

namespace {

using Bar = CFaxSubjectBar;

class FaxSubjectBarTest : public ::testing::Test {
protected:
    FaxSubjectBarTest() { QtTest::EnsureApplication(); }

    void show(int width)
    {
        bar_.resize(width, bar_.sizeHint().height());
        bar_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar_));
    }
    QRect placeOf(Bar::Control id) const { return bar_.ControlOf(id)->geometry(); }
    QListWidget* list() const { return static_cast<QListWidget*>(bar_.ControlOf(Bar::AttachList)); }

    Bar bar_;
};

QRect span(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

TEST_F(FaxSubjectBarTest, FieldsStretchWithTheWidthAndTheRestKeepsItsPlace)
{
    for (int w : {1000, 700}) {
        show(w);
        EXPECT_EQ(placeOf(Bar::ToEdit), span(100, 10, w - 100, 30)) << w;
        EXPECT_EQ(placeOf(Bar::CountLabel), span(w - 100, 10, w - 70, 30)) << w;
        EXPECT_EQ(placeOf(Bar::CcEdit), span(100, 30, w - 100, 50)) << w;
        EXPECT_EQ(placeOf(Bar::SubjectEdit), span(100, 50, w - 100, 70)) << w;
        EXPECT_EQ(placeOf(Bar::AttachList), span(100, 70, w - 100, 110)) << w;
        EXPECT_EQ(placeOf(Bar::ToButton), span(10, 10, 100, 30));
        EXPECT_EQ(placeOf(Bar::TimedSendButton), span(10, 110, 100, 130));
        EXPECT_EQ(placeOf(Bar::DatePicker), span(100, 110, 300, 130));
        EXPECT_EQ(placeOf(Bar::TimePicker), span(320, 110, 470, 130));
        EXPECT_GE(bar_.EditorToolBar()->geometry().top(), 130);
    }
    const struct {
        Bar::Control id;
        const char* text;
    } labels[] = {{Bar::ToButton, "收件人:"},  {Bar::CcButton, "抄送:"},         {Bar::SubjectButton, "主题:"},
                  {Bar::AttachButton, "附件:"}, {Bar::TimedSendButton, "定时发送:"}};
    for (const auto& l : labels)
        EXPECT_EQ(static_cast<QPushButton*>(bar_.ControlOf(l.id))->text(), QString::fromUtf8(l.text));
    EXPECT_EQ(static_cast<QLabel*>(bar_.ControlOf(Bar::CountLabel))->text(), QString());
    bar_.SetTo(QStringLiteral("010-12345678,020-87654321"));
    bar_.SetSubject(QStringLiteral("报价单"));
    bar_.SetCount(QStringLiteral("2"));
    bar_.SetListItem(QStringLiteral("/home/user/报价.tif"), 0);
    QtTest::SaveScreenshot(bar_, QStringLiteral("subject-bar-700"));
}

TEST_F(FaxSubjectBarTest, TimedSendSwitchesThePickersButTheirTimeIsAlwaysRead)
{
    show(900);
    QWidget* date = bar_.ControlOf(Bar::DatePicker);
    QWidget* time = bar_.ControlOf(Bar::TimePicker);
    EXPECT_FALSE(date->isEnabled());
    EXPECT_FALSE(time->isEnabled());
    EXPECT_EQ(bar_.GetTimerFlag(), 0);

    QSignalSpy pressed(&bar_, &Bar::ButtonPressed);
    QTest::mouseClick(static_cast<QPushButton*>(bar_.ControlOf(Bar::TimedSendButton)), Qt::LeftButton);
    ASSERT_EQ(pressed.count(), 1);
    EXPECT_EQ(pressed[0][0].toInt(), 124);

    EXPECT_EQ(bar_.ToggleSendTime(), 1);
    EXPECT_EQ(bar_.ToggleSendTime(), 0);
    bar_.SetTimerFlag(1);
    EXPECT_TRUE(date->isEnabled() && time->isEnabled());
    bar_.SetTimerFlag(0);
    EXPECT_FALSE(date->isEnabled() || time->isEnabled());

    bar_.SetSendTime(QStringLiteral("2028-02-29 23:59:58"));
    EXPECT_EQ(bar_.GetSendTime(), QStringLiteral("2028-02-29 23:59:58")) << "read while the pickers are off";
}

TEST_F(FaxSubjectBarTest, SendTimeSurvivesSetAndGetAndBadTextChangesNothing)
{
    for (const char* text : {"2028-02-29 23:59:58", "2026-01-01 00:00:00", "1999-12-31 12:05:09"}) {
        bar_.SetSendTime(QString::fromLatin1(text));
        EXPECT_EQ(bar_.GetSendTime(), QString::fromLatin1(text));
    }
    for (const char* bad : {"2027-02-29 10:00:00", "2026-13-01 10:00:00", "2026-01-01 24:00:00", "", "2026-01-01"}) {
        bar_.SetSendTime(QString::fromLatin1(bad));
        EXPECT_EQ(bar_.GetSendTime(), QStringLiteral("1999-12-31 12:05:09")) << bad;
    }
}

TEST_F(FaxSubjectBarTest, TheListKeepsPathsAndFlagsInOrder)
{
    EXPECT_EQ(bar_.GetItemCount(), 0);
    EXPECT_TRUE(bar_.GetItemEntry().empty());
    EXPECT_FALSE(bar_.GetItemPath());
    EXPECT_FALSE(bar_.GetAttachment());

    bar_.SetListItem(QStringLiteral("/a/一.tif"), 0);
    bar_.SetListItem(QStringLiteral("/a/二.tif"), 1);
    bar_.SetListItem(QStringLiteral("/a/三.tif"), 0);
    EXPECT_EQ(bar_.GetItemEntry(), (std::vector<AttachmentItem>{
                                       {"/a/一.tif", 0}, {"/a/二.tif", 1}, {"/a/三.tif", 0}}));
    EXPECT_EQ(bar_.GetItemPath(), QStringLiteral("/a/一.tif"));
    EXPECT_FALSE(bar_.GetAttachment()) << "nothing selected";

    list()->item(2)->setSelected(true);
    list()->item(1)->setSelected(true);
    EXPECT_EQ(bar_.GetAttachment(), QStringLiteral("/a/二.tif")) << "the first selected in list order";
    bar_.DeleteSelected();
    EXPECT_EQ(bar_.GetItemEntry(), (std::vector<AttachmentItem>{{"/a/一.tif", 0}}));
}

TEST_F(FaxSubjectBarTest, ThePopUpMenuAndTheDeleteKeyAskTheWindowForItsCommands)
{
    show(900);
    bar_.SetListItem(QStringLiteral("/a/一.tif"), 0);
    QSignalSpy commands(&bar_, &Bar::AttachmentCommand);
    const QPoint at = list()->visualItemRect(list()->item(0)).center();

    // Without a selected item there is no menu.
    bool menuShown = false;
    QTimer::singleShot(300, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            menuShown = true;
            menu->close();
        }
    });
    emit list()->customContextMenuRequested(at);
    QtTest::ProcessEventsFor(400);
    EXPECT_FALSE(menuShown);

    list()->item(0)->setSelected(true);
    QStringList texts;
    QString defaultText;
    QTimer::singleShot(0, [&] {
        QtTest::ProcessEventsUntil([] { return QApplication::activePopupWidget() != nullptr; });
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        for (QAction* action : menu->actions())
            texts.push_back(action->text());
        defaultText = menu->defaultAction() ? menu->defaultAction()->text() : QString();
        menu->setActiveAction(menu->actions().at(1));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    emit list()->customContextMenuRequested(at);
    EXPECT_EQ(texts, (QStringList{"删除附件", "打开附件"}));
    EXPECT_EQ(defaultText, QStringLiteral("删除附件"));
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands[0][0].toInt(), SubjectBarCommand::OpenAttachment);

    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Delete);
    ASSERT_EQ(commands.count(), 2);
    EXPECT_EQ(commands[1][0].toInt(), SubjectBarCommand::DeleteAttachment);
    auto* to = static_cast<QLineEdit*>(bar_.ControlOf(Bar::ToEdit));
    to->setText(QStringLiteral("123"));
    to->setFocus();
    to->setCursorPosition(0);
    QTest::keyClick(to, Qt::Key_Delete);
    EXPECT_EQ(commands.count(), 2) << "Delete in an edit deletes text, not attachments";
    EXPECT_EQ(to->text(), QStringLiteral("23"));
}

} // namespace
