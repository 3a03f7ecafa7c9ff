// Blank pages, copies, and the size and resolution record of a page.

#include <algorithm>

#include "BlankPalettes.h"
#include "LastError.h"
#include "PixelAccess.h"
#include "pictra/Pictra.h"

namespace {

using namespace pictra;

void setEntry(ImageHandle& h, std::size_t i, Rgb c) { setPaletteEntry(h, i, c.red, c.green, c.blue); }

uint16_t bitsOfBlank(uint32_t type)
{
    switch (type) {
    case PtxBlank::TrueColour: return 24;
    case PtxBlank::Colours256:
    case PtxBlank::Grey: return 8;
    case PtxBlank::Colours16: return 4;
    case PtxBlank::Bilevel: return 1;
    default: return 0;
    }
}

bool checkHandleAndInfo(const ImageHandle& handle, const void* info)
{
    clearLastError();
    if (!handle.isValidDib()) {
        setLastError("image handle is null");
        return false;
    }
    if (info == nullptr) {
        setLastError("image info is null");
        return false;
    }
    return true;
}

} // namespace

namespace pictra {

ImageHandle copyToChange(const ImageHandle& handle)
{
    clearLastError();
    if (!handle.isValidDib()) {
        setLastError("image handle is null");
        return {};
    }
    ImageHandle copy = handle.clone();
    if (copy.isNull())
        setLastError("failed to allocate memory");
    return copy;
}

ImageHandle newPageLike(const ImageHandle& source, int32_t width, int32_t height, uint16_t bitCount)
{
    ImageHandle page = ImageHandle::createDib(width, height, bitCount);
    if (page.isNull())
        return page;
    const BitmapInfoHeader from = source.header();
    BitmapInfoHeader hdr = page.header();
    hdr.xPelsPerMeter = from.xPelsPerMeter;
    hdr.yPelsPerMeter = from.yPelsPerMeter;
    hdr.clrImportant = from.clrImportant;
    page.setHeader(hdr);
    if (bitCount == source.bitCount())
        std::copy_n(source.palette(), 4 * std::size_t{page.paletteEntries()}, page.palette());
    return page;
}

} // namespace pictra

ImageHandle PtxCreateHandle(uint32_t width, uint32_t height, uint32_t type)
{
    const uint16_t bits = bitsOfBlank(type);
    if (bits == 0 || width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX)
        return {};
    ImageHandle h = ImageHandle::createDib(static_cast<int32_t>(width), static_cast<int32_t>(height), bits);
    if (h.isNull())
        return h;
    BitmapInfoHeader hdr = h.header();
    hdr.imageSize = static_cast<uint32_t>(h.size());
    h.setHeader(hdr);
    switch (type) {
    case PtxBlank::Colours256: {
        const auto& table = standardColours256();
        for (std::size_t i = 0; i < table.size(); ++i)
            setEntry(h, i, table[i]);
        break;
    }
    case PtxBlank::Colours16: {
        const auto colours = standardColours16();
        for (std::size_t i = 0; i < colours.size(); ++i)
            setEntry(h, i, colours[i]);
        break;
    }
    case PtxBlank::Bilevel:
        setEntry(h, 0, {0, 0, 0});
        setEntry(h, 1, {255, 255, 255});
        break;
    case PtxBlank::Grey:
        setGreyRamp(h);
        break;
    default:
        break;
    }
    return h;
}

ImageHandle PtxCopyHandle(const ImageHandle& handle) { return handle.clone(); }

int32_t PtxGetImgInfo(const ImageHandle& handle, ImgInfo* info)
{
    if (!checkHandleAndInfo(handle, info))
        return 0;
    const BitmapInfoHeader hdr = handle.header();
    info->width = hdr.width;
    info->height = hdr.height;
    info->bitCount = hdr.bitCount;
    info->xResolution = PtxPpmToDpi(hdr.xPelsPerMeter);
    info->yResolution = PtxPpmToDpi(hdr.yPelsPerMeter);
    return 1;
}

int32_t PtxSetImgInfo(ImageHandle& handle, const ImgInfo* info)
{
    if (!checkHandleAndInfo(handle, info))
        return 0;
    BitmapInfoHeader hdr = handle.header();
    hdr.xPelsPerMeter = PtxDpiToPpm(info->xResolution);
    hdr.yPelsPerMeter = PtxDpiToPpm(info->yResolution);
    handle.setHeader(hdr);
    return 1;
}
