#pragma once
// CPelno1View: the fax list pane of the main window, one row per fax record
// of the folder selected in the folder tree (the first 5000 in file order),
// newest first. A click shows the fax (its body in the browser pane or its
// pages in the page viewer, its attachment files beside it) and marks it
// read; a double click opens it in the compose window where the folder calls
// for it; the pop-up menu, the Delete key and the main window's messages run
// the record operations of faxbox/FaxFiling.h.
//
// The view keeps no fax state of its own: every reload reads the folder
// again, and every command finds its records again by their rows'
// references (full CreateTime and place among equal ones).

#include <QTableView>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/TaskQueue.h"
#include "core/qt/CommandActions.h"
#include "faxbox/FaxList.h"

class FaxListModel;
struct ComposeRequest;
struct FaxMoveOutcome;
class QAction;
class QMenu;

// What the list asks of the rest of the program.
struct Pelno1ViewServices {
    // The folder selected in the folder tree ("Account[%d]/Folder[%d]"), "" when none.
    std::function<std::string()> folderPath;
    // The account whose trash, outbox and sent box the commands use: the
    // tree's stored account path, else the default account.
    std::function<std::string()> accountPath;
    std::function<bool()> loggedIn;
    // The application's task queue.
    std::function<TaskQueue&()> tasks;
    // Opens a compose window, which takes the task queued for it; while
    // there is none, the commands that need one are disabled.
    std::function<void()> openCompose;
    // The main window's pop-up notice (WM_FAX_POPUP with a copy of the text).
    std::function<void(const QString& text)> postNotice;
    // The folder tree's counts relabelled now.
    std::function<void()> refreshFolderCounts;
    // WM_FAX_REFRESH with FAX_REFRESH_FOLDER_COUNTS to the main window.
    std::function<void()> postFolderCountsRefresh;
    // The main window's command 32775: send the outbox.
    std::function<void()> sendOutbox;
    // The caption bar's text ("" clears it).
    std::function<void(const QString& text)> setCaption;
    // The content pane: the page viewer with the document reset, or the
    // browser showing a fax's body file (the server's text, shown without
    // script, files or network).
    std::function<void()> showPages;
    std::function<void(const std::string& bodyPath)> showBody;
    // The attachments pane shown beside the content, or taken away.
    std::function<void(bool shown)> setAttachmentsShown;
    // The attachments view: emptied (the document reset with it), then one
    // row per attachment.
    std::function<void()> clearAttachments;
    std::function<void(const std::string& file, const std::string& createTime)> addAttachment;
};

class CPelno1View : public QTableView {
    Q_OBJECT
public:
    // Widths of the columns at creation, in order.
    static constexpr int kColumnWidths[kFaxListColumnCount] = {25, 24, 150, 80, 20, 60, 140, 300, 500};
    static constexpr int kMinimumColumnWidth = 15;

    explicit CPelno1View(Pelno1ViewServices services, QWidget* parent = nullptr);

    // Reads the selected folder again (WM_FAX_LIST_REFRESH); the selection
    // follows its records.
    void Reload();
    // Shows the selected fax; markRead: an unread fax is marked read.
    void ShowSelectedFax(bool markRead = true);
    // Opens the selected fax in the compose window where its folder calls for it.
    void OpenSelectedFax();
    // Runs a command of the pop-up menus on the selected rows.
    void OnCommand(int id);
    // The pop-up menu of the selected folder ("__FAILED__" or "传真(&X)") with
    // its enabling updated; null (and the notice "请选择传真") without a selected row.
    QMenu* PopupMenu();
    QAction* CommandAction(int id) const;
    bool IsCommandEnabled(int id) const;
    FaxListModel* Model() const { return model_; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void createMenus();
    std::vector<FaxRecordRef> selectedRefs() const;
    std::optional<FaxRecordRef> currentRef() const;
    // The record index of the current row's record in the folder, -1 when gone.
    int currentRecord() const;
    std::string currentFaxPath() const;
    bool isFolderType(const char* type) const;
    void notice(const char* text) const;
    // After a command changed the folder: counts relabelled, list read again.
    void afterChange(const FaxMoveOutcome& outcome);
    void deleteSelected();
    void deleteAll();
    void resendFailed(bool all);
    void queueForCompose(std::unique_ptr<CTask> task);
    void replyOrForward(int id);
    // The compose task that `make` gives for the current row's record, queued
    // and opened (resend, double click); the notices when there is none.
    using ComposeMaker = ComposeRequest (*)(const std::string& folderPath, int index, const std::string& accountPath);
    void composeFromCurrent(ComposeMaker make);

    Pelno1ViewServices services_;
    FaxListModel* model_ = nullptr;
    QMenu* failedMenu_ = nullptr;
    QMenu* faxMenu_ = nullptr;
    CommandActions actions_{this, [this](int id) { OnCommand(id); }};
    std::optional<FaxRecordRef> shown_; // the fax shown in the panes
    std::string loadedFolder_;          // the folder the rows were read from
};
