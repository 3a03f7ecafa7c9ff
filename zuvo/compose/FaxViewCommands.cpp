// The page editor's command tables and their enabling and checking rules.
#include "compose/FaxViewCommands.h"

#include "faxbox/PageGeometry.h"

namespace {

using namespace FaxViewCommand;

constexpr FaxViewCommandEntry kToolbar[] = {
    {PreviousPage, "上一页"}, {NextPage, "下一页"},   {ZoomIn, "图像放大"}, {ZoomOut, "图像缩小"},
    {ActualSize, "原图大小"}, {RotateLeft, "向左旋转"}, {RotateRight, "向右旋转"}, {Crop, "剪切图像"},
    {Undo, "撤销操作"},       {Seal, "电子盖章"},   {TextNote, "文字批注"}, {Save, "保存"},
};

constexpr FaxViewCommandEntry kPopup[] = {
    {FirstPage, "起始一页"},
    {LastPage, "最后一页"},
    {PageTop, "跳到页头"},
    {PageEnd, "跳到页尾"},
};

} // namespace

std::span<const FaxViewCommandEntry> FaxViewToolbarCommands()
{
    return kToolbar;
}

std::span<const FaxViewCommandEntry> FaxViewPopupCommands()
{
    return kPopup;
}

bool IsFaxViewCommandEnabled(int id, const FaxViewState& state)
{
    switch (id) {
    case PreviousPage:
    case FirstPage: return state.currentPage > 0;
    case NextPage:
    case LastPage: return state.currentPage < state.pageCount - 1;
    case ZoomIn: return state.zoom < PageZoom::kMaxZoom;
    case ZoomOut: return state.zoom > PageZoom::kMinZoom;
    case ActualSize: return state.zoom != 1.0;
    case RotateLeft:
    case RotateRight: return false;
    case Crop: return !state.stampPending && !state.textTool && state.hasWorkPage;
    case Seal: return !state.stampPending && !state.textTool && !state.cropMode && state.hasWorkPage;
    case TextNote: return !state.stampPending && !state.cropMode && state.hasWorkPage;
    case Undo:
    case Save:
    case PageTop:
    case PageEnd: return true;
    default: return false;
    }
}

bool IsFaxViewCommandCheckable(int id)
{
    return id == Crop || id == TextNote;
}

bool IsFaxViewCommandChecked(int id, const FaxViewState& state)
{
    switch (id) {
    case Crop: return state.cropMode;
    case TextNote: return state.textTool;
    default: return false;
    }
}
