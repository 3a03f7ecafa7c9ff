// Single pixels read and set at display coordinates, and the red, green and blue histograms of a page.

#include <array>
#include <optional>

#include "LastError.h"
#include "PixelAccess.h"
#include "pictra/Pictra.h"

namespace {

using namespace pictra;

// The stored row of display point (x, y), or nothing with the message set.
std::optional<int32_t> storedRowAt(const ImageHandle& handle, int32_t x, int32_t y)
{
    clearLastError();
    if (!handle.isValidDib()) {
        setLastError("image handle is null");
        return std::nullopt;
    }
    if (x < 0 || x >= handle.width() || y < 0 || y >= handle.height()) {
        setLastError("the point is out of image");
        return std::nullopt;
    }
    return handle.height() - 1 - y;
}

} // namespace

int32_t PtxImgGetPixelColor(const ImageHandle& handle, int32_t x, int32_t y, PtxColour* colour)
{
    const auto r = storedRowAt(handle, x, y);
    if (!r)
        return 0;
    if (colour == nullptr) {
        setLastError("color is null");
        return 0;
    }
    const Colour c = PageView(handle).colour(x, *r);
    colour->blue = blueOf(c);
    colour->green = greenOf(c);
    colour->red = redOf(c);
    return 1;
}

ImageHandle PtxImgSetPixelColor(const ImageHandle& handle, int32_t x, int32_t y, const PtxColour* colour)
{
    const auto r = storedRowAt(handle, x, y);
    if (!r)
        return {};
    if (colour == nullptr) {
        setLastError("color is null");
        return {};
    }
    ImageHandle result = copyToChange(handle);
    if (result.isNull())
        return result;
    PageView(result).setColour(x, *r, makeColour(clampChannel(colour->red), clampChannel(colour->green),
                                                 clampChannel(colour->blue)));
    return result;
}

int32_t PtxImgHistogram(const ImageHandle& handle, PtxHistogram* red, PtxHistogram* green, PtxHistogram* blue)
{
    clearLastError();
    if (!handle.isValidDib()) {
        setLastError("image handle is null");
        return 0;
    }
    for (PtxHistogram* counts : {red, green, blue}) {
        if (counts != nullptr)
            counts->fill(0);
    }
    const PageView page(handle);
    // Indexed pages count their indices first and spread the counts over
    // the palette's colours afterwards.
    std::array<uint64_t, 256> perIndex{};
    for (int32_t r = 0; r < page.height; ++r) {
        for (int32_t x = 0; x < page.width; ++x) {
            if (page.bits != 24) {
                ++perIndex[page.index(x, r)];
                continue;
            }
            const Colour c = page.colour(x, r);
            if (red != nullptr)
                ++(*red)[redOf(c)];
            if (green != nullptr)
                ++(*green)[greenOf(c)];
            if (blue != nullptr)
                ++(*blue)[blueOf(c)];
        }
    }
    for (unsigned i = 0; page.bits != 24 && i < page.entries; ++i) {
        const Colour c = page.paletteColour(i);
        const auto n = static_cast<uint32_t>(perIndex[i]);
        if (red != nullptr)
            (*red)[redOf(c)] += n;
        if (green != nullptr)
            (*green)[greenOf(c)] += n;
        if (blue != nullptr)
            (*blue)[blueOf(c)] += n;
    }
    return 1;
}
