// The folder tree in a real window: items that lead to their own folder
// whatever the names, counts that follow the store, the access lock over the
// folders (mouse and keyboard), and the pop-up menus' pack commands answered
// by a scripted user.

#include "faxbox/qt/LeftView.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/FaxRecordStore.h"
#include "core/tests/AccountFixture.h"
#include "faxbox/FolderTreeTexts.h"

namespace {

const std::string kFolders =
    "<Folder Name=\"收件\" Type=\"tempbox\" Directory=\"temp\">"
    "<Fax CreateTime=\"20261210093001\"/></Folder>"
    "<Folder Name=\"收件箱\" Type=\"faxbox\" Directory=\"faxbox\">"
    "<Fax CreateTime=\"20261210093002\"/><Fax CreateTime=\"20261210093003\"/><Fax CreateTime=\"20261210093004\"/>"
    "</Folder>"
    "<Folder Name=\"回执(旧)\" Type=\"inbox\" Directory=\"inbox\"/>"
    "<Folder Name=\"垃圾箱\" Type=\"TrashBox\" Directory=\"trash\"/>";

class LeftViewTest : public testfiles::AccountStoreTest {
protected:
    LeftViewTest()
    {
        QtTest::EnsureApplication();
        services_.setCurrentAccount = [this](const std::string& account) { currentAccounts_.push_back(account); };
        services_.postListRefresh = [this] { ++listRefreshes_; };
        services_.accountProperties = [this] { ++properties_; };
    }

    // account.xml with two accounts (the second the default) and the tree over it.
    void show(const std::string& lock = "EnableAccess=\"0\"")
    {
        openWith("<Account Name=\"旧账户\" Directory=\"old\"><Folder Name=\"收件箱\" Type=\"faxbox\" Directory=\"o\"/>"
                 "</Account>\n<Account Name=\"我的账户\" Default=\"yes\" Directory=\"data\" " +
                 lock + " AccessPassword=\"c2VjcmV0\">" + kFolders + "</Account>\n");
        view_ = std::make_unique<CLeftView>(services_);
        view_->resize(220, 300);
        view_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
    }

    QTreeWidget& tree() { return *view_->Tree(); }
    QTreeWidgetItem* account(int i) { return tree().topLevelItem(i); }
    QTreeWidgetItem* folder(int j) { return account(1)->child(j); }
    QStringList folderLabels(int i)
    {
        QStringList labels;
        for (int k = 0; k < account(i)->childCount(); ++k)
            labels << account(i)->child(k)->text(0);
        return labels;
    }
    void click(QTreeWidgetItem* item, Qt::MouseButton button = Qt::LeftButton)
    {
        tree().scrollToItem(item);
        QTest::mouseClick(tree().viewport(), button, {}, tree().visualItemRect(item).center());
        QtTest::ProcessEventsFor(30);
    }
    void key(int keyCode)
    {
        QTest::keyClick(&tree(), static_cast<Qt::Key>(keyCode), Qt::NoModifier);
        QtTest::ProcessEventsFor(30);
    }
    bool anyFolderVisible()
    {
        for (int i = 0; i < tree().topLevelItemCount(); ++i)
            for (int k = 0; k < account(i)->childCount(); ++k)
                if (!account(i)->child(k)->isHidden() && account(i)->isExpanded())
                    return true;
        return false;
    }
    // A user who types `password` into the access prompt and presses OK.
    static std::function<int(QDialog&)> typesPassword(const QString& password)
    {
        return [password](QDialog& dialog) {
            QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("1001")), password);
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            return dialog.result();
        };
    }
    static ChosenFile file(const std::string& path) { return {QString::fromStdString(path), 0}; }

    ScriptedPrompter::Script script_;
    ScopedPrompter prompter_{script_};
    LeftViewServices services_;
    std::vector<std::string> currentAccounts_;
    int listRefreshes_ = 0;
    int properties_ = 0;
    std::unique_ptr<CLeftView> view_;
};

} // namespace

TEST_F(LeftViewTest, ItemsLeadToTheirOwnFolderWhateverTheNames)
{
    show();
    EXPECT_EQ(view_->Caption()->text(), QStringLiteral("传真账户"));
    EXPECT_EQ(view_->Caption()->height(), CLeftView::kCaptionHeight);
    EXPECT_EQ(view_->Caption()->backgroundRole(), QPalette::Button);
    EXPECT_EQ(account(1)->text(0), QStringLiteral("我的账户"));
    EXPECT_EQ(folderLabels(1), (QStringList{QStringLiteral("收件(1)"), QStringLiteral("收件箱(3)"),
                                            QStringLiteral("回执(旧)(0)"), QStringLiteral("垃圾箱(0)")}));
    // Filling made the default account current and had the list reload.
    EXPECT_EQ(currentAccounts_, std::vector<std::string>{"Account[1]"});
    EXPECT_EQ(listRefreshes_, 1);
    EXPECT_EQ(view_->GetCurFolderPath(), "");

    struct Case {
        int folder;
        const char* type;
    };
    // "收件" begins "收件箱", and "(" is part of a name: neither misleads the tree.
    const Case cases[] = {{1, "faxbox"}, {0, "tempbox"}, {2, "inbox"}, {3, "trashbox"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        click(folder(c.folder));
        const std::string path = "Account[1]/Folder[" + std::to_string(c.folder) + "]";
        EXPECT_EQ(view_->GetCurFolderPath(), path);
        EXPECT_EQ(view_->GetCurAccountPath(), "Account[1]");
        EXPECT_TRUE(view_->IsCurFolderType(c.type));
        EXPECT_EQ(view_->IsCurFolderTrash(), std::string(c.type) == "trashbox") << "types compare in any case";
        EXPECT_EQ(view_->SelectedFolderDirectory(), FolderDirectory(path));
    }
    EXPECT_EQ(listRefreshes_, 5);
    click(account(0)->child(0));
    EXPECT_EQ(view_->StoredAccountPath(), "Account[0]");
    EXPECT_EQ(currentAccounts_.back(), "Account[0]");
    QtTest::SaveScreenshot(*view_, QStringLiteral("folder-tree"));
}

TEST_F(LeftViewTest, CountsFollowTheRecordsTheStoreSaves)
{
    show();
    // What the application does with every save: the main window relabels the tree.
    AccountConfig::SetSaveListener(
        [view = view_.get()] { QMetaObject::invokeMethod(view, [view] { view->RefreshFolderCounts(); }, Qt::QueuedConnection); });
    FaxRecord record;
    record.Set(FaxRecord::kCreateTime, "20261210093005");
    ASSERT_EQ(AppendFaxRecord("Account[1]/Folder[1]", record), 1);
    EXPECT_TRUE(QtTest::ProcessEventsUntil([&] { return folder(1)->text(0) == QStringLiteral("收件箱(4)"); }));
    AccountConfig::RemoveNode("Account[1]/Folder[0]/Fax[0]");
    ASSERT_EQ(AccountConfig::Save(), 1);
    EXPECT_TRUE(QtTest::ProcessEventsUntil([&] { return folder(0)->text(0) == QStringLiteral("收件(0)"); }));
}

TEST_F(LeftViewTest, LockedAccountOpensOnlyWithTheRightPassword)
{
    show("EnableAccess=\"1\"");
    EXPECT_FALSE(view_->IsUnlocked());
    EXPECT_FALSE(account(1)->isExpanded());
    EXPECT_FALSE(anyFolderVisible());

    // Keyboard: Right, "*" and "+" on an account reveal nothing; each asks (the prompt is cancelled).
    tree().setCurrentItem(account(1));
    for (int k : {int(Qt::Key_Right), int(Qt::Key_Asterisk), int(Qt::Key_Plus), int(Qt::Key_Down)}) {
        key(k);
        EXPECT_FALSE(anyFolderVisible()) << k;
    }
    EXPECT_EQ(view_->GetCurFolderPath(), "") << "no folder can be selected";
    EXPECT_FALSE(script_.dialogTitles.isEmpty());
    EXPECT_TRUE(script_.texts.isEmpty()) << "a cancelled prompt says nothing";

    // A wrong password (letter case counts) keeps it locked.
    script_.dialogs = {typesPassword(QStringLiteral("Secret"))};
    click(account(1));
    EXPECT_EQ(script_.texts, QStringList{QStringLiteral("密码错误！")});
    EXPECT_FALSE(anyFolderVisible());
    QtTest::SaveScreenshot(*view_, QStringLiteral("locked-tree"));

    script_.dialogs = {typesPassword(QStringLiteral("secret"))};
    click(account(1));
    EXPECT_TRUE(view_->IsUnlocked());
    EXPECT_TRUE(account(1)->isExpanded());
    EXPECT_TRUE(anyFolderVisible());
    click(folder(1));
    EXPECT_EQ(view_->GetCurFolderPath(), "Account[1]/Folder[1]");
    // Open until the program ends: no more prompts.
    const auto prompts = script_.dialogTitles.size();
    click(account(0));
    key(Qt::Key_Right);
    EXPECT_EQ(script_.dialogTitles.size(), prompts);
    EXPECT_TRUE(account(0)->isExpanded());
    QtTest::SaveScreenshot(*view_, QStringLiteral("unlocked-tree"));
}

TEST_F(LeftViewTest, MenusOfAccountsAndFolders)
{
    show();
    const auto texts = [](QMenu* menu) {
        QStringList list;
        for (QAction* action : menu->actions())
            list << action->text();
        return list;
    };
    EXPECT_EQ(view_->AccountMenu()->title(), QStringLiteral("_Account_"));
    EXPECT_EQ(texts(view_->AccountMenu()), (QStringList{QStringLiteral("备份"), QStringLiteral("恢复"), QStringLiteral("属性")}));
    EXPECT_EQ(view_->AccountMenu()->defaultAction()->text(), QStringLiteral("备份"));
    EXPECT_EQ(view_->FolderMenu()->title(), QStringLiteral("_Folder_"));
    EXPECT_EQ(texts(view_->FolderMenu()), (QStringList{QStringLiteral("导入..."), QStringLiteral("导出..."), QStringLiteral("属性")}));
    EXPECT_FALSE(view_->CommandAction(FolderTreeCommand::FolderProperties)->isEnabled());

    // A right click selects the item and opens its menu at the cursor; the menu key does the same.
    const QPoint at = tree().visualItemRect(folder(1)).center();
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, at, tree().viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(tree().viewport(), &rightClick);
    EXPECT_EQ(view_->GetCurFolderPath(), "Account[1]/Folder[1]");
    EXPECT_TRUE(QtTest::ProcessEventsUntil([&] { return view_->FolderMenu()->isVisible(); }));
    QtTest::SaveScreenshot(*view_->FolderMenu(), QStringLiteral("folder-menu"));
    view_->FolderMenu()->close();
    tree().setCurrentItem(account(1));
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, {}, tree().mapToGlobal(QPoint()));
    QCoreApplication::sendEvent(&tree(), &menuKey);
    EXPECT_TRUE(QtTest::ProcessEventsUntil([&] { return view_->AccountMenu()->isVisible(); }));
    view_->AccountMenu()->close();

    view_->CommandAction(FolderTreeCommand::AccountProperties)->trigger();
    EXPECT_EQ(properties_, 1);
}

TEST_F(LeftViewTest, PackCommandsAskForAFileAndTellTheOutcome)
{
    show();
    const std::string backup = dir_.file("backup");
    const std::string exported = dir_.file("exported");
    script_.chosenFiles = {file(backup), file(backup + ".index"), file(exported), file(exported + ".index")};
    click(folder(1));

    view_->OnCommand(FolderTreeCommand::BackupAccount);
    view_->OnCommand(FolderTreeCommand::RestoreAccount);
    click(folder(1));  // the restore rebuilt the tree
    view_->OnCommand(FolderTreeCommand::ExportFolder);
    click(folder(0));
    view_->OnCommand(FolderTreeCommand::ImportFolder);  // the export of another folder
    view_->OnCommand(FolderTreeCommand::BackupAccount);  // cancelled: nothing said
    EXPECT_EQ(script_.texts, (QStringList{QStringLiteral("备份成功！"), QStringLiteral("恢复成功！"),
                                          QStringLiteral("导出成功！"), QStringLiteral("该备份包不能导入该文件夹")}));

    ASSERT_EQ(script_.fileRequests.size(), 5u);
    const FileRequest& save = script_.fileRequests[0];
    EXPECT_TRUE(save.save);
    EXPECT_TRUE(save.overwritePrompt);
    EXPECT_EQ(save.filter, QStringLiteral("back File(*.index)|*.index||"));
    const FileRequest& open = script_.fileRequests[1];
    EXPECT_FALSE(open.save);
    EXPECT_EQ(open.filter, QStringLiteral("Back Files(*.index)|*.index|"));
    EXPECT_EQ(open.defaultExtension, QStringLiteral("back"));
    EXPECT_EQ(open.initialPath, QStringLiteral("*.index"));
    EXPECT_EQ(script_.fileRequests[2].filter, QStringLiteral("exp File(*.index)|*.index||"));
    EXPECT_EQ(script_.fileRequests[3].filter, QStringLiteral("exp Files(*.index)|*.index|"));
    EXPECT_EQ(script_.fileRequests[3].defaultExtension, QStringLiteral("exp"));

    // A broken pack changes nothing and says so.
    testfiles::writeFile(dir_.file("broken.index"), "junk");
    script_.chosenFiles = {file(dir_.file("broken.index"))};
    view_->OnCommand(FolderTreeCommand::RestoreAccount);
    EXPECT_EQ(script_.texts.back(), QStringLiteral("恢复失败！"));
}
