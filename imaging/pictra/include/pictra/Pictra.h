#pragma once
// Pictra: image files and page operations over ImageHandle pages.
//
// Failures are reported through one 256-byte last-error text per thread,
// read with PtxGetLastErrorInfo() right after the failing call.

#include <array>
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
inline constexpr uint32_t CcittG3 = 3; // written two-dimensionally (T.4's MR coding)
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
PICTRA_API int32_t PtxPpmToDpi(int32_t ppm);
PICTRA_API int32_t PtxDpiToPpm(int32_t dpi);

// The calling thread's last-error text; never null, empty after success.
PICTRA_API const char* PtxGetLastErrorInfo();

// Opens an image file: every page up to handles.size() into its own new
// handle, 1-bit pages with black at palette index 0. Returns the number of
// handles stored, or -1 (message in the last-error text). `info` may be null.
PICTRA_API int32_t PtxOpenImageFile(const std::string& path, ImgFileInfo* info, std::span<ImageHandle> handles);

// The number of pages PtxOpenImageFile would store with `limit` slots, or
// -1 when it would fail (message in the last-error text). A TIFF file's
// pages are counted from its directories, which are checked as an open
// checks them, without decoding a pixel; other files are opened.
PICTRA_API int32_t PtxCountImagePages(const std::string& path, int32_t limit);

// Saves one page in info.format (encode option and quality from `info`).
// The file is replaced only when the new one was written completely. 1 or 0.
//
// TIFF pages are written with the compression the encode option names, at
// the page's own depth: 1-bit pages as 1 bit (min-is-white), 4 and 8-bit
// pages as grey when their palette is the grey ramp and as palette images
// otherwise, 24-bit pages as RGB; the resolution in dots per inch. Encode
// option 0 means CCITT Group 4 for 1-bit pages and LZW for the others; old
// JPEG (6), which no library writes, is written as JPEG (7). A compression
// that does not suit a page (CCITT on a page deeper than 1 bit, JPEG on a
// 1 or 4-bit page or a colour palette) or that is not a TIFF compression
// fails with a message, and nothing is written.
PICTRA_API int32_t PtxSaveImageToFile(const ImageHandle& handle, const std::string& path, const ImgFileInfo& info);

// Saves the first info.pages handles as the pages of one TIFF file, each
// as PtxSaveImageToFile writes a TIFF page. 1 or 0.
PICTRA_API int32_t PtxSaveMultiImageToFile(std::span<const ImageHandle> handles, const std::string& path,
                                           const ImgFileInfo& info);

// ---- page operations ----
// Each returns a new handle (null on failure) and leaves its input unchanged.
// Coordinates are display coordinates: column 0 at the left, row 0 at the top.

// Blank page types of PtxCreateHandle.
namespace PtxBlank {
inline constexpr uint32_t TrueColour = 1; // 24 bits
inline constexpr uint32_t Colours256 = 2; // 8 bits, the standard 256-colour table
inline constexpr uint32_t Colours16 = 3;  // 4 bits, the 16 standard colours
inline constexpr uint32_t Bilevel = 4;    // 1 bit, black and white
inline constexpr uint32_t Grey = 5;       // 8 bits, grey ramp
} // namespace PtxBlank

// A zero-filled page (a bilevel one is all black); null for a type outside 1
// to 5, a width or height of 0 or above 2^31 - 1, or a page too large.
PICTRA_API ImageHandle PtxCreateHandle(uint32_t width, uint32_t height, uint32_t type);
// A new block with the same bytes; null for a null handle.
PICTRA_API ImageHandle PtxCopyHandle(const ImageHandle& handle);

// Size, bit count and resolution (dots per inch) of a page. 1 or 0.
PICTRA_API int32_t PtxGetImgInfo(const ImageHandle& handle, ImgInfo* info);
// Writes the record's resolution into the page itself. 1 or 0.
PICTRA_API int32_t PtxSetImgInfo(ImageHandle& handle, const ImgInfo* info);

// Turns the page by `angle` degrees, clockwise for a positive angle, on a
// white (background nonzero) or black background. A quarter turn (90 or
// 270 degrees, either sign) also swaps the horizontal and vertical
// resolution, so that the page keeps its true size.
PICTRA_API ImageHandle PtxImgRotate(const ImageHandle& handle, float angle, uint8_t background);
// The page upside down: display row y becomes row height - 1 - y.
PICTRA_API ImageHandle PtxImgFlip(const ImageHandle& handle);
// The page left to right: column x becomes column width - 1 - x.
PICTRA_API ImageHandle PtxImgMirror(const ImageHandle& handle);
// The rectangle [left, right) x [top, bottom) of the page, corners in any order.
PICTRA_API ImageHandle PtxImgCrop(const ImageHandle& handle, int32_t left, int32_t top, int32_t right, int32_t bottom);
// The page scaled to newWidth x newHeight: mode 0 averages (24-bit pages
// made smaller) or interpolates, any other mode takes the nearest pixel.
// The physical size, and so the resolution, follows the scale.
PICTRA_API ImageHandle PtxImgResample(const ImageHandle& handle, int32_t newWidth, int32_t newHeight, uint8_t mode);
// The page with `mark` laid on it, its top-left pixel at (x, y), cut at the
// page's edges; the result has the page's bit count. A 24-bit mark on a
// 1-bit page is brought to one bit: black where a pixel's darkest channel is
// below 128 (so red or blue ink is black), white elsewhere. Option nonzero
// makes white mark pixels transparent on 1-bit pages and keeps black page
// pixels on 24-bit ones.
PICTRA_API ImageHandle PtxImgMark(const ImageHandle& page, const ImageHandle& mark, int32_t x, int32_t y, int32_t option);
// The page with the rectangle [left, right] x [top, bottom] (inclusive)
// filled: 24 bits with `colour` (0x00BBGGRR), 1 bit with white unless the
// colour is black, 8 bits with the first white palette entry.
PICTRA_API ImageHandle PtxImgDelete(const ImageHandle& handle, int32_t left, int32_t top, int32_t right, int32_t bottom,
                                    uint32_t colour);

// ---- colour operations ----
// Each clears the last-error text on entry (PtxImgGrayScale only writes it
// on failure), fails with "image handle is null" for a null or damaged page
// and "failed to allocate memory" when the new page cannot be made, and
// leaves its input unchanged. Colours written into an indexed page become
// its nearest palette entries (the first at the least sum of squared
// differences of red, green and blue).

// A colour as it crosses the interface: each channel 0 to 255.
struct PtxColour {
    int32_t blue = 0;
    int32_t green = 0;
    int32_t red = 0;
};

// Counts of the 256 values of one channel.
using PtxHistogram = std::array<uint32_t, 256>;

// Every colour inverted: the pixels of a 24-bit page, the indices of an
// 8-bit grey page (255 - i), the palette of any other indexed page (so a
// 1-bit page keeps its bits and gets white at index 0).
PICTRA_API ImageHandle PtxImgNegative(const ImageHandle& handle);
// A 3 by 3 kernel with outer weights -1 and centre `level` (15 for a level
// of 8 or less), divided by the weights' sum (7 for centre 15, 1 for 9);
// pixels beyond the edges count as white, results are cut to 0..255.
PICTRA_API ImageHandle PtxImgSharpen(const ImageHandle& handle, int32_t level);
// As sharpen with outer weights 1 and centre `level` (8 for a level of -8
// or less): level 1 averages nine pixels, the default centre divides by 16.
PICTRA_API ImageHandle PtxImgSoften(const ImageHandle& handle, int32_t level);
// `amount` added to red, green and blue, cut to 0..255 (on the palette of
// indexed pages).
PICTRA_API ImageHandle PtxImgLight(const ImageHandle& handle, int32_t amount);
// Mode 0: a added to blue, b to green, c to red, cut to 0..255. Any other
// mode: every colour takes hue (a & 0xFF) and saturation ((a >> 8) & 0xFF),
// both on a 0 to 255 scale, and keeps its lightness; b and c are unused.
// Indexed pages change their palette.
PICTRA_API ImageHandle PtxImgColorize(const ImageHandle& handle, uint8_t mode, int32_t a, int32_t b, int32_t c);
// A 1-bit page (black, white) of an 8 or 24-bit page, cut at Otsu's
// threshold t over the greys (blue x 29 + green x 150 + red x 77) >> 8:
// white where the grey is above t. Greys up to t form the dark class, and
// of equal scores the lowest t wins, so a page of two greys is cut between
// them; a page of one grey gives t = 0. Other bit counts fail with "image
// isn't gary or color image".
PICTRA_API ImageHandle PtxImgUnicolor(const ImageHandle& handle);
// An 8-bit page with the grey ramp palette, each pixel
// (red x 306 + green x 601 + blue x 117) >> 10. Fails with "图像句柄错误"
// (null page), "原图像已是灰度图像" (already an 8-bit grey ramp) or
// "创建图像句柄失败" (no memory).
PICTRA_API ImageHandle PtxImgGrayScale(const ImageHandle& handle);
// The colour of display pixel (x, y) (row 0 at the top) into `colour`.
// 1 or 0: "the point is out of image" outside the page, "color is null".
PICTRA_API int32_t PtxImgGetPixelColor(const ImageHandle& handle, int32_t x, int32_t y, PtxColour* colour);
// A copy with display pixel (x, y) set to `colour` (channels cut to
// 0..255); same failures as PtxImgGetPixelColor.
PICTRA_API ImageHandle PtxImgSetPixelColor(const ImageHandle& handle, int32_t x, int32_t y, const PtxColour* colour);
// Zeroes every histogram given (null ones are skipped), then counts every
// pixel's red, green and blue value. 1 or 0.
PICTRA_API int32_t PtxImgHistogram(const ImageHandle& handle, PtxHistogram* red, PtxHistogram* green,
                                   PtxHistogram* blue);
