// The contact list of the address-book window.

#include "contacts/qt/AddrListView.h"

#include <QContextMenuEvent>
#include <QHeaderView>

#include <algorithm>

#include "contacts/qt/ContactTableModel.h"

CAddrListView::CAddrListView(QWidget* parent) : QTreeView(parent)
{
    setObjectName(QStringLiteral("ContactList"));
    setAccessibleName(QStringLiteral("地址列表"));
    model_ = new ContactTableModel(this);
    setModel(model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    header()->setStretchLastSection(false);
    header()->setDefaultSectionSize(kColumnWidth);
    // A header click sorts by that column: ascending at the first click on a
    // column, the other way round at each further one (the header flips its
    // indicator itself once it is shown).
    connect(header(), &QHeaderView::sortIndicatorChanged, this, [this](int section, Qt::SortOrder order) {
        if (!header()->isSortIndicatorShown())
            return;
        clearSelection();
        model_->sort(section, order);
    });
    connect(header(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (header()->isSortIndicatorShown())
            return;
        header()->setSortIndicatorShown(true);
        header()->setSortIndicator(section, Qt::AscendingOrder);
        clearSelection();
        model_->sort(section, Qt::AscendingOrder);
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            emit rowActivated();
    });
}

void CAddrListView::unsorted()
{
    const QSignalBlocker quiet(header());
    header()->setSortIndicatorShown(false);
    header()->setSortIndicator(-1, Qt::AscendingOrder);
}

void CAddrListView::Fill(FolderRows rows)
{
    unsorted();
    model_->SetRows(std::move(rows));
    for (int column = 0; column < model_->columnCount(); ++column)
        setColumnWidth(column, kColumnWidth);
}

void CAddrListView::Clear()
{
    unsorted();
    model_->Clear();
}

std::vector<int> CAddrListView::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool CAddrListView::HasSelection() const
{
    return selectionModel()->hasSelection();
}

std::vector<CardRef> CAddrListView::SelectedCards() const
{
    std::vector<CardRef> cards;
    for (int row : selectedRows())
        cards.push_back(model_->CardAt(row));
    return cards;
}

CardRef CAddrListView::FirstSelectedCard() const
{
    const std::vector<int> rows = selectedRows();
    return rows.empty() ? CardRef{} : model_->CardAt(rows.front());
}

void CAddrListView::contextMenuEvent(QContextMenuEvent* event)
{
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid())
        at = viewport()->mapToGlobal(visualRect(currentIndex()).center());
    emit contextMenuRequested(at);
    event->accept();
}
