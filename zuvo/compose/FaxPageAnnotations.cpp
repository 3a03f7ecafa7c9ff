// FaxPageEditor's annotations: a stamp (a seal or a rendered text note)
// pressed onto a clean copy of the page, so that moving it leaves no traces,
// and the stamp log for every seal pressed.
#include <algorithm>
#include <array>
#include <optional>

#include "compose/FaxPageEditor.h"
#include "compose/seals/StampLog.h"
#include "core/codec/FileScrambler.h"
#include "jotter/Jotter.h"

namespace {

// White mark pixels leave the page as it is.
constexpr int32_t kMarkTransparentWhite = 1;
constexpr uint8_t kResampleSmooth = 0;

int32_t clampedCoordinate(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, 0, INT32_MAX));
}

} // namespace

void FaxPageEditor::startStamp()
{
    stamp_.base = PtxCopyHandle(workPage_);
    undoPage_ = PtxCopyHandle(workPage_);
    undoChanged_ = workChanged_;
}

int FaxPageEditor::PlaceStamp(int64_t x, int64_t y)
{
    if (stamp_.base.isNull() || stamp_.image.isNull())
        return 0;
    const int32_t left = clampedCoordinate(x);
    const int32_t top = clampedCoordinate(y);

    // The stamp at the rectangle's size, or the image itself.
    ImageHandle resized;
    if (!stamp_.rect.IsEmpty()) {
        resized = PtxImgResample(stamp_.image, static_cast<int32_t>(stamp_.rect.width),
                                 static_cast<int32_t>(stamp_.rect.height), kResampleSmooth);
        if (resized.isNull()) {
            inform(FaxViewText::kResampleFailed);
            return 0;
        }
    }
    const ImageHandle& stamp = resized.isNull() ? stamp_.image : resized;
    const int32_t width = stamp.width();
    const int32_t height = stamp.height();

    // A page shown at double height gets the stamp at half its height and
    // half the y, so that it looks undistorted on screen.
    const int factor = DisplayHeightFactor(stamp_.base.width(), stamp_.base.height());
    ImageHandle squeezed;
    if (factor == 2) {
        squeezed = PtxImgResample(stamp, width, std::max(1, height / 2), kResampleSmooth);
        if (squeezed.isNull()) {
            inform(FaxViewText::kResampleFailed);
            return 0;
        }
    }
    ImageHandle marked = PtxImgMark(stamp_.base, squeezed.isNull() ? stamp : squeezed, left, top / factor,
                                    kMarkTransparentWhite);
    if (marked.isNull()) {
        inform(PtxGetLastErrorInfo());
        return 0;
    }
    workPage_ = std::move(marked);
    stamp_.rect = {left, top, width, height};
    stamp_.pending = stamp_.drawn = true;
    markEdited();
    return 1;
}

bool FaxPageEditor::ToggleTextTool()
{
    if (workPage_.isNull() || workPage_.bitCount() != 1) {
        inform(FaxViewText::kNotBilevel);
        return false;
    }
    textTool_ = !textTool_;
    markEdited();
    return true;
}

bool FaxPageEditor::StartTextNote(int64_t x, int64_t y, const TextNote& note)
{
    if (workPage_.isNull())
        return false;
    const int64_t width = int64_t{note.length} * note.charWidth;
    const int64_t height = note.lineHeight;
    ImageHandle blank;
    if (width > 0 && height > 0 && width <= INT32_MAX)
        blank = PtxCreateHandle(static_cast<uint32_t>(width), static_cast<uint32_t>(height), PtxBlank::Bilevel);
    if (blank.isNull()) {
        inform(FaxViewText::kCreateImageFailed);
        return false;
    }
    const auto w = static_cast<int32_t>(width);
    const auto h = static_cast<int32_t>(height);
    ImageHandle image = PtxImgDelete(blank, 0, 0, w - 1, h - 1, 0xFFFFFF);
    if (image.isNull()) {
        inform(FaxViewText::kCreateImageFailed);
        return false;
    }
    MarkupParams params;
    params.page = &image;
    params.text = note.text;
    params.font = note.font;
    params.centreX = w / 2;
    params.centreY = h / 2;
    params.width = w;
    params.height = h;
    params.shape = 0;
    params.keepInterior = 1;
    params.transparent = 0;
    params.centreText = 1;
    params.orientation = MarkupOrientation::Horizontal;
    if (ImageMarkup(params) != 0) {
        inform(FaxViewText::kMarkupFailed);
        return false;
    }
    startStamp();
    stamp_.image = std::move(image);
    // The note keeps its own size: its rectangle starts empty.
    stamp_.rect = {};
    stamp_.pending = true;
    return PlaceStamp(x, y) == 1;
}

bool FaxPageEditor::OpenSeal(const std::string& sealPath)
{
    if (workPage_.isNull())
        return false;
    // The decoder reads a private plain copy; the seal file stays as it is.
    const std::optional<UnscrambledCopy> plain = UnscrambledCopy::Make(sealPath);
    if (!plain) {
        cpLog(kLogFailure, "FaxPageEditor: the seal <%s> cannot be read", sealPath.c_str());
        inform(FaxViewText::kResampleFailed);
        return false;
    }
    std::array<ImageHandle, 1> pages;
    if (PtxOpenImageFile(plain->Path(), nullptr, pages) != 1 || pages[0].isNull()) {
        inform(PtxGetLastErrorInfo());
        return false;
    }
    startStamp();
    stamp_.image = std::move(pages[0]);
    stamp_.rect = {};
    stamp_.pending = true;
    sealPath_ = sealPath;
    return true;
}

bool FaxPageEditor::PressSeal(int64_t x, int64_t y, const std::string& logPath)
{
    if (stamp_.base.isNull() || stamp_.image.isNull())
        return false;
    // Moved into the page: a point past an edge cannot be marked.
    const int64_t displayHeight =
        int64_t{stamp_.base.height()} * DisplayHeightFactor(stamp_.base.width(), stamp_.base.height());
    x = std::max<int64_t>(0, std::min<int64_t>(x, int64_t{stamp_.base.width()} - stamp_.image.width()));
    y = std::max<int64_t>(0, std::min<int64_t>(y, displayHeight - stamp_.image.height()));
    if (PlaceStamp(x, y) != 1)
        return false;
    markEdited();
    try {
        LogFile log;
        log.Open(logPath);
        log.Write(GetPathName(), sealPath_);
        log.Close();
    } catch (const LogInitFailed&) {
        inform(FaxViewText::kStampLogFailed);
    }
    return true;
}
