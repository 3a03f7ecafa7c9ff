#pragma once
// The main window's document and its two panes: the page viewer in the
// content pane and the attachments view beside it, with the frame's print,
// save and save-as commands routed to them.

class CMainFrame;
class CAttachFileView;
class CFaxContentView;
class CPelno1Doc;

struct DocumentPanes {
    CPelno1Doc* document = nullptr;
    CFaxContentView* viewer = nullptr;
    CAttachFileView* attachments = nullptr;
};

// Makes the document (it lives as long as the frame), installs both panes
// and routes 57607 (print), 57603 (save) and 57604 (save as); closing the
// window with unsaved changes runs the document's save prompt first. The
// attachments view reads the selected folder from the folder tree in the
// frame's left pane, once one is installed there.
DocumentPanes InstallDocumentPanes(CMainFrame& frame);
