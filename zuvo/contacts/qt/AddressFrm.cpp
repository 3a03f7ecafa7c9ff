// The address-book window: layout, commands, pop-up menus, and the flows of
// its commands over the window's document.

#include "contacts/qt/AddressFrm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "contacts/AddressBookTexts.h"
#include "contacts/AddressCommands.h"
#include "contacts/qt/AddDirDlg.h"
#include "contacts/qt/AddrLeftView.h"
#include "contacts/qt/AddrListView.h"
#include "contacts/qt/AddrNewSheet.h"
#include "contacts/qt/CommandBarLayout.h"
#include "core/stores/ProgramPaths.h"
#include "core/TextUtil.h"
#include "core/qt/Prompter.h"

namespace {

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QIcon commandIcon(int id)
{
    using namespace AddressCommand;
    QStyle* style = QApplication::style();
    switch (id) {
    case NewCard: return style->standardIcon(QStyle::SP_FileIcon);
    case NewGroup: return style->standardIcon(QStyle::SP_FileDialogNewFolder);
    case NewFolder: return style->standardIcon(QStyle::SP_DirIcon);
    case Properties: return style->standardIcon(QStyle::SP_FileDialogDetailedView);
    case Delete: return style->standardIcon(QStyle::SP_TrashIcon);
    case Find: return style->standardIcon(QStyle::SP_FileDialogContentsView);
    case Export: return style->standardIcon(QStyle::SP_DialogSaveButton);
    default: return {};
    }
}

std::optional<std::string> chooseFile(bool save, const char* filter)
{
    FileRequest request;
    request.save = save;
    request.filter = text(filter);
    request.overwritePrompt = save;
    const std::optional<ChosenFile> chosen = CurrentPrompter().ChooseFile(request);
    if (!chosen || chosen->path.isEmpty())
        return std::nullopt;
    return QFile::encodeName(chosen->path).toStdString();
}

} // namespace

AddressFrameServices ProgramAddressFrameServices(WindowId mainWindow)
{
    AddressFrameServices services;
    services.directory = ProgramDirectory();
    services.postNotice = [mainWindow](const QString& notice) {
        WindowRegistry::Post(mainWindow, WM_FAX_POPUP, 0, 0, notice);
    };
    services.fileCreated = [](const std::string& directory) {
        AddressBookConfig& store = AddressBookConfig::GetInstance();
        if (!store.isOpen())
            store.Open(directory);
    };
    return services;
}

CAddressFrm::CAddressFrm(AddressFrameServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), document_(services_.directory)
{
    setObjectName(QStringLiteral("CAddressFrm"));
    setWindowTitle(text(AddressText::kTitle));
    tree_ = new CAddrLeftView(text(AddressText::kTreeCaption), this);
    list_ = new CAddrListView(this);
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->addWidget(tree_);
    splitter_->addWidget(list_);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({kLeftWidth, 600});
    setCentralWidget(splitter_);
    statusBar();
    createCommands();
    RestoreCommandBars(*this, AddressText::kBarsProfile);

    connect(tree_, &CAddrLeftView::selectionChanged, this, [this] {
        UpdateCommands();
        fillList();
    });
    connect(tree_, &CAddrLeftView::contextMenuRequested, this, &CAddressFrm::onTreeMenu);
    connect(list_, &CAddrListView::contextMenuRequested, this, &CAddressFrm::onListMenu);
    connect(list_, &CAddrListView::rowActivated, this, [this] {
        if (list_->HasSelection())
            editCard();
    });

    if (document_.Open()) {
        if (document_.CreatedFile() && services_.fileCreated)
            services_.fileCreated(services_.directory);
        fillTree(-1, -1);
    } else {
        tree_->ShowMissing(text(AddressText::kFileMissing));
    }
    UpdateCommands();
    resize(800, 500);
}

void CAddressFrm::createCommands()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("AddressMenu"));
    QMenu* file = bar->addMenu(text(AddressText::kFileMenu));
    QMenu* edit = bar->addMenu(text(AddressText::kEditMenu));
    QMenu* view = bar->addMenu(text(AddressText::kViewMenu));
    QToolBar* toolbar = addToolBar(text(AddressText::kToolbar));
    toolbar->setObjectName(text(AddressText::kToolbar));
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    QMenu* import = nullptr;

    for (const AddressCommandEntry& command : AddressCommands()) {
        auto* action = new QAction(commandIcon(command.id), text(command.text), this);
        action->setObjectName(QStringLiteral("ID_%1").arg(command.id));
        actions_.Add(command.id, action);
        switch (command.menu) {
        case AddressMenu::File:
            if (command.id == AddressCommand::Close)
                file->addSeparator();
            file->addAction(action);
            break;
        case AddressMenu::Import:
            if (!import)
                import = file->addMenu(text(AddressText::kImportMenu));
            import->addAction(action);
            break;
        case AddressMenu::Edit: edit->addAction(action); break;
        case AddressMenu::View: {
            view->addAction(toolbar->toggleViewAction());
            QAction* status = view->addAction(text(AddressText::kStatusBarToggle));
            status->setCheckable(true);
            status->setChecked(true);
            connect(status, &QAction::toggled, statusBar(), &QStatusBar::setVisible);
            view->addSeparator();
            view->addAction(action);
            break;
        }
        }
        if (command.toolbar)
            toolbar->addAction(action);
    }
    toolbar->toggleViewAction()->setText(text(AddressText::kToolbarToggle));
    for (QMenu* menu : {file, edit, view})
        connect(menu, &QMenu::aboutToShow, this, &CAddressFrm::UpdateCommands);

    using namespace AddressCommand;
    treeMenu_ = new QMenu(text(AddressText::kTreeMenu), this);
    for (int id : {NewCard, NewGroup, NewFolder})
        treeMenu_->addAction(actions_.Find(id));
    treeMenu_->setDefaultAction(actions_.Find(NewCard));
    listMenu_ = new QMenu(text(AddressText::kListMenu), this);
    for (int id : {Properties, Delete, Find})
        listMenu_->addAction(actions_.Find(id));
}

QAction* CAddressFrm::CommandAction(int id) const
{
    return actions_.Find(id);
}

void CAddressFrm::UpdateCommands()
{
    const int kind = tree_->SelectedKind();
    for (const auto& [id, action] : actions_.All())
        action->setEnabled(IsAddressCommandEnabled(id, kind));
}

// ---------------------------------------------------------------- tree and list

void CAddressFrm::fillTree(int selectBook, int selectFolder)
{
    books_ = document_.Books();
    tree_->SetBooks(books_, selectBook, selectFolder);
}

void CAddressFrm::refreshTree()
{
    const FolderRef folder = tree_->SelectedFolder();
    fillTree(tree_->SelectedBook(), folder.IsFolder() ? folder.folder : -1);
}

void CAddressFrm::fillList()
{
    const FolderRef folder = tree_->SelectedFolder();
    FolderRows rows;
    if (!document_.IsOpen()) {
        list_->Clear();
        return;
    }
    const bool there = document_.ReadFolder(folder, rows);
    if (!there)
        rows.rows.clear(); // a book, or a folder that moved: only the columns
    list_->Fill(std::move(rows));
}

void CAddressFrm::settle(ChangeResult result)
{
    if (result == ChangeResult::Moved)
        refreshTree(); // refills the list too
    else
        fillList();
}

void CAddressFrm::onTreeMenu(const QPoint& at)
{
    UpdateCommands();
    treeMenu_->popup(at, treeMenu_->defaultAction());
}

void CAddressFrm::onListMenu(const QPoint& at)
{
    if (!list_->HasSelection()) {
        if (services_.postNotice)
            services_.postNotice(text(AddressText::kSelectAddress));
        return;
    }
    UpdateCommands();
    listMenu_->popup(at);
}

// ---------------------------------------------------------------- commands

void CAddressFrm::OnCommand(int id)
{
    using namespace AddressCommand;
    if (!IsAddressCommandEnabled(id, tree_->SelectedKind()))
        return;
    switch (id) {
    case NewCard: newCard(); break;
    case NewFolder: newFolder(); break;
    case Properties:
        if (list_->HasSelection())
            editCard();
        else
            renameFolder();
        break;
    case Delete: deleteSelection(); break;
    case ImportNumbers: import(ImportKind::NumberList); break;
    case ImportNumbersAndNames: import(ImportKind::NumberAndName); break;
    case ImportAddressBook: import(ImportKind::AddressBook); break;
    case Export: exportBook(); break;
    case Close: close(); break;
    case Customize:
        if (QMenu* menu = createPopupMenu()) {
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(QCursor::pos());
        }
        break;
    default: break;
    }
}

std::optional<ChangeResult> CAddressFrm::runSheet(CAddrNewSheet& sheet,
                                                  const std::function<ChangeResult(const AddressCard&)>& save)
{
    for (;;) {
        if (CurrentPrompter().RunDialog(sheet) != QDialog::Accepted)
            return std::nullopt;
        const ChangeResult result = save(sheet.Card());
        if (result != ChangeResult::Failed)
            return result;
        // Nothing was saved: the user hears so and gets the sheet back with
        // what they typed, to try again or cancel.
        ShowMessage(text(AddressText::kSaveFailed));
    }
}

void CAddressFrm::newCard()
{
    const FolderRef folder = tree_->SelectedFolder();
    if (!folder.IsFolder())
        return;
    CAddrNewSheet sheet(CAddrNewSheet::Mode::New, {}, this);
    if (const auto result = runSheet(sheet, [&](const AddressCard& card) { return document_.AddCard(folder, card); }))
        settle(*result);
}

void CAddressFrm::editCard()
{
    const FolderRef folder = tree_->SelectedFolder();
    const CardRef card = list_->FirstSelectedCard();
    StoredCard stored;
    const ChangeResult read = document_.ReadCard(folder, card, stored);
    if (read != ChangeResult::Done) {
        settle(read);
        return;
    }
    CAddrNewSheet sheet(CAddrNewSheet::Mode::Edit, stored, this);
    if (const auto result =
            runSheet(sheet, [&](const AddressCard& typed) { return document_.EditCard(folder, card, typed); }))
        settle(*result);
}

bool CAddressFrm::folderNameFree(const QString& name, int except) const
{
    const int book = tree_->SelectedBook();
    if (name.isEmpty() || book < 0 || static_cast<std::size_t>(book) >= books_.size())
        return false;
    const std::vector<std::string>& folders = books_[book].folders;
    for (std::size_t f = 0; f < folders.size(); ++f)
        if (static_cast<int>(f) != except && EqualsNoCase(folders[f], name.toStdString()))
            return false;
    return true;
}

void CAddressFrm::newFolder()
{
    const int book = tree_->SelectedBook();
    const QString bookName = tree_->SelectedBookName();
    CAddDirDlg dialog(QString(), [this](const QString& name) { return folderNameFree(name, -1); }, this);
    if (CurrentPrompter().RunDialog(dialog) != QDialog::Accepted)
        return;
    document_.AddFolder(book, bookName.toStdString(), dialog.Name().toStdString());
    fillTree(book, -1);
}

void CAddressFrm::renameFolder()
{
    const FolderRef folder = tree_->SelectedFolder();
    CAddDirDlg dialog(QString::fromStdString(folder.folderName),
                      [this, folder](const QString& name) { return folderNameFree(name, folder.folder); }, this);
    if (CurrentPrompter().RunDialog(dialog) != QDialog::Accepted)
        return;
    // The file changes first; the tree shows what it then holds.
    document_.RenameFolder(folder, dialog.Name().toStdString());
    fillTree(folder.book, folder.folder);
}

void CAddressFrm::deleteSelection()
{
    const FolderRef folder = tree_->SelectedFolder();
    if (list_->HasSelection()) {
        settle(document_.DeleteCards(folder, list_->SelectedCards()));
        return;
    }
    if (!CurrentPrompter().Ask(text(AddressText::kDeleteFolderQuestion)))
        return;
    document_.DeleteFolder(folder);
    fillTree(folder.book, -1);
}

void CAddressFrm::import(ImportKind kind)
{
    const FolderRef folder = tree_->SelectedFolder();
    const auto path = chooseFile(false, kind == ImportKind::AddressBook ? AddressText::kXmlFilter : AddressText::kTextFilter);
    if (!path)
        return;
    const bool imported = ImportIntoFolder(document_, folder, kind, *path);
    fillList();
    ShowMessage(text(imported ? AddressText::kImportDone : AddressText::kImportFailed));
}

void CAddressFrm::exportBook()
{
    const auto path = chooseFile(true, "");
    if (path && !document_.ExportTo(*path))
        ShowMessage(text(AddressText::kExportFailed));
}

void CAddressFrm::closeEvent(QCloseEvent* event)
{
    SaveCommandBars(*this, AddressText::kBarsProfile);
    event->accept();
}
