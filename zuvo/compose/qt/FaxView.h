#pragma once
// CFaxView: the compose window's page editor, on the page view base.
//
// It shows the working page of its FaxPageEditor (the pages of the
// attachment being edited) and offers the editor's commands as QActions for
// the compose window to place in its toolbar and its seal menu, in toolbar
// order (ToolbarActions), each with its command id as data: paging, zoom in
// steps of 1.5, the crop tool with its rectangle tracker, undo and save; the
// rotate commands stay disabled. The seal command asks for the seal
// password, lets the person choose a seal in the seal manager and presses
// it near the page's end; the text tool turns a left click into a text note
// typed in the text dialog. A pressed stamp stays pending: its tracker moves
// it (a press inside) or resizes it (a press on a handle), each placement on
// a clean copy of the page, until undo, save or a page change. A
// right-button release
// opens the pop-up "__FAXVIEWPOP_". The base draws, zooms, drags and
// scrolls; this view adds the crop tracker and the pending stamp's tracker
// over the page.
//
// While crop mode is on, a left press inside the tracker moves or resizes
// it and elsewhere draws a new one; a right press inside it cuts the page
// (and opens no pop-up).

#include <QList>
#include <QMenu>
#include <QString>

#include <functional>

#include "compose/FaxPageEditor.h"
#include "compose/FaxViewCommands.h"
#include "compose/RectTracker.h"
#include "compose/seals/qt/SealContext.h"
#include "core/qt/CommandActions.h"
#include "faxbox/qt/DocumentPrompter.h"
#include "faxbox/qt/PageView.h"

class QAction;

class CFaxView : public CPageView {
    Q_OBJECT
public:
    explicit CFaxView(QWidget* parent = nullptr);

    FaxPageEditor& Editor() { return editor_; }
    const FaxPageEditor& Editor() const { return editor_; }

    // ---- files (the editor's, with the view brought up to date)
    // Loads an image file and shows its first page fitted to the width: 1,
    // or 0 when refused (the reason shown, or the save question cancelled).
    int LoadFile(const QString& path);
    // The save command: saves the pages when modified; false only when a
    // needed save did not succeed.
    bool OnSave();
    // Before the compose window stores the fax: 1 to go on, 0 when the
    // person cancelled or the save was refused or failed.
    int SaveIfModified();
    // Frees every page; the view shows nothing.
    void ResetPages();
    // The pages of an image file, at most 100; 0 when it cannot be opened.
    static int CountImagePages(const QString& path);

    // ---- pages
    int GetPageCount() const { return editor_.GetPageCount(); }
    int GetCurrentPage() const { return editor_.GetCurrentPage(); }
    bool IsModified() const { return editor_.IsModified(); }
    // Shows page i (refused when it is not a page of the list): the working
    // page goes back into the list first, the tools are reset, and the
    // page is fitted to the width.
    void GoToPage(int i);
    const ImageHandle& GetWorkPage() const { return editor_.GetWorkPage(); }
    // "%d - %d": the current page counting from 1 and the page count;
    // "0 - 0" without a page. The view's accessible description.
    QString PagePosition() const;

    // ---- commands
    QAction* CommandAction(int id) const;
    // The toolbar's actions in toolbar order.
    const QList<QAction*>& ToolbarActions() const { return toolbar_; }
    QMenu* PopupMenu() const { return popup_; }
    void OnCommand(int id);
    bool IsCommandEnabled(int id) const;
    // Enables and checks the actions as the state says.
    void UpdateCommands();

    // ---- annotations
    // The program's seal files, agent and account for the seal command, asked
    // for at each press (the current account may change meanwhile); until
    // set, the program directory's seals over the agent, with no account.
    void SetSealContextSource(std::function<SealContext()> source) { sealContextSource_ = std::move(source); }
    void SetSealContext(SealContext context)
    {
        SetSealContextSource([context = std::move(context)] { return context; });
    }

    // ---- the crop tool
    bool IsCropMode() const { return editor_.IsCropMode(); }
    // The crop tracker in content coordinates (the crop rectangle times the
    // zoom); empty while there is none.
    QRect CropTracker() const;
    // The stamp tracker in content coordinates (the stamp rectangle times
    // the zoom) while a stamp is pending and drawn; empty otherwise.
    QRect StampTracker() const;

protected:
    const ImageHandle& ShownPage() const override { return editor_.GetWorkPage(); }
    void ShowContextMenu(const QPoint& globalPos) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The tools back to rest on the view's side: zoom 1.0, hand off, the
    // cursor of the state, the top-left corner.
    void resetViewTools();
    // The current page fitted to the width, commands and position updated.
    void showPage();
    // The view after an edit of the page or the tools.
    void refresh();
    void toggleCrop();
    void cropToTracker();
    void undo();
    void updateCursor();
    void toggleTextTool();
    void pressSeal();
    void writeTextNote(TrackPoint contentPoint);
    // The stamp placed again where its tracker was moved or resized to.
    void placeTrackedStamp();
    // The cursor over a pending stamp's tracker.
    void updateStampCursor(TrackPoint contentPoint);
    SealContext sealContext() const;
    TrackPoint contentPoint(const QPoint& viewportPoint) const;
    FaxViewState commandState() const;

    FaxPageEditor editor_;
    PrompterDocumentPrompts prompts_;
    RectTracker tracker_;
    bool skipNextPopup_ = false;
    // The tracker follows the pending stamp, not the crop rectangle; what
    // the press hit (a move or a resize).
    bool trackingStamp_ = false;
    RectTracker::Hit stampHit_ = RectTracker::Hit::Nothing;
    std::function<SealContext()> sealContextSource_;
    QMenu* popup_ = nullptr;
    QList<QAction*> toolbar_;
    CommandActions actions_{this, [this](int id) { OnCommand(id); }};
};
