// The access prompt and the check behind it, answered by a simulated user
// who types into the real dialog.

#include "QtTestSupport.h"
#include "ScriptedPrompter.h"

#include "core/qt/AccessPasswordDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "core/tests/AccountFixture.h"

namespace {

class AccessCheckTest : public testfiles::AccountStoreTest {
protected:
    void SetUp() override
    {
        QtTest::EnsureApplication();
        // "secret" in Base64, as base64(1) writes it.
        openWith("<Account Name=\"a\" Default=\"yes\" EnableAccess=\"1\" AccessPassword=\"c2VjcmV0\"/>\n");
    }

    // A user who types `text` and presses the button.
    static std::function<int(QDialog&)> types(const QString& text, QDialogButtonBox::StandardButton button)
    {
        return [text, button](QDialog& dialog) {
            auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("1001"));
            EXPECT_NE(edit, nullptr);
            if (edit)
                QTest::keyClicks(edit, text);
            dialog.findChild<QDialogButtonBox*>()->button(button)->click();
            return dialog.result();
        };
    }

    ScriptedPrompter::Script script_;
    ScopedPrompter prompter_{script_};
};

} // namespace

TEST_F(AccessCheckTest, PromptIsTheMaskedPasswordDialog)
{
    CAccessPasswordDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("账户存取密码"));
    ASSERT_NE(dialog.PasswordEdit(), nullptr);
    EXPECT_EQ(dialog.PasswordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.PasswordEdit()->accessibleName(), QStringLiteral("请输入账户访问密码："));
    EXPECT_EQ(dialog.Password(), QString()) << "empty until OK";
}

TEST_F(AccessCheckTest, OnlyTheRightPasswordPassesAndAWrongOneIsTold)
{
    script_.dialogs = {types(QStringLiteral("Secret"), QDialogButtonBox::Ok),
                       types(QStringLiteral("secret"), QDialogButtonBox::Cancel),
                       types(QStringLiteral("secret"), QDialogButtonBox::Ok)};
    EXPECT_FALSE(RunAccessCheck(nullptr));
    EXPECT_EQ(script_.texts, QStringList{QStringLiteral("密码错误！")});
    EXPECT_FALSE(RunAccessCheck(nullptr)) << "cancelled";
    EXPECT_TRUE(RunAccessCheck(nullptr));
    EXPECT_EQ(script_.texts.size(), 1) << "no message after a cancel or the right password";
    EXPECT_EQ(script_.dialogTitles, QStringList(3, QStringLiteral("账户存取密码")));
}
