#pragma once
// The page viewer's commands: ids, texts in menu order, and when each is
// enabled. Without widgets, so that the rules are tested on their own.

#include <span>

namespace FaxContentCommand {
inline constexpr int ZoomIn = 1004;
inline constexpr int ZoomOut = 1005;
inline constexpr int ActualSize = 1003;
inline constexpr int PreviousPage = 1000;
inline constexpr int NextPage = 1002;
inline constexpr int FirstPage = 1017;
inline constexpr int LastPage = 1018;
inline constexpr int PageTop = 1016;
inline constexpr int PageEnd = 1015;
inline constexpr int RotateRight = 1008;
inline constexpr int RotateLeft = 1020;
} // namespace FaxContentCommand

// The title of the viewer's pop-up menu.
inline constexpr const char* kFaxContentMenuTitle = "__FAXCONTENTVIEWPOP_";

struct FaxContentCommandEntry {
    int id;
    const char* text;
};

// The pop-up's commands in menu order; the first one is drawn as the default.
std::span<const FaxContentCommandEntry> FaxContentCommands();

// What the enabling rules look at.
struct FaxContentState {
    double zoom = 1.0;
    int currentPage = -1;
    int pageCount = -1;
    bool hasWorkPage = false;
};

// Whether command `id` is enabled; false for an id that is not the viewer's.
bool IsFaxContentCommandEnabled(int id, const FaxContentState& state);
