#include "BlankPalettes.h"

namespace pictra {
namespace {

constexpr Rgb kColours16[16] = {
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},     {128, 0, 128},
    {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

constexpr Rgb kFirstTen[10] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
};

constexpr Rgb kLastTen[10] = {
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255},
};

// The pure colour of each hue ramp; entry 6 of the ramp.
constexpr Rgb kPureColours[18] = {
    {255, 170, 0}, {255, 85, 0},  {254, 0, 0},   {255, 0, 85},  {255, 0, 170}, {254, 0, 254},
    {170, 0, 255}, {85, 0, 255},  {0, 0, 254},   {0, 85, 255},  {0, 170, 255}, {0, 254, 254},
    {0, 255, 170}, {0, 255, 85},  {0, 254, 0},   {85, 255, 0},  {170, 255, 0}, {254, 254, 0},
};

// Step k of a ramp for a component whose pure value is `pure`.
uint8_t rampValue(uint8_t pure, int k)
{
    static constexpr uint8_t k0[12] = {212, 177, 142, 107, 72, 37, 0, 0, 0, 0, 0, 0};
    static constexpr uint8_t k85[12] = {227, 199, 171, 143, 115, 87, 85, 73, 61, 49, 37, 25};
    static constexpr uint8_t k170[12] = {240, 226, 212, 198, 184, 170, 170, 146, 122, 98, 74, 50};
    static constexpr uint8_t k254[12] = {255, 255, 255, 255, 255, 255, 254, 220, 185, 150, 115, 80};
    static constexpr uint8_t k255[12] = {255, 255, 255, 255, 255, 255, 255, 220, 185, 150, 115, 80};
    switch (pure) {
    case 0: return k0[k];
    case 85: return k85[k];
    case 170: return k170[k];
    case 254: return k254[k];
    default: return k255[k];
    }
}

std::array<Rgb, 256> buildColours256()
{
    std::array<Rgb, 256> table{};
    std::size_t n = 0;
    for (const Rgb& c : kFirstTen)
        table[n++] = c;
    for (const Rgb& pure : kPureColours) {
        for (int k = 0; k < 12; ++k)
            table[n++] = {rampValue(pure.red, k), rampValue(pure.green, k), rampValue(pure.blue, k)};
    }
    for (int i = 0; i < 20; ++i) {
        const auto g = static_cast<uint8_t>(242 - 12 * i);
        table[n++] = {g, g, g};
    }
    for (const Rgb& c : kLastTen)
        table[n++] = c;
    return table;
}

} // namespace

std::span<const Rgb, 16> standardColours16() { return std::span<const Rgb, 16>(kColours16); }

const std::array<Rgb, 256>& standardColours256()
{
    static const std::array<Rgb, 256> table = buildColours256();
    return table;
}

} // namespace pictra
