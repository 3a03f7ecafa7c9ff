#pragma once
// Scanvel: the JPEG-in-TIFF file, a baseline JFIF stream behind a fixed
// 768-byte little-endian TIFF header with one directory.
//
// The file functions return 1 on success and 0 on failure; no text is given.
// The buffer functions do the same work in memory, so that a caller holding
// the bytes already needs no temporary file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// 1 when the file at `path` is a JPEG-in-TIFF file, else 0.
int IsScanvel(const std::string& path);

// Writes the JPEG stream held in the JPEG-in-TIFF file `tiffPath` to `jpegPath`.
int ConvertTifftoJpeg(const std::string& tiffPath, const std::string& jpegPath);

// Wraps the JPEG file `jpegPath` into the JPEG-in-TIFF file `tiffPath`
// (the output comes first).
int ConvertJpegtoTiff(const std::string& tiffPath, const std::string& jpegPath);

// The same three operations over bytes in memory.
bool IsScanvelBuffer(std::span<const uint8_t> file);
// The JPEG stream inside a JPEG-in-TIFF file (a view into `file`); empty when
// the file is not longer than the header.
std::span<const uint8_t> JpegFromScanvelBuffer(std::span<const uint8_t> file);
// The JPEG-in-TIFF file for a JPEG stream, or nothing when the stream is not a
// baseline JPEG whose frame size the scan finds.
std::optional<std::vector<uint8_t>> ScanvelFromJpegBuffer(std::span<const uint8_t> jpeg);
