#pragma once

#include <string>
#include <vector>

// The main window's commands: ids, texts, where they appear and when they are
// enabled or checked.

namespace FrameCommandId {
inline constexpr int ReceiveFax = 32777;
inline constexpr int ReceiveAll = 32778;
inline constexpr int ComposeFax = 32791;
inline constexpr int SendFax = 32774;
inline constexpr int MailFax = 32775;
inline constexpr int AddressBook = 32796;
inline constexpr int SmsNotice = 126;
inline constexpr int VoiceNotice = 127;
inline constexpr int SealManager = 32798;
inline constexpr int SelfServiceMenu = 32787;
inline constexpr int ImageAssistant = 32788;
inline constexpr int TemplateManager = 32797;
inline constexpr int SystemSettings = 32789;
inline constexpr int ReplyFax = 32792;
inline constexpr int ForwardFax = 32793;
inline constexpr int MoveFax = 32794;
inline constexpr int AccountProperties = 32790;
inline constexpr int AutoReceive = 32808;
inline constexpr int ShowMain = 32807;
inline constexpr int Connect = 32891;
inline constexpr int CheckUpdate = 32880;
inline constexpr int HelpTopics = 32786;
inline constexpr int SelfService = 32895;
inline constexpr int ApplyAccount = 32908;
inline constexpr int OnlinePay = 32909;
inline constexpr int ElectronicSeal = 32879;
inline constexpr int ThemeOfficeXp = 32868;
inline constexpr int ThemeOffice2000 = 32870;
inline constexpr int ThemeOffice2003 = 32867;
inline constexpr int ThemeWindowsXp = 32869;
inline constexpr int ThemeVisualStudio2005 = 32904;
inline constexpr int Customize = 35001;
inline constexpr int TrayExit = 32876;
inline constexpr int FileNew = 57600;
inline constexpr int FileOpen = 57601;
inline constexpr int FileSave = 57603;
inline constexpr int FileSaveAs = 57604;
inline constexpr int FilePrint = 57607;
inline constexpr int EditUndo = 57643;
} // namespace FrameCommandId

enum class CommandRule {
    Always,
    Never,
    LoggedIn,
    NotLoggedIn,
    LoggedInOrAccountEnabled,
    AdminUrlSet,
    ReqAccountUrlSet,
    OnlinePayUrlSet,
    UndoAvailable,
};

enum class CommandCheck { None, AutoReceive, Theme };

struct FrameCommand {
    int id;
    std::string text;
    CommandRule rule;
    CommandCheck check = CommandCheck::None;
    int theme = -1;          // the theme number of a theme command
    std::string menu;        // top-level menu of the menu bar; "" for none
    bool toolbar = false;    // also on the toolbar
    std::string shortcut;    // key sequence text, "" for none
};

// What the enabling rules look at.
struct CommandContext {
    bool loggedIn = false;
    bool accountPropertiesEnabled = false;
    bool adminUrlSet = false;
    bool reqAccountUrlSet = false;
    bool onlinePayUrlSet = false;
    bool autoReceiveMark = false;
    bool undoAvailable = false;  // the undo list holds something
    int theme = 0;
};

// All commands in menu order.
const std::vector<FrameCommand>& FrameCommands();
// The command with this id; nullptr when there is none.
const FrameCommand* FindFrameCommand(int id);
// The commands of the tray menu, in order.
const std::vector<int>& TrayMenuCommands();

bool IsCommandEnabled(const FrameCommand& command, const CommandContext& context);
bool IsCommandChecked(const FrameCommand& command, const CommandContext& context);

// The five themes: 0 OfficeXp, 1 Office2000, 2 Office2003, 3 WindowXP,
// 4 Visual Studio 2005. A number outside 0 to 4 gives theme 0.
inline constexpr int kThemeCount = 5;
int ClampTheme(int theme);
