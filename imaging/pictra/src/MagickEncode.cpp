// One handle into a file of any savable format but TIFF through
// ImageMagick, at the page's own depth.

#include "ImageCodec.h"
#include "MagickModule.h"
#include "MagickQuirks.h"
#include "MagickSupport.h"
#include "PixelAccess.h"
#include "pictra/DibRows.h"
#include "pictra/Pictra.h"

namespace pictra::codec {
namespace {

mc::PixelPacket paletteColour(const ImageHandle& h, size_t i)
{
    const uint8_t* e = h.palette() + 4 * i;
    mc::PixelPacket p{};
    p.blue = toQuantum(e[0]);
    p.green = toQuantum(e[1]);
    p.red = toQuantum(e[2]);
    p.opacity = 0; // opaque
    return p;
}

void fromIndexedHandle(const ImageHandle& h, Magick::Image& image)
{
    const uint32_t colours = h.paletteEntries();
    const unsigned bits = h.bitCount();
    mc::Image* core = image.image();
    for (uint32_t i = 0; i < colours; ++i)
        core->colormap[i] = paletteColour(h, i);
    const int32_t w = h.width();
    const mc::PixelPacket* colourMap = core->colormap;
    std::vector<uint8_t> indexRow(static_cast<size_t>(w));
    Magick::Pixels view(image);
    for (int32_t y = 0; y < h.height(); ++y) {
        mc::PixelPacket* pixels = view.set(0, y, static_cast<size_t>(w), 1);
        mc::IndexPacket* indices = view.indexes();
        DibUnpackRow(h.displayRow(y), w, bits, indexRow.data());
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t ix = indexRow[static_cast<size_t>(x)];
            indices[x] = ix;
            pixels[x] = colourMap[ix];
        }
        view.sync();
    }
}

void fromTrueColourHandle(const ImageHandle& h, Magick::Image& image)
{
    mc::Image* core = image.image();
    for (int32_t y = 0; y < h.height(); ++y)
        mc::ImportImagePixels(core, 0, y, static_cast<size_t>(h.width()), 1, "BGR", mc::CharPixel, h.displayRow(y));
}

void setResolution(const ImageHandle& h, Magick::Image& image)
{
    const BitmapInfoHeader hdr = h.header();
    const int32_t xDpi = PtxPpmToDpi(hdr.xPelsPerMeter);
    const int32_t yDpi = PtxPpmToDpi(hdr.yPelsPerMeter);
    if (xDpi <= 0 || yDpi <= 0)
        return;
    mc::Image* core = image.image();
    core->units = mc::PixelsPerInchResolution;
    core->x_resolution = xDpi;
    core->y_resolution = yDpi;
}

// An image of the page's size whose pixels are all written afterwards:
// nothing is drawn or filled first. A palette image gets its colour map
// before its pixels exist, so that the pixel cache is laid out once.
std::optional<Magick::Image> blankImage(size_t width, size_t height, uint32_t colours)
{
    std::unique_ptr<mc::ImageInfo, ImageInfoDeleter> info(mc::AcquireImageInfo());
    mc::Image* core = mc::AcquireImage(info.get());
    if (core == nullptr)
        return std::nullopt;
    core->columns = width;
    core->rows = height;
    const bool ready = colours > 0 ? mc::AcquireImageColormap(core, colours) != mc::MagickFalse
                                   : mc::SetImageExtent(core, width, height) != mc::MagickFalse;
    if (!ready) {
        mc::DestroyImage(core);
        return std::nullopt;
    }
    return Magick::Image(core);
}

std::optional<Magick::Image> toCodecImage(const ImageHandle& h)
{
    if (!h.isValidDib())
        return std::nullopt;
    auto blank = blankImage(static_cast<size_t>(h.width()), static_cast<size_t>(h.height()), h.paletteEntries());
    if (!blank)
        return std::nullopt;
    Magick::Image& image = *blank;
    image.quiet(true);
    // A 1-bit page is written as one bit per pixel wherever the format can.
    const bool bilevel = h.bitCount() == 1 && PageView(h).greyPalette();
    image.depth(bilevel ? 1 : 8);
    image.modifyImage();
    if (h.bitCount() == 24)
        fromTrueColourHandle(h, image);
    else
        fromIndexedHandle(h, image);
    // Tell the writers what the page is, so that none of them scans or
    // quantizes it again to find out.
    if (bilevel)
        image.image()->type = mc::BilevelType;
    setResolution(h, image);
    return blank;
}

} // namespace

EncodeResult writeWithMagick(const ImageHandle* page, const EncodeOptions& options)
{
    ensureMagickInitialised();
    EncodeResult result;
    if (coderFor(options.format) == nullptr || options.format == PtxFormat::Wmf) {
        result.error = "Unknown or wrong format";
        return result;
    }
    try {
        auto image = page != nullptr ? toCodecImage(*page) : std::nullopt;
        if (!image) {
            result.status = EncodeStatus::BadHandle;
            return result;
        }
        prepareForWriting(*image, *page, options);
        if (options.format == PtxFormat::Pgx) {
            result.bytes = pgxBytes(*image);
        } else {
            Magick::Blob blob;
            image->write(&blob);
            const auto* data = static_cast<const uint8_t*>(blob.data());
            if (data == nullptr || blob.length() == 0) {
                result.error = "image encoding failed";
                return result;
            }
            result.bytes.assign(data, data + blob.length());
        }
        result.status = EncodeStatus::Ok;
    } catch (const Magick::Exception& e) {
        result.error = e.what();
    }
    return result;
}

} // namespace pictra::codec
