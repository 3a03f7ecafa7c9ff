#pragma once

#include <QTreeView>

#include <vector>

#include "contacts/AddressBookDocument.h"

class ContactTableModel;

// The cards of the selected folder in a report-style list: columns from the
// file's Headers (width 100), several rows selectable, sorted as text by a
// header click; every row keeps its card.
class CAddrListView : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kColumnWidth = 100;

    explicit CAddrListView(QWidget* parent = nullptr);

    // Shows these rows in document order, without a sort.
    void Fill(FolderRows rows);
    void Clear();

    bool HasSelection() const;
    // The selected rows' cards in the order of the list.
    std::vector<CardRef> SelectedCards() const;
    // The first selected row's card (index -1 when none).
    CardRef FirstSelectedCard() const;
    ContactTableModel* Model() const { return model_; }

signals:
    // A right click (or the menu key) in the list, with or without a row.
    void contextMenuRequested(const QPoint& globalPos);
    // A double click on a row.
    void rowActivated();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    std::vector<int> selectedRows() const;
    // Rows in document order, no sort indicator.
    void unsorted();

    ContactTableModel* model_ = nullptr;
};
