// The contact list's table model.

#include "contacts/qt/ContactTableModel.h"

#include <numeric>

#include "contacts/ContactListOrder.h"

void ContactTableModel::SetRows(FolderRows rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    order_.resize(rows_.rows.size());
    std::iota(order_.begin(), order_.end(), 0);
    endResetModel();
}

void ContactTableModel::Clear()
{
    SetRows({});
}

CardRef ContactTableModel::CardAt(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= order_.size())
        return {};
    return rows_.rows[order_[row]].card;
}

int ContactTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int ContactTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.columns.size());
}

QVariant ContactTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || static_cast<std::size_t>(index.row()) >= order_.size())
        return {};
    const std::vector<std::string>& cells = rows_.rows[order_[index.row()]].cells;
    const auto column = static_cast<std::size_t>(index.column());
    return column < cells.size() ? QString::fromStdString(cells[column]) : QString();
}

QVariant ContactTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        static_cast<std::size_t>(section) >= rows_.columns.size())
        return {};
    return QString::fromStdString(rows_.columns[section].caption);
}

void ContactTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || static_cast<std::size_t>(column) >= rows_.columns.size())
        return;
    emit layoutAboutToBeChanged();
    const std::vector<std::size_t> sorted =
        SortedRowOrder(rows_.rows, static_cast<std::size_t>(column), order == Qt::AscendingOrder);
    order_ = sorted;
    emit layoutChanged();
}
