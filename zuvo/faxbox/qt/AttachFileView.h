#pragma once
// CAttachFileView: the list of the selected fax's attachment files beside
// the fax list, in two columns ("文件名称" and "CreateTime").
//
// A row's stored file is {folder directory}/{File}.{CreateTime}, the folder
// being the one selected in the folder tree. Clicking a row (or Enter on it)
// opens it: a ".tif" file in the document and page viewer, any other in the
// browser pane (a ".wav" file through its copy "{stored}.wav"). The pop-up
// "传真附件(&F)" opens, saves a copy of, or prints the selected file.

#include <QString>
#include <QTreeWidget>

#include <functional>
#include <optional>
#include <string>

#include "core/qt/CommandActions.h"
#include "faxbox/Pelno1Doc.h"
#include "faxbox/SelectedFolderSource.h"

class QAction;
class QMenu;

// What the view asks of the main window.
struct AttachFileViewServices {
    // Switches the content pane to the page viewer.
    std::function<void()> showFaxContentView;
    // Switches the content pane to the browser and goes to an address.
    std::function<void(const QString& address)> navigate;
    // The main window's pop-up notice (WM_FAX_POPUP).
    std::function<void(const QString& text)> postNotice;
};

class CAttachFileView : public QTreeWidget {
    Q_OBJECT
public:
    CAttachFileView(CPelno1Doc& document, const SelectedFolderSource* folders, AttachFileViewServices services,
                    QWidget* parent = nullptr);

    void SetFolderSource(const SelectedFolderSource* folders) { folders_ = folders; }

    // Adds the row (file, createTime) at the item count; a null file name
    // adds nothing.
    void SetFaxPath(const char* file, const std::string& createTime);
    // Deletes every row and resets the document.
    void Clear();
    int ItemCount() const { return itemCount_; }

    // The stored file of a row; nothing without a selected folder or for a
    // name that would lead outside it.
    std::optional<std::string> StoredPath(int row) const;

    // Opens a row as a click does.
    void OpenRow(int row);
    // The pop-up menu's commands on the selected row.
    void OnCommand(int id);
    QMenu* PopupMenu() const { return popup_; }
    QAction* CommandAction(int id) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void createMenu();
    // The pop-up at a screen position, or the notice "请选择附件" without a
    // selected row.
    void showMenuAt(const QPoint& globalPos);
    int selectedRow() const;
    std::string rowFile(int row) const;
    std::string folderDirectory() const;
    void openInViewer(const std::string& stored);
    void saveRowAs(int row);
    void printRow(int row);

    CPelno1Doc& document_;
    const SelectedFolderSource* folders_;
    AttachFileViewServices services_;
    int itemCount_ = 0;
    QMenu* popup_ = nullptr;
    CommandActions actions_{this, [this](int id) { OnCommand(id); }};
};
