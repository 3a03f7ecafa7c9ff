// Scratch copies of pages and grids, with the one switch by which a test makes them run out.

#include "Scratch.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

namespace {

// Copies still allowed before refusals begin; negative: no limit.
std::atomic<int32_t> scratchLeft{-1};

bool scratchAllowed()
{
    int32_t left = scratchLeft.load();
    while (left >= 0) {
        if (left == 0)
            return false;
        if (scratchLeft.compare_exchange_weak(left, left - 1))
            return true;
    }
    return true;
}

} // namespace

namespace pixmend {

void refuseScratchAfter(int32_t allowed) { scratchLeft = allowed < 0 ? -1 : allowed; }

ImageHandle CreateDib(int32_t width, int32_t height, int32_t colours)
{
    if ((colours != 2 && colours != 256) || !scratchAllowed())
        return {};
    ImageHandle page = ImageHandle::createDib(width, height, colours == 2 ? 1 : 8);
    if (page.isNull())
        return page;
    const uint32_t entries = page.paletteEntries();
    for (uint32_t i = 0; i < entries; ++i) {
        const auto grey = static_cast<uint8_t>(i * 255 / (entries - 1));
        std::memset(page.palette() + 4 * i, grey, 3);
    }
    return page;
}

ImageHandle CopyDib(const ImageHandle& page)
{
    if (!scratchAllowed())
        return {};
    return page.clone();
}

std::optional<BitGrid> BitGrid::white(int32_t width, int32_t height)
{
    if (width < 1 || height < 1 || !scratchAllowed())
        return std::nullopt;
    BitGrid grid;
    grid.width_ = width;
    grid.height_ = height;
    grid.stride_ = (static_cast<std::size_t>(width) + 7) / 8;
    try {
        grid.bytes_.assign(grid.stride_ * static_cast<std::size_t>(height), 0xFF);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    return grid;
}

void copyPixels(const BitRows& from, const BitRows& to)
{
    // Whole bytes, then the last byte's pixels one by one, so that the
    // target's bits after its last column stay as they were.
    const std::size_t whole = static_cast<std::size_t>(from.width) / 8;
    for (int32_t y = 0; y < from.height; ++y) {
        std::memcpy(to.row(y), from.row(y), whole);
        for (auto x = static_cast<int32_t>(whole * 8); x < from.width; ++x)
            DibSetRowBit(to.row(y), x, DibRowBit(from.row(y), x) != 0);
    }
}

void transposePixels(const BitRows& from, const BitRows& to)
{
    for (int32_t y = 0; y < from.height; ++y) {
        const uint8_t* row = from.row(y);
        for (int32_t x = 0; x < from.width; ++x)
            DibSetRowBit(to.row(x), y, DibRowBit(row, x) != 0);
    }
}

} // namespace pixmend
