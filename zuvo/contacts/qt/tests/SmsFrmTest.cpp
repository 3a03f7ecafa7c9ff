// The SMS window in a real window: its template tree over sms.xml (missing,
// or two groups with a backup equal to the file), the subject bar's layout
// at a width, and commands that do nothing.

#include "contacts/qt/SmsFrm.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>

#include "contacts/SmsTemplates.h"
#include "core/TextUtil.h"
#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ShellTestApp.h"
#include "core/tests/TestFiles.h"

namespace {

class SmsFrmTest : public ShellTest {
protected:
    std::unique_ptr<CSmsFrm> open()
    {
        auto frame = std::make_unique<CSmsFrm>(dir_.path());
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        return frame;
    }
    std::string c14n(const std::string& file) const
    {
        return testfiles::run("iconv -f GBK -t UTF-8 " + testfiles::quote(file) +
                              " | sed '1s/GB2312/UTF-8/' | xmllint --c14n -")
            .output;
    }

    testfiles::TempDir dir_;
};

} // namespace

TEST_F(SmsFrmTest, WithoutSmsXmlTheTreeSaysSo)
{
    auto frame = open();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("短消息"));
    QTreeWidget* tree = frame->LeftView()->Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("短信模板文件找不到"));
    EXPECT_FALSE(std::filesystem::exists(dir_.file("sms-bak.xml")));
    EXPECT_FALSE(std::filesystem::exists(dir_.file("sms.xml")));

    // The editor works; sending and the templates do nothing.
    QTest::keyClicks(frame->EditView(), QStringLiteral("meeting at 9"));
    EXPECT_EQ(frame->EditView()->toPlainText(), QStringLiteral("meeting at 9"));
    for (int id : {SmsCommand::Send, SmsCommand::AddTemplate, SmsCommand::EditTemplate, SmsCommand::DeleteTemplate,
                   SmsCommand::Close}) {
        ASSERT_NE(frame->CommandAction(id), nullptr) << id;
        EXPECT_FALSE(frame->CommandAction(id)->isEnabled()) << id;
    }
    frame->CommandAction(SmsCommand::Send)->trigger();
    EXPECT_EQ(frame->EditView()->toPlainText(), QStringLiteral("meeting at 9"));
    EXPECT_FALSE(frame->SubjectBar()->RecipientButton()->isEnabled());
    QtTest::SaveScreenshot(*frame, QStringLiteral("sms_missing"));
}

TEST_F(SmsFrmTest, TemplateGroupsAndTheirBackup)
{
    testfiles::writeFile(dir_.file("sms.xml"),
                         ToGbk("<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<Config>\r\n"
                               "\t<AddressBook Name=\"节日问候\"><Folder Name=\"春节\"/><Folder Name=\"中秋\"/></AddressBook>\r\n"
                               "\t<AddressBook Name=\"会议通知\"><Folder Name=\"例会\"/></AddressBook>\r\n</Config>\r\n"));
    auto frame = open();
    QTreeWidget* tree = frame->LeftView()->Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("节日问候"));
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 2);
    EXPECT_EQ(tree->topLevelItem(1)->child(0)->text(0), QStringLiteral("例会"));
    EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
    const std::string original = c14n(dir_.file("sms.xml"));
    ASSERT_FALSE(original.empty());
    EXPECT_EQ(c14n(dir_.file("sms-bak.xml")), original);

    // Selecting an item only selects it.
    tree->setCurrentItem(tree->topLevelItem(0)->child(1));
    EXPECT_EQ(frame->LeftView()->SelectedKind(), CAddrLeftView::kFolderItem);
    QtTest::SaveScreenshot(*frame, QStringLiteral("sms_groups"));
}

TEST_F(SmsFrmTest, TheSubjectBarFollowsItsWidth)
{
    auto frame = open();
    CSmsSubjectBar* bar = frame->SubjectBar();
    EXPECT_EQ(bar->height(), kSmsSubjectBarHeight);
    bar->setFixedWidth(600);
    QtTest::ProcessEventsUntil([&] { return bar->width() == 600; });
    EXPECT_EQ(bar->RecipientField()->geometry(), QRect(QPoint(100, 10), QPoint(499, 29))) << "x 100 to 500, y 10 to 30";
    EXPECT_EQ(bar->MoreButton()->geometry(), QRect(QPoint(500, 10), QPoint(529, 29)));
    EXPECT_EQ(bar->Note()->geometry(), QRect(QPoint(100, 30), QPoint(499, 49)));
    EXPECT_EQ(bar->Note()->text(), QStringLiteral("说明：每条短信只能发送80个文字，内容长度超出会自动分多条短信发送。"));
    QtTest::SaveScreenshot(*bar, QStringLiteral("sms_bar_600"));

    const SmsSubjectBarLayout wide = LayOutSmsSubjectBar(1000);
    EXPECT_EQ(wide.field, (BarRect{100, 10, 900, 30}));
    EXPECT_EQ(wide.moreButton, (BarRect{900, 10, 930, 30}));
}
