// Files of every format but TIFF into handles through ImageMagick, one
// frame at a time, each at the depth its picture needs.

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "ImageCodec.h"
#include "MagickModule.h"
#include "MagickQuirks.h"
#include "MagickSupport.h"
#include "PixelAccess.h"
#include "pictra/DibRows.h"
#include "pictra/Pictra.h"

namespace pictra::codec {
namespace {

// Dots per inch of one axis; 96 when the file gives none (no value, or only
// an aspect ratio without a unit).
int32_t dpiOf(double resolution, mc::ResolutionType units)
{
    if (units == mc::PixelsPerInchResolution)
        return wholeDpiOr96(resolution);
    if (units == mc::PixelsPerCentimeterResolution)
        return wholeDpiOr96(resolution * 2.54);
    return 96;
}

int bitsForColours(size_t colours)
{
    return colours <= 2 ? 1 : colours <= 16 ? 4 : 8;
}

// Builds palette indices from colours when the codec returned a palette
// image without a colour map; nothing when there are more than 256 colours.
class IndexBuilder {
public:
    std::optional<uint8_t> indexOf(uint32_t bgr)
    {
        auto it = index_.find(bgr);
        if (it != index_.end())
            return it->second;
        if (colours_.size() == 256)
            return std::nullopt;
        const auto i = static_cast<uint8_t>(colours_.size());
        colours_.push_back(bgr);
        index_.emplace(bgr, i);
        return i;
    }
    const std::vector<uint32_t>& colours() const { return colours_; }

private:
    std::unordered_map<uint32_t, uint8_t> index_;
    std::vector<uint32_t> colours_;
};

ImageHandle newPage(const Magick::Image& image, int bits)
{
    return ImageHandle::createDib(static_cast<int32_t>(image.columns()), static_cast<int32_t>(image.rows()),
                                  static_cast<uint16_t>(bits));
}

// A palette image with its colour map, indices kept.
ImageHandle fromColourMap(const Magick::Image& image)
{
    const mc::Image* core = image.constImage();
    const int bits = bitsForColours(core->colors);
    ImageHandle h = newPage(image, bits);
    if (h.isNull())
        return h;
    for (size_t i = 0; i < core->colors; ++i) {
        const mc::PixelPacket& c = core->colormap[i];
        setPaletteEntry(h, i, toByte(c.red), toByte(c.green), toByte(c.blue));
    }
    const int32_t w = h.width();
    std::vector<uint8_t> indices(static_cast<size_t>(w));
    for (int32_t y = 0; y < h.height(); ++y) {
        if (image.getConstPixels(0, y, static_cast<size_t>(w), 1) == nullptr)
            return {};
        const mc::IndexPacket* ix = image.getConstIndexes();
        for (int32_t x = 0; x < w; ++x) {
            const size_t v = ix != nullptr ? static_cast<size_t>(ix[x]) : 0;
            indices[static_cast<size_t>(x)] = static_cast<uint8_t>(v < core->colors ? v : 0);
        }
        DibPackRow(indices.data(), w, static_cast<unsigned>(bits), h.displayRow(y));
    }
    return h;
}

// Reads the picture as blue, green, red rows, top row first.
std::vector<uint8_t> bgrPixels(Magick::Image& image)
{
    std::vector<uint8_t> bgr(3 * image.columns() * image.rows());
    image.write(0, 0, image.columns(), image.rows(), "BGR", mc::CharPixel, bgr.data());
    return bgr;
}

// A picture whose colours fit a palette but which the codec returned
// without a colour map; nothing when it has more than 256 colours.
ImageHandle withRebuiltIndex(Magick::Image& image)
{
    const std::vector<uint8_t> bgr = bgrPixels(image);
    const size_t w = image.columns();
    const size_t pixels = w * image.rows();
    std::vector<uint8_t> indices(pixels);
    IndexBuilder builder;
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = &bgr[3 * i];
        const auto ix = builder.indexOf(p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16));
        if (!ix)
            return {};
        indices[i] = *ix;
    }
    const int bits = bitsForColours(builder.colours().size());
    ImageHandle h = newPage(image, bits);
    if (h.isNull())
        return h;
    for (size_t i = 0; i < builder.colours().size(); ++i) {
        const uint32_t c = builder.colours()[i];
        setPaletteEntry(h, i, static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c));
    }
    for (int32_t y = 0; y < h.height(); ++y)
        DibPackRow(&indices[static_cast<size_t>(y) * w], h.width(), static_cast<unsigned>(bits), h.displayRow(y));
    return h;
}

// A grey picture: 1 bit (black 0, white 1) when every pixel is black or
// white, else 8 bits over a grey ramp.
ImageHandle fromGrey(Magick::Image& image)
{
    const size_t w = image.columns();
    const size_t rows = image.rows();
    std::vector<uint8_t> grey(w * rows);
    image.write(0, 0, w, rows, "I", mc::CharPixel, grey.data());
    bool bilevel = true;
    for (uint8_t v : grey) {
        if (v != 0 && v != 255) {
            bilevel = false;
            break;
        }
    }
    const unsigned bits = bilevel ? 1 : 8;
    ImageHandle h = newPage(image, static_cast<int>(bits));
    if (h.isNull())
        return h;
    setGreyRamp(h);
    if (bilevel) {
        for (uint8_t& v : grey)
            v = v != 0 ? 1 : 0;
    }
    for (int32_t y = 0; y < h.height(); ++y)
        DibPackRow(&grey[static_cast<size_t>(y) * w], h.width(), bits, h.displayRow(y));
    return h;
}

ImageHandle fromTrueColour(Magick::Image& image)
{
    ImageHandle h = newPage(image, 24);
    if (h.isNull())
        return h;
    const size_t w = image.columns();
    for (int32_t y = 0; y < h.height(); ++y)
        image.write(0, y, w, 1, "BGR", mc::CharPixel, h.displayRow(y));
    return h;
}

bool isPaletteImage(const Magick::Image& image)
{
    const mc::Image* core = image.constImage();
    return core->storage_class == mc::PseudoClass && core->colors >= 1 && core->colors <= 256 &&
           core->colormap != nullptr;
}

ImageHandle toHandle(Magick::Image& image, bool paletteFile)
{
    const bool wasPalette = paletteFile || isPaletteImage(image);
    // CMYK, Lab and the like are read as the colours they show.
    const mc::ColorspaceType space = image.constImage()->colorspace;
    if (space != mc::sRGBColorspace && space != mc::RGBColorspace && space != mc::GRAYColorspace &&
        space != mc::Rec601LumaColorspace && space != mc::Rec709LumaColorspace)
        image.colorSpace(mc::sRGBColorspace);
    if (image.matte()) {
        image.backgroundColor(Magick::Color("white"));
        image.alphaChannel(mc::RemoveAlphaChannel);
    }
    if (isPaletteImage(image))
        return fromColourMap(image);
    if (wasPalette) {
        ImageHandle indexed = withRebuiltIndex(image);
        if (!indexed.isNull())
            return indexed;
    }
    if (image.constImage()->colorspace == mc::GRAYColorspace || image.depth() == 1)
        return fromGrey(image);
    return fromTrueColour(image);
}

// How much a JPEG page larger than the codec's cache is reduced as it is
// decoded (a 108-megapixel phone photo by 2): the least of 2, 4 and 8 that
// makes it fit; 1 for a page that fits, 0 for one that fits at none.
uint32_t reductionToFit(const mc::Image& page, uint16_t format)
{
    if (fitsHandle(page))
        return 1;
    if (format != PtxFormat::Jpeg)
        return 0;
    for (uint32_t reduction : {2u, 4u, 8u}) {
        if (fitsHandle((page.columns + reduction - 1) / reduction, (page.rows + reduction - 1) / reduction))
            return reduction;
    }
    return 0;
}

class MagickDecoder : public PageDecoder {
public:
    MagickDecoder(std::span<const uint8_t> file, uint16_t format, FileFacts facts, uint32_t reduction)
        : file_(file), format_(format), facts_(facts), reduction_(reduction)
    {
    }

    const FileFacts& facts() const override { return facts_; }

    std::optional<DecodedPage> page(int32_t index, std::string& error) override
    {
        ImageList images = readBlob(file_, format_, false, index, error, reduction_);
        if (!images)
            return std::nullopt;
        if (!fitsHandle(*images)) {
            error = kTooLarge;
            return std::nullopt;
        }
        mc::Image* first = images.release();
        mc::DestroyImageList(mc::SplitImageList(first));
        try {
            Magick::Image image(first);
            image.quiet(true);
            DecodedPage page;
            // A reduced page keeps its size on paper.
            const auto reduced = [this](int32_t dpi) { return std::max<int32_t>(1, dpi / static_cast<int32_t>(reduction_)); };
            page.xDpi = reduced(dpiOf(first->x_resolution, first->units));
            page.yDpi = reduced(dpiOf(first->y_resolution, first->units));
            page.handle = toHandle(image, format_ == PtxFormat::Pcx && pcxWithPalette(file_));
            if (page.handle.isNull()) {
                error = "failed to allocate memory";
                return std::nullopt;
            }
            return page;
        } catch (const Magick::Exception& e) {
            error = e.what();
            return std::nullopt;
        }
    }

private:
    std::span<const uint8_t> file_;
    uint16_t format_;
    FileFacts facts_;
    uint32_t reduction_;
};

} // namespace

std::unique_ptr<PageDecoder> readWithMagick(std::span<const uint8_t> file, uint16_t format, std::string& error)
{
    ImageList images = readBlob(file, format, true, 0, error);
    if (!images)
        return nullptr;
    // Every page's size is checked from its header before any page is
    // decoded: a hostile header must not make the codec allocate. A JPEG,
    // one page, may be decoded reduced to fit.
    const uint32_t reduction = reductionToFit(*images, format);
    for (const mc::Image* page = images.get(); page != nullptr; page = page->next) {
        if (reduction == 0 || (page != images.get() && !fitsHandle(*page))) {
            error = kTooLarge;
            return nullptr;
        }
    }
    FileFacts facts;
    facts.frames = static_cast<int32_t>(mc::GetImageListLength(images.get()));
    if (format == PtxFormat::Jpeg)
        facts.quality = static_cast<uint8_t>(images->quality <= 100 ? images->quality : 100);
    return std::make_unique<MagickDecoder>(file, format, facts, reduction);
}

} // namespace pictra::codec
