#pragma once
// Pages as Netpbm files, written and read here byte by byte, so that
// ImageMagick can work on exactly the pixels of a handle and its results
// come back without any of our codecs in between. PBM is 1 for black, the
// handle's 1-bit pages 1 for white.

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "pictra/DibRows.h"
#include "pictra/ImageHandle.h"

namespace testsupport {

// A 1-bit page (bit 1 white) as a raw PBM (P4).
inline bool writePbm(const ImageHandle& page, const std::string& path)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "P4\n" << page.width() << " " << page.height() << "\n";
    const std::size_t bytes = (static_cast<std::size_t>(page.width()) + 7) / 8;
    std::vector<char> row(bytes);
    for (int32_t y = 0; y < page.height(); ++y) {
        const uint8_t* in = page.displayRow(y);
        for (std::size_t i = 0; i < bytes; ++i)
            row[i] = static_cast<char>(~in[i]);
        if (page.width() % 8 != 0) // PBM pads with 0 bits
            row[bytes - 1] = static_cast<char>(row[bytes - 1] & (0xFF << (8 - page.width() % 8)));
        out.write(row.data(), static_cast<std::streamsize>(bytes));
    }
    return static_cast<bool>(out);
}

// A page as a raw PPM (P6): every pixel its colour, 24 bits or through the
// palette.
inline bool writePpm(const ImageHandle& page, const std::string& path)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "P6\n" << page.width() << " " << page.height() << "\n255\n";
    const unsigned bits = page.bitCount();
    std::vector<char> row(3 * static_cast<std::size_t>(page.width()));
    for (int32_t y = 0; y < page.height(); ++y) {
        const uint8_t* in = page.displayRow(y);
        for (int32_t x = 0; x < page.width(); ++x) {
            const uint8_t* bgr = bits == 24 ? in + 3 * x : page.palette() + 4 * DibRowIndex(in, x, bits);
            row[3 * x] = static_cast<char>(bgr[2]);
            row[3 * x + 1] = static_cast<char>(bgr[1]);
            row[3 * x + 2] = static_cast<char>(bgr[0]);
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    return static_cast<bool>(out);
}

// A raw PBM (P4), or a raw 8-bit PGM (P5; a grey below half its maximum is
// black), as a 1-bit page with palette black, white; null when the file is
// neither or not whole. (ImageMagick 6 writes PGM far faster than PBM.)
inline ImageHandle readPbm(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::istringstream head(bytes);
    std::string magic;
    int32_t width = 0, height = 0, maxValue = 1;
    head >> magic >> width >> height;
    if (magic == "P5")
        head >> maxValue;
    if ((magic != "P4" && magic != "P5") || maxValue < 1 || maxValue > 255 || !head || width < 1 || height < 1)
        return {};
    const std::size_t start = static_cast<std::size_t>(head.tellg()) + 1; // one white-space byte
    const std::size_t rowBytes = magic == "P4" ? (static_cast<std::size_t>(width) + 7) / 8 : static_cast<std::size_t>(width);
    if (bytes.size() < start + rowBytes * static_cast<std::size_t>(height))
        return {};
    ImageHandle page = ImageHandle::createDib(width, height, 1);
    std::memset(page.palette() + 4, 0xFF, 3);
    for (int32_t y = 0; y < height; ++y) {
        const auto* from = reinterpret_cast<const uint8_t*>(bytes.data() + start + rowBytes * static_cast<std::size_t>(y));
        uint8_t* to = page.displayRow(y);
        for (int32_t x = 0; x < width; ++x)
            DibSetRowBit(to, x, magic == "P4" ? DibRowBit(from, x) == 0 : 2 * from[x] > maxValue);
    }
    return page;
}

} // namespace testsupport
