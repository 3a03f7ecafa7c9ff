// TIFF pages into handles through libtiff, one page at a time.
//
// Opening reads and checks every directory first without decoding a pixel.
// A page of 1, 4 or 8 bits in one sample (grey or palette) and an 8-bit RGB
// page (also JPEG's YCbCr, which libjpeg turns into RGB) are decoded row by
// row straight into the handle's rows, at their own depth; every other
// layout (old JPEG, 16-bit samples, separate planes, CMYK, alpha...) goes
// through libtiff's RGBA conversion into a 24-bit page (8-bit for grey
// pictures): row by row where libtiff reads it by rows, else a strip's or a
// tile row's worth at a time, each piece decoded once.
//
// Damaged pixels do not cost the page: decoding stops at the page's first
// failure (an error libtiff reports, or a strip or tile that lies outside
// the file), what was decoded before it stays, the rest of the page is
// white, and the failure is logged once. Only a directory that cannot be
// decoded at all (no size, a layout nothing reads, a page too large to hold)
// fails its page, and with it the open; the page count makes the same checks.

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
// The most one row of a page's samples may take (a row is decoded whole);
// rows of real pages take a few hundred kilobytes at most.
constexpr uint64_t kMaxRowBytes = uint64_t{16} * 1024 * 1024;
// The most a strip or tile decoded whole (and its RGBA raster) may take.
constexpr uint64_t kMaxPieceBytes = uint64_t{64} * 1024 * 1024;

enum class Layout {
    Grey,       // 1, 4 or 8-bit samples, min-is-black or min-is-white
    Indexed,    // 1, 4 or 8-bit palette indices
    Rgb,        // 8-bit red, green, blue
    RgbaRows,   // anything else that libtiff reads by rows, through its RGBA conversion
    RgbaPieces, // the rest (tiles, old JPEG, subsampled YCbCr): a strip or tile row at a time
};

struct PageShape {
    Layout layout = Layout::RgbaRows;
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

uint32_t rowsPerStrip(TIFF* tif, uint32_t height)
{
    return std::clamp<uint32_t>(field<uint32_t>(tif, TIFFTAG_ROWSPERSTRIP), 1, height);
}

// Whether libtiff reads the page's samples by rows: not tiles, not old
// JPEG, not YCbCr stored in subsampled blocks.
bool readableByRows(TIFF* tif)
{
    uint16_t horizontal = 1;
    uint16_t vertical = 1;
    TIFFGetFieldDefaulted(tif, TIFFTAG_YCBCRSUBSAMPLING, &horizontal, &vertical);
    const bool subsampled = field<uint16_t>(tif, TIFFTAG_PHOTOMETRIC) == PHOTOMETRIC_YCBCR &&
                            (horizontal != 1 || vertical != 1);
    return !TIFFIsTiled(tif) && field<uint16_t>(tif, TIFFTAG_COMPRESSION) != COMPRESSION_OJPEG && !subsampled;
}

// Rows of the raster that one RGBA piece fills: a strip's or a tile row's.
uint32_t rgbaPieceRows(TIFF* tif, uint32_t height)
{
    uint32_t rows = 0;
    if (TIFFIsTiled(tif))
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &rows);
    else
        rows = field<uint32_t>(tif, TIFFTAG_ROWSPERSTRIP);
    return std::clamp<uint32_t>(rows, 1, height);
}

// Whether what decoding the page holds at once fits the bounds above: one
// row, and for pieces decoded whole the piece (each of up to four planes)
// and its raster. A few hundred bytes of file may claim gigabytes.
bool fitsDecoding(TIFF* tif, const PageShape& shape)
{
    if (TIFFScanlineSize64(tif) > kMaxRowBytes)
        return false;
    const bool pieces = TIFFIsTiled(tif) || shape.layout == Layout::RgbaPieces;
    if (!pieces)
        return true;
    // libtiff holds a piece of each of up to four separate planes at once.
    const uint64_t planes = field<uint16_t>(tif, TIFFTAG_PLANARCONFIG) == PLANARCONFIG_CONTIG ? 1 : 4;
    const uint64_t piece = TIFFIsTiled(tif) ? TIFFTileSize64(tif) : TIFFStripSize64(tif);
    const uint64_t raster = uint64_t{4} * shape.width * rgbaPieceRows(tif, shape.height);
    return piece != 0 && piece <= kMaxPieceBytes / planes &&
           (shape.layout != Layout::RgbaPieces || raster <= kMaxPieceBytes);
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
        shape.layout = readableByRows(tif) ? Layout::RgbaRows : Layout::RgbaPieces;
        const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
        shape.bits = grey && spp == 1 ? 8 : 24;
    }
    if (!DibBlockSize(shape.width, shape.height, shape.bits) || !fitsDecoding(tif, shape)) {
        error = kTooLarge;
        return std::nullopt;
    }
    if ((TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif)) == 0) {
        error = "TIFF page without strips";
        return std::nullopt;
    }
    return shape;
}

// Sets what libtiff must know before decoding the current directory.
void prepareDecoding(TIFF* tif)
{
    if (field<uint16_t>(tif, TIFFTAG_COMPRESSION) == COMPRESSION_JPEG &&
        field<uint16_t>(tif, TIFFTAG_PHOTOMETRIC) == PHOTOMETRIC_YCBCR)
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
}

std::optional<PageShape> checkDirectory(TIFF* tif, std::string& error)
{
    prepareDecoding(tif);
    return shapeOf(tif, error);
}

// Reads every directory from the first, and checks the first `checked` as
// decoding them would. The number of pages, or nothing when a directory
// cannot be read (a loop, a cut file) or fails its check. An error that
// libtiff reports while it still reads the directory (a stray tag) is
// logged and fails nothing.
std::optional<int32_t> readAllDirectories(TiffStream& stream, int32_t checked, std::string& error)
{
    TIFF* tif = stream.tiff();
    int32_t pages = 0;
    for (;;) {
        if (pages < checked && !checkDirectory(tif, error))
            return std::nullopt;
        ++pages;
        if (TIFFLastDirectory(tif) || pages == INT32_MAX)
            break;
        stream.newScope("directory " + std::to_string(pages));
        if (TIFFReadDirectory(tif) != 1) {
            error = stream.errorOr("cannot read TIFF directory " + std::to_string(pages));
            return std::nullopt;
        }
    }
    return pages;
}

// ---- decoding one page ----

// A part of a page that decoding left out: columns from `left` on, in rows
// top to bottom - 1.
struct Gap {
    uint32_t top;
    uint32_t bottom;
    uint32_t left = 0;
};

// Whether strip or tile `piece` lies inside the file, after its header; a
// missing offset reads as 0, a missing byte count as 0.
bool pieceInsideFile(TIFF* tif, uint32_t piece, uint64_t fileSize)
{
    int failed = 0;
    const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, piece, &failed);
    const uint64_t bytes = failed ? 0 : TIFFGetStrileByteCountWithErr(tif, piece, &failed);
    return !failed && bytes != 0 && offset >= kTiffHeaderBytes && offset <= fileSize && bytes <= fileSize - offset;
}

// One page's decoding: libtiff's reads through the stream, each checked for
// the first failure, which is reported once in the page's scope.
class PageReader {
public:
    explicit PageReader(TiffStream& stream) : stream_(stream), tif_(stream.tiff()) {}

    TIFF* tiff() const { return tif_; }

    // Checks the piece before it is first read; false, reported, when it
    // lies outside the file.
    bool pieceReadable(uint32_t piece, const char* kind)
    {
        if (pieceInsideFile(tif_, piece, stream_.fileSize()))
            return true;
        stream_.reportError(std::string("TIFF ") + kind + " " + std::to_string(piece) + " lies outside the file");
        return false;
    }
    // Whether a read returned `status` without a failure being reported.
    bool readWell(bool status)
    {
        const bool well = status && stream_.errors() == errors_;
        errors_ = stream_.errors();
        return well;
    }

private:
    TiffStream& stream_;
    TIFF* tif_;
    uint64_t errors_ = stream_.errors();
};

// A handle's row holds the file's samples; this makes them the handle's:
// min-is-white samples complemented, RGB turned into blue, green, red, and
// everything after the last pixel zero.
void finishRow(uint8_t* row, std::size_t stride, const PageShape& shape)
{
    const std::size_t usedBits = std::size_t{shape.width} * shape.bits;
    const std::size_t rowBytes = (usedBits + 7) / 8;
    if (shape.minIsWhite)
        complementBytes(row, row, rowBytes);
    if (shape.layout == Layout::Rgb) {
        for (std::size_t i = 0; i + 2 < rowBytes; i += 3)
            std::swap(row[i], row[i + 2]);
    }
    if (usedBits % 8 != 0)
        row[rowBytes - 1] &= static_cast<uint8_t>(0xFF << (8 - usedBits % 8));
    std::fill(row + rowBytes, row + stride, 0);
}

// Every row straight into the handle, stopping at the first that fails.
std::optional<Gap> readStrips(PageReader& reader, ImageHandle& h, const PageShape& shape)
{
    TIFF* tif = reader.tiff();
    if (TIFFScanlineSize64(tif) > h.stride())
        return Gap{0, shape.height};
    const uint32_t stripRows = rowsPerStrip(tif, shape.height);
    for (uint32_t y = 0; y < shape.height; ++y) {
        if (y % stripRows == 0 && !reader.pieceReadable(TIFFComputeStrip(tif, y, 0), "strip"))
            return Gap{y, shape.height};
        uint8_t* row = h.displayRow(static_cast<int32_t>(y));
        if (!reader.readWell(TIFFReadScanline(tif, row, y, 0) >= 0))
            return Gap{y, shape.height};
        finishRow(row, h.stride(), shape); // while the row is in the cache
    }
    return std::nullopt;
}

// Tile by tile into the handle's rows, stopping at the first that fails.
std::optional<Gap> readTiles(PageReader& reader, ImageHandle& h, const PageShape& shape, std::string& error,
                             bool& refused)
{
    TIFF* tif = reader.tiff();
    uint32_t tileWidth = 0;
    uint32_t tileHeight = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
    const uint64_t tileRowBytes = TIFFTileRowSize64(tif);
    // Tiles are a multiple of 16 pixels wide, so each starts on a byte.
    if (tileWidth == 0 || tileHeight == 0 || tileWidth % 16 != 0 ||
        tileRowBytes != uint64_t{tileWidth} * shape.bits / 8) {
        error = "TIFF tiles of an unsupported size";
        refused = true;
        return std::nullopt;
    }
    std::vector<uint8_t> tile(static_cast<std::size_t>(TIFFTileSize64(tif)));
    const std::size_t rowBytes = (std::size_t{shape.width} * shape.bits + 7) / 8;
    for (uint32_t top = 0; top < shape.height; top += tileHeight) {
        const uint32_t rows = std::min(tileHeight, shape.height - top);
        std::optional<Gap> gap;
        for (uint32_t left = 0; !gap && left < shape.width; left += tileWidth) {
            if (!reader.pieceReadable(TIFFComputeTile(tif, left, top, 0, 0), "tile") ||
                !reader.readWell(TIFFReadTile(tif, tile.data(), left, top, 0, 0) >= 0)) {
                gap = Gap{top, top + rows, left};
                break;
            }
            const std::size_t from = std::size_t{left} * shape.bits / 8;
            const std::size_t bytes = std::min<std::size_t>(tileRowBytes, rowBytes - from);
            for (uint32_t r = 0; r < rows; ++r)
                std::memcpy(h.displayRow(static_cast<int32_t>(top + r)) + from, tile.data() + r * tileRowBytes,
                            bytes);
        }
        for (uint32_t r = 0; r < rows; ++r)
            finishRow(h.displayRow(static_cast<int32_t>(top + r)), h.stride(), shape);
        if (gap)
            return gap;
    }
    return std::nullopt;
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

// libtiff's RGBA conversion of a page, with the file's orientation turned
// into the handle's (top row first, leftmost pixel first) here, so that
// each decoded row has one place whatever piece it came in.
class RgbaConversion {
public:
    RgbaConversion(TIFF* tif, ImageHandle& h, const PageShape& shape) : tif_(tif), h_(h), shape_(shape) {}
    ~RgbaConversion()
    {
        if (begun_)
            TIFFRGBAImageEnd(&image_);
    }
    RgbaConversion(const RgbaConversion&) = delete;
    RgbaConversion& operator=(const RgbaConversion&) = delete;

    // False, with libtiff's reason, when the conversion cannot start.
    bool begin(std::string& error)
    {
        char reason[1024] = {};
        begun_ = TIFFRGBAImageBegin(&image_, tif_, 1, reason) == 1;
        if (!begun_) {
            error = *reason != '\0' ? reason : "cannot decode TIFF page";
            return false;
        }
        // No turning by libtiff, which would turn each piece on its own.
        image_.req_orientation = image_.orientation;
        const uint16_t o = image_.orientation;
        flipRows_ = o == ORIENTATION_BOTLEFT || o == ORIENTATION_BOTRIGHT || o == ORIENTATION_LEFTBOT ||
                    o == ORIENTATION_RIGHTBOT;
        flipColumns_ = o == ORIENTATION_TOPRIGHT || o == ORIENTATION_BOTRIGHT || o == ORIENTATION_RIGHTTOP ||
                       o == ORIENTATION_RIGHTBOT;
        return true;
    }

    TIFFRGBAImage& image() { return image_; }

    // The handle's row of the file's row `y`.
    int32_t handleRow(uint32_t y) const { return static_cast<int32_t>(flipRows_ ? shape_.height - 1 - y : y); }
    // What is left out when the file's rows from `y` on are not decoded.
    Gap gapFrom(uint32_t y) const { return flipRows_ ? Gap{0, shape_.height - y} : Gap{y, shape_.height}; }

    // One row of RGBA pixels (premultiplied) laid on white into the
    // handle's row for the file's row `y`.
    void putRow(uint32_t y, const uint32_t* in) const
    {
        uint8_t* row = h_.displayRow(handleRow(y));
        for (uint32_t i = 0; i < shape_.width; ++i) {
            const uint32_t pixel = in[flipColumns_ ? shape_.width - 1 - i : i];
            // Premultiplied colour over white: c + (255 - alpha).
            const unsigned white = 255 - TIFFGetA(pixel);
            const auto onWhite = [white](unsigned c) { return static_cast<uint8_t>(std::min(255u, c + white)); };
            if (shape_.bits == 8) {
                row[i] = onWhite(TIFFGetR(pixel));
            } else {
                row[3 * i] = onWhite(TIFFGetB(pixel));
                row[3 * i + 1] = onWhite(TIFFGetG(pixel));
                row[3 * i + 2] = onWhite(TIFFGetR(pixel));
            }
        }
    }

private:
    TIFF* tif_;
    ImageHandle& h_;
    const PageShape& shape_;
    TIFFRGBAImage image_{};
    bool begun_ = false;
    bool flipRows_ = false;
    bool flipColumns_ = false;
};

// Row by row: libtiff reads each row's samples (one row of each plane it
// needs) and its conversion routine turns them into RGBA.
std::optional<Gap> readRgbaRows(PageReader& reader, RgbaConversion& conversion, const PageShape& shape)
{
    TIFF* tif = reader.tiff();
    TIFFRGBAImage& image = conversion.image();
    const bool separate = image.isContig == 0;
    // Separate planes: colour (one or three) and alpha, as libtiff's own
    // reader of strips in planes takes them.
    std::vector<uint16_t> planes = {0};
    if (separate) {
        const bool oneColour = image.photometric == PHOTOMETRIC_MINISWHITE ||
                               image.photometric == PHOTOMETRIC_MINISBLACK ||
                               image.photometric == PHOTOMETRIC_PALETTE;
        if (!oneColour)
            planes = {0, 1, 2};
        if (image.alpha != 0)
            planes.push_back(static_cast<uint16_t>(planes.size()));
    }
    const auto rowBytes = static_cast<std::size_t>(TIFFScanlineSize64(tif));
    std::vector<std::vector<uint8_t>> samples(planes.size(), std::vector<uint8_t>(rowBytes));
    std::vector<uint32_t> raster(shape.width);
    const uint32_t stripRows = rowsPerStrip(tif, shape.height);
    for (uint32_t y = 0; y < shape.height; ++y) {
        for (std::size_t p = 0; p < planes.size(); ++p) {
            if (y % stripRows == 0 && !reader.pieceReadable(TIFFComputeStrip(tif, y, planes[p]), "strip"))
                return conversion.gapFrom(y);
            if (!reader.readWell(TIFFReadScanline(tif, samples[p].data(), y, planes[p]) >= 0))
                return conversion.gapFrom(y);
        }
        if (separate) {
            uint8_t* colour = samples[0].data();
            const bool three = planes.size() >= 3;
            image.put.separate(&image, raster.data(), 0, y, shape.width, 1, 0, 0, colour,
                               three ? samples[1].data() : colour, three ? samples[2].data() : colour,
                               image.alpha != 0 ? samples.back().data() : nullptr);
        } else {
            image.put.contig(&image, raster.data(), 0, y, shape.width, 1, 0, 0, samples[0].data());
        }
        conversion.putRow(y, raster.data());
    }
    return std::nullopt;
}

// A strip's or a tile row's worth of rows at a time, each piece decoded once.
std::optional<Gap> readRgbaPieces(PageReader& reader, RgbaConversion& conversion, const PageShape& shape)
{
    TIFF* tif = reader.tiff();
    TIFFRGBAImage& image = conversion.image();
    const uint32_t band = rgbaPieceRows(tif, shape.height);
    std::vector<uint32_t> raster(std::size_t{shape.width} * band);
    // Separate planes: libtiff reads at most four (colour and alpha).
    const uint16_t planes = image.isContig != 0 ? 1 : std::min<uint16_t>(image.samplesperpixel, 4);
    const bool tiled = TIFFIsTiled(tif) != 0;
    uint32_t tileWidth = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
    tileWidth = std::max<uint32_t>(tileWidth, 1);
    for (uint32_t top = 0; top < shape.height; top += band) {
        const uint32_t rows = std::min(band, shape.height - top);
        for (uint16_t p = 0; p < planes; ++p) {
            if (!tiled && !reader.pieceReadable(TIFFComputeStrip(tif, top, p), "strip"))
                return conversion.gapFrom(top);
            for (uint32_t x = 0; tiled && x < shape.width; x += tileWidth) {
                if (!reader.pieceReadable(TIFFComputeTile(tif, x, top, 0, p), "tile"))
                    return conversion.gapFrom(top);
            }
        }
        image.row_offset = static_cast<int>(top);
        image.col_offset = 0;
        if (!reader.readWell(TIFFRGBAImageGet(&image, raster.data(), shape.width, rows) == 1))
            return conversion.gapFrom(top);
        for (uint32_t r = 0; r < rows; ++r)
            conversion.putRow(top + r, raster.data() + std::size_t{r} * shape.width);
    }
    return std::nullopt;
}

// The byte that fills a row of the handle with white: the palette entry
// nearest to white in every pixel the byte holds.
uint8_t whiteByte(const ImageHandle& h)
{
    const PageView page(h);
    if (page.bits == 24)
        return 0xFF;
    const auto index = static_cast<uint8_t>(page.nearestIndex(makeColour(255, 255, 255)));
    return page.bits == 8 ? index : page.bits == 4 ? static_cast<uint8_t>(index * 0x11) : index != 0 ? 0xFF : 0x00;
}

void whiten(ImageHandle& h, const PageShape& shape, const Gap& gap)
{
    const uint8_t white = whiteByte(h);
    const std::size_t rowBytes = (static_cast<std::size_t>(shape.width) * shape.bits + 7) / 8;
    const std::size_t from = std::size_t{gap.left} * shape.bits / 8;
    for (uint32_t y = gap.top; y < std::min(gap.bottom, shape.height); ++y)
        std::fill(h.displayRow(static_cast<int32_t>(y)) + from, h.displayRow(static_cast<int32_t>(y)) + rowBytes,
                  white);
    clearRowPadding(PageView(h));
}

std::optional<DecodedPage> decodeDirectory(TiffStream& stream, std::string& error)
{
    TIFF* tif = stream.tiff();
    const auto shape = checkDirectory(tif, error);
    if (!shape)
        return std::nullopt;
    DecodedPage page;
    page.handle = ImageHandle::createDib(static_cast<int32_t>(shape->width), static_cast<int32_t>(shape->height),
                                         shape->bits);
    if (page.handle.isNull()) {
        error = "failed to allocate memory";
        return std::nullopt;
    }
    PageReader reader(stream);
    std::optional<Gap> gap;
    bool refused = false;
    if (shape->layout == Layout::RgbaRows || shape->layout == Layout::RgbaPieces) {
        RgbaConversion conversion(tif, page.handle, *shape);
        if (!conversion.begin(error))
            return std::nullopt;
        gap = shape->layout == Layout::RgbaRows ? readRgbaRows(reader, conversion, *shape)
                                                : readRgbaPieces(reader, conversion, *shape);
    } else {
        if (shape->layout == Layout::Indexed && !readColourMap(tif, page.handle, error))
            return std::nullopt;
        gap = TIFFIsTiled(tif) ? readTiles(reader, page.handle, *shape, error, refused)
                               : readStrips(reader, page.handle, *shape);
        if (refused)
            return std::nullopt;
    }
    if (shape->bits != 24 && shape->layout != Layout::Indexed)
        setGreyRamp(page.handle);
    if (gap) {
        whiten(page.handle, *shape, *gap);
        if (gap->left != 0)
            whiten(page.handle, *shape, Gap{gap->bottom, shape->height});
    }

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
        if (index != current_)
            stream_->newScope("directory " + std::to_string(index));
        const bool moved = index == current_ || (index == current_ + 1 && TIFFReadDirectory(tif) == 1) ||
                           TIFFSetDirectory(tif, static_cast<tdir_t>(index)) == 1;
        if (!moved) {
            error = stream_->errorOr("cannot read TIFF directory " + std::to_string(index));
            return std::nullopt;
        }
        current_ = index;
        stream_->newScope("page " + std::to_string(index + 1));
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
    stream->newScope("directory 0");
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
