#pragma once
// Page files for the page editor's tests: Group 4 pages drawn by the fax
// fixtures, PackBits copies and long files joined by tiffcp, grey pages
// written as PGM and turned into TIFF by netpbm; ImageMagick compares pages.

#include <string>
#include <vector>

#include "faxbox/tests/FaxPageFixtures.h"

namespace pagefiles {

using testsupport::quote;

// A Group 4 file of `count` pattern pages, page i marked i + 1.
inline std::string g4File(const testsupport::TempDir& dir, const std::string& name, int count, int32_t width = 1728,
                          int32_t height = 1100)
{
    std::vector<ImageHandle> pages;
    for (int i = 0; i < count; ++i)
        pages.push_back(faxfixtures::patternPage(width, height, i + 1));
    std::vector<const ImageHandle*> pointers;
    for (const ImageHandle& page : pages)
        pointers.push_back(&page);
    const std::string path = dir.file(name);
    return faxfixtures::writeFaxTiff(pointers, path, 200, 100, dir) ? path : std::string();
}

// The same pages, PackBits compressed.
inline std::string packBitsFile(const testsupport::TempDir& dir, const std::string& name, int count)
{
    const std::string g4 = g4File(dir, "g4-" + name, count);
    const std::string path = dir.file(name);
    return testsupport::runOk("tiffcp -c packbits " + quote(g4) + " " + quote(path)) ? path : std::string();
}

// `count` small pages, one file repeated by tiffcp.
inline std::string longFile(const testsupport::TempDir& dir, const std::string& name, int count)
{
    const std::string one = g4File(dir, "one-" + name, 1, 64, 32);
    std::string parts;
    for (int i = 0; i < count; ++i)
        parts += " " + quote(one);
    const std::string path = dir.file(name);
    return testsupport::runOk("tiffcp" + parts + " " + quote(path)) ? path : std::string();
}

// `count` Group 4 pages with an 8-bit grey page in place `greyAt`.
inline std::string fileWithGreyPage(const testsupport::TempDir& dir, const std::string& name, int count, int greyAt)
{
    const std::string pgm = dir.file("grey-page.pgm");
    testsupport::writeFile(pgm, "P5\n64 32\n255\n" + std::string(64 * 32, '\x80'));
    const std::string grey = dir.file("grey-page.tif");
    if (!testsupport::runOk("pnmtotiff " + quote(pgm) + " > " + quote(grey)))
        return {};
    std::string parts;
    for (int i = 0; i < count; ++i)
        parts += " " + quote(i == greyAt ? grey : g4File(dir, "page-" + std::to_string(i) + "-" + name, 1, 64, 32));
    const std::string path = dir.file(name);
    return testsupport::runOk("tiffcp" + parts + " " + quote(path)) ? path : std::string();
}

// A one-page 24-bit TIFF of 64 x 32 pixels in a colour no grey matches
// (netpbm's pnmtotiff).
inline std::string colourFile(const testsupport::TempDir& dir, const std::string& name)
{
    std::string pixels;
    for (int i = 0; i < 64 * 32; ++i)
        pixels += "\xF0\x80\x20";
    const std::string ppm = dir.file(name + ".ppm");
    testsupport::writeFile(ppm, "P6\n64 32\n255\n" + pixels);
    const std::string path = dir.file(name);
    return testsupport::runOk("pnmtotiff -truecolor " + quote(ppm) + " > " + quote(path) + " 2>/dev/null") ? path
                                                                                                         : std::string();
}

// A 1-bit BMP seal of width x height drawn as a PBM and turned into a BMP
// by netpbm: a black frame `frame` pixels wide around a black disc of
// radius `radius` in the middle.
inline std::string sealBmp(const testsupport::TempDir& dir, const std::string& name, int width, int height,
                           int frame = 3, int radius = 20)
{
    std::string pbm = "P4\n" + std::to_string(width) + " " + std::to_string(height) + "\n";
    const int stride = (width + 7) / 8;
    for (int y = 0; y < height; ++y) {
        std::string row(static_cast<std::size_t>(stride), '\0');
        for (int x = 0; x < width; ++x) {
            const int dx = x - width / 2, dy = y - height / 2;
            const bool black = x < frame || y < frame || x >= width - frame || y >= height - frame ||
                               dx * dx + dy * dy <= radius * radius;
            if (black)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
        }
        pbm += row;
    }
    const std::string pbmPath = dir.file(name + ".pbm");
    testsupport::writeFile(pbmPath, pbm);
    const std::string path = dir.file(name + ".bmp");
    return testsupport::runOk("ppmtobmp -bpp=1 " + quote(pbmPath) + " > " + quote(path) + " 2>/dev/null") ? path
                                                                                                            : std::string();
}

// A 24-bit BMP seal of size x size pixels: a disc of red ink (220, 30, 40)
// on white, drawn by ImageMagick without antialiasing, so that it holds
// those two colours only.
inline std::string colourSealBmp(const testsupport::TempDir& dir, const std::string& name, int size)
{
    const std::string path = dir.file(name + ".bmp");
    const int c = size / 2;
    const std::string circle = std::to_string(c) + "," + std::to_string(c) + " " + std::to_string(c) + "," +
                               std::to_string(size / 10);
    return testsupport::runOk("convert -size " + std::to_string(size) + "x" + std::to_string(size) +
                              " xc:white +antialias -fill 'rgb(220,30,40)' -draw " + quote("circle " + circle) +
                              " -type TrueColor BMP3:" + quote(path))
               ? path
               : std::string();
}

// The number of pixels in which page `pageA` of `a` and page `pageB` of `b`
// differ (ImageMagick's compare -metric AE); -1 when it cannot tell.
inline long differingPixels(const std::string& a, int pageA, const std::string& b, int pageB)
{
    const auto r = testsupport::run("compare -metric AE " + quote(a + "[" + std::to_string(pageA) + "]") + " " +
                                    quote(b + "[" + std::to_string(pageB) + "]") + " null: 2>&1");
    try {
        return std::stol(r.output);
    } catch (...) {
        return -1;
    }
}

// "width x height" of page `page` of `file` as ImageMagick reads it.
inline std::string pageSize(const std::string& file, int page = 0)
{
    return testsupport::run("identify -format '%wx%h' " + quote(file + "[" + std::to_string(page) + "]")).output;
}

} // namespace pagefiles
