#pragma once

#include <QWidget>

#include <vector>

#include "contacts/AddressBookDocument.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

// A caption strip above a tree of books and their folders; the address-book
// window's left pane, and the SMS window's over its template groups. Every
// item keeps its book and folder index and the names the tree showed, so
// that it leads back to exactly that node whatever the names.
class CAddrLeftView : public QWidget {
    Q_OBJECT
public:
    // Item kinds (item data).
    static constexpr int kBookItem = 1;
    static constexpr int kFolderItem = 2;
    static constexpr int kCaptionHeight = 19;

    explicit CAddrLeftView(const QString& caption, QWidget* parent = nullptr);

    // Shows the books, each expanded, and selects the item at (book,
    // folder) when there is one (folder -1: the book).
    void SetBooks(const std::vector<BookEntry>& books, int selectBook = -1, int selectFolder = -1);
    // Shows a single item with this text (the file is missing).
    void ShowMissing(const QString& text);

    // The kind of the selected item, 0 for none.
    int SelectedKind() const;
    // The selected folder (IsFolder() false unless a folder is selected).
    FolderRef SelectedFolder() const;
    // The selected book's index (or the selected folder's book), -1 for none.
    int SelectedBook() const;
    QString SelectedBookName() const;

    QTreeWidget* Tree() const { return tree_; }
    QLabel* Caption() const { return caption_; }

signals:
    void selectionChanged();
    // A right click (or the menu key) on an item, which is now selected.
    void contextMenuRequested(const QPoint& globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidgetItem* selectedItem() const;

    QLabel* caption_ = nullptr;
    QTreeWidget* tree_ = nullptr;
};
