// The tree of books and folders with its caption strip.

#include "contacts/qt/AddrLeftView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QIcon>
#include <QLabel>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kBookRole = Qt::UserRole + 1;
constexpr int kFolderRole = Qt::UserRole + 2;

QString text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

int kindOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, kKindRole).toInt() : 0;
}

} // namespace

CAddrLeftView::CAddrLeftView(const QString& caption, QWidget* parent) : QWidget(parent)
{
    caption_ = new QLabel(caption, this);
    caption_->setObjectName(QStringLiteral("TreeCaption"));
    caption_->setFixedHeight(kCaptionHeight);
    caption_->setIndent(4);
    caption_->setAutoFillBackground(true);
    caption_->setBackgroundRole(QPalette::Button);
    caption_->setForegroundRole(QPalette::ButtonText);

    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("BookTree"));
    tree_->setAccessibleName(caption);
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setIconSize(QSize(16, 16));
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setContextMenuPolicy(Qt::DefaultContextMenu);
    tree_->installEventFilter(this);
    tree_->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(caption_);
    layout->addWidget(tree_);

    connect(tree_, &QTreeWidget::itemSelectionChanged, this, &CAddrLeftView::selectionChanged);
}

void CAddrLeftView::SetBooks(const std::vector<BookEntry>& books, int selectBook, int selectFolder)
{
    QTreeWidgetItem* select = nullptr;
    {
        const QSignalBlocker quiet(tree_);
        tree_->clear();
        // A book is told from its folders at a glance: the desktop's address
        // book icon, or where the desktop has none, a list's.
        const QIcon bookIcon = QIcon::fromTheme(QStringLiteral("x-office-address-book"),
                                                style()->standardIcon(QStyle::SP_FileDialogContentsView));
        const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
        for (std::size_t b = 0; b < books.size(); ++b) {
            auto* book = new QTreeWidgetItem(tree_, QStringList{text(books[b].name)});
            book->setIcon(0, bookIcon);
            book->setData(0, kKindRole, kBookItem);
            book->setData(0, kBookRole, static_cast<int>(b));
            if (static_cast<int>(b) == selectBook && selectFolder < 0)
                select = book;
            for (std::size_t f = 0; f < books[b].folders.size(); ++f) {
                auto* folder = new QTreeWidgetItem(book, QStringList{text(books[b].folders[f])});
                folder->setIcon(0, folderIcon);
                folder->setData(0, kKindRole, kFolderItem);
                folder->setData(0, kBookRole, static_cast<int>(b));
                folder->setData(0, kFolderRole, static_cast<int>(f));
                if (static_cast<int>(b) == selectBook && static_cast<int>(f) == selectFolder)
                    select = folder;
            }
            book->setExpanded(true);
        }
        if (select)
            tree_->setCurrentItem(select);
    }
    emit selectionChanged();
}

void CAddrLeftView::ShowMissing(const QString& missing)
{
    {
        const QSignalBlocker quiet(tree_);
        tree_->clear();
        new QTreeWidgetItem(tree_, QStringList{missing});
    }
    emit selectionChanged();
}

QTreeWidgetItem* CAddrLeftView::selectedItem() const
{
    const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

int CAddrLeftView::SelectedKind() const
{
    return kindOf(selectedItem());
}

FolderRef CAddrLeftView::SelectedFolder() const
{
    const QTreeWidgetItem* item = selectedItem();
    if (kindOf(item) != kFolderItem || !item->parent())
        return {};
    return {item->data(0, kBookRole).toInt(), item->data(0, kFolderRole).toInt(),
            item->parent()->text(0).toStdString(), item->text(0).toStdString()};
}

int CAddrLeftView::SelectedBook() const
{
    const QTreeWidgetItem* item = selectedItem();
    return kindOf(item) == 0 ? -1 : item->data(0, kBookRole).toInt();
}

QString CAddrLeftView::SelectedBookName() const
{
    const QTreeWidgetItem* item = selectedItem();
    if (kindOf(item) == kFolderItem)
        item = item->parent();
    return kindOf(item) == kBookItem ? item->text(0) : QString();
}

bool CAddrLeftView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ContextMenu || (watched != tree_ && watched != tree_->viewport()))
        return QWidget::eventFilter(watched, event);
    auto* menuEvent = static_cast<QContextMenuEvent*>(event);
    // A mouse's event comes through the viewport; the menu key's means the
    // current item.
    QTreeWidgetItem* item = nullptr;
    QPoint at = menuEvent->globalPos();
    if (menuEvent->reason() == QContextMenuEvent::Keyboard) {
        item = tree_->currentItem();
        if (item)
            at = tree_->viewport()->mapToGlobal(tree_->visualItemRect(item).center());
    } else if (watched == tree_->viewport()) {
        item = tree_->itemAt(menuEvent->pos());
    }
    if (item) {
        tree_->setCurrentItem(item);
        emit contextMenuRequested(at);
    }
    return true;
}
