#pragma once

#include <QAbstractTableModel>

#include <vector>

#include "contacts/AddressBookDocument.h"

// The cards of one folder as a table, over rows read once from the file;
// sorting reorders a list of positions and keeps every row's card index.
class ContactTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Shows these rows in document order.
    void SetRows(FolderRows rows);
    void Clear();

    // The card shown in a row of the table.
    CardRef CardAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    FolderRows rows_;
    std::vector<std::size_t> order_; // table row -> rows_.rows position
};
