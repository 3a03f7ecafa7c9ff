#pragma once
// CFaxContentView: the main window's page viewer over the document.
//
// It shows a working copy of the document's current page: the base page is
// the page as shown (or as it was before the last rotation), the working
// page what is drawn, what rotations replace and what the document copies
// back when it saves or when another page is shown. Its pop-up menu
// "__FAXCONTENTVIEWPOP_" pages, zooms (steps of 1.25), scrolls and rotates;
// printing puts the document's pages (not the working copy) on paper at
// their true size.

#include <QMenu>
#include <QString>


#include "core/qt/CommandActions.h"
#include "faxbox/FaxContentCommands.h"
#include "faxbox/Pelno1Doc.h"
#include "faxbox/qt/PageView.h"

class QAction;
class QPrinter;

class CFaxContentView : public CPageView, public DocumentView {
    Q_OBJECT
public:
    // Attaches itself to the document as its view; detaches when destroyed.
    explicit CFaxContentView(CPelno1Doc& document, QWidget* parent = nullptr);
    ~CFaxContentView() override;

    // DocumentView
    const ImageHandle& GetWorkPage() const override { return workPage_; }
    void ResetTools() override;
    void OnDocumentUpdate() override;

    const ImageHandle& GetBasePage() const { return basePage_; }
    CPelno1Doc& Document() const { return document_; }

    // Shows page i (refused when i is not below the page count): the working
    // page goes back into the document first, then page i is shown fitted to
    // the width, in hand mode.
    void GoToPage(int i);
    // Turns the working page by 90 (right) or 270 (left) degrees on white;
    // the document is marked modified. A failure shows the image library's
    // text and keeps the page.
    void Rotate(float angle);

    // The commands of the pop-up menu.
    void OnCommand(int id);
    bool IsCommandEnabled(int id) const;
    QMenu* PopupMenu() const { return popup_; }
    QAction* CommandAction(int id) const;
    // Enables the menu's commands as the state says.
    void UpdateCommands();

    // "%d - %d": the current page counting from 1 and the page count; "0 - 0"
    // without a page. Shown as the view's accessible description.
    QString PagePosition() const;

    // Prints the document's pages [fromPage, toPage] (counting from 1; 0 for
    // all) on `printer`, each at (0, 0) in its true size; false when the
    // printer could not be started or there is nothing to print.
    bool PrintDocument(QPrinter& printer, int fromPage = 0, int toPage = 0);
    // The main window's print command: the print dialog (through the
    // prompter), then the chosen pages on the chosen printer.
    bool OnFilePrint();

protected:
    const ImageHandle& ShownPage() const override { return workPage_; }
    void ShowContextMenu(const QPoint& globalPos) override;

private:
    // Base and working pages from the document's current page, fitted to
    // the width.
    void showPage();
    void releasePages();
    FaxContentState commandState() const;

    CPelno1Doc& document_;
    ImageHandle basePage_;
    ImageHandle workPage_;
    QMenu* popup_ = nullptr;
    CommandActions actions_{this, [this](int id) { OnCommand(id); }};
};
