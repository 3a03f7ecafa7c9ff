#pragma once
// The fax list's rows as a Qt table model: the cells' texts, the attachment
// mark, unread rows in blue, the column stripes, the row key as item data,
// and sorting by a column's text.

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>

#include <optional>
#include <vector>

#include "faxbox/FaxList.h"

class FaxListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Item data of a row (role Qt::UserRole): its row key.
    static constexpr int kRowKeyRole = Qt::UserRole;
    // COLORREF 0xFF0000 (the red byte lowest): pure blue, for unread rows.
    static QColor UnreadTextColor() { return QColor(0x00, 0x00, 0xFF); }
    // Column stripes: even columns 0xF7F7F7, odd ones white.
    static QColor StripeColor(int column) { return column % 2 == 0 ? QColor(0xF7, 0xF7, 0xF7) : QColor(Qt::white); }

    explicit FaxListModel(QObject* parent = nullptr);

    // Replaces every row.
    void SetRows(std::vector<FaxListRow> rows);
    const std::vector<FaxListRow>& Rows() const { return rows_; }
    const FaxListRow* RowAt(int row) const;
    // The row that stands for ref; -1 when none.
    int RowOf(const FaxRecordRef& ref) const;
    // The row's key gets the read digit; its text turns black.
    void MarkRead(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    std::vector<FaxListRow> rows_;
    QIcon attachmentIcon_;
};
