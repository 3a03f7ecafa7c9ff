// The fax list's table model over the rows of faxbox/FaxList.h.
#include "faxbox/qt/FaxListModel.h"

#include <QApplication>
#include <QStyle>

#include <map>

#include "core/qt/ResourceText.h"

namespace {

QString fromStd(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Header texts of columns 2 to 7 (string table 61494 to 61499); the two image
// columns have none, the filler 39 blanks.
QString headerText(int column)
{
    if (column >= kColumnName && column <= kColumnTopic)
        return LoadText(61494 + static_cast<unsigned>(column - kColumnName));
    if (column == kColumnFiller)
        return QString(39, QLatin1Char(' '));
    return {};
}

// What the image columns are, for those who cannot see their images.
QString headerName(int column)
{
    switch (column) {
    case kColumnAttachment: return QStringLiteral("附件");
    case kColumnSpare: return QStringLiteral("标记");
    case kColumnFiller: return QStringLiteral("空白");
    default: return headerText(column);
    }
}

} // namespace

FaxListModel::FaxListModel(QObject* parent) : QAbstractTableModel(parent)
{
    attachmentIcon_ = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
}

void FaxListModel::SetRows(std::vector<FaxListRow> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

const FaxListRow* FaxListModel::RowAt(int row) const
{
    return row >= 0 && row < static_cast<int>(rows_.size()) ? &rows_[static_cast<std::size_t>(row)] : nullptr;
}

int FaxListModel::RowOf(const FaxRecordRef& ref) const
{
    for (std::size_t k = 0; k < rows_.size(); ++k)
        if (rows_[k].ref == ref)
            return static_cast<int>(k);
    return -1;
}

void FaxListModel::MarkRead(int row)
{
    if (!RowAt(row))
        return;
    rows_[static_cast<std::size_t>(row)].MarkRead();
    emit dataChanged(index(row, 0), index(row, kFaxListColumnCount - 1), {Qt::ForegroundRole, kRowKeyRole});
}

int FaxListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FaxListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kFaxListColumnCount;
}

QVariant FaxListModel::data(const QModelIndex& index, int role) const
{
    const FaxListRow* row = index.isValid() ? RowAt(index.row()) : nullptr;
    if (!row)
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole: return fromStd(row->cells[static_cast<std::size_t>(column)]);
    case Qt::DecorationRole:
        if (column == kColumnAttachment && row->hasAttachments)
            return attachmentIcon_;
        return {};
    case Qt::AccessibleTextRole:
        if (column == kColumnAttachment)
            return row->hasAttachments ? QStringLiteral("有附件") : QStringLiteral("无附件");
        return fromStd(row->cells[static_cast<std::size_t>(column)]);
    case Qt::ForegroundRole: return row->IsUnread() ? UnreadTextColor() : QColor(Qt::black);
    case Qt::BackgroundRole: return StripeColor(column);
    case kRowKeyRole: return static_cast<qulonglong>(row->rowKey);
    default: return {};
    }
}

QVariant FaxListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kFaxListColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole: return headerText(section);
    case Qt::DecorationRole:
        if (section == kColumnAttachment)
            return attachmentIcon_;
        return {};
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole: return headerName(section);
    default: return {};
    }
}

void FaxListModel::sort(int column, Qt::SortOrder order)
{
    emit layoutAboutToBeChanged();
    // Selections and the current row follow their records.
    const QModelIndexList before = persistentIndexList();
    std::vector<FaxRecordRef> refs;
    for (const QModelIndex& index : before)
        refs.push_back(rows_[static_cast<std::size_t>(index.row())].ref);
    SortFaxList(rows_, column, order == Qt::DescendingOrder);
    std::map<std::pair<std::string, int>, int> rowOf;
    for (std::size_t k = 0; k < rows_.size(); ++k)
        rowOf.emplace(std::make_pair(rows_[k].ref.createTime, rows_[k].ref.occurrence), static_cast<int>(k));
    QModelIndexList after;
    for (int k = 0; k < before.size(); ++k) {
        const FaxRecordRef& ref = refs[static_cast<std::size_t>(k)];
        after.push_back(index(rowOf.at({ref.createTime, ref.occurrence}), before[k].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
}
