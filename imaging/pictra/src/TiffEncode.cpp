// Handles into TIFF files through libtiff: each page at its own depth, with
// the compression the caller named, written row by row.

#include <algorithm>
#include <vector>

#include "ImageCodec.h"
#include "PixelAccess.h"
#include "TiffStream.h"
#include "pictra/Pictra.h"

namespace pictra::codec {
namespace {

using tiff::TiffStream;

// How one page is stored.
struct PageFormat {
    uint16_t photometric = PHOTOMETRIC_RGB;
    uint16_t bitsPerSample = 8;
    uint16_t samples = 3;
    bool complement = false; // black-at-0 1-bit pages stored min-is-white
};

bool isBlack(const uint8_t* e) { return e[0] == 0 && e[1] == 0 && e[2] == 0; }
bool isWhite(const uint8_t* e) { return e[0] == 255 && e[1] == 255 && e[2] == 255; }

PageFormat formatOf(const ImageHandle& h)
{
    PageFormat f;
    const PageView view(h);
    if (view.bits == 24)
        return f;
    f.bitsPerSample = view.bits;
    f.samples = 1;
    const uint8_t* p = view.palette;
    if (view.bits == 1 && isBlack(p) && isWhite(p + 4)) {
        // Fax pages are min-is-white: white is 0.
        f.photometric = PHOTOMETRIC_MINISWHITE;
        f.complement = true;
    } else if (view.bits == 1 && isWhite(p) && isBlack(p + 4)) {
        f.photometric = PHOTOMETRIC_MINISWHITE;
    } else {
        f.photometric = view.greyRamp() ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_PALETTE;
    }
    return f;
}

bool isCcitt(uint16_t compression)
{
    return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3 ||
           compression == COMPRESSION_CCITTFAX4;
}

std::string bitsText(uint16_t bits) { return std::to_string(bits) + (bits == 1 ? " bit" : " bits"); }

std::string pageName(std::size_t index, std::size_t count)
{
    return count == 1 ? std::string("the page") : "page " + std::to_string(index + 1);
}

// The compression a page is written with, or the reason it cannot be.
std::optional<uint16_t> compressionFor(uint32_t encodeOption, const ImageHandle& h, const PageFormat& f,
                                       const std::string& page, std::string& error)
{
    const uint16_t bits = h.bitCount();
    uint16_t compression;
    switch (encodeOption) {
    case 0:
        compression = bits == 1 ? COMPRESSION_CCITTFAX4 : COMPRESSION_LZW;
        break;
    case PtxTiffCompression::OldJpeg: // nothing writes old JPEG any more
        compression = COMPRESSION_JPEG;
        break;
    case PtxTiffCompression::None:
    case PtxTiffCompression::CcittRle:
    case PtxTiffCompression::CcittG3:
    case PtxTiffCompression::CcittG4:
    case PtxTiffCompression::Lzw:
    case PtxTiffCompression::Jpeg:
    case PtxTiffCompression::Deflate:
    case PtxTiffCompression::PackBits:
    case PtxTiffCompression::OldDeflate:
        compression = static_cast<uint16_t>(encodeOption);
        break;
    default:
        error = "TIFF compression " + std::to_string(encodeOption) + " cannot be written";
        return std::nullopt;
    }
    if (isCcitt(compression) && bits != 1) {
        error = "CCITT compression needs a 1-bit page; " + page + " has " + bitsText(bits);
        return std::nullopt;
    }
    const bool jpegReady = bits == 24 || (bits == 8 && f.photometric == PHOTOMETRIC_MINISBLACK);
    if (compression == COMPRESSION_JPEG && !jpegReady) {
        error = "JPEG compression needs an 8-bit grey or a 24-bit page; " + page + " has " + bitsText(bits) +
                (bits == 8 ? " with a colour palette" : "");
        return std::nullopt;
    }
    if (TIFFIsCODECConfigured(compression) != 1) {
        error = "TIFF compression " + std::to_string(compression) + " is not available";
        return std::nullopt;
    }
    return compression;
}

struct PagePlan {
    const ImageHandle* handle;
    PageFormat format;
    uint16_t compression;
};

void setColourMap(TIFF* tif, const ImageHandle& h)
{
    const uint32_t entries = h.paletteEntries();
    std::vector<uint16_t> map(3 * std::size_t{entries});
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t* e = h.palette() + 4 * i;
        map[i] = static_cast<uint16_t>(e[2] * 257);
        map[entries + i] = static_cast<uint16_t>(e[1] * 257);
        map[2 * entries + i] = static_cast<uint16_t>(e[0] * 257);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + entries, map.data() + 2 * entries);
}

void setTags(TIFF* tif, const PagePlan& plan, const EncodeOptions& options, std::size_t index, std::size_t count)
{
    const ImageHandle& h = *plan.handle;
    const PageFormat& f = plan.format;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(h.width()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(h.height()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, f.bitsPerSample);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, f.samples);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, plan.compression);
    if (plan.compression == COMPRESSION_JPEG) {
        TIFFSetField(tif, TIFFTAG_JPEGQUALITY, options.quality > 0 ? std::min<int>(options.quality, 100) : 75);
        if (f.samples == 3) {
            // Stored as YCbCr, the JPEG way; libjpeg converts the RGB rows.
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
            TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        } else {
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, f.photometric);
        }
    } else {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, f.photometric);
    }
    if (f.photometric == PHOTOMETRIC_PALETTE)
        setColourMap(tif, h);
    // Group 3 pages are coded two-dimensionally, as fax pages usually are
    // (every second or fourth row one-dimensionally, by resolution).
    if (plan.compression == COMPRESSION_CCITTFAX3)
        TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_2DENCODING);
    // A CCITT page is one strip, as fax pages are: each strip starts its
    // two-dimensional coding afresh.
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP,
                 isCcitt(plan.compression) ? static_cast<uint32_t>(h.height()) : TIFFDefaultStripSize(tif, 0));
    const BitmapInfoHeader hdr = h.header();
    const int32_t xDpi = PtxPpmToDpi(hdr.xPelsPerMeter);
    const int32_t yDpi = PtxPpmToDpi(hdr.yPelsPerMeter);
    if (xDpi > 0 && yDpi > 0) {
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(xDpi));
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(yDpi));
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    }
    if (count > 1) {
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(tif, TIFFTAG_PAGENUMBER, static_cast<uint16_t>(index), static_cast<uint16_t>(count));
    }
}

// The page's display rows, top first, as the file's samples.
bool writeRows(TIFF* tif, const PagePlan& plan)
{
    const ImageHandle& h = *plan.handle;
    const std::size_t rowBytes = (static_cast<std::size_t>(h.width()) * h.bitCount() + 7) / 8;
    std::vector<uint8_t> line(rowBytes);
    for (int32_t y = 0; y < h.height(); ++y) {
        const uint8_t* row = h.displayRow(y);
        if (plan.format.complement) {
            complementBytes(row, line.data(), rowBytes);
        } else if (plan.format.samples == 3) {
            for (std::size_t i = 0; i + 2 < rowBytes; i += 3) {
                line[i] = row[i + 2];
                line[i + 1] = row[i + 1];
                line[i + 2] = row[i];
            }
        } else {
            std::copy(row, row + rowBytes, line.begin());
        }
        if (TIFFWriteScanline(tif, line.data(), static_cast<uint32_t>(y), 0) != 1)
            return false;
    }
    return true;
}

} // namespace

EncodeResult encodeTiff(std::span<const ImageHandle* const> pages, const EncodeOptions& options)
{
    EncodeResult result;
    if (pages.empty() || pages.size() > 0xFFFF) {
        result.error = "Multipage Encode, Unsupported operation for this format";
        return result;
    }
    // Every page is checked before anything is written.
    std::vector<PagePlan> plans;
    plans.reserve(pages.size());
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const ImageHandle* page = pages[i];
        if (page == nullptr || !page->isValidDib()) {
            result.status = EncodeStatus::BadHandle;
            return result;
        }
        const PageFormat format = formatOf(*page);
        const auto compression =
            compressionFor(options.encodeOption, *page, format, pageName(i, pages.size()), result.error);
        if (!compression)
            return result;
        plans.push_back({page, format, *compression});
    }
    // Room for the pages' pixels: compressed pages need less, and what
    // is never written costs no memory.
    std::size_t pixelBytes = 64 * 1024;
    for (const ImageHandle* page : pages)
        pixelBytes += page->size();
    auto stream = TiffStream::forWriting(pixelBytes, result.error);
    if (!stream)
        return result;
    TIFF* tif = stream->tiff();
    for (std::size_t i = 0; i < plans.size(); ++i) {
        setTags(tif, plans[i], options, i, plans.size());
        if (!writeRows(tif, plans[i]) || TIFFWriteDirectory(tif) != 1 || stream->failed()) {
            result.error = stream->errorOr("cannot write TIFF " + pageName(i, plans.size()));
            return result;
        }
    }
    auto bytes = stream->finish();
    if (!bytes) {
        result.error = stream->errorOr("cannot write TIFF file");
        return result;
    }
    result.bytes = std::move(*bytes);
    result.status = EncodeStatus::Ok;
    return result;
}

} // namespace pictra::codec
