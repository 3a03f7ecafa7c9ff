// Opening image files into handles and saving handles into files.

#include <algorithm>
#include <cctype>

#include "FileIo.h"
#include "FileReader.h"
#include "ImageCodec.h"
#include "LastError.h"
#include "PixelAccess.h"
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
    const PageView page(h);
    const std::size_t used = (static_cast<std::size_t>(page.width) + 7) / 8;
    for (int32_t r = 0; r < page.height; ++r)
        complementBytes(page.row(r), page.row(r), used);
    clearRowPadding(page);
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

// An opened page file with its format: a TIFF file is read piece by piece
// from `reader`; any other file is read whole into `bytes`, and `content` is
// what its codec decodes (for the JPEG-in-TIFF variant, the JPEG stream it
// holds). Nothing after a failure, whose message is set.
struct PageFile {
    FileReader reader;
    std::vector<uint8_t> bytes;
    std::span<const uint8_t> content;
    uint16_t format = 0;
};

// Enough of the file's start for its magic bytes and for the JPEG-in-TIFF
// detection, which looks no further than 804 bytes.
constexpr std::size_t kHeadBytes = 1024;

std::optional<PageFile> readPageFile(const std::string& path)
{
    auto reader = FileReader::open(path);
    if (!reader) {
        setLastError("failed to open file");
        return std::nullopt;
    }
    PageFile page{std::move(*reader), {}, {}, 0};
    const std::vector<uint8_t> head = page.reader.head(kHeadBytes);
    const bool wrapped = IsScanvelBuffer(head);
    page.format = wrapped ? PtxFormat::Jpeg : formatFromMagic(head, path);
    if (page.format == 0) {
        setLastError(kUnknownFormat);
        return std::nullopt;
    }
    if (page.format == PtxFormat::Tiff)
        return page;
    auto bytes = page.reader.readAll();
    if (!bytes) {
        setLastError("failed to open file");
        return std::nullopt;
    }
    page.bytes = std::move(*bytes);
    page.content = page.bytes;
    if (wrapped) {
        page.content = JpegFromScanvelBuffer(page.content);
        if (page.content.empty()) {
            setLastError("open kofax tiff image fail");
            return std::nullopt;
        }
    }
    return page;
}

std::unique_ptr<codec::PageDecoder> openDecoder(const PageFile& file, std::string& error)
{
    return file.format == PtxFormat::Tiff ? codec::openTiff(file.reader, error)
                                          : codec::openMagick(file.content, file.format, error);
}

// Decodes up to handles.size() pages (at least one) into `handles`: the
// number stored, or -1 with the message set. `pages` gets the file's count.
int32_t decodePages(const PageFile& file, ImgFileInfo* info, std::span<ImageHandle> handles, int32_t& pages)
{
    std::string error;
    auto decoder = openDecoder(file, error);
    auto first = decoder ? decoder->page(0, error) : std::nullopt;
    if (!first)
        return openFailure(error);

    const codec::FileFacts& facts = decoder->facts();
    pages = std::max(facts.frames, 1);
    if (info != nullptr) {
        info->format = file.format;
        info->encodeOption = facts.encodeOption;
        info->quality = facts.quality;
        info->pages = pages;
    }
    const int32_t xDpi = first->xDpi;
    const int32_t yDpi = first->yDpi;
    setResolution(first->handle, xDpi, yDpi);
    normaliseBilevel(first->handle);
    handles[0] = std::move(first->handle);

    const auto count = static_cast<int32_t>(std::min<std::size_t>(handles.size(), INT32_MAX));
    const int32_t n = std::min(count, pages);
    for (int32_t i = 1; i < n; ++i) {
        auto page = decoder->page(i, error);
        if (!page)
            return openFailure(error);
        // Every page takes the first page's resolution.
        setResolution(page->handle, xDpi, yDpi);
        normaliseBilevel(page->handle);
        handles[static_cast<std::size_t>(i)] = std::move(page->handle);
    }
    return n;
}

int32_t saveFailure(const std::string& message)
{
    setLastError(message);
    return 0;
}

// Writes what a codec made, or sets the message of its failure.
int32_t writeEncoded(const codec::EncodeResult& encoded, const std::string& path, bool wrapped)
{
    if (encoded.status == codec::EncodeStatus::BadHandle)
        return saveFailure(wrapped ? "save kofax tiff image fail" : "wrong image handle");
    if (encoded.status != codec::EncodeStatus::Ok)
        return saveFailure(wrapped ? "save kofax tiff image fail" : encoded.error);
    if (wrapped) {
        auto tiff = ScanvelFromJpegBuffer(encoded.bytes);
        if (!tiff || !replaceFile(path, *tiff))
            return saveFailure("save kofax tiff image fail");
        return 1;
    }
    if (!replaceFile(path, encoded.bytes))
        return saveFailure("failed to create file");
    return 1;
}

} // namespace

int32_t PtxOpenImageFile(const std::string& path, ImgFileInfo* info, std::span<ImageHandle> handles)
{
    const auto file = readPageFile(path);
    if (!file)
        return -1;
    if (handles.empty())
        return openFailure(kNullHandle);
    int32_t pages = 0;
    const int32_t n = decodePages(*file, info, handles, pages);
    if (n > 1 && pages > n)
        setLastError("分配的图像句柄数组小于图像页数");
    return n;
}

int32_t PtxCountImagePages(const std::string& path, int32_t limit)
{
    const auto file = readPageFile(path);
    if (!file)
        return -1;
    if (file->format == PtxFormat::Tiff) {
        std::string error;
        const auto counted = codec::countTiffPages(file->reader, limit, error);
        return counted ? *counted : openFailure(error);
    }
    std::vector<ImageHandle> handles(static_cast<std::size_t>(std::max(limit, 1)));
    int32_t pages = 0;
    return decodePages(*file, nullptr, handles, pages);
}

int32_t PtxSaveImageToFile(const ImageHandle& handle, const std::string& path, const ImgFileInfo& info)
{
    clearLastError();
    if (handle.isNull())
        return saveFailure(kNullHandle);
    const bool wrapped = info.format == PtxFormat::JpegInTiff;
    const uint16_t format = wrapped ? PtxFormat::Jpeg : info.format;
    if (!isSavableFormat(format))
        return saveFailure(kUnknownFormat);
    const ImageHandle* pages[] = {&handle};
    const codec::EncodeOptions options = encodeOptions(info, format);
    const codec::EncodeResult encoded =
        format == PtxFormat::Tiff ? codec::encodeTiff(pages, options) : codec::encodeMagick(&handle, options);
    return writeEncoded(encoded, path, wrapped);
}

int32_t PtxSaveMultiImageToFile(std::span<const ImageHandle> handles, const std::string& path,
                                const ImgFileInfo& info)
{
    clearLastError();
    if (handles.empty() || info.pages <= 0)
        return saveFailure(kNullHandle);
    if (info.format != PtxFormat::Tiff)
        return saveFailure("Multipage Encode, Unsupported operation for this format");
    if (static_cast<std::size_t>(info.pages) > handles.size())
        return saveFailure("wrong image handle");
    std::vector<const ImageHandle*> pages;
    pages.reserve(static_cast<std::size_t>(info.pages));
    for (int32_t i = 0; i < info.pages; ++i)
        pages.push_back(&handles[static_cast<std::size_t>(i)]);
    return writeEncoded(codec::encodeTiff(pages, encodeOptions(info, PtxFormat::Tiff)), path, false);
}
