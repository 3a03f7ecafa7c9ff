// The page viewer's command table and its enabling rules.
#include "faxbox/FaxContentCommands.h"

#include "faxbox/PageGeometry.h"

namespace {

using namespace FaxContentCommand;

constexpr FaxContentCommandEntry kCommands[] = {
    {ZoomIn, "图像放大"},     {ZoomOut, "图像缩小"},  {ActualSize, "原图大小"},
    {PreviousPage, "上一页"}, {NextPage, "下一页"},   {FirstPage, "起始一页"},
    {LastPage, "最后一页"},   {PageTop, "跳到页头"},  {PageEnd, "跳到页尾"},
    {RotateRight, "右旋"},    {RotateLeft, "左旋"},
};

} // namespace

std::span<const FaxContentCommandEntry> FaxContentCommands()
{
    return kCommands;
}

bool IsFaxContentCommandEnabled(int id, const FaxContentState& state)
{
    switch (id) {
    case ZoomIn: return state.zoom < PageZoom::kMaxZoom;
    case ZoomOut: return state.zoom > PageZoom::kMinZoom;
    case ActualSize: return state.zoom != 1.0;
    case PreviousPage:
    case FirstPage: return state.currentPage > 0;
    case NextPage: return state.currentPage < state.pageCount - 1;
    // Stays enabled on the last page, where it shows that page again.
    case LastPage: return state.currentPage < state.pageCount;
    case PageTop:
    case PageEnd: return true;
    case RotateRight:
    case RotateLeft: return state.hasWorkPage;
    default: return false;
    }
}
