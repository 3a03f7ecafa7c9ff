#pragma once
// The fixed header of a JPEG-in-TIFF file and the scan that finds a JPEG
// stream's frame size.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr std::size_t kJpegTiffHeaderSize = 768;

// What the header writer patches into the template.
struct JpegTiffFields {
    int32_t jpegWidth = -1;
    int32_t jpegHeight = -1;
    uint32_t byteCount = 0;
    uint32_t stripOffset = kJpegTiffHeaderSize;
    std::array<char, 256> dateTime{};
    std::array<char, 256> software{};
};

// Walks the stream up to its start of scan and fills width and height from
// the baseline frame header. 1 when the start of scan was reached, else 0.
// Never reads outside `jpeg`.
int ReadJpegSize(std::span<const uint8_t> jpeg, JpegTiffFields& fields);

// Fills the 768 header bytes from the template and `fields`.
void WriteJpegTiffHeader(const JpegTiffFields& fields, std::span<uint8_t, kJpegTiffHeaderSize> header);

// The current local time as the header's DateTime text "YYYY:MM:DD hh:mm:ss".
void FormatJpegTiffDateTime(JpegTiffFields& fields);
