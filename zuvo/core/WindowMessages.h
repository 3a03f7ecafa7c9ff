#pragma once

// The program's own window messages. Each is a number with two word-sized
// parameters; the numbers are fixed, so that every window and thread agrees
// on them. On the Qt side they travel as posted events (core/qt/WindowMessage.h)
// to the window they name.

#include <cstdint>

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;

enum WindowMessage : unsigned {
    WM_FAX_SHOW_MAIN = 0x66,       // tray double click: show the main window maximised
    WM_FAX_HIDE_MAIN = 0x67,       // tray double click: minimise and hide the main window
    WM_FAX_POPUP = 0x74,           // pop-up notice on the main frame; the event carries the text
    WM_FAX_ADD_FILE = 0x75,        // compose frame: attach the files of the hand-over
    WM_FAX_LIST_REFRESH = 0x77,    // fax list view: reload the current folder
    WM_FAX_REFRESH = 0x78,         // main frame: wParam 1, 2 or 3 (see below)
    WM_FAX_RELOAD = 0x79,          // main frame: reload the fax list view
    WM_RESCAN_OUTBOX = 0x80,       // open send dialog: re-count the outbox
    WM_AD_NAVIGATE = 0x82,         // advertisement pane: navigate to AdUrl
    WM_AGENT_REPLY_DONE = 0x3264,  // a password dialog's own window: finish on the GUI thread
    WM_TRAY_NOTIFY = 30000,        // tray icon callback: wParam icon id, lParam mouse message
    WM_COMMAND = 0x0111,           // a menu command: wParam the command id
    WM_CLOSE = 0x0010,             // close the window (its thread ends)
    WM_QUIT = 0x0012,              // end the window's message loop
};

// wParam of WM_FAX_REFRESH.
enum FaxRefreshKind : unsigned {
    FAX_REFRESH_LIST_IF_RECEIVING = 1,  // refresh the list when an inbox, deposebox or failedbox is shown
    FAX_REFRESH_FOLDER_COUNTS = 2,      // relabel the account's folders with their fax counts
    FAX_REFRESH_LIST = 3,               // refresh the list view
};

// wParam of the inter-instance message.
enum HandOverKind : unsigned {
    HANDOVER_OPEN_COMPOSE = 1,      // open a new compose window on the hand-over
    HANDOVER_TO_COMPOSE = 2,        // lParam names the compose window that takes the files
};

// The main frame's mail-fax command, posted by CPelno1App::PostMainFrameCommand.
constexpr WPARAM ID_MAIL_FAX_COMMAND = 32775;
