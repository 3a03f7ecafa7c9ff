#pragma once
// Fax page files for the document and viewer tests, made by outside tools:
// each page is drawn here as a 1-bit handle, written as PBM by the test
// support's own writer, turned into a Group 4 TIFF page by netpbm's
// pnmtotiff (with its resolution) and joined into one file by tiffcp.

#include <algorithm>
#include <string>
#include <vector>

#include "pictra/DibRows.h"
#include "pictra/ImageHandle.h"
#include "testsupport/NetpbmPage.h"
#include "testsupport/TestSupport.h"

namespace faxfixtures {

// A white 1-bit page (palette black, white) with black marks that no turn or
// mirror maps onto themselves: a bar along the top-left corner, a block in
// the lower right, a diagonal from the top-left, and `mark` short bars near
// the top edge to tell pages apart.
inline ImageHandle patternPage(int32_t width, int32_t height, int mark = 1)
{
    ImageHandle page = ImageHandle::createDib(width, height, 1);
    page.palette()[4] = page.palette()[5] = page.palette()[6] = 0xFF;
    auto black = [&](int32_t x, int32_t y) {
        if (x >= 0 && x < width && y >= 0 && y < height)
            DibSetRowBit(page.displayRow(y), x, false);
    };
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            DibSetRowBit(page.displayRow(y), x, true);
    for (int32_t y = height / 10; y < height / 10 + height / 20 + 1; ++y)
        for (int32_t x = width / 20; x < width / 2; ++x)
            black(x, y);
    for (int32_t y = height * 6 / 10; y < height * 8 / 10; ++y)
        for (int32_t x = width * 7 / 10; x < width * 9 / 10; ++x)
            black(x, y);
    for (int32_t i = 0; i < std::min(width, height); ++i)
        black(i, i);
    for (int m = 0; m < mark; ++m)
        for (int32_t y = 2; y < 6; ++y)
            for (int32_t x = 0; x < 3; ++x)
                black(width / 2 + m * 6 + x, y);
    return page;
}

// Writes the pages as one multi-page Group 4 TIFF at xDpi x yDpi; false when
// a tool failed.
inline bool writeFaxTiff(const std::vector<const ImageHandle*>& pages, const std::string& path, int xDpi, int yDpi,
                         const testsupport::TempDir& scratch)
{
    std::string parts;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const std::string pbm = scratch.file("fixture-" + std::to_string(i) + ".pbm");
        const std::string tif = scratch.file("fixture-" + std::to_string(i) + ".tif");
        if (!testsupport::writePbm(*pages[i], pbm) ||
            !testsupport::runOk("pnmtotiff -g4 -xresolution " + std::to_string(xDpi) + " -yresolution " +
                                std::to_string(yDpi) + " " + testsupport::quote(pbm) + " > " +
                                testsupport::quote(tif)))
            return false;
        parts += " " + testsupport::quote(tif);
    }
    return testsupport::runOk("tiffcp -c g4" + parts + " " + testsupport::quote(path));
}

inline bool writeFaxTiff(const ImageHandle& page, const std::string& path, int xDpi, int yDpi,
                         const testsupport::TempDir& scratch)
{
    return writeFaxTiff(std::vector<const ImageHandle*>{&page}, path, xDpi, yDpi, scratch);
}

// The number of pages tiffinfo finds and how many of them use `compression`
// ("PackBits", "CCITT Group 4" ...).
inline int tiffPageCount(const std::string& path)
{
    return std::stoi("0" + testsupport::run("tiffinfo " + testsupport::quote(path) +
                                            " 2>/dev/null | grep -c 'TIFF Directory'")
                               .output);
}

inline int tiffPagesCompressedWith(const std::string& path, const std::string& compression)
{
    return std::stoi("0" + testsupport::run("tiffinfo " + testsupport::quote(path) +
                                            " 2>/dev/null | grep -c 'Compression Scheme: " + compression + "'")
                               .output);
}

} // namespace faxfixtures
