#pragma once
// The main window's fax list: installed in the list pane over the
// document's panes, reading the folder selected in the folder tree of the
// left pane (looked up at each use, so the tree may come later).

#include <functional>

class CMainFrame;
class CPelno1View;
class TaskQueue;
struct DocumentPanes;

// Installs the list (the frame owns it), routes the main window's reply,
// forward and move commands (32792 to 32794) to it, and has it open the
// compose window through the frame's compose opener.
CPelno1View* InstallFaxList(CMainFrame& frame, const DocumentPanes& panes, std::function<TaskQueue&()> tasks);
