#pragma once
// Pictra: image files and page operations over ImageHandle pages.
//
// Failures are reported through one 256-byte last-error text per thread,
// read with PtxGetLastErrorInfo() right after the failing call.

#include <cstdint>
#include <span>
#include <string>

#include "pictra/ImageHandle.h"

// File format numbers of ImgFileInfo::format.
namespace PtxFormat {
inline constexpr uint16_t Bmp = 1;
inline constexpr uint16_t Gif = 2;
inline constexpr uint16_t Jpeg = 3;
inline constexpr uint16_t Png = 4;
inline constexpr uint16_t Ico = 5;
inline constexpr uint16_t Tiff = 6;
inline constexpr uint16_t Tga = 7;
inline constexpr uint16_t Pcx = 8;
inline constexpr uint16_t Wmf = 10;
inline constexpr uint16_t J2k = 11;
inline constexpr uint16_t Pgx = 14;
inline constexpr uint16_t Pnm = 15;
inline constexpr uint16_t Ras = 16;
inline constexpr uint16_t JpegInTiff = 17;
} // namespace PtxFormat

// TIFF compression numbers used as the encode option of TIFF files.
namespace PtxTiffCompression {
inline constexpr uint32_t None = 1;
inline constexpr uint32_t CcittRle = 2;
inline constexpr uint32_t CcittG3 = 3;
inline constexpr uint32_t CcittG4 = 4;
inline constexpr uint32_t Lzw = 5;
inline constexpr uint32_t OldJpeg = 6;
inline constexpr uint32_t Jpeg = 7;
inline constexpr uint32_t Deflate = 8;
inline constexpr uint32_t PackBits = 0x8005;
inline constexpr uint32_t OldDeflate = 32946;
} // namespace PtxTiffCompression

// The caller's record for opening and saving files.
struct ImgFileInfo {
    uint16_t reserved = 0;
    uint16_t format = 0;
    uint32_t encodeOption = 0; // TIFF: the compression number
    uint8_t quality = 0;       // JPEG quality 0 to 100
    int32_t pages = 0;         // open: pages in the file; multi-page save: handles to write
};

// Image facts of one handle.
struct ImgInfo {
    uint32_t reserved = 0;
    int32_t xResolution = 0; // dots per inch
    int32_t yResolution = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitCount = 0;
};

// Pixels per metre to dots per inch and back, as the header stores them.
int32_t PtxPpmToDpi(int32_t ppm);
int32_t PtxDpiToPpm(int32_t dpi);

// The calling thread's last-error text; never null, empty after success.
const char* PtxGetLastErrorInfo();

// Opens an image file: every page up to handles.size() into its own new
// handle, 1-bit pages with black at palette index 0. Returns the number of
// handles stored, or -1 (message in the last-error text). `info` may be null.
int32_t PtxOpenImageFile(const std::string& path, ImgFileInfo* info, std::span<ImageHandle> handles);

// Saves one page in info.format (encode option and quality from `info`).
// The file is replaced only when the new one was written completely. 1 or 0.
int32_t PtxSaveImageToFile(const ImageHandle& handle, const std::string& path, const ImgFileInfo& info);

// Saves the first info.pages handles as the pages of one TIFF file. 1 or 0.
int32_t PtxSaveMultiImageToFile(std::span<const ImageHandle> handles, const std::string& path,
                                const ImgFileInfo& info);
