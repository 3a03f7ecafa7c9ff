#pragma once

#include <QMainWindow>

#include <functional>
#include <optional>
#include <string>

#include "contacts/AddressBookDocument.h"
#include "contacts/AddressBookImport.h"
#include "core/qt/CommandActions.h"
#include "core/qt/WindowMessage.h"

class CAddrLeftView;
class CAddrNewSheet;
class CAddrListView;
class QAction;
class QMenu;
class QSplitter;

// What the address-book window uses of the rest of the program.
struct AddressFrameServices {
    // Where address.xml lies.
    std::string directory;
    // Shows a notice in the main window's pop-up (WM_FAX_POPUP).
    std::function<void(const QString&)> postNotice;
    // The window wrote address.xml from the template: the store opens it.
    std::function<void(const std::string& directory)> fileCreated;
};

// The program's: the program directory, the main window's pop-up notice
// (by its window id) and the store singleton.
AddressFrameServices ProgramAddressFrameServices(WindowId mainWindow);

// The address-book window "地址薄": the tree of books and folders on the
// left, the cards of the selected folder on the right, the commands of its
// menus, toolbar and pop-up menus. Every change goes through the window's
// AddressBookDocument; dialogs and file choosers through the prompter.
class CAddressFrm : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kLeftWidth = 175;

    explicit CAddressFrm(AddressFrameServices services, QWidget* parent = nullptr);

    void OnCommand(int id);
    void UpdateCommands();
    QAction* CommandAction(int id) const;
    QMenu* TreeMenu() const { return treeMenu_; }
    QMenu* ListMenu() const { return listMenu_; }
    CAddrLeftView* LeftView() const { return tree_; }
    CAddrListView* ListView() const { return list_; }
    AddressBookDocument& Document() { return document_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createCommands();
    void fillTree(int selectBook, int selectFolder);
    void refreshTree();
    void fillList();
    // After a change: the tree again when what it showed moved, the list always.
    void settle(ChangeResult result);
    void onTreeMenu(const QPoint& at);
    void onListMenu(const QPoint& at);

    // Runs the contact editor until `save` takes its values (its result) or
    // it is cancelled (none); a save that fails is reported and the sheet is
    // shown again with what was typed.
    std::optional<ChangeResult> runSheet(CAddrNewSheet& sheet,
                                         const std::function<ChangeResult(const AddressCard&)>& save);
    void newCard();
    void editCard();
    void newFolder();
    void renameFolder();
    void deleteSelection();
    void import(ImportKind kind);
    void exportBook();
    bool folderNameFree(const QString& name, int except) const;

    AddressFrameServices services_;
    AddressBookDocument document_;
    std::vector<BookEntry> books_; // as the tree shows them
    CAddrLeftView* tree_ = nullptr;
    CAddrListView* list_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QMenu* treeMenu_ = nullptr;
    QMenu* listMenu_ = nullptr;
    CommandActions actions_{this, [this](int id) { OnCommand(id); }};
};
