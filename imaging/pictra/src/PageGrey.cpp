// Grey pages from coloured ones: the 8-bit grey scale, and the two-level page cut at Otsu's threshold.

#include <array>

#include "LastError.h"
#include "PixelAccess.h"
#include "pictra/Pictra.h"

namespace {

using namespace pictra;

// Grey of a colour as the two-level cut weighs it.
unsigned cutGrey(Colour c) { return (blueOf(c) * 29u + greenOf(c) * 150u + redOf(c) * 77u) >> 8; }

// Grey of a colour as the grey scale weighs it.
unsigned scaleGrey(Colour c) { return (redOf(c) * 306u + greenOf(c) * 601u + blueOf(c) * 117u) >> 10; }

// Otsu's threshold t: grey values below t are one class, those at or above
// it the other, and t maximises w0 x w1 x (mean0 - mean1)^2. Scores are
// doubles, so that a full page's counts cannot overflow; of equal scores
// the first t is kept, and t is 0 when no cut separates two classes.
unsigned otsuThreshold(const std::array<uint64_t, 256>& histogram)
{
    double total = 0;
    double totalSum = 0;
    for (unsigned v = 0; v < 256; ++v) {
        total += static_cast<double>(histogram[v]);
        totalSum += static_cast<double>(histogram[v]) * v;
    }
    unsigned best = 0;
    double bestScore = 0;
    double w0 = 0; // the values below t
    double m0 = 0;
    for (unsigned t = 1; t < 256; ++t) {
        w0 += static_cast<double>(histogram[t - 1]);
        m0 += static_cast<double>(histogram[t - 1]) * (t - 1);
        const double w1 = total - w0;
        if (w0 == 0 || w1 == 0)
            continue;
        const double gap = m0 / w0 - (totalSum - m0) / w1;
        const double score = w0 * w1 * gap * gap;
        if (score > bestScore) {
            bestScore = score;
            best = t;
        }
    }
    return best;
}

} // namespace

ImageHandle PtxImgUnicolor(const ImageHandle& handle)
{
    clearLastError();
    if (!handle.isValidDib()) {
        setLastError("image handle is null");
        return {};
    }
    if (handle.bitCount() != 8 && handle.bitCount() != 24) {
        setLastError("image isn't gary or color image");
        return {};
    }
    ImageHandle result = newPageLike(handle, handle.width(), handle.height(), 1);
    if (result.isNull()) {
        setLastError("failed to allocate memory");
        return {};
    }
    setPaletteEntry(result, 0, 0, 0, 0);
    setPaletteEntry(result, 1, 255, 255, 255);
    BitmapInfoHeader hdr = result.header();
    hdr.clrImportant = 2;
    hdr.imageSize = 0;
    result.setHeader(hdr);

    const PageView in(handle);
    const PageView out(result);
    std::array<uint64_t, 256> histogram{};
    for (int32_t r = 0; r < in.height; ++r) {
        for (int32_t x = 0; x < in.width; ++x)
            ++histogram[cutGrey(in.colour(x, r))];
    }
    const unsigned threshold = otsuThreshold(histogram);
    for (int32_t r = 0; r < in.height; ++r) {
        uint8_t* row = out.row(r);
        for (int32_t x = 0; x < in.width; ++x)
            DibSetRowBit(row, x, cutGrey(in.colour(x, r)) > threshold); // t itself is dark
    }
    return result;
}

ImageHandle PtxImgGrayScale(const ImageHandle& handle)
{
    // This export writes the last-error text on failure only.
    if (!handle.isValidDib()) {
        setLastError("图像句柄错误");
        return {};
    }
    const PageView in(handle);
    if (in.bits == 8 && in.greyRamp()) {
        setLastError("原图像已是灰度图像");
        return {};
    }
    ImageHandle result = newPageLike(handle, in.width, in.height, 8);
    if (result.isNull()) {
        setLastError("创建图像句柄失败");
        return {};
    }
    setGreyRamp(result);
    const PageView out(result);
    for (int32_t r = 0; r < in.height; ++r) {
        uint8_t* row = out.row(r);
        for (int32_t x = 0; x < in.width; ++x)
            row[x] = static_cast<uint8_t>(scaleGrey(in.colour(x, r)));
    }
    return result;
}
