#include "core/frame/PaneMode.h"

namespace PaneMode {

Drawing DrawingOf(std::uint32_t flags)
{
    switch (flags & DrawingMask) {
    case Text:
    case Text2: return Drawing::Text;
    case Bitmap: return Drawing::Bitmap;
    case Progress: return Drawing::Progress;
    default: return Drawing::None;
    }
}

std::uint32_t TextFormat(std::uint32_t flags)
{
    std::uint32_t format = flags & FormatMask;
    if (flags & MoveHorizontal) format &= ~(FormatCenter | FormatRight);
    return format;
}

std::int32_t Step(std::int32_t& offset, std::int32_t limit, std::int32_t restart)
{
    // Wrap instead of overflowing when a pane keeps moving for a very long time.
    offset = offset == INT32_MAX ? restart : offset + 1;
    if (offset > limit) offset = restart;
    return offset;
}

} // namespace PaneMode
