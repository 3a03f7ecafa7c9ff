#pragma once
// Helpers shared by Pixmend's tests: the messages it shows, 1-bit pages in
// the handle's colour sense (bit 1 white, bit 0 black), and ImageMagick run
// on exactly a page's pixels as the filters' oracle.

#include <random>
#include <string>
#include <vector>

#include "pictra/ImageHandle.h"
#include "pixmend/PixmendMessage.h"
#include "testsupport/AsciiPage.h"
#include "testsupport/NetpbmPage.h"
#include "testsupport/ScanPages.h"
#include "testsupport/TestSupport.h"

namespace pixmendtest {

using namespace testsupport;

// Collects the messages Pixmend shows while it lives.
class MessageCollector {
public:
    MessageCollector()
    {
        previous_ = PixmendSetMessageHandler([this](const std::string& text) { messages.push_back(text); });
    }
    ~MessageCollector() { PixmendSetMessageHandler(std::move(previous_)); }
    std::vector<std::string> messages;

private:
    PixmendMessageHandler previous_;
};

// A 1-bit page whose every pixel is black with the given chance.
inline ImageHandle randomPage(int32_t width, int32_t height, unsigned seed, double blackShare = 0.5)
{
    ImageHandle page = whiteBilevelPage(width, height);
    std::mt19937 random(seed);
    std::bernoulli_distribution black(blackShare);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            if (black(random))
                DibSetRowBit(page.displayRow(y), x, false);
        }
    }
    return page;
}

// The page after `convert page.pbm <operations>`, read back from a PGM;
// null when ImageMagick fails.
inline ImageHandle magick(const ImageHandle& page, const std::string& operations, const TempDir& dir)
{
    const std::string in = dir.file("magick-in.pbm");
    const std::string out = dir.file("magick-out.pgm");
    if (!writePbm(page, in) || !runOk("convert " + in + " " + operations + " -depth 8 " + out))
        return {};
    return readPbm(out);
}

// ImageMagick's count of the pixels in which two pages differ (compare
// -metric AE); -1 when it cannot compare them.
inline long differingPixels(const ImageHandle& a, const ImageHandle& b, const TempDir& dir)
{
    const std::string fileA = dir.file("ae-a.pbm");
    const std::string fileB = dir.file("ae-b.pbm");
    if (!writePbm(a, fileA) || !writePbm(b, fileB))
        return -1;
    const auto r = run("compare -metric AE " + fileA + " " + fileB + " null: 2>&1");
    try {
        return std::stol(r.output);
    } catch (const std::exception&) {
        return -1;
    }
}

} // namespace pixmendtest
