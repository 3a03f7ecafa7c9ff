#include "faxbox/DibHeader.h"

#include <algorithm>

#include "byteorder/LittleEndian.h"

namespace {

constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint16_t kNoBitCount = 65535;

// The 40-byte header as the image handle reads it; nothing for a core one.
std::optional<BitmapInfoHeader> infoHeader(std::span<const uint8_t> dib)
{
    if (dib.size() < 4 || le::get32(dib.data()) != kDibHeaderSize)
        return std::nullopt;
    return ReadDibHeader(dib);
}

bool isInfoHeader(std::span<const uint8_t> dib)
{
    return dib.size() >= 4 && le::get32(dib.data()) == kDibHeaderSize;
}

std::size_t headerSize(std::span<const uint8_t> dib)
{
    return isInfoHeader(dib) ? kDibHeaderSize : kCoreHeaderSize;
}

bool hasHeader(std::span<const uint8_t> dib)
{
    return dib.size() >= headerSize(dib);
}

} // namespace

int32_t GetDibWidth(std::span<const uint8_t> dib)
{
    if (!hasHeader(dib))
        return 0;
    const auto info = infoHeader(dib);
    return info ? info->width : le::get16(dib.data() + 4);
}

int32_t GetDibHeight(std::span<const uint8_t> dib)
{
    if (!hasHeader(dib))
        return 0;
    const auto info = infoHeader(dib);
    return info ? info->height : le::get16(dib.data() + 6);
}

uint16_t GetDibBitCountField(std::span<const uint8_t> dib)
{
    if (!hasHeader(dib))
        return 0;
    const auto info = infoHeader(dib);
    return info ? info->bitCount : le::get16(dib.data() + 10);
}

uint32_t GetDibColourEntrySize(std::span<const uint8_t> dib)
{
    return isInfoHeader(dib) ? 4 : 3;
}

uint16_t GetDibColourCount(std::span<const uint8_t> dib)
{
    if (!hasHeader(dib))
        return 0;
    const uint16_t bitCount = GetDibBitCountField(dib);
    const auto info = infoHeader(dib);
    const uint32_t coloursUsed = info ? info->clrUsed : 0;
    const uint32_t indexable = bitCount >= 1 && bitCount <= 8 ? 1u << bitCount : 0;
    uint32_t count = coloursUsed != 0 ? coloursUsed : (bitCount == 1 || bitCount == 4 || bitCount == 8 ? indexable : 0);
    count = std::min(count, indexable);
    const std::size_t room = (dib.size() - headerSize(dib)) / GetDibColourEntrySize(dib);
    return static_cast<uint16_t>(std::min<std::size_t>(count, room));
}

uint32_t GetColourTableSize(std::span<const uint8_t> dib)
{
    return GetDibColourCount(dib) * GetDibColourEntrySize(dib);
}

const uint8_t* GetDibColourTable(std::span<const uint8_t> dib)
{
    return hasHeader(dib) ? dib.data() + headerSize(dib) : nullptr;
}

const uint8_t* GetDibPixels(std::span<const uint8_t> dib)
{
    if (!hasHeader(dib))
        return nullptr;
    return dib.data() + headerSize(dib) + GetColourTableSize(dib);
}

uint16_t GetDibBitCount(const ImageHandle& handle)
{
    const auto dib = DibBytes(handle);
    if (handle.isNull() || !hasHeader(dib))
        return kNoBitCount;
    return GetDibBitCountField(dib);
}
