// Sharpen and soften: a 3 by 3 kernel over every channel, white beyond the page's edges.
// The kernel is one centre weight and eight equal outer weights.

#include <vector>

#include "LastError.h"
#include "PixelAccess.h"
#include "pictra/Pictra.h"

namespace {

using namespace pictra;

struct Kernel {
    int64_t centre;
    int64_t outer;
    int64_t divisor() const { return centre + 8 * outer; }
};

// The red, green and blue values of one stored row, with one white pixel
// added at each end; a row outside the page is all white.
void loadRow(const PageView& page, int32_t r, std::vector<int32_t>& channels)
{
    channels.assign(3 * (static_cast<std::size_t>(page.width) + 2), 255);
    if (r < 0 || r >= page.height)
        return;
    for (int32_t x = 0; x < page.width; ++x) {
        const Colour c = page.colour(x, r);
        int32_t* p = &channels[3 * (static_cast<std::size_t>(x) + 1)];
        p[0] = redOf(c);
        p[1] = greenOf(c);
        p[2] = blueOf(c);
    }
}

ImageHandle convolve(const ImageHandle& handle, Kernel kernel)
{
    ImageHandle result = copyToChange(handle);
    if (result.isNull())
        return result;
    const PageView in(handle);
    const PageView out(result);
    PaletteMatcher matcher(out);
    const int64_t divisor = kernel.divisor();
    const std::size_t width = static_cast<std::size_t>(in.width);

    // The kernel's sum is outer x (the 3 by 3 box) + (centre - outer) x the
    // pixel; the box comes from sums down the columns, three rows at a time.
    std::vector<int32_t> below, here, above, columnSums(3 * (width + 2));
    loadRow(in, -1, below);
    loadRow(in, 0, here);
    for (int32_t r = 0; r < in.height; ++r) {
        loadRow(in, r + 1, above);
        for (std::size_t i = 0; i < columnSums.size(); ++i)
            columnSums[i] = below[i] + here[i] + above[i];
        for (std::size_t x = 0; x < width; ++x) {
            int64_t value[3];
            for (std::size_t ch = 0; ch < 3; ++ch) {
                const std::size_t at = 3 * (x + 1) + ch;
                const int64_t box = int64_t{columnSums[at - 3]} + columnSums[at] + columnSums[at + 3];
                const int64_t sum = kernel.outer * box + (kernel.centre - kernel.outer) * here[at];
                value[ch] = divisor != 0 ? sum / divisor : sum;
            }
            const Colour c = makeColour(clampChannel(value[0]), clampChannel(value[1]), clampChannel(value[2]));
            if (out.bits == 24)
                out.setColour(static_cast<int32_t>(x), r, c);
            else
                matcher.setColour(static_cast<int32_t>(x), r, c);
        }
        below.swap(here);
        here.swap(above);
    }
    return result;
}

} // namespace

ImageHandle PtxImgSharpen(const ImageHandle& handle, int32_t level)
{
    return convolve(handle, {level > 8 ? level : 15, -1});
}

ImageHandle PtxImgSoften(const ImageHandle& handle, int32_t level)
{
    return convolve(handle, {level > -8 ? level : 8, 1});
}
