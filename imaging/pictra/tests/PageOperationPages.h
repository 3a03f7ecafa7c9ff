#pragma once
// The drawings and pages that the page-operation tests share: small golden
// drawings, grey pages drawn from them, random pages of each depth, and the
// BMP files compared with ImageMagick's results.

#include <random>
#include <string>

#include "PageTestSupport.h"
#include "PictraTestSupport.h"

namespace pagetest {

inline const Rows kFiveByThree = {
    "#....",
    ".#...",
    "..##.",
};

inline const Rows kCross = {
    "#......#",
    ".#....#.",
    "..#..#..",
    "...##...",
    "...##...",
    "..#..#..",
    ".#....#.",
    "#......#",
};

// An 8-bit page with a grey ramp palette and the same drawing.
inline ImageHandle greyPage(const Rows& rows)
{
    ImageHandle h = PtxCreateHandle(static_cast<uint32_t>(rows[0].size()), static_cast<uint32_t>(rows.size()),
                                    PtxBlank::Grey);
    for (int32_t y = 0; y < h.height(); ++y) {
        for (int32_t x = 0; x < h.width(); ++x)
            h.displayRow(y)[x] = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == '#' ? 0 : 255;
    }
    return h;
}

inline Rows greyRows(const ImageHandle& h)
{
    Rows rows;
    for (int32_t y = 0; y < h.height(); ++y) {
        std::string s;
        for (int32_t x = 0; x < h.width(); ++x)
            s += h.displayRow(y)[x] == 0 ? '#' : h.displayRow(y)[x] == 255 ? '.' : '?';
        rows.push_back(s);
    }
    return rows;
}

inline ImageHandle randomColourPage(int32_t w, int32_t h, unsigned seed)
{
    ImageHandle page = PtxCreateHandle(static_cast<uint32_t>(w), static_cast<uint32_t>(h), PtxBlank::TrueColour);
    std::mt19937 gen(seed);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < 3 * w; ++x)
            page.displayRow(y)[x] = static_cast<uint8_t>(gen());
    }
    return page;
}

inline ImageHandle randomBilevelPage(int32_t w, int32_t h, unsigned seed)
{
    ImageHandle page = PtxCreateHandle(static_cast<uint32_t>(w), static_cast<uint32_t>(h), PtxBlank::Bilevel);
    std::mt19937 gen(seed);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            if (gen() & 1)
                page.displayRow(y)[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
    }
    return page;
}

inline ImgFileInfo bmp()
{
    ImgFileInfo info;
    info.format = PtxFormat::Bmp;
    return info;
}

inline std::string differingPixels(const std::string& a, const std::string& b)
{
    return testsupport::run("compare -metric AE " + testsupport::quote(a) + " " + testsupport::quote(b) + " null: 2>&1").output;
}

} // namespace pagetest
