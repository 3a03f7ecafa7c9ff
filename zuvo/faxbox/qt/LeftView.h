#pragma once

#include <QTreeWidget>
#include <QWidget>

#include <functional>
#include <string>

#include "core/qt/CommandActions.h"
#include "core/qt/FolderTreePane.h"
#include "faxbox/FolderTree.h"
#include "faxbox/SelectedFolderSource.h"

class QAction;
class QLabel;
class QMenu;

// What the folder tree tells the rest of the program; each does nothing
// while it is not set.
struct LeftViewServices {
    // The application's current account ("Account[%d]", at most 255 bytes).
    std::function<void(const std::string& accountPath)> setCurrentAccount;
    // Posts WM_FAX_LIST_REFRESH to the fax list.
    std::function<void()> postListRefresh;
    // The main window's account properties command.
    std::function<void()> accountProperties;
};

// The tree itself: a right-click (or the menu key) names the item it is on.
class FolderTreeWidget : public QTreeWidget {
    Q_OBJECT
public:
    using QTreeWidget::QTreeWidget;

signals:
    void contextMenuOn(QTreeWidgetItem* item, const QPoint& globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};

// The left pane of the main window: the caption "传真账户" above a tree of
// the accounts of account.xml with their folders, "%s(%d)" with each
// folder's number of faxes. Every item keeps its account and folder index.
//
// Selecting a folder makes its account the current one and has the fax list
// reload. While the default account's access lock is on, the accounts have
// no folder items (no click, key or expansion can reach one) until the
// access check passes once; that holds for the whole tree until the program
// ends. The
// pop-up menus back up and restore the account and export and import a
// folder (MailboxArchive).
class CLeftView : public QWidget, public FolderTreePane, public SelectedFolderSource {
    Q_OBJECT
public:
    // Item data (role Qt::UserRole): what an item is.
    static constexpr int kAccountItem = 1;
    static constexpr int kFolderItem = 2;
    static constexpr int kCaptionHeight = 19;

    explicit CLeftView(LeftViewServices services, QWidget* parent = nullptr);

    // Builds the tree from account.xml, locks it when the default account's
    // lock is on, and makes the default account current.
    void FillTree();

    // "Account[%d]" of the selected item's account; "" when nothing is
    // selected or the account is gone.
    std::string GetCurAccountPath() const;
    // "Account[%d]/Folder[%d]" of the selected folder, "" when none.
    std::string GetCurFolderPath() const;
    bool IsCurFolderType(const std::string& type) const override;
    bool IsCurFolderTrash() const;
    void RefreshFolderCounts() override;
    // SelectedFolderSource
    std::string SelectedFolderDirectory() const override;

    // The account of the last selected folder (or the default account).
    std::string StoredAccountPath() const { return storedAccountPath_; }
    bool IsUnlocked() const { return unlocked_; }

    // Runs a command of the pop-up menus.
    void OnCommand(int id);
    QAction* CommandAction(int id) const;
    QMenu* AccountMenu() const { return accountMenu_; }
    QMenu* FolderMenu() const { return folderMenu_; }
    QTreeWidget* Tree() const { return tree_; }
    QLabel* Caption() const { return caption_; }

private:
    void createMenus();
    QAction* addCommand(QMenu* menu, int id, const char* text);
    void onCurrentItemChanged(QTreeWidgetItem* current);
    void onContextMenu(QTreeWidgetItem* item, const QPoint& globalPos);
    // An account item was clicked, activated or about to open: the access
    // check runs once for all of them, after the event that asked for it.
    void requestAccess(QTreeWidgetItem* account);
    bool isLocked() const;
    // Runs the access check now when the tree is locked; whether it is open.
    bool unlock();
    // Gives every account item without folder items its folders.
    void addFolders(const std::vector<AccountNode>& accounts, bool expand);
    QTreeWidgetItem* selectedItem() const;

    void backupAccount();
    void restoreAccount();
    void exportFolder();
    void importFolder();

    LeftViewServices services_;
    QLabel* caption_ = nullptr;
    FolderTreeWidget* tree_ = nullptr;
    QMenu* accountMenu_ = nullptr;
    QMenu* folderMenu_ = nullptr;
    CommandActions actions_{this, [this](int id) { OnCommand(id); }};
    std::string storedAccountPath_;
    bool unlocked_ = false;
    bool accessPending_ = false;
    int lastRightClicked_ = 0;  // item data of the last right-clicked item
};
