#include "faxbox/DibHeader.h"

#include <algorithm>
#include <optional>

#include "byteorder/LittleEndian.h"

namespace {

constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint16_t kNoBitCount = 65535;

// What the getters give, read once from either header.
struct Header {
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitCount = 0;
    uint32_t coloursUsed = 0; // none in a core header: the bit count decides
    std::size_t size = 0;     // bytes of the header itself
};

bool isInfoHeader(std::span<const uint8_t> dib)
{
    return dib.size() >= 4 && le::get32(dib.data()) == kDibHeaderSize;
}

// The header at the start of the block; nothing when the block is too short
// for it. The 40-byte one is read as the image handle reads it.
std::optional<Header> readHeader(std::span<const uint8_t> dib)
{
    if (isInfoHeader(dib)) {
        const auto info = ReadDibHeader(dib);
        if (!info)
            return std::nullopt;
        return Header{info->width, info->height, info->bitCount, info->clrUsed, kDibHeaderSize};
    }
    if (dib.size() < kCoreHeaderSize)
        return std::nullopt;
    const uint8_t* p = dib.data();
    return Header{le::get16(p + 4), le::get16(p + 6), le::get16(p + 10), 0, kCoreHeaderSize};
}

} // namespace

int32_t GetDibWidth(std::span<const uint8_t> dib)
{
    const auto header = readHeader(dib);
    return header ? header->width : 0;
}

int32_t GetDibHeight(std::span<const uint8_t> dib)
{
    const auto header = readHeader(dib);
    return header ? header->height : 0;
}

uint16_t GetDibBitCountField(std::span<const uint8_t> dib)
{
    const auto header = readHeader(dib);
    return header ? header->bitCount : 0;
}

uint32_t GetDibColourEntrySize(std::span<const uint8_t> dib)
{
    return isInfoHeader(dib) ? 4 : 3;
}

uint16_t GetDibColourCount(std::span<const uint8_t> dib)
{
    const auto header = readHeader(dib);
    if (!header)
        return 0;
    const uint16_t bitCount = header->bitCount;
    const uint32_t indexable = bitCount >= 1 && bitCount <= 8 ? 1u << bitCount : 0;
    uint32_t count = header->coloursUsed != 0 ? header->coloursUsed
                                              : (bitCount == 1 || bitCount == 4 || bitCount == 8 ? indexable : 0);
    count = std::min(count, indexable);
    const std::size_t room = (dib.size() - header->size) / GetDibColourEntrySize(dib);
    return static_cast<uint16_t>(std::min<std::size_t>(count, room));
}

uint32_t GetColourTableSize(std::span<const uint8_t> dib)
{
    return GetDibColourCount(dib) * GetDibColourEntrySize(dib);
}

const uint8_t* GetDibColourTable(std::span<const uint8_t> dib)
{
    const auto header = readHeader(dib);
    return header ? dib.data() + header->size : nullptr;
}

std::vector<uint32_t> GetDibColours(std::span<const uint8_t> dib)
{
    const uint16_t count = GetDibColourCount(dib);
    const uint32_t entrySize = GetDibColourEntrySize(dib);
    const uint8_t* entry = GetDibColourTable(dib);
    std::vector<uint32_t> colours;
    colours.reserve(count);
    for (uint16_t i = 0; i < count; ++i, entry += entrySize)
        colours.push_back(uint32_t{entry[2]} << 16 | uint32_t{entry[1]} << 8 | entry[0]);
    return colours;
}

const uint8_t* GetDibPixels(std::span<const uint8_t> dib)
{
    const auto header = readHeader(dib);
    if (!header)
        return nullptr;
    return dib.data() + header->size + GetColourTableSize(dib);
}

uint16_t GetDibBitCount(const ImageHandle& handle)
{
    if (handle.isNull())
        return kNoBitCount;
    const auto header = readHeader(DibBytes(handle));
    return header ? header->bitCount : kNoBitCount;
}
