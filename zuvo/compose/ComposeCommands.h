#pragma once

// The compose window's commands: ids, menus and texts, and which of them
// wait for a change.

#include <vector>

namespace ComposeCommand {
inline constexpr int SendNow = 32809;      // save to the outbox and send
inline constexpr int Express = 32810;      // the same
inline constexpr int Save = 32815;         // save to drafts
inline constexpr int SaveDraft = 32816;    // the same
inline constexpr int Close = 32817;
inline constexpr int AddAttachment = 32834;
} // namespace ComposeCommand

namespace ComposeText {
inline constexpr const char* kFaxMenu = "传真(&F)";
inline constexpr const char* kAddMenu = "添加(&A)";
inline constexpr const char* kMenuBar = "SendFaxMenu";
inline constexpr const char* kToolBar = "SendFax";
inline constexpr const char* kBarsProfile = "SendFaxBars";
inline constexpr const char* kAddFilter =
    "All Files (*.*)|*.*|Tif Files(*.tif)|*.tif|Bmp Files(*.bmp)|*.bmp|PCX Files(*.pcx)|*.pcx|JPEG "
    "Files(*.jpg)|*.jpg|GIF Files(*.gif)|*.gif|MIFF Files(*.miff)|*.miff|EPS Files(*.eps)|*.eps|WMF "
    "Files(*.wmf)|*.wmf|Txt Files(*.txt)|*.txt|Word Files(*.doc)|*.doc|Excel Files(*.xls)|*.xls|Html "
    "Files(*.html)|*.html||";
inline constexpr const char* kSameName = "已有同名附件：";
} // namespace ComposeText

struct ComposeCommandEntry {
    int id;
    bool faxMenu;        // in "传真(&F)", else in "添加(&A)"
    const char* text;    // with its shortcut after a tab
    bool needsChange;    // enabled only while the fax is modified
};

// The commands in menu order.
const std::vector<ComposeCommandEntry>& ComposeCommands();
