// Qt's own texts in the program's language: the message box the prompter
// shows reads "确定" on its button, as the rest of the program is Chinese.

#include "ShellTestApp.h"

#include "core/qt/Prompter.h"
#include "core/qt/QtTranslations.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

TEST(QtTexts, TheLocaleOfQtsTextsIsTheUsersChineseOneElseChina)
{
    struct Case {
        QLocale user;
        QString loaded;
    };
    const Case cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), QStringLiteral("zh_CN")},
        {QLocale::c(), QStringLiteral("zh_CN")},
        {QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("zh_CN")},
        {QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan), QStringLiteral("zh_TW")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QtTextsLocale(c.user).name(), c.loaded) << c.user.name().toStdString();
}

TEST(QtTexts, AMessageBoxButtonReadsChinese)
{
    ShellTestApp();
    ASSERT_TRUE(InstallQtTranslations(*QCoreApplication::instance()));
    std::unique_ptr<Prompter> scripted = InstallPrompter(nullptr);  // the real message boxes
    QStringList buttons;
    QTimer::singleShot(0, [&] {
        WaitUntil([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; }, 10000);
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        WaitMs(100);
        for (QAbstractButton* button : box->buttons())
            buttons << button->text();
        QtTest::SaveScreenshot(*box, QStringLiteral("message-box"));
        box->accept();
    });
    ShowMessage(QStringLiteral("没有找到帮助文件。"));
    InstallPrompter(std::move(scripted));
    EXPECT_EQ(buttons, QStringList{QStringLiteral("确定")});
}
