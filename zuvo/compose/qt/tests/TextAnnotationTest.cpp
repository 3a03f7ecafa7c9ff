// The text annotation dialog in a real window, typed into by a simulated
// user, on a fixed clock, with the font dialog answered by a script.

#include "compose/qt/WordDialog.h"

#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"

namespace {

QPushButton* Button(QWidget& window, int id)
{
    return window.findChild<QPushButton*>(QString::number(id));
}

class TextAnnotationTest : public ::testing::Test {
protected:
    TextAnnotationTest() { QtTest::EnsureApplication(); }

    ScriptedPrompter::Script script_;
    ScopedPrompter prompter_{script_};
};

std::tm FixedClock()
{
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 1;
    t.tm_hour = 8;
    t.tm_min = 15;
    t.tm_sec = 0;
    return t;
}

TEST_F(TextAnnotationTest, TextDialogHandsOverThePromptForAnEmptyTextAndAppendsDateAndTime)
{
    CWordDialog dialog;
    dialog.SetClock(FixedClock);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("文字批注"));
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Text(), QStringLiteral("请输入文本"));
    EXPECT_EQ(dialog.GetTextLength(), 10);

    CWordDialog stamped;
    stamped.SetClock(FixedClock);
    stamped.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&stamped));
    Button(stamped, CWordDialog::kDateButtonId)->click();
    Button(stamped, CWordDialog::kTimeButtonId)->click();
    auto* edit = stamped.findChild<QTextEdit*>(QStringLiteral("1013"));
    EXPECT_EQ(edit->toPlainText(), QStringLiteral("2024-03-0108:15:00"));
    QTest::keyClicks(edit, QStringLiteral(" ok "));
    edit->insertPlainText(QStringLiteral("已阅")); // as an input method enters it
    QtTest::SaveScreenshot(stamped, QStringLiteral("text-annotation"));
    stamped.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(stamped.Text(), QStringLiteral("2024-03-0108:15:00 ok 已阅"));
    EXPECT_EQ(stamped.GetTextLength(), 18 + 4 + 4) << "two Chinese characters are four GBK bytes";
}

TEST_F(TextAnnotationTest, TextDialogKeepsItsFontWhenTheFontDialogIsCancelled)
{
    CWordDialog dialog;
    const QFont chosen(QStringLiteral("DejaVu Sans"), 24, QFont::Bold);
    script_.dialogs.push_back([](QDialog&) { return QDialog::Rejected; });
    script_.dialogs.push_back([&](QDialog& fonts) {
        dynamic_cast<QFontDialog&>(fonts).setCurrentFont(chosen);
        return QDialog::Accepted;
    });
    Button(dialog, CWordDialog::kFontButtonId)->click();
    EXPECT_EQ(dialog.GetLineHeight(), 30);
    EXPECT_EQ(dialog.GetCharWidth(), 26);
    EXPECT_EQ(dialog.Font().face, "宋体");
    EXPECT_EQ(dialog.Font().height, 20);
    EXPECT_EQ(dialog.Font().width, 18);
    EXPECT_EQ(dialog.Font().weight, 400);

    Button(dialog, CWordDialog::kFontButtonId)->click();
    const QFontInfo info(chosen);
    EXPECT_EQ(dialog.Font().face, info.family().toStdString());
    EXPECT_EQ(dialog.Font().weight, 700);
    EXPECT_EQ(dialog.Font().height, -info.pixelSize());
    EXPECT_GE(dialog.GetLineHeight(), info.pixelSize());
    EXPECT_GT(dialog.GetCharWidth(), 0);
    EXPECT_NE(dialog.GetLineHeight(), 30);
    EXPECT_EQ(script_.dialogTitles, QStringList(2, QStringLiteral("字体")));
}

} // namespace
