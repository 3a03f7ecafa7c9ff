// The folder tree: filling and relabelling from account.xml, the selection
// that makes an account current, the access lock over the folders, and the
// pop-up menus of the account and folder items.

#include "faxbox/qt/LeftView.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>

#include "core/TextUtil.h"
#include "core/frame/AccessLock.h"
#include "core/qt/AccessPasswordDlg.h"
#include "core/qt/Prompter.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/FaxRecordStore.h"
#include "faxbox/FolderTree.h"
#include "faxbox/FolderTreeTexts.h"
#include "faxbox/MailboxArchive.h"
#include "faxbox/qt/FolderTreeIcons.h"

namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kAccountRole = Qt::UserRole + 1;
constexpr int kFolderRole = Qt::UserRole + 2;

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QString text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

int kindOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, kKindRole).toInt() : 0;
}

bool accountExists(const std::string& accountPath)
{
    return AccountConfig::IsOpen() && AccountConfig::GetNodeCount(accountPath) > 0;
}

// The path the user chose, or nothing.
std::optional<std::string> choosePack(bool save, const char* filter, const char* defaultExtension)
{
    FileRequest request;
    request.save = save;
    request.filter = text(filter);
    request.overwritePrompt = save;
    if (!save) {
        request.defaultExtension = text(defaultExtension);
        request.initialPath = text(FolderTreeText::kPackPattern);
    }
    const std::optional<ChosenFile> chosen = CurrentPrompter().ChooseFile(request);
    if (!chosen || chosen->path.isEmpty())
        return std::nullopt;
    return QFile::encodeName(chosen->path).toStdString();
}

void tell(bool done, const char* doneText, const char* failedText)
{
    ShowMessage(text(done ? doneText : failedText));
}

} // namespace

void FolderTreeWidget::contextMenuEvent(QContextMenuEvent* event)
{
    // A mouse's event comes through the viewport, in its coordinates; the
    // menu key's goes to the tree and means its current item.
    QTreeWidgetItem* item = nullptr;
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        item = currentItem();
        if (item)
            at = viewport()->mapToGlobal(visualItemRect(item).center());
    } else {
        item = itemAt(event->pos());
    }
    if (item)
        emit contextMenuOn(item, at);
    event->accept();
}

CLeftView::CLeftView(LeftViewServices services, QWidget* parent) : QWidget(parent), services_(std::move(services))
{
    setObjectName(QStringLiteral("CLeftView"));
    caption_ = new QLabel(text(FolderTreeText::kCaption), this);
    caption_->setObjectName(QStringLiteral("LeftViewCaption"));
    caption_->setFixedHeight(kCaptionHeight);
    caption_->setIndent(4);
    // The button face and text colours of the palette in use, which follows
    // the system's colours when they change.
    caption_->setAutoFillBackground(true);
    caption_->setBackgroundRole(QPalette::Button);
    caption_->setForegroundRole(QPalette::ButtonText);

    tree_ = new FolderTreeWidget(this);
    tree_->setObjectName(QStringLiteral("FolderTree"));
    tree_->setAccessibleName(text(FolderTreeText::kCaption));
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setIconSize(QSize(16, 16));
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setExpandsOnDoubleClick(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(caption_);
    layout->addWidget(tree_);

    createMenus();

    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { onCurrentItemChanged(current); });
    connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) {
        if (kindOf(item) == kAccountItem)
            requestAccess(item);
    });
    // Double click and Enter: open or close an account, once the lock lets it.
    connect(tree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item, int) {
        if (kindOf(item) != kAccountItem)
            return;
        if (isLocked())
            requestAccess(item);
        else
            item->setExpanded(!item->isExpanded());
    });
    // An account opened by its arrow, Right, "+" or "*" while locked (it has
    // no folder items then) closes again at once and asks for the password.
    connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (kindOf(item) == kAccountItem && isLocked()) {
            item->setExpanded(false);
            requestAccess(item);
        }
    });
    connect(tree_, &FolderTreeWidget::contextMenuOn, this, &CLeftView::onContextMenu);

    FillTree();
}

void CLeftView::createMenus()
{
    accountMenu_ = new QMenu(text(FolderTreeText::kAccountMenu), this);
    addCommand(accountMenu_, FolderTreeCommand::BackupAccount, FolderTreeText::kBackup);
    addCommand(accountMenu_, FolderTreeCommand::RestoreAccount, FolderTreeText::kRestore);
    addCommand(accountMenu_, FolderTreeCommand::AccountProperties, FolderTreeText::kProperties);
    accountMenu_->setDefaultAction(accountMenu_->actions().front());

    folderMenu_ = new QMenu(text(FolderTreeText::kFolderMenu), this);
    addCommand(folderMenu_, FolderTreeCommand::ImportFolder, FolderTreeText::kImport);
    addCommand(folderMenu_, FolderTreeCommand::ExportFolder, FolderTreeText::kExport);
    addCommand(folderMenu_, FolderTreeCommand::FolderProperties, FolderTreeText::kProperties)->setEnabled(false);
    folderMenu_->setDefaultAction(folderMenu_->actions().front());
}

QAction* CLeftView::addCommand(QMenu* menu, int id, const char* label)
{
    QAction* action = actions_.Add(id, menu->addAction(text(label)));
    action->setObjectName(QStringLiteral("ID_%1").arg(id));
    return action;
}

QAction* CLeftView::CommandAction(int id) const
{
    return actions_.Find(id);
}

// ---------------------------------------------------------------- the tree

void CLeftView::FillTree()
{
    const QSignalBlocker quiet(tree_);
    tree_->clear();
    const std::vector<AccountNode> accounts = ReadAccountTree();
    for (std::size_t i = 0; i < accounts.size(); ++i) {
        auto* account = new QTreeWidgetItem(tree_, QStringList{text(accounts[i].name)});
        account->setData(0, kKindRole, kAccountItem);
        account->setData(0, kAccountRole, static_cast<int>(i));
        account->setIcon(0, FolderTreeIcon(0));
        account->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    unlocked_ = !AccessLock::IsEnabled();
    if (unlocked_)
        addFolders(accounts, true);

    storedAccountPath_ = AccountConfig::GetDefaultAccountPath();
    if (services_.setCurrentAccount)
        services_.setCurrentAccount(storedAccountPath_);
    if (!storedAccountPath_.empty() && services_.postListRefresh)
        services_.postListRefresh();
}

void CLeftView::addFolders(const std::vector<AccountNode>& accounts, bool expand)
{
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* account = tree_->topLevelItem(i);
        const auto a = static_cast<std::size_t>(account->data(0, kAccountRole).toInt());
        if (a >= accounts.size() || account->childCount() > 0)
            continue;
        for (std::size_t j = 0; j < accounts[a].folders.size(); ++j) {
            auto* folder = new QTreeWidgetItem(account, QStringList{text(FolderLabel(accounts[a].folders[j]))});
            folder->setData(0, kKindRole, kFolderItem);
            folder->setData(0, kAccountRole, static_cast<int>(a));
            folder->setData(0, kFolderRole, static_cast<int>(j));
            folder->setIcon(0, FolderTreeIcon(FolderIconIndex(static_cast<int>(j))));
        }
        account->setExpanded(expand);
    }
}

void CLeftView::RefreshFolderCounts()
{
    const std::vector<AccountNode> accounts = ReadAccountTree();
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* account = tree_->topLevelItem(i);
        const auto a = static_cast<std::size_t>(account->data(0, kAccountRole).toInt());
        if (a >= accounts.size())
            continue;
        for (int k = 0; k < account->childCount(); ++k) {
            QTreeWidgetItem* folder = account->child(k);
            const auto f = static_cast<std::size_t>(folder->data(0, kFolderRole).toInt());
            if (f < accounts[a].folders.size())
                folder->setText(0, text(FolderLabel(accounts[a].folders[f])));
        }
    }
}

QTreeWidgetItem* CLeftView::selectedItem() const
{
    const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

std::string CLeftView::GetCurAccountPath() const
{
    const QTreeWidgetItem* item = selectedItem();
    if (!item)
        return "";
    const std::string path = AccountPathOf(item->data(0, kAccountRole).toInt());
    return accountExists(path) ? path : "";
}

std::string CLeftView::GetCurFolderPath() const
{
    const QTreeWidgetItem* item = selectedItem();
    if (kindOf(item) != kFolderItem)
        return "";
    const std::string path =
        FolderPathOf(item->data(0, kAccountRole).toInt(), item->data(0, kFolderRole).toInt());
    return accountExists(path) ? path : "";
}

bool CLeftView::IsCurFolderType(const std::string& type) const
{
    const std::string path = GetCurFolderPath();
    return !path.empty() && EqualsNoCase(AccountConfig::GetAttr(path, "Type"), type);
}

bool CLeftView::IsCurFolderTrash() const
{
    return IsCurFolderType(FolderType::kTrashBox);
}

std::string CLeftView::SelectedFolderDirectory() const
{
    const std::string path = GetCurFolderPath();
    return path.empty() ? "" : FolderDirectory(path);
}

void CLeftView::onCurrentItemChanged(QTreeWidgetItem* current)
{
    if (kindOf(current) != kFolderItem)
        return;
    const std::string account = AccountPathOf(current->data(0, kAccountRole).toInt());
    if (!accountExists(account))
        return;
    storedAccountPath_ = account;
    if (services_.setCurrentAccount)
        services_.setCurrentAccount(account);
    if (services_.postListRefresh)
        services_.postListRefresh();
}

// ---------------------------------------------------------------- the lock

bool CLeftView::isLocked() const
{
    return !unlocked_ && AccessLock::IsEnabled();
}

bool CLeftView::unlock()
{
    if (!isLocked())
        return true;
    if (!RunAccessCheck(this))
        return false;
    unlocked_ = true;
    const QSignalBlocker quiet(tree_);
    addFolders(ReadAccountTree(), false);
    return true;
}

void CLeftView::requestAccess(QTreeWidgetItem* account)
{
    if (!isLocked() || accessPending_)
        return;
    accessPending_ = true;
    const int index = tree_->indexOfTopLevelItem(account);
    QTimer::singleShot(0, this, [this, index] {
        accessPending_ = false;
        if (isLocked() && unlock())
            if (QTreeWidgetItem* item = tree_->topLevelItem(index))
                item->setExpanded(true);
    });
}

// ---------------------------------------------------------------- the menus

void CLeftView::onContextMenu(QTreeWidgetItem* item, const QPoint& globalPos)
{
    const int kind = kindOf(item);
    lastRightClicked_ = kind;
    if (kind == kAccountItem && !unlock())
        return;
    tree_->setCurrentItem(item);
    QMenu* menu = kind == kAccountItem ? accountMenu_ : kind == kFolderItem ? folderMenu_ : nullptr;
    if (menu)
        menu->popup(globalPos, menu->defaultAction());
}

void CLeftView::OnCommand(int id)
{
    switch (id) {
    case FolderTreeCommand::BackupAccount: backupAccount(); break;
    case FolderTreeCommand::RestoreAccount: restoreAccount(); break;
    case FolderTreeCommand::ExportFolder: exportFolder(); break;
    case FolderTreeCommand::ImportFolder: importFolder(); break;
    case FolderTreeCommand::AccountProperties:
        if (services_.accountProperties)
            services_.accountProperties();
        break;
    default: break;  // folder properties has no action
    }
}

void CLeftView::backupAccount()
{
    if (GetCurAccountPath().empty() || !unlock())
        return;
    const auto chosen = choosePack(true, FolderTreeText::kBackupFilter, "");
    if (chosen)
        tell(MailboxArchive::BackupAccount(*chosen) == MailboxArchive::Result::Success, FolderTreeText::kBackupDone,
             FolderTreeText::kBackupFailed);
}

void CLeftView::restoreAccount()
{
    if (GetCurAccountPath().empty() || !unlock())
        return;
    const auto chosen = choosePack(false, FolderTreeText::kRestoreFilter, FolderTreeText::kRestoreExtension);
    if (!chosen)
        return;
    const bool restored = MailboxArchive::RestoreAccount(*chosen) == MailboxArchive::Result::Success;
    if (restored) {
        FillTree();
        if (services_.postListRefresh)
            services_.postListRefresh();
    }
    tell(restored, FolderTreeText::kRestoreDone, FolderTreeText::kRestoreFailed);
}

void CLeftView::exportFolder()
{
    const std::string folder = GetCurFolderPath();
    if (folder.empty())
        return;
    const auto chosen = choosePack(true, FolderTreeText::kExportFilter, "");
    if (chosen)
        tell(MailboxArchive::ExportFolder(folder, *chosen) == MailboxArchive::Result::Success,
             FolderTreeText::kExportDone, FolderTreeText::kExportFailed);
}

void CLeftView::importFolder()
{
    const std::string folder = GetCurFolderPath();
    if (folder.empty())
        return;
    const auto chosen = choosePack(false, FolderTreeText::kImportFilter, FolderTreeText::kImportExtension);
    if (!chosen)
        return;
    switch (MailboxArchive::ImportFolder(folder, *chosen)) {
    case MailboxArchive::Result::Success:
        RefreshFolderCounts();
        if (services_.postListRefresh)
            services_.postListRefresh();
        ShowMessage(text(FolderTreeText::kImportDone));
        break;
    case MailboxArchive::Result::WrongFolder: ShowMessage(text(FolderTreeText::kImportWrongFolder)); break;
    case MailboxArchive::Result::BadIndex: ShowMessage(text(FolderTreeText::kImportBadIndex)); break;
    case MailboxArchive::Result::Failed: ShowMessage(text(FolderTreeText::kImportFailed)); break;
    }
}
