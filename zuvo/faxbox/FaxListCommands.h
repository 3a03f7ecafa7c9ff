#pragma once
// The fax list's commands: ids, menu texts, the two pop-up menus and when
// each command is enabled. Without widgets, so that the rules are tested on
// their own.

#include <span>

namespace FaxListCommand {
inline constexpr int Delete = 32795;
inline constexpr int DeleteAll = 32884;
inline constexpr int Reply = 32792;
inline constexpr int Forward = 32793;
inline constexpr int Move = 32794;
inline constexpr int Resend = 32881;
inline constexpr int ResendFailed = 32883;
inline constexpr int ResendAllFailed = 32882;
} // namespace FaxListCommand

// Titles of the two pop-up menus: in a folder of failed faxes, elsewhere.
inline constexpr const char* kFailedMenuTitle = "__FAILED__";
inline constexpr const char* kFaxMenuTitle = "传真(&X)";

// The notices of the commands.
inline constexpr const char* kSelectFaxText = "请选择传真";
inline constexpr const char* kMissingSourceText = "找不到相关的原始传真件，或者原始的传真件已经被删除！";
// A record whose files could not all move stays where it was.
inline constexpr const char* kFilesNotMovedText = "有传真的文件无法移动, 这些传真留在原处!";
// account.xml could not be saved; nothing changed.
inline constexpr const char* kListSaveFailedText = "保存失败, 传真没有移动!";

struct FaxListCommandEntry {
    int id;
    const char* text;
};

// The pop-up menus' entries in order; the first one is the default item.
std::span<const FaxListCommandEntry> FailedMenuCommands();
std::span<const FaxListCommandEntry> FaxMenuCommands();
// The menu text of a command; "" for one without an entry (32794).
const char* FaxListCommandText(int id);

// What the enabling rules look at.
struct FaxListState {
    bool rowSelected = false;
    bool loggedIn = false;
    bool composeAvailable = false; // a compose window can be opened
};

// Whether command `id` is enabled; false for an id that is not the list's.
bool IsFaxListCommandEnabled(int id, const FaxListState& state);
