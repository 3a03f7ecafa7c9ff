// The program's main window as its menus show it (Xvfb): the About command
// in "帮助", opened with the mouse and the keys, shows about.txt; "服务"
// names each of its commands once.
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

#include "app/CPelno1App.h"
#include "app/ProgramMainFrame.h"
#include "core/qt/AboutDialog.h"
#include "core/qt/MainFrame.h"
#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "faxbox/tests/FaxListFixture.h"

namespace {

class ProgramMenusWindowTest : public faxlist_test::FaxListFixture {
protected:
    void SetUp() override
    {
        QtTest::EnsureApplication();
        openFolders();
        // About reads about.txt from the current directory, the program's.
        testfiles::writeFile(dir_.file("about.txt"), "Zuvo 网络传真\nVersion 4.2\n");
        previousDirectory = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir_.path()));
        program = CreateProgramMainFrame();
        window = qobject_cast<CMainFrame*>(&program->Widget());
        ASSERT_NE(window, nullptr);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    }
    void TearDown() override
    {
        if (window)
            window->close();
        program.reset();
        QDir::setCurrent(previousDirectory);
    }

    // Clicks the menu bar's title; the menu that opens.
    QMenu* openMenu(const QString& title)
    {
        QMenuBar* bar = window->menuBar();
        for (QAction* action : bar->actions()) {
            if (action->text() != title)
                continue;
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(action).center());
            QMenu* menu = nullptr;
            EXPECT_TRUE(QtTest::ProcessEventsUntil([&] {
                menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                return menu != nullptr && menu->isVisible();
            })) << title.toStdString();
            return menu;
        }
        ADD_FAILURE() << "no menu " << title.toStdString();
        return nullptr;
    }

    static QStringList texts(QMenu& menu)
    {
        QStringList shown;
        for (QAction* action : menu.actions())
            if (!action->isSeparator())
                shown << action->text() + (action->isEnabled() ? "" : " (off)");
        return shown;
    }

    CPelno1App app;
    ScriptedPrompter::Script script;
    ScopedPrompter scoped{script};
    QString previousDirectory;
    std::unique_ptr<MainWindowInterface> program;
    CMainFrame* window = nullptr;
};

} // namespace

TEST_F(ProgramMenusWindowTest, AboutInTheHelpMenuShowsAboutTxt)
{
    QString shownText;
    script.dialogs.push_back([&](QDialog& dialog) {
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        shownText = static_cast<CAboutDlg&>(dialog).Text();
        QtTest::SaveScreenshot(dialog, QStringLiteral("about-dialog"));
        QTest::keyClick(&dialog, Qt::Key_Return);
        return dialog.result();
    });
    QMenu* help = openMenu(QStringLiteral("帮助"));
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(texts(*help), (QStringList{QStringLiteral("帮助主题"), QStringLiteral("关于 ZUVO(&A)...")}));
    QtTest::SaveScreenshot(*help, QStringLiteral("main-menu-help"));
    QTest::keyClick(help, Qt::Key_A);  // the item's key

    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !script.dialogTitles.isEmpty(); }));
    EXPECT_EQ(script.dialogTitles, QStringList{QStringLiteral("关于 ZUVO")});
    EXPECT_EQ(shownText, QStringLiteral("Zuvo 网络传真\nVersion 4.2\n"));  // as the text box gives it
}

TEST_F(ProgramMenusWindowTest, TheServiceMenuNamesSelfServiceOnce)
{
    QMenu* service = openMenu(QStringLiteral("服务"));
    ASSERT_NE(service, nullptr);
    // Offline and without the addresses of config.xml, all are off.
    EXPECT_EQ(texts(*service), (QStringList{QStringLiteral("自助服务 (off)"), QStringLiteral("申请帐号 (off)"),
                                            QStringLiteral("在线冲值 (off)"), QStringLiteral("检查更新 (off)")}));
    QtTest::SaveScreenshot(*service, QStringLiteral("main-menu-service"));
    QTest::keyClick(service, Qt::Key_Escape);
}
