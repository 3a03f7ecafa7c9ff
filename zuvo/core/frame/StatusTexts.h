#pragma once

#include <array>
#include <string>
#include <string_view>

// Texts of the main window's status panes and the connection state.
//
// Panes: 0 free text, 1 connection state, 2 network fax number, 3 server
// address, 4 the server's fax state. The labels are Chinese when the string
// table's language entry reads "CN" (any case), English otherwise.

inline constexpr int kStatusPaneCount = 5;

enum ConnectionState { StateOffline = 0, StateOnline = 1, StateRegistrationFailed = 2 };

// Connection-state icons: 0 offline, 1 online, 2 registration failed,
// 3 to 7 the frames of the connecting animation.
inline constexpr int kStateIconCount = 8;
inline constexpr int kFirstAnimationFrame = 3;
inline constexpr int kAnimationFrameCount = 5;

// The frame after `frame` in the connecting animation: 3, 4, 5, 6, 7, then 3
// again; anything outside the animation starts it at 3.
int NextAnimationFrame(int frame);

// "脱机" for 0, "联机" for 1, "注册失败" for 2, "脱机" for any other state.
std::string ConnectionStateText(int state);

// Whether the language entry selects the Chinese labels.
bool IsChineseLanguage(std::string_view languageEntry);

struct StatusLabels {
    std::string state;     // "状态:" / "State:"
    std::string faxNumber; // "网络传真号:" / "NetFaxNo:"
    std::string address;   // "IP:"
    std::string faxState;  // "传真状态:" / "FaxState:"
};
StatusLabels LabelsFor(bool chinese);

// Pane 1's text for a connection state.
std::string StatePaneText(const StatusLabels& labels, int state);

// The panes' texts as the status bar is created, before the session reports
// anything: pane 0 empty, then "状态:脱机", "账号:", "IP:", "传真状态:".
std::array<std::string, kStatusPaneCount> DefaultPaneTexts();

// Captions of the main window's panes while their windows are not installed.
struct PaneCaptions {
    std::string folders;      // "传真夹"
    std::string faxList;      // "传真列表"
    std::string content;      // "传真内容"
    std::string attachments;  // "附件"
};
PaneCaptions PlaceholderCaptions();
