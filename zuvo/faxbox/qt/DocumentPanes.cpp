// Wiring of the main window's document, page viewer and attachments view.
#include "faxbox/qt/DocumentPanes.h"

#include <QObject>

#include "core/frame/FrameCommands.h"
#include "core/qt/MainFrame.h"
#include "faxbox/Pelno1Doc.h"
#include "faxbox/SelectedFolderSource.h"
#include "faxbox/qt/AttachFileView.h"
#include "faxbox/qt/DocumentPrompter.h"
#include "faxbox/qt/FaxContentView.h"

namespace {

// The folder tree of the frame's left pane, looked up at each use: the tree
// may be installed after the attachments view.
class FrameFolderSource : public SelectedFolderSource {
public:
    explicit FrameFolderSource(const CMainFrame& frame) : frame_(frame) {}
    std::string SelectedFolderDirectory() const override
    {
        const auto* tree = dynamic_cast<const SelectedFolderSource*>(frame_.GetLeftView());
        return tree ? tree->SelectedFolderDirectory() : std::string();
    }

private:
    const CMainFrame& frame_;
};

// Owns the document and what it reaches the person and the folder tree
// through; a child of the frame made after the panes, so the panes go first.
class DocumentOwner : public QObject {
public:
    explicit DocumentOwner(CMainFrame& frame) : QObject(&frame), folders(frame) { document.SetPrompts(&prompts); }
    ~DocumentOwner() override { document.SetView(nullptr); }

    PrompterDocumentPrompts prompts;
    FrameFolderSource folders;
    CPelno1Doc document;
};

} // namespace

DocumentPanes InstallDocumentPanes(CMainFrame& frame)
{
    auto* owner = new DocumentOwner(frame);  // owned by the frame
    DocumentPanes panes;
    panes.document = &owner->document;
    panes.viewer = new CFaxContentView(owner->document);  // owned by the frame once installed
    AttachFileViewServices services;
    services.showFaxContentView = [&frame] { frame.ShowFaxContentView(); };
    services.navigate = [&frame](const QString& address) { frame.Navigate(address); };
    services.postNotice = [&frame](const QString& text) { frame.PostNotice(text.toStdString()); };
    panes.attachments = new CAttachFileView(owner->document, &owner->folders, std::move(services));
    frame.SetPaneWidget(CMainFrame::FramePane::FaxContentView, panes.viewer);
    frame.SetPaneWidget(CMainFrame::FramePane::AttachFileView, panes.attachments);

    CFaxContentView* viewer = panes.viewer;
    CPelno1Doc* document = panes.document;
    frame.SetCommandHandler(FrameCommandId::FilePrint, [viewer] { viewer->OnFilePrint(); });
    frame.SetCommandHandler(FrameCommandId::FileSave, [document] { document->OnFileSave(); });
    frame.SetCommandHandler(FrameCommandId::FileSaveAs, [document] { document->OnFileSaveAs(); });
    frame.SetCloseCheck([document] { return document->SaveModified(); });
    return panes;
}
