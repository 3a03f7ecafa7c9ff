// Negative, brightness and colorize: colour changes of whole pages, made on the palette
// of indexed pages and on the pixels of 24-bit ones.

#include <cmath>

#include "LastError.h"
#include "PixelAccess.h"
#include "pictra/Pictra.h"

namespace {

using namespace pictra;

// Runs `change` over every colour of the page: each pixel of a 24-bit page,
// each palette entry of an indexed one (whose pixels keep their indices).
template <typename Change>
void changeColours(ImageHandle& page, Change&& change)
{
    const PageView view(page);
    if (view.bits != 24) {
        for (unsigned i = 0; i < view.entries; ++i) {
            const Colour c = change(view.paletteColour(i));
            setPaletteEntry(page, i, redOf(c), greenOf(c), blueOf(c));
        }
        return;
    }
    for (int32_t r = 0; r < view.height; ++r) {
        uint8_t* p = view.row(r);
        for (int32_t x = 0; x < view.width; ++x, p += 3) {
            const Colour c = change(makeColour(p[2], p[1], p[0]));
            p[0] = blueOf(c);
            p[1] = greenOf(c);
            p[2] = redOf(c);
        }
    }
}

// Hue, saturation and lightness, each on a 0 to 255 scale. A grey has
// saturation 0 and, by convention, hue 170.
struct Hsl {
    double hue, saturation, lightness;
};

constexpr double kGreyHue = 170.0;

Hsl toHsl(Colour c)
{
    const double r = redOf(c), g = greenOf(c), b = blueOf(c);
    const double high = std::max({r, g, b});
    const double low = std::min({r, g, b});
    const double lightness = (high + low) / 2;
    if (high == low)
        return {kGreyHue, 0, lightness};
    const double spread = high - low;
    const double saturation = 255 * (lightness <= 127.5 ? spread / (high + low) : spread / (510 - high - low));
    double sixths; // 0 to 6 around the colour circle from red
    if (high == r)
        sixths = (g - b) / spread;
    else if (high == g)
        sixths = 2 + (b - r) / spread;
    else
        sixths = 4 + (r - g) / spread;
    if (sixths < 0)
        sixths += 6;
    return {sixths * 255 / 6, saturation, lightness};
}

// One channel of the colour whose hue lies `sixths` around the circle.
double channelOf(double low, double high, double sixths)
{
    if (sixths < 0)
        sixths += 6;
    if (sixths >= 6)
        sixths -= 6;
    if (sixths < 1)
        return low + (high - low) * sixths;
    if (sixths < 3)
        return high;
    if (sixths < 4)
        return low + (high - low) * (4 - sixths);
    return low;
}

Colour fromHsl(const Hsl& c)
{
    const double l = c.lightness / 255;
    const double s = c.saturation / 255;
    const double high = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const double low = 2 * l - high;
    const double sixths = c.hue * 6 / 255;
    auto channel = [&](double offset) {
        return clampChannel(std::lround(255 * channelOf(low, high, sixths + offset)));
    };
    return makeColour(channel(2), channel(0), channel(-2));
}

} // namespace

ImageHandle PtxImgNegative(const ImageHandle& handle)
{
    ImageHandle result = copyToChange(handle);
    if (result.isNull())
        return result;
    const PageView page(result);
    // An 8-bit grey page inverts its pixels, so that it keeps its ramp;
    // every other indexed page inverts its palette (a 1-bit page then has
    // white at index 0 and the same bits).
    if (page.bits == 8 && page.greyRamp()) {
        for (int32_t r = 0; r < page.height; ++r) {
            uint8_t* row = page.row(r);
            for (int32_t x = 0; x < page.width; ++x)
                row[x] = static_cast<uint8_t>(255 - row[x]);
        }
        return result;
    }
    changeColours(result, [](Colour c) { return makeColour(255 - redOf(c), 255 - greenOf(c), 255 - blueOf(c)); });
    return result;
}

ImageHandle PtxImgLight(const ImageHandle& handle, int32_t amount)
{
    ImageHandle result = copyToChange(handle);
    if (result.isNull())
        return result;
    changeColours(result, [amount](Colour c) {
        return makeColour(clampChannel(int64_t{redOf(c)} + amount), clampChannel(int64_t{greenOf(c)} + amount),
                          clampChannel(int64_t{blueOf(c)} + amount));
    });
    return result;
}

ImageHandle PtxImgColorize(const ImageHandle& handle, uint8_t mode, int32_t a, int32_t b, int32_t c)
{
    ImageHandle result = copyToChange(handle);
    if (result.isNull())
        return result;
    if (mode == 0) {
        changeColours(result, [&](Colour colour) {
            return makeColour(clampChannel(int64_t{redOf(colour)} + c), clampChannel(int64_t{greenOf(colour)} + b),
                              clampChannel(int64_t{blueOf(colour)} + a));
        });
        return result;
    }
    const double hue = a & 0xFF;
    const double saturation = (a >> 8) & 0xFF;
    changeColours(result, [&](Colour colour) { return fromHsl({hue, saturation, toHsl(colour).lightness}); });
    return result;
}
