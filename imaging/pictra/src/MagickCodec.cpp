// The codec adapter: ImageMagick 6 through Magick++. Nothing else in Pictra
// sees the codec library.
//
// Files are decoded from memory with the coder forced from the format number,
// so that no file name is ever interpreted, and one frame at a time.

#include <Magick++.h>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "ImageCodec.h"
#include "TiffPages.h"
#include "pictra/Pictra.h"

namespace pictra::codec {
namespace {

namespace mc = MagickCore;

void ensureInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        // Pages are small and callers run on several threads of their own.
        Magick::ResourceLimits::thread(1);
    });
}

const char* coderFor(uint16_t format)
{
    switch (format) {
    case PtxFormat::Bmp: return "BMP";
    case PtxFormat::Gif: return "GIF";
    case PtxFormat::Jpeg: return "JPEG";
    case PtxFormat::Png: return "PNG";
    case PtxFormat::Ico: return "ICO";
    case PtxFormat::Tiff: return "TIFF";
    case PtxFormat::Tga: return "TGA";
    case PtxFormat::Pcx: return "PCX";
    case PtxFormat::Wmf: return "WMF";
    case PtxFormat::J2k: return "J2K";
    case PtxFormat::Pgx: return "PGX";
    case PtxFormat::Pnm: return "PNM";
    case PtxFormat::Ras: return "SUN";
    default: return nullptr;
    }
}

struct ImageListDeleter {
    void operator()(mc::Image* image) const { mc::DestroyImageList(image); }
};
using ImageList = std::unique_ptr<mc::Image, ImageListDeleter>;

struct ImageInfoDeleter {
    void operator()(mc::ImageInfo* info) const { mc::DestroyImageInfo(info); }
};

struct ExceptionDeleter {
    void operator()(mc::ExceptionInfo* e) const { mc::DestroyExceptionInfo(e); }
};
using Exception = std::unique_ptr<mc::ExceptionInfo, ExceptionDeleter>;

std::string exceptionText(const mc::ExceptionInfo& e)
{
    std::string text = e.reason != nullptr ? e.reason : "image decoding failed";
    if (e.description != nullptr)
        text += std::string(" (") + e.description + ")";
    return text;
}

// Reads (or pings) a file from memory with its coder forced. Codec errors
// fail; warnings are ignored.
ImageList readBlob(std::span<const uint8_t> file, uint16_t format, bool ping, int32_t frame, std::string& error)
{
    ensureInitialised();
    const char* coder = coderFor(format);
    if (coder == nullptr) {
        error = "Unknown or wrong format";
        return nullptr;
    }
    std::unique_ptr<mc::ImageInfo, ImageInfoDeleter> info(mc::AcquireImageInfo());
    Exception exception(mc::AcquireExceptionInfo());
    std::snprintf(info->magick, sizeof info->magick, "%s", coder);
    // The name is ours alone: the forced coder and, to decode one frame,
    // the frame's number as a subimage range.
    if (ping)
        std::snprintf(info->filename, sizeof info->filename, "%s:", coder);
    else
        std::snprintf(info->filename, sizeof info->filename, "%s:[%d]", coder, frame);
    ImageList images(ping ? mc::PingBlob(info.get(), file.data(), file.size(), exception.get())
                          : mc::BlobToImage(info.get(), file.data(), file.size(), exception.get()));
    if (exception->severity >= mc::ErrorException) {
        error = exceptionText(*exception);
        return nullptr;
    }
    if (!images || images->columns == 0 || images->rows == 0) {
        error = exception->severity != mc::UndefinedException ? exceptionText(*exception) : "no image in file";
        return nullptr;
    }
    return images;
}

uint32_t encodeOptionOf(mc::CompressionType compression)
{
    switch (compression) {
    case mc::NoCompression: return PtxTiffCompression::None;
    case mc::FaxCompression: return PtxTiffCompression::CcittG3;
    case mc::Group4Compression: return PtxTiffCompression::CcittG4;
    case mc::LZWCompression: return PtxTiffCompression::Lzw;
    case mc::JPEGCompression: return PtxTiffCompression::Jpeg;
    case mc::ZipCompression: return PtxTiffCompression::Deflate;
    case mc::RLECompression: return PtxTiffCompression::PackBits;
    default: return 0;
    }
}

// The TIFF compression for an encode option. CCITT compressions only suit
// 1-bit pages; deeper pages asked for them are stored losslessly with LZW
// instead of being thresholded to black and white.
mc::CompressionType tiffCompressionFor(uint32_t encodeOption, uint16_t bitCount)
{
    const bool bilevel = bitCount == 1;
    switch (encodeOption) {
    case PtxTiffCompression::None: return mc::NoCompression;
    case PtxTiffCompression::CcittRle:
    case PtxTiffCompression::CcittG3: return bilevel ? mc::FaxCompression : mc::LZWCompression;
    case PtxTiffCompression::CcittG4: return bilevel ? mc::Group4Compression : mc::LZWCompression;
    case PtxTiffCompression::Lzw: return mc::LZWCompression;
    case PtxTiffCompression::OldJpeg:
    case PtxTiffCompression::Jpeg: return bilevel ? mc::Group4Compression : mc::JPEGCompression;
    case PtxTiffCompression::Deflate:
    case PtxTiffCompression::OldDeflate: return mc::ZipCompression;
    case PtxTiffCompression::PackBits: return mc::RLECompression;
    default: return bilevel ? mc::Group4Compression : mc::LZWCompression;
    }
}

// Dots per inch of one axis, rounded to a whole number; 96 when the file
// gives none (no value, or only an aspect ratio without a unit).
int32_t dpiOf(double resolution, mc::ResolutionType units)
{
    double dpi;
    if (units == mc::PixelsPerInchResolution)
        dpi = resolution;
    else if (units == mc::PixelsPerCentimeterResolution)
        dpi = resolution * 2.54;
    else
        return 96;
    const long rounded = std::lround(dpi);
    return rounded > 0 && rounded <= 100000 ? static_cast<int32_t>(rounded) : 96;
}

// Q16 samples and bytes.
constexpr unsigned long kQuantumMax = 65535;
static_assert(MAGICKCORE_QUANTUM_DEPTH == 16);

uint8_t toByte(mc::Quantum q)
{
    return static_cast<uint8_t>((static_cast<unsigned long>(q) * 255 + kQuantumMax / 2) / kQuantumMax);
}

mc::Quantum toQuantum(uint8_t v)
{
    return static_cast<mc::Quantum>(v * (kQuantumMax / 255));
}

int bitsForColours(size_t colours)
{
    return colours <= 2 ? 1 : colours <= 16 ? 4 : 8;
}

// Packs one row of palette indices into a 1, 4 or 8-bit DIB row.
void packRow(const uint8_t* indices, int32_t width, int bits, uint8_t* row)
{
    if (bits == 8) {
        std::memcpy(row, indices, static_cast<size_t>(width));
        return;
    }
    const auto w = static_cast<size_t>(width);
    if (bits == 4) {
        for (size_t x = 0; x < w; ++x)
            row[x >> 1] |= static_cast<uint8_t>((x & 1) ? indices[x] : indices[x] << 4);
        return;
    }
    for (size_t x = 0; x < w; ++x)
        row[x >> 3] |= static_cast<uint8_t>(indices[x] << (7 - (x & 7)));
}

void setPaletteEntry(ImageHandle& h, size_t i, uint8_t red, uint8_t green, uint8_t blue)
{
    uint8_t* e = h.palette() + 4 * i;
    e[0] = blue;
    e[1] = green;
    e[2] = red;
    e[3] = 0;
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
        setPaletteEntry(h, i, toByte(c.red), toByte(c.green),
                        toByte(c.blue));
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
        packRow(indices.data(), w, bits, h.displayRow(y));
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
        packRow(&indices[static_cast<size_t>(y) * w], h.width(), bits, h.displayRow(y));
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
    ImageHandle h = newPage(image, bilevel ? 1 : 8);
    if (h.isNull())
        return h;
    if (bilevel) {
        setPaletteEntry(h, 0, 0, 0, 0);
        setPaletteEntry(h, 1, 255, 255, 255);
        for (uint8_t& v : grey)
            v = v != 0 ? 1 : 0;
    } else {
        for (int i = 0; i < 256; ++i)
            setPaletteEntry(h, static_cast<size_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i),
                            static_cast<uint8_t>(i));
    }
    for (int32_t y = 0; y < h.height(); ++y)
        packRow(&grey[static_cast<size_t>(y) * w], h.width(), bilevel ? 1 : 8, h.displayRow(y));
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

// PCX files of at most 8 bits per pixel in one plane hold a palette even
// when the codec hands their pixels back as colours.
bool pcxWithPalette(std::span<const uint8_t> file)
{
    constexpr std::size_t kBitsPerPixel = 3;
    constexpr std::size_t kPlanes = 65;
    return file.size() > kPlanes && file[kBitsPerPixel] * file[kPlanes] <= 8;
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

// ---- handles to codec images ----

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

bool greyPalette(const ImageHandle& h)
{
    for (uint32_t i = 0; i < h.paletteEntries(); ++i) {
        const uint8_t* e = h.palette() + 4 * i;
        if (e[0] != e[1] || e[1] != e[2])
            return false;
    }
    return true;
}

// Palette indices of one 1, 4 or 8-bit DIB row.
void unpackRow(const uint8_t* row, int32_t width, int bits, uint8_t* indices)
{
    const auto w = static_cast<size_t>(width);
    if (bits == 8) {
        std::memcpy(indices, row, w);
    } else if (bits == 4) {
        for (size_t x = 0; x < w; ++x)
            indices[x] = static_cast<uint8_t>((x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4);
    } else {
        for (size_t x = 0; x < w; ++x)
            indices[x] = static_cast<uint8_t>((row[x >> 3] >> (7 - (x & 7))) & 1);
    }
}

void fromIndexedHandle(const ImageHandle& h, Magick::Image& image)
{
    const uint32_t colours = h.paletteEntries();
    const int bits = h.bitCount();
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
        unpackRow(h.displayRow(y), w, bits, indexRow.data());
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
    image.depth(8);
    image.modifyImage();
    if (h.bitCount() == 24)
        fromTrueColourHandle(h, image);
    else
        fromIndexedHandle(h, image);
    // Tell the writers what the page is, so that none of them scans or
    // quantizes it again to find out.
    if (h.bitCount() == 1 && greyPalette(h))
        image.image()->type = mc::BilevelType;
    setResolution(h, image);
    return blank;
}

// Sets the writer and its options on one page. Compression and quality go
// into the page itself, so that every page of a multi-page file keeps its
// own compression.
void prepareForWriting(Magick::Image& image, const ImageHandle& h, const EncodeOptions& options)
{
    mc::Image* core = image.image();
    std::string coder = coderFor(options.format);
    switch (options.format) {
    case PtxFormat::Bmp:
        coder = "BMP3";
        break;
    case PtxFormat::Tiff:
        core->compression = tiffCompressionFor(options.encodeOption, h.bitCount());
        core->quality = options.quality;
        break;
    case PtxFormat::Jpeg:
        image.interlaceType(mc::NoInterlace);
        if (options.quality > 0)
            image.quality(options.quality);
        break;
    case PtxFormat::J2k:
        if (options.quality > 0)
            image.quality(options.quality);
        break;
    case PtxFormat::Png:
        // The PNG writer would turn a true-colour page of few colours into a
        // palette one.
        if (h.bitCount() == 24)
            coder = "PNG24";
        break;
    case PtxFormat::Tga:
        // Uncompressed true colour keeps the file's first two bytes zero.
        image.classType(mc::DirectClass);
        image.compressType(mc::NoCompression);
        break;
    case PtxFormat::Pnm:
        coder = h.bitCount() == 24 || !greyPalette(h) ? "PPM" : "PGM";
        break;
    default:
        break;
    }
    // Pages made from handles carry no profiles, comments or dates, so the
    // files hold none either (no EXIF in a JPEG, no identification in a TGA).
    // True-colour pages stay true colour whatever their number of colours.
    if (h.bitCount() == 24)
        image.type(mc::TrueColorType);
    image.magick(coder);
}

// The codec's own PGX writer puts one stray byte after every row, so the
// page goes out as an 8-bit unsigned single-component PGX written here, from
// the codec's intensity of each pixel.
std::vector<uint8_t> pgxBytes(Magick::Image& image)
{
    const std::string header = "PG ML + 8 " + std::to_string(image.columns()) + " " +
                               std::to_string(image.rows()) + "\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.resize(header.size() + image.columns() * image.rows());
    image.write(0, 0, image.columns(), image.rows(), "I", mc::CharPixel, bytes.data() + header.size());
    return bytes;
}

constexpr char kTooLarge[] = "image is too large";

// Whether a page of this size, at the largest bit count, fits a handle.
bool fitsHandle(const mc::Image& page)
{
    return DibBlockSize(static_cast<int64_t>(page.columns), static_cast<int64_t>(page.rows), 24).has_value();
}

} // namespace

std::optional<FileFacts> probe(std::span<const uint8_t> file, uint16_t format, std::string& error)
{
    ImageList images = readBlob(file, format, true, 0, error);
    if (!images)
        return std::nullopt;
    // Every page's size is checked from its header before any page is
    // decoded: a hostile header must not make the codec allocate.
    for (const mc::Image* page = images.get(); page != nullptr; page = page->next) {
        if (!fitsHandle(*page)) {
            error = kTooLarge;
            return std::nullopt;
        }
    }
    FileFacts facts;
    facts.frames = static_cast<int32_t>(mc::GetImageListLength(images.get()));
    if (format == PtxFormat::Tiff)
        facts.encodeOption = encodeOptionOf(images->compression);
    if (format == PtxFormat::Jpeg)
        facts.quality = static_cast<uint8_t>(images->quality <= 100 ? images->quality : 100);
    return facts;
}

std::optional<DecodedPage> decodeFrame(std::span<const uint8_t> file, uint16_t format, int32_t frame,
                                       std::string& error)
{
    ImageList images = readBlob(file, format, false, frame, error);
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
        page.xDpi = dpiOf(first->x_resolution, first->units);
        page.yDpi = dpiOf(first->y_resolution, first->units);
        page.handle = toHandle(image, format == PtxFormat::Pcx && pcxWithPalette(file));
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

namespace {

// One page as the bytes of a file; nothing after a codec error, which goes
// into `result`.
std::optional<std::vector<uint8_t>> encodePage(const ImageHandle* page, const EncodeOptions& options,
                                               EncodeResult& result)
{
    auto image = page != nullptr ? toCodecImage(*page) : std::nullopt;
    if (!image) {
        result.status = EncodeStatus::BadHandle;
        return std::nullopt;
    }
    prepareForWriting(*image, *page, options);
    if (options.format == PtxFormat::Pgx)
        return pgxBytes(*image);
    Magick::Blob blob;
    image->write(&blob);
    const auto* data = static_cast<const uint8_t*>(blob.data());
    if (data == nullptr || blob.length() == 0) {
        result.error = "image encoding failed";
        return std::nullopt;
    }
    return std::vector<uint8_t>(data, data + blob.length());
}

} // namespace

EncodeResult encode(std::span<const ImageHandle* const> pages, const EncodeOptions& options)
{
    ensureInitialised();
    EncodeResult result;
    if (coderFor(options.format) == nullptr || options.format == PtxFormat::Wmf || pages.empty() ||
        (pages.size() > 1 && options.format != PtxFormat::Tiff)) {
        result.error = "Unknown or wrong format";
        return result;
    }
    try {
        // Pages are encoded one at a time, each a TIFF of its own, and then
        // joined: a long fax never sits in the codec as a whole.
        std::vector<std::vector<uint8_t>> files;
        files.reserve(pages.size());
        for (const ImageHandle* page : pages) {
            auto bytes = encodePage(page, options, result);
            if (!bytes)
                return result;
            files.push_back(std::move(*bytes));
        }
        if (files.size() == 1) {
            result.bytes = std::move(files.front());
        } else {
            auto joined = joinTiffPages(files);
            if (!joined) {
                result.error = "Multipage Encode, cannot join the pages";
                return result;
            }
            result.bytes = std::move(*joined);
        }
        result.status = EncodeStatus::Ok;
    } catch (const Magick::Exception& e) {
        result.error = e.what();
    }
    return result;
}

} // namespace pictra::codec
