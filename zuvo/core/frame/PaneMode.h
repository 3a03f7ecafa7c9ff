#pragma once

#include <cstdint>

// Mode flags of a status-bar pane and the arithmetic of its moving modes.
namespace PaneMode {

inline constexpr std::uint32_t FormatMask = 0xFFFFF;      // text-format flags
inline constexpr std::uint32_t DrawingMask = 0xF00000;
inline constexpr std::uint32_t Text = 0x100000;
inline constexpr std::uint32_t Text2 = 0x200000;
inline constexpr std::uint32_t Bitmap = 0x400000;
inline constexpr std::uint32_t Progress = 0x800000;        // also: the pane carries a progress control
inline constexpr std::uint32_t MoveHorizontal = 0x1000000;
inline constexpr std::uint32_t MoveVertical = 0x2000000;
inline constexpr std::uint32_t AnimatedMask = 0xF000000;
inline constexpr std::uint32_t Repeat = 0x10000000;
inline constexpr std::uint32_t Stretch = 0x20000000;
inline constexpr std::uint32_t Smooth = 0x40000000;
inline constexpr std::uint32_t Default = Text;

// Text-format flags that the panes read.
inline constexpr std::uint32_t FormatCenter = 0x1;
inline constexpr std::uint32_t FormatRight = 0x2;
inline constexpr std::uint32_t FormatVCenter = 0x4;
inline constexpr std::uint32_t FormatBottom = 0x8;
inline constexpr std::uint32_t FormatWordBreak = 0x10;

// Pane styles of the bar.
inline constexpr std::uint32_t StyleNoBorder = 0x100;
inline constexpr std::uint32_t StylePopOut = 0x200;
inline constexpr std::uint32_t StyleDisabled = 0x4000000;
inline constexpr std::uint32_t StyleStretch = 0x8000000;

enum class Drawing { None, Text, Bitmap, Progress };

// The drawing mode of the flags: only the four values select a mode.
Drawing DrawingOf(std::uint32_t flags);

inline bool IsAnimated(std::uint32_t flags) { return (flags & AnimatedMask) != 0; }

// The text-format flags of a text pane; moving horizontally clears the
// horizontal alignment (centre and right).
std::uint32_t TextFormat(std::uint32_t flags);

// One moving step: the offset grows by 1 and, once it exceeds the limit
// (signed comparison), restarts at `restart`. Returns the new offset.
std::int32_t Step(std::int32_t& offset, std::int32_t limit, std::int32_t restart);

} // namespace PaneMode
