// Scaling a page: area average, bilinear interpolation or nearest pixel.

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "PixelAccess.h"
#include "pictra/Pictra.h"

namespace {

using namespace pictra;

// How one source column (or row) is shared between the output column it
// falls in and the next one, in thousandths.
struct Share {
    int32_t out;
    int32_t current;
    int32_t next;
    bool completes; // the output column ends with this source column
};

// Source columns are given to output columns left to right: a column below
// the threshold belongs wholly to the current one; the first at or above it
// is split, and the threshold moves on by the scale.
std::vector<Share> areaShares(int32_t sourceSize, float scale)
{
    std::vector<Share> shares(static_cast<std::size_t>(sourceSize));
    float threshold = scale - 1;
    int32_t out = 0;
    for (int32_t x = 0; x < sourceSize; ++x) {
        if (static_cast<float>(x) < threshold) {
            shares[static_cast<std::size_t>(x)] = {out, 1000, 0, false};
            continue;
        }
        const auto toNext = std::clamp(static_cast<int32_t>((static_cast<float>(x) - threshold) * 1000), 0, 1000);
        shares[static_cast<std::size_t>(x)] = {out, 1000 - toNext, toNext, true};
        ++out;
        threshold += scale;
    }
    return shares;
}

void areaAverage(const PageView& in, const PageView& out, float sx, float sy)
{
    const auto columns = areaShares(in.width, sx);
    const auto rows = areaShares(in.height, sy);
    const auto divisor = std::max<uint64_t>(static_cast<uint64_t>(sy * sx * 1000), 1);
    const std::size_t rowValues = 3 * static_cast<std::size_t>(out.width);
    // Sums of the output row being filled and of the one after it.
    std::vector<uint64_t> current(rowValues, 0);
    std::vector<uint64_t> next(rowValues, 0);

    auto writeRow = [&](int32_t r) {
        if (r >= out.height)
            return;
        uint8_t* o = out.row(r);
        for (std::size_t i = 0; i < rowValues; ++i)
            o[i] = static_cast<uint8_t>(std::min<uint64_t>(current[i] / divisor, 255));
    };

    int32_t outRow = 0;
    for (int32_t y = 0; y < in.height && outRow < out.height; ++y) {
        const Share& rs = rows[static_cast<std::size_t>(y)];
        const uint8_t* src = in.constRow(y);
        for (int32_t x = 0; x < in.width; ++x) {
            const Share& cs = columns[static_cast<std::size_t>(x)];
            if (cs.out >= out.width)
                break;
            const bool hasNextColumn = cs.next != 0 && cs.out + 1 < out.width;
            const std::size_t at = 3 * static_cast<std::size_t>(cs.out);
            for (int c = 0; c < 3; ++c) {
                const uint64_t v = src[3 * static_cast<std::size_t>(x) + c];
                current[at + c] += v * static_cast<uint64_t>(cs.current) * static_cast<uint64_t>(rs.current) / 1000;
                if (hasNextColumn)
                    current[at + 3 + c] += v * static_cast<uint64_t>(cs.next) * static_cast<uint64_t>(rs.current) / 1000;
                if (rs.next != 0) {
                    next[at + c] += v * static_cast<uint64_t>(cs.current) * static_cast<uint64_t>(rs.next) / 1000;
                    if (hasNextColumn)
                        next[at + 3 + c] += v * static_cast<uint64_t>(cs.next) * static_cast<uint64_t>(rs.next) / 1000;
                }
            }
        }
        if (rs.completes) {
            writeRow(outRow++);
            current.swap(next);
            std::fill(next.begin(), next.end(), 0);
        }
    }
    // A row not completed when the source ran out is written from what it has.
    if (outRow < out.height)
        writeRow(outRow);
}

// Nearest palette entries of the colours met so far.
class NearestEntries {
public:
    explicit NearestEntries(const PageView& page) : page_(page) {}
    unsigned operator()(Colour c)
    {
        auto it = cache_.find(c);
        if (it == cache_.end())
            it = cache_.emplace(c, page_.nearestIndex(c)).first;
        return it->second;
    }

private:
    const PageView& page_;
    std::unordered_map<Colour, unsigned> cache_;
};

void bilinear(const PageView& in, const PageView& out, float sx, float sy)
{
    NearestEntries nearest(out);
    for (int32_t y = 0; y < out.height; ++y) {
        const float fy = static_cast<float>(y) * sy;
        const int32_t iy = std::min(static_cast<int32_t>(fy), in.height - 1);
        const int32_t iy1 = std::min(iy + 1, in.height - 1);
        const float dy = fy - static_cast<float>(iy);
        for (int32_t x = 0; x < out.width; ++x) {
            const float fx = static_cast<float>(x) * sx;
            const int32_t ix = std::min(static_cast<int32_t>(fx), in.width - 1);
            const int32_t ix1 = std::min(ix + 1, in.width - 1);
            const float dx = fx - static_cast<float>(ix);
            const Colour p00 = in.colour(ix, iy);
            const Colour p01 = in.colour(ix, iy1);
            const Colour p10 = in.colour(ix1, iy);
            const Colour p11 = in.colour(ix1, iy1);
            Colour result = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                auto ch = [shift](Colour c) { return static_cast<float>((c >> shift) & 0xFF); };
                const float v = (ch(p00) * (1 - dy) + ch(p01) * dy) * (1 - dx) + (ch(p10) * (1 - dy) + ch(p11) * dy) * dx;
                result |= (static_cast<Colour>(static_cast<int32_t>(v)) & 0xFF) << shift;
            }
            if (out.bits == 24)
                out.setColour(x, y, result);
            else
                out.setIndex(x, y, nearest(result));
        }
    }
}

void nearestPixel(const PageView& in, const PageView& out, float sx, float sy)
{
    std::vector<int32_t> sourceColumn(static_cast<std::size_t>(out.width));
    for (int32_t x = 0; x < out.width; ++x)
        sourceColumn[static_cast<std::size_t>(x)] = std::min(static_cast<int32_t>(static_cast<float>(x) * sx), in.width - 1);
    const auto remap = in.bits == 24 ? std::array<uint8_t, 256>{} : in.colourRemap();
    for (int32_t y = 0; y < out.height; ++y) {
        const int32_t sy0 = std::min(static_cast<int32_t>(static_cast<float>(y) * sy), in.height - 1);
        if (in.bits == 24) {
            const uint8_t* src = in.constRow(sy0);
            uint8_t* dst = out.row(y);
            for (int32_t x = 0; x < out.width; ++x)
                std::memcpy(dst + 3 * static_cast<std::size_t>(x), src + 3 * static_cast<std::size_t>(sourceColumn[static_cast<std::size_t>(x)]), 3);
        } else {
            for (int32_t x = 0; x < out.width; ++x)
                out.setIndex(x, y, remap[in.index(sourceColumn[static_cast<std::size_t>(x)], sy0)]);
        }
    }
}

// trunc(newSize / oldSize x ppm), held inside the header field's range.
int32_t scaledResolution(int32_t newSize, int32_t oldSize, int32_t ppm)
{
    const double scaled = static_cast<double>(newSize) / oldSize * ppm;
    return static_cast<int32_t>(std::clamp<double>(scaled, INT32_MIN, INT32_MAX));
}

} // namespace

ImageHandle PtxImgResample(const ImageHandle& handle, int32_t newWidth, int32_t newHeight, uint8_t mode)
{
    if (!handle.isValidDib() || newWidth <= 0 || newHeight <= 0)
        return {};
    const int32_t w = handle.width();
    const int32_t h = handle.height();
    ImageHandle result = newPageLike(handle, newWidth, newHeight, handle.bitCount());
    if (result.isNull())
        return result;
    // The physical size stays: the resolution scales with the pixels.
    BitmapInfoHeader hdr = result.header();
    hdr.xPelsPerMeter = scaledResolution(newWidth, w, hdr.xPelsPerMeter);
    hdr.yPelsPerMeter = scaledResolution(newHeight, h, hdr.yPelsPerMeter);
    result.setHeader(hdr);

    const PageView in(handle);
    const PageView out(result);
    if (newWidth == w && newHeight == h) {
        std::memcpy(out.pixels, in.constPixels, in.stride * static_cast<std::size_t>(h));
        return result;
    }
    const float sx = static_cast<float>(w) / static_cast<float>(newWidth);
    const float sy = static_cast<float>(h) / static_cast<float>(newHeight);
    if (mode == 0 && in.bits == 24 && newWidth < w && newHeight < h)
        areaAverage(in, out, sx, sy);
    else if (mode == 0)
        bilinear(in, out, sx, sy);
    else
        nearestPixel(in, out, sx, sy);
    return result;
}
