// Opening image files into handles and saving handles into files.

#include <algorithm>
#include <cctype>

#include "FileIo.h"
#include "ImageCodec.h"
#include "LastError.h"
#include "pictra/Pictra.h"
#include "scanvel/Scanvel.h"

namespace {

using namespace pictra;

constexpr char kUnknownFormat[] = "Unknown or wrong format";
constexpr char kNullHandle[] = "image handle is null";

std::string lowerExtension(const std::string& path)
{
    const auto dot = path.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

// The format number from the file's first two bytes (0 when unknown).
uint16_t formatFromMagic(std::span<const uint8_t> file, const std::string& path)
{
    if (file.size() < 2)
        return 0;
    const uint8_t a = file[0];
    const uint8_t b = file[1];
    if (a == 'B' && b == 'M') return PtxFormat::Bmp;
    if (a == 'G' && b == 'I') return PtxFormat::Gif;
    if (a == 0xFF && b == 0xD8) return PtxFormat::Jpeg;
    if (a == 0x89 && b == 'P') return PtxFormat::Png;
    if ((a == 'I' && b == 'I') || (a == 'M' && b == 'M')) return PtxFormat::Tiff;
    if (a == 0x0A && b == 0x05) return PtxFormat::Pcx;
    if ((a == 0xD7 && b == 0xCD) || (a == 0x01 && b == 0x00)) return PtxFormat::Wmf;
    if (a == 0xFF && b == 0x4F) return PtxFormat::J2k;
    if (a == 'P' && b == 'G') return PtxFormat::Pgx;
    if (a == 'P' && (b == '5' || b == '6')) return PtxFormat::Pnm;
    if (a == 0x59 && b == 0xA6) return PtxFormat::Ras;
    if (a == 0 && b == 0) {
        const std::string ext = lowerExtension(path);
        if (ext == "ico") return PtxFormat::Ico;
        if (ext == "tga") return PtxFormat::Tga;
    }
    return 0;
}

// 1-bit pages keep black at palette index 0: when entry 0 is the light one,
// the two entries change places and every pixel bit is complemented. The
// picture looks the same, for any pair of colours.
void normaliseBilevel(ImageHandle& h)
{
    if (h.bitCount() != 1)
        return;
    uint8_t* palette = h.palette();
    if (palette[0] != 255)
        return;
    std::swap_ranges(palette, palette + 4, palette + 4);
    const int32_t w = h.width();
    const std::size_t stride = h.stride();
    const std::size_t used = static_cast<std::size_t>(w + 7) / 8;
    const uint8_t lastMask = static_cast<uint8_t>(0xFF << ((8 - w % 8) % 8));
    for (int32_t r = 0; r < h.height(); ++r) {
        uint8_t* row = h.storedRow(r);
        for (std::size_t i = 0; i < used; ++i)
            row[i] = static_cast<uint8_t>(~row[i]);
        row[used - 1] &= lastMask;
        std::fill(row + used, row + stride, 0);
    }
}

void setResolution(ImageHandle& h, int32_t xDpi, int32_t yDpi)
{
    BitmapInfoHeader hdr = h.header();
    hdr.xPelsPerMeter = PtxDpiToPpm(xDpi);
    hdr.yPelsPerMeter = PtxDpiToPpm(yDpi);
    h.setHeader(hdr);
}

int32_t openFailure(const std::string& message)
{
    setLastError(message);
    return -1;
}

codec::EncodeOptions encodeOptions(const ImgFileInfo& info, uint16_t format)
{
    return {format, info.encodeOption, info.quality};
}

bool isSavableFormat(uint16_t format)
{
    return (format >= PtxFormat::Bmp && format <= PtxFormat::Pcx) || format == PtxFormat::J2k ||
           format == PtxFormat::Pgx || format == PtxFormat::Pnm || format == PtxFormat::Ras;
}

} // namespace

int32_t PtxPpmToDpi(int32_t ppm) { return static_cast<int32_t>(ppm * 0.0254 + 0.5); }

// Resolutions that do not fit the header's field are held at its limits.
int32_t PtxDpiToPpm(int32_t dpi)
{
    return static_cast<int32_t>(std::clamp<double>(dpi * 39.37007874015748 + 0.5, INT32_MIN, INT32_MAX));
}

int32_t PtxOpenImageFile(const std::string& path, ImgFileInfo* info, std::span<ImageHandle> handles)
{
    auto file = pictra::readWholeFile(path);
    if (!file)
        return openFailure("failed to open file");
    if (handles.empty())
        return openFailure(kNullHandle);

    // The JPEG-in-TIFF variant is decoded as the JPEG stream it holds.
    std::span<const uint8_t> bytes = *file;
    uint16_t format;
    if (IsScanvelBuffer(bytes)) {
        bytes = JpegFromScanvelBuffer(bytes);
        if (bytes.empty())
            return openFailure("open kofax tiff image fail");
        format = PtxFormat::Jpeg;
    } else {
        format = formatFromMagic(bytes, path);
        if (format == 0)
            return openFailure(kUnknownFormat);
    }

    std::string error;
    const auto facts = codec::probe(bytes, format, error);
    auto first = facts ? codec::decodeFrame(bytes, format, 0, error) : std::nullopt;
    if (!first)
        return openFailure(error);

    const int32_t pages = std::max(facts->frames, 1);
    if (info != nullptr) {
        info->format = format;
        info->encodeOption = facts->encodeOption;
        info->quality = facts->quality;
        info->pages = pages;
    }
    const int32_t xDpi = first->xDpi;
    const int32_t yDpi = first->yDpi;
    setResolution(first->handle, xDpi, yDpi);
    normaliseBilevel(first->handle);
    handles[0] = std::move(first->handle);

    const auto count = static_cast<int32_t>(std::min<std::size_t>(handles.size(), INT32_MAX));
    if (count <= 1 || pages == 1)
        return 1;
    const int32_t n = std::min(count, pages);
    if (pages > count)
        setLastError("分配的图像句柄数组小于图像页数");
    for (int32_t i = 1; i < n; ++i) {
        auto page = codec::decodeFrame(bytes, format, i, error);
        if (!page)
            return openFailure(error);
        // Every page takes the first page's resolution.
        setResolution(page->handle, xDpi, yDpi);
        normaliseBilevel(page->handle);
        handles[static_cast<std::size_t>(i)] = std::move(page->handle);
    }
    return n;
}

int32_t PtxSaveImageToFile(const ImageHandle& handle, const std::string& path, const ImgFileInfo& info)
{
    clearLastError();
    if (handle.isNull()) {
        setLastError(kNullHandle);
        return 0;
    }
    const bool wrapped = info.format == PtxFormat::JpegInTiff;
    const uint16_t format = wrapped ? PtxFormat::Jpeg : info.format;
    if (!isSavableFormat(format)) {
        setLastError(kUnknownFormat);
        return 0;
    }
    const ImageHandle* pages[] = {&handle};
    codec::EncodeResult encoded = codec::encode(pages, encodeOptions(info, format));
    if (encoded.status == codec::EncodeStatus::BadHandle) {
        setLastError(wrapped ? "save kofax tiff image fail" : "wrong image handle");
        return 0;
    }
    if (encoded.status != codec::EncodeStatus::Ok) {
        setLastError(wrapped ? "save kofax tiff image fail" : encoded.error);
        return 0;
    }
    if (wrapped) {
        auto tiff = ScanvelFromJpegBuffer(encoded.bytes);
        if (!tiff || !replaceFile(path, *tiff)) {
            setLastError("save kofax tiff image fail");
            return 0;
        }
        return 1;
    }
    if (!replaceFile(path, encoded.bytes)) {
        setLastError("failed to create file");
        return 0;
    }
    return 1;
}

int32_t PtxSaveMultiImageToFile(std::span<const ImageHandle> handles, const std::string& path,
                                const ImgFileInfo& info)
{
    clearLastError();
    if (handles.empty() || info.pages <= 0) {
        setLastError(kNullHandle);
        return 0;
    }
    if (info.format != PtxFormat::Tiff) {
        setLastError("Multipage Encode, Unsupported operation for this format");
        return 0;
    }
    if (static_cast<std::size_t>(info.pages) > handles.size()) {
        setLastError("wrong image handle");
        return 0;
    }
    std::vector<const ImageHandle*> pages;
    pages.reserve(static_cast<std::size_t>(info.pages));
    for (int32_t i = 0; i < info.pages; ++i)
        pages.push_back(&handles[static_cast<std::size_t>(i)]);
    codec::EncodeResult encoded = codec::encode(pages, encodeOptions(info, PtxFormat::Tiff));
    if (encoded.status == codec::EncodeStatus::BadHandle) {
        setLastError("wrong image handle");
        return 0;
    }
    if (encoded.status != codec::EncodeStatus::Ok) {
        setLastError(encoded.error);
        return 0;
    }
    if (!replaceFile(path, encoded.bytes)) {
        setLastError("failed to create file");
        return 0;
    }
    return 1;
}
