// TIFF pages into handles through libtiff, one page at a time.
//
// Opening reads and checks every directory first without decoding a pixel.
// A page of 1, 4 or 8 bits in one sample (grey or palette) and an 8-bit RGB
// page (also JPEG's YCbCr, which libjpeg turns into RGB) are decoded row by
// row straight into the handle's rows, at their own depth; every other
// layout (old JPEG, 16-bit samples, separate planes, CMYK, alpha...) goes
// through libtiff's RGBA reader, a band of rows at a time, into a 24-bit
// page (8-bit for grey pictures).

#include <algorithm>
#include <cstring>
#include <vector>

#include "ImageCodec.h"
#include "PixelAccess.h"
#include "TiffStream.h"

namespace pictra::codec {
namespace {

using tiff::TiffStream;

// No strip starts inside the file's header (8 bytes; 16 in a BigTIFF file).
constexpr uint64_t kTiffHeaderBytes = 8;

enum class Layout {
    Grey,    // 1, 4 or 8-bit samples, min-is-black or min-is-white
    Indexed, // 1, 4 or 8-bit palette indices
    Rgb,     // 8-bit red, green, blue
    Rgba,    // anything else, through libtiff's RGBA reader
};

struct PageShape {
    Layout layout = Layout::Rgba;
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bits = 24;  // the handle's bit count
    bool minIsWhite = false;
};

template <typename T>
T field(TIFF* tif, ttag_t tag)
{
    T value{};
    TIFFGetFieldDefaulted(tif, tag, &value);
    return value;
}

// How the current directory is decoded; nothing (and the reason) when it
// cannot be.
std::optional<PageShape> shapeOf(TIFF* tif, std::string& error)
{
    PageShape shape;
    if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &shape.width) != 1 ||
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &shape.height) != 1 || shape.width == 0 || shape.height == 0) {
        error = "TIFF page without a size";
        return std::nullopt;
    }
    uint16_t photometric = 0;
    if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) != 1)
        photometric = PHOTOMETRIC_MINISWHITE; // what fax writers that leave it out mean
    const auto bps = field<uint16_t>(tif, TIFFTAG_BITSPERSAMPLE);
    const auto spp = field<uint16_t>(tif, TIFFTAG_SAMPLESPERPIXEL);
    const auto compression = field<uint16_t>(tif, TIFFTAG_COMPRESSION);
    const auto sampleFormat = field<uint16_t>(tif, TIFFTAG_SAMPLEFORMAT);
    const auto planar = field<uint16_t>(tif, TIFFTAG_PLANARCONFIG);
    const bool plain = sampleFormat == SAMPLEFORMAT_UINT && compression != COMPRESSION_OJPEG;
    const bool indexBits = bps == 1 || bps == 4 || bps == 8;

    if (plain && spp == 1 && indexBits &&
        (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE)) {
        shape.layout = Layout::Grey;
        shape.bits = bps;
        shape.minIsWhite = photometric == PHOTOMETRIC_MINISWHITE;
    } else if (plain && spp == 1 && indexBits && photometric == PHOTOMETRIC_PALETTE) {
        shape.layout = Layout::Indexed;
        shape.bits = bps;
    } else if (plain && spp == 3 && bps == 8 && planar == PLANARCONFIG_CONTIG &&
               (photometric == PHOTOMETRIC_RGB ||
                (photometric == PHOTOMETRIC_YCBCR && compression == COMPRESSION_JPEG))) {
        shape.layout = Layout::Rgb;
        shape.bits = 24;
    } else {
        char reason[1024] = {};
        if (TIFFRGBAImageOK(tif, reason) != 1) {
            error = *reason != '\0' ? reason : "TIFF page of an unsupported kind";
            return std::nullopt;
        }
        shape.layout = Layout::Rgba;
        const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
        shape.bits = grey && spp == 1 ? 8 : 24;
    }
    if (!DibBlockSize(shape.width, shape.height, shape.bits)) {
        error = kTooLarge;
        return std::nullopt;
    }
    return shape;
}

// Every strip (or tile) of the current directory must lie inside the file,
// after its header: a truncated file, or an offset table shorter than the
// page needs (whose missing offsets libtiff reads as 0), is refused before
// anything is decoded.
bool stripsInsideFile(TIFF* tif, uint64_t fileSize, std::string& error)
{
    const uint32_t count = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    if (count == 0) {
        error = "TIFF page without strips";
        return false;
    }
    for (uint32_t s = 0; s < count; ++s) {
        int failed = 0;
        const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, s, &failed);
        const uint64_t bytes = failed ? 0 : TIFFGetStrileByteCountWithErr(tif, s, &failed);
        if (failed || bytes == 0 || offset < kTiffHeaderBytes || offset > fileSize || bytes > fileSize - offset) {
            error = "TIFF strip " + std::to_string(s) + " lies outside the file";
            return false;
        }
    }
    return true;
}

// Sets what libtiff must know before decoding the current directory.
void prepareDecoding(TIFF* tif)
{
    if (field<uint16_t>(tif, TIFFTAG_COMPRESSION) == COMPRESSION_JPEG &&
        field<uint16_t>(tif, TIFFTAG_PHOTOMETRIC) == PHOTOMETRIC_YCBCR)
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
}

std::optional<PageShape> checkDirectory(const TiffStream& stream, std::string& error)
{
    TIFF* tif = stream.tiff();
    prepareDecoding(tif);
    auto shape = shapeOf(tif, error);
    if (!shape || !stripsInsideFile(tif, stream.fileSize(), error))
        return std::nullopt;
    return shape;
}

// Reads every directory from the first, and checks the first `checked` as
// decoding them would. The number of pages, or nothing when a directory
// cannot be read (a loop, a cut file) or fails its check.
std::optional<int32_t> readAllDirectories(TiffStream& stream, int32_t checked, std::string& error)
{
    TIFF* tif = stream.tiff();
    int32_t pages = 0;
    for (;;) {
        if (pages < checked && !checkDirectory(stream, error))
            return std::nullopt;
        ++pages;
        if (TIFFLastDirectory(tif) || pages == INT32_MAX)
            break;
        if (TIFFReadDirectory(tif) != 1 || stream.failed()) {
            error = stream.errorOr("cannot read TIFF directory " + std::to_string(pages));
            return std::nullopt;
        }
    }
    if (stream.failed()) {
        error = stream.errorOr("");
        return std::nullopt;
    }
    return pages;
}

// ---- decoding one page ----

// The handle's rows hold the file's samples; this makes them the handle's:
// min-is-white samples complemented, RGB turned into blue, green, red, and
// everything after the last pixel of a row zero.
void finishRows(ImageHandle& h, const PageShape& shape)
{
    const PageView page(h);
    const std::size_t rowBytes = (static_cast<std::size_t>(shape.width) * shape.bits + 7) / 8;
    for (int32_t r = 0; r < page.height; ++r) {
        uint8_t* row = page.row(r);
        if (shape.minIsWhite) {
            for (std::size_t i = 0; i < rowBytes; ++i)
                row[i] = static_cast<uint8_t>(~row[i]);
        }
        if (shape.layout == Layout::Rgb) {
            for (std::size_t i = 0; i + 2 < rowBytes; i += 3)
                std::swap(row[i], row[i + 2]);
        }
    }
    clearRowPadding(page);
}

bool readStrips(TIFF* tif, ImageHandle& h, std::string& error)
{
    if (TIFFScanlineSize64(tif) > h.stride()) {
        error = "TIFF rows longer than the page";
        return false;
    }
    for (int32_t y = 0; y < h.height(); ++y) {
        if (TIFFReadScanline(tif, h.displayRow(y), static_cast<uint32_t>(y), 0) < 0) {
            error = "cannot decode TIFF row " + std::to_string(y);
            return false;
        }
    }
    return true;
}

bool readTiles(TIFF* tif, ImageHandle& h, const PageShape& shape, std::string& error)
{
    uint32_t tileWidth = 0;
    uint32_t tileHeight = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
    const uint64_t tileRowBytes = TIFFTileRowSize64(tif);
    // Tiles are a multiple of 16 pixels wide, so each starts on a byte.
    if (tileWidth == 0 || tileHeight == 0 || tileWidth % 16 != 0 ||
        tileRowBytes != uint64_t{tileWidth} * shape.bits / 8) {
        error = "TIFF tiles of an unsupported size";
        return false;
    }
    std::vector<uint8_t> tile(static_cast<std::size_t>(TIFFTileSize64(tif)));
    const std::size_t rowBytes = (std::size_t{shape.width} * shape.bits + 7) / 8;
    for (uint32_t top = 0; top < shape.height; top += tileHeight) {
        for (uint32_t left = 0; left < shape.width; left += tileWidth) {
            if (TIFFReadTile(tif, tile.data(), left, top, 0, 0) < 0) {
                error = "cannot decode TIFF tile at " + std::to_string(left) + "," + std::to_string(top);
                return false;
            }
            const std::size_t from = std::size_t{left} * shape.bits / 8;
            const std::size_t bytes = std::min<std::size_t>(tileRowBytes, rowBytes - from);
            const uint32_t rows = std::min(tileHeight, shape.height - top);
            for (uint32_t r = 0; r < rows; ++r)
                std::memcpy(h.displayRow(static_cast<int32_t>(top + r)) + from,
                            tile.data() + r * tileRowBytes, bytes);
        }
    }
    return true;
}

// A colour map's 16-bit entries as bytes; entries written by programs that
// stored 8-bit values (every entry at most 255) are taken as they are.
bool readColourMap(TIFF* tif, ImageHandle& h, std::string& error)
{
    uint16_t* red = nullptr;
    uint16_t* green = nullptr;
    uint16_t* blue = nullptr;
    if (TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) != 1) {
        error = "TIFF palette page without a colour map";
        return false;
    }
    const uint32_t entries = h.paletteEntries();
    bool eightBit = true;
    for (uint32_t i = 0; i < entries; ++i)
        eightBit = eightBit && red[i] <= 255 && green[i] <= 255 && blue[i] <= 255;
    const int shift = eightBit ? 0 : 8;
    for (uint32_t i = 0; i < entries; ++i)
        setPaletteEntry(h, i, static_cast<uint8_t>(red[i] >> shift), static_cast<uint8_t>(green[i] >> shift),
                        static_cast<uint8_t>(blue[i] >> shift));
    return true;
}

// Through libtiff's RGBA reader, one band of rows at a time (a strip's or a
// tile row's worth), alpha laid on white.
bool readRgba(TIFF* tif, ImageHandle& h, const PageShape& shape, std::string& error)
{
    char reason[1024] = {};
    TIFFRGBAImage image{};
    if (TIFFRGBAImageBegin(&image, tif, 0, reason) != 1) {
        error = *reason != '\0' ? reason : "cannot decode TIFF page";
        return false;
    }
    image.req_orientation = ORIENTATION_TOPLEFT;
    uint32_t band = 0;
    if (TIFFIsTiled(tif))
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &band);
    else
        band = field<uint32_t>(tif, TIFFTAG_ROWSPERSTRIP);
    band = std::clamp<uint32_t>(band, 1, std::min<uint32_t>(shape.height, 256));
    std::vector<uint32_t> raster(std::size_t{shape.width} * band);
    bool ok = true;
    for (uint32_t top = 0; ok && top < shape.height; top += band) {
        const uint32_t rows = std::min(band, shape.height - top);
        image.row_offset = static_cast<int>(top);
        image.col_offset = 0;
        if (TIFFRGBAImageGet(&image, raster.data(), shape.width, rows) != 1) {
            error = "cannot decode TIFF rows from " + std::to_string(top);
            ok = false;
            break;
        }
        for (uint32_t r = 0; r < rows; ++r) {
            uint8_t* row = h.displayRow(static_cast<int32_t>(top + r));
            const uint32_t* in = raster.data() + std::size_t{r} * shape.width;
            for (uint32_t x = 0; x < shape.width; ++x) {
                // Premultiplied colour over white: c + (255 - alpha).
                const unsigned white = 255 - TIFFGetA(in[x]);
                const auto onWhite = [white](unsigned c) { return static_cast<uint8_t>(std::min(255u, c + white)); };
                if (shape.bits == 8) {
                    row[x] = onWhite(TIFFGetR(in[x]));
                } else {
                    row[3 * x] = onWhite(TIFFGetB(in[x]));
                    row[3 * x + 1] = onWhite(TIFFGetG(in[x]));
                    row[3 * x + 2] = onWhite(TIFFGetR(in[x]));
                }
            }
        }
    }
    TIFFRGBAImageEnd(&image);
    return ok;
}

std::optional<DecodedPage> decodeDirectory(const TiffStream& stream, std::string& error)
{
    TIFF* tif = stream.tiff();
    const auto shape = checkDirectory(stream, error);
    if (!shape)
        return std::nullopt;
    DecodedPage page;
    page.handle = ImageHandle::createDib(static_cast<int32_t>(shape->width), static_cast<int32_t>(shape->height),
                                         shape->bits);
    if (page.handle.isNull()) {
        error = "failed to allocate memory";
        return std::nullopt;
    }
    bool ok = true;
    switch (shape->layout) {
    case Layout::Rgba:
        ok = readRgba(tif, page.handle, *shape, error);
        break;
    case Layout::Indexed:
        ok = readColourMap(tif, page.handle, error);
        [[fallthrough]];
    default:
        ok = ok && (TIFFIsTiled(tif) ? readTiles(tif, page.handle, *shape, error) : readStrips(tif, page.handle, error));
        if (ok)
            finishRows(page.handle, *shape);
    }
    // libtiff reports some damage (a bad code word, a cut JPEG stream) and
    // goes on with a guess; the page is refused all the same.
    if (!ok || stream.failed()) {
        error = stream.errorOr(error);
        return std::nullopt;
    }
    if (shape->bits != 24 && shape->layout != Layout::Indexed)
        setGreyRamp(page.handle);

    float x = 0;
    float y = 0;
    const auto unit = field<uint16_t>(tif, TIFFTAG_RESOLUTIONUNIT);
    // A resolution without a unit is a fax file's "204, 98": dots per inch.
    const double perInch = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
    page.xDpi = TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) == 1 ? wholeDpiOr96(x * perInch) : 96;
    page.yDpi = TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y) == 1 ? wholeDpiOr96(y * perInch) : 96;
    return page;
}

class TiffDecoder : public PageDecoder {
public:
    TiffDecoder(std::unique_ptr<TiffStream> stream, FileFacts facts) : stream_(std::move(stream)), facts_(facts) {}

    const FileFacts& facts() const override { return facts_; }

    std::optional<DecodedPage> page(int32_t index, std::string& error) override
    {
        TIFF* tif = stream_->tiff();
        const bool moved = index == current_ || (index == current_ + 1 && TIFFReadDirectory(tif) == 1) ||
                           TIFFSetDirectory(tif, static_cast<tdir_t>(index)) == 1;
        if (!moved) {
            error = stream_->errorOr("cannot read TIFF directory " + std::to_string(index));
            return std::nullopt;
        }
        current_ = index;
        return decodeDirectory(*stream_, error);
    }

private:
    std::unique_ptr<TiffStream> stream_;
    FileFacts facts_;
    int32_t current_ = 0;
};

std::unique_ptr<TiffStream> openChecked(const FileReader& file, int32_t checked, int32_t& pages,
                                        std::string& error)
{
    auto stream = TiffStream::forReading(file, error);
    if (!stream)
        return nullptr;
    const auto counted = readAllDirectories(*stream, checked, error);
    if (!counted)
        return nullptr;
    pages = *counted;
    return stream;
}

} // namespace

std::unique_ptr<PageDecoder> openTiff(const FileReader& file, std::string& error)
{
    int32_t pages = 0;
    auto stream = openChecked(file, 0, pages, error);
    if (!stream)
        return nullptr;
    if (TIFFSetDirectory(stream->tiff(), 0) != 1) {
        error = stream->errorOr("cannot read TIFF directory 0");
        return nullptr;
    }
    FileFacts facts;
    facts.frames = pages;
    facts.encodeOption = field<uint16_t>(stream->tiff(), TIFFTAG_COMPRESSION);
    return std::make_unique<TiffDecoder>(std::move(stream), facts);
}

std::optional<int32_t> countTiffPages(const FileReader& file, int32_t limit, std::string& error)
{
    int32_t pages = 0;
    const int32_t counted = std::max(limit, 1);
    if (!openChecked(file, counted, pages, error))
        return std::nullopt;
    return std::min(pages, counted);
}

} // namespace pictra::codec
