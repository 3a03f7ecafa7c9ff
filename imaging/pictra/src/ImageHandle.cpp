#include "pictra/ImageHandle.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "byteorder/LittleEndian.h"

namespace {

using le::get16;
using le::put16;
using le::put32;
using le::get32;

bool supportedBitCount(uint16_t bitCount)
{
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24;
}

// From this size on a block's pages are made present when it is made.
constexpr std::size_t kPopulatedBlockBytes = std::size_t{256} * 1024;
constexpr uintptr_t kPageBytes = 4096;

} // namespace

DibBlock DibBlock::zeroed(std::size_t bytes)
{
    DibBlock block;
    block.bytes_ = static_cast<uint8_t*>(std::calloc(bytes, 1));
    if (block.bytes_ == nullptr)
        return block;
    block.size_ = bytes;
#ifdef MADV_POPULATE_WRITE
    if (bytes >= kPopulatedBlockBytes) {
        // The whole pages inside the block; a kernel without the request
        // leaves them to be faulted in one by one.
        const auto start = (reinterpret_cast<uintptr_t>(block.bytes_) + kPageBytes - 1) & ~(kPageBytes - 1);
        const auto end = (reinterpret_cast<uintptr_t>(block.bytes_) + bytes) & ~(kPageBytes - 1);
        if (end > start)
            ::madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
    }
#endif
    return block;
}

void DibBlock::release() noexcept
{
    std::free(bytes_);
    bytes_ = nullptr;
    size_ = 0;
}

std::size_t DibStride(int64_t width, uint16_t bitCount)
{
    return static_cast<std::size_t>((bitCount * width + 31) / 32 * 4);
}

uint32_t DibPaletteEntries(uint16_t bitCount)
{
    return bitCount <= 8 ? 1u << bitCount : 0u;
}

std::optional<std::size_t> DibBlockSize(int64_t width, int64_t height, uint16_t bitCount)
{
    // Both sides at most 2^31 - 1 keeps every product below in 64 bits.
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX || !supportedBitCount(bitCount))
        return std::nullopt;
    const uint64_t stride = DibStride(width, bitCount);
    const uint64_t head = kDibHeaderSize + uint64_t{4} * DibPaletteEntries(bitCount);
    if (stride > (kMaxDibBytes - head) / static_cast<uint64_t>(height))
        return std::nullopt;
    return static_cast<std::size_t>(head + stride * static_cast<uint64_t>(height));
}

ImageHandle ImageHandle::allocate(std::size_t bytes)
{
    ImageHandle h;
    if (bytes == 0 || bytes > kMaxDibBytes)
        return h;
    h.block_ = DibBlock::zeroed(bytes);
    return h;
}

ImageHandle ImageHandle::createDib(int32_t width, int32_t height, uint16_t bitCount)
{
    const auto bytes = DibBlockSize(width, height, bitCount);
    if (!bytes)
        return {};
    ImageHandle h = allocate(*bytes);
    if (h.isNull())
        return h;
    BitmapInfoHeader hdr;
    hdr.width = width;
    hdr.height = height;
    hdr.bitCount = bitCount;
    hdr.clrUsed = DibPaletteEntries(bitCount);
    hdr.imageSize = static_cast<uint32_t>(DibStride(width, bitCount) * static_cast<std::size_t>(height));
    h.setHeader(hdr);
    return h;
}

ImageHandle ImageHandle::clone() const
{
    ImageHandle h = allocate(block_.size());
    if (!h.isNull())
        std::copy(block_.data(), block_.data() + block_.size(), h.block_.data());
    return h;
}

std::optional<BitmapInfoHeader> ReadDibHeader(std::span<const uint8_t> bytes)
{
    if (bytes.size() < kDibHeaderSize)
        return std::nullopt;
    BitmapInfoHeader h;
    const uint8_t* p = bytes.data();
    h.size = get32(p + DibField::kSize);
    h.width = static_cast<int32_t>(get32(p + DibField::kWidth));
    h.height = static_cast<int32_t>(get32(p + DibField::kHeight));
    h.planes = get16(p + DibField::kPlanes);
    h.bitCount = get16(p + DibField::kBitCount);
    h.compression = get32(p + DibField::kCompression);
    h.imageSize = get32(p + DibField::kImageSize);
    h.xPelsPerMeter = static_cast<int32_t>(get32(p + DibField::kXPelsPerMeter));
    h.yPelsPerMeter = static_cast<int32_t>(get32(p + DibField::kYPelsPerMeter));
    h.clrUsed = get32(p + DibField::kClrUsed);
    h.clrImportant = get32(p + DibField::kClrImportant);
    return h;
}

BitmapInfoHeader ImageHandle::header() const
{
    if (auto h = ReadDibHeader({block_.data(), block_.size()}))
        return *h;
    BitmapInfoHeader none{};
    none.size = 0;
    none.planes = 0;
    return none;
}

void ImageHandle::setHeader(const BitmapInfoHeader& h)
{
    if (block_.size() < kDibHeaderSize)
        return;
    uint8_t* p = block_.data();
    put32(p + DibField::kSize, h.size);
    put32(p + DibField::kWidth, static_cast<uint32_t>(h.width));
    put32(p + DibField::kHeight, static_cast<uint32_t>(h.height));
    put16(p + DibField::kPlanes, h.planes);
    put16(p + DibField::kBitCount, h.bitCount);
    put32(p + DibField::kCompression, h.compression);
    put32(p + DibField::kImageSize, h.imageSize);
    put32(p + DibField::kXPelsPerMeter, static_cast<uint32_t>(h.xPelsPerMeter));
    put32(p + DibField::kYPelsPerMeter, static_cast<uint32_t>(h.yPelsPerMeter));
    put32(p + DibField::kClrUsed, h.clrUsed);
    put32(p + DibField::kClrImportant, h.clrImportant);
}

bool ImageHandle::isValidDib() const
{
    if (block_.size() < kDibHeaderSize || field32(DibField::kSize) != kDibHeaderSize ||
        field32(DibField::kCompression) != 0)
        return false;
    const auto needed = DibBlockSize(width(), height(), bitCount());
    return needed && *needed <= block_.size();
}
