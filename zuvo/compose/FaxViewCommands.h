#pragma once
// The page editor's commands: ids, texts, the toolbar's order, the pop-up's
// order, and when each is enabled or checked. Without widgets, so that the
// rules are tested on their own.

#include <span>

namespace FaxViewCommand {
inline constexpr int PreviousPage = 32828;
inline constexpr int NextPage = 32829;
inline constexpr int ZoomIn = 32824;
inline constexpr int ZoomOut = 32826;
inline constexpr int ActualSize = 32827;
inline constexpr int RotateLeft = 32830;
inline constexpr int RotateRight = 32831;
inline constexpr int Crop = 32832;
inline constexpr int Undo = 32833;
inline constexpr int Seal = 32821;
inline constexpr int TextNote = 32823;
inline constexpr int Save = 32866;
// The pop-up's.
inline constexpr int FirstPage = 1017;
inline constexpr int LastPage = 1018;
inline constexpr int PageTop = 1016;
inline constexpr int PageEnd = 1015;
} // namespace FaxViewCommand

// The title of the editor's pop-up menu.
inline constexpr const char* kFaxViewMenuTitle = "__FAXVIEWPOP_";
// One zoom step of the editor.
inline constexpr double kFaxViewZoomStep = 1.5;

struct FaxViewCommandEntry {
    int id;
    const char* text;
};

// The toolbar's commands in toolbar order.
std::span<const FaxViewCommandEntry> FaxViewToolbarCommands();
// The pop-up's commands in menu order; the first one is drawn as the default.
std::span<const FaxViewCommandEntry> FaxViewPopupCommands();

// What the enabling rules look at.
struct FaxViewState {
    double zoom = 1.0;
    int currentPage = -1;
    int pageCount = -1;
    bool hasWorkPage = false;
    bool stampPending = false;
    bool textTool = false;
    bool cropMode = false;
};

// Whether command `id` is enabled; false for an id that is not the editor's.
bool IsFaxViewCommandEnabled(int id, const FaxViewState& state);
// Whether command `id` shows a check mark (the crop and text tools while on).
bool IsFaxViewCommandChecked(int id, const FaxViewState& state);
// Whether command `id` can show a check mark at all.
bool IsFaxViewCommandCheckable(int id);
