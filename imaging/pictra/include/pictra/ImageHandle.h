#pragma once
// ImageHandle: one page as a packed device-independent bitmap in an owned,
// zero-initialised block: the 40-byte little-endian header, the palette
// (2, 16 or 256 entries of blue, green, red, 0 for 1, 4 and 8 bits; none for
// 24 bits) and the pixel rows, bottom row first, each padded to 4 bytes.
//
// A default-constructed handle is null (no image). Handles are moved, never
// copied implicitly: `clone()` makes a second block with the same bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>

#include "pictra/Export.h"
#include "byteorder/LittleEndian.h"

inline constexpr std::size_t kDibHeaderSize = 40;
// Where the 40-byte header keeps its fields, in bytes from the start of the
// block; each is little-endian, 4 bytes wide but for planes and bit count (2).
namespace DibField {
inline constexpr std::size_t kSize = 0;
inline constexpr std::size_t kWidth = 4;
inline constexpr std::size_t kHeight = 8;
inline constexpr std::size_t kPlanes = 12;
inline constexpr std::size_t kBitCount = 14;
inline constexpr std::size_t kCompression = 16;
inline constexpr std::size_t kImageSize = 20;
inline constexpr std::size_t kXPelsPerMeter = 24;
inline constexpr std::size_t kYPelsPerMeter = 28;
inline constexpr std::size_t kClrUsed = 32;
inline constexpr std::size_t kClrImportant = 36;
} // namespace DibField
// Upper bound of one block; a page beyond it is refused rather than allocated.
inline constexpr std::size_t kMaxDibBytes = std::size_t{512} * 1024 * 1024;

struct BitmapInfoHeader {
    uint32_t size = kDibHeaderSize;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t imageSize = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
};

// Bytes of one pixel row: ((bitCount x width + 31) / 32) x 4.
PICTRA_API std::size_t DibStride(int64_t width, uint16_t bitCount);
// Palette entries that belong to a bit count: 2, 16, 256, or 0 for 24 bits.
PICTRA_API uint32_t DibPaletteEntries(uint16_t bitCount);
// Size of header, palette and rows for a page, computed in 64 bits; nothing
// when the dimensions are not positive, the bit count is not 1, 4, 8 or 24,
// or the block would exceed kMaxDibBytes.
PICTRA_API std::optional<std::size_t> DibBlockSize(int64_t width, int64_t height, uint16_t bitCount);
// The 40-byte header at the start of `bytes`, its fields as stored; nothing
// when there are fewer than 40 bytes.
PICTRA_API std::optional<BitmapInfoHeader> ReadDibHeader(std::span<const uint8_t> bytes);

// The owned, zero-filled block of a handle, from calloc: memory the process
// freed before is used again, and fresh memory comes zero from the kernel
// without being written twice. The pages of a large block are made present
// at once, which costs a fraction of a fault on each page as it is first
// written.
class PICTRA_API DibBlock {
public:
    DibBlock() noexcept = default;
    // `bytes` zero bytes; empty when memory runs out.
    static DibBlock zeroed(std::size_t bytes);
    DibBlock(DibBlock&& other) noexcept
        : bytes_(std::exchange(other.bytes_, nullptr)), size_(std::exchange(other.size_, 0))
    {
    }
    DibBlock& operator=(DibBlock&& other) noexcept
    {
        if (this != &other) {
            release();
            bytes_ = std::exchange(other.bytes_, nullptr);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    DibBlock(const DibBlock&) = delete;
    DibBlock& operator=(const DibBlock&) = delete;
    ~DibBlock() { release(); }

    bool empty() const noexcept { return size_ == 0; }
    std::size_t size() const noexcept { return size_; }
    uint8_t* data() noexcept { return bytes_; }
    const uint8_t* data() const noexcept { return bytes_; }

private:
    void release() noexcept;

    uint8_t* bytes_ = nullptr;
    std::size_t size_ = 0;
};

class PICTRA_API ImageHandle {
public:
    ImageHandle() noexcept = default;
    ImageHandle(ImageHandle&&) noexcept = default;
    ImageHandle& operator=(ImageHandle&&) noexcept = default;
    ImageHandle(const ImageHandle&) = delete;
    ImageHandle& operator=(const ImageHandle&) = delete;

    // A zero-filled block of `bytes` bytes; null when it exceeds kMaxDibBytes
    // or memory runs out.
    static ImageHandle allocate(std::size_t bytes);
    // A page with a filled-in header (sizes, bit count, colours used,
    // image size = pixel bytes), a zeroed palette and zeroed rows; null when
    // DibBlockSize refuses the dimensions.
    static ImageHandle createDib(int32_t width, int32_t height, uint16_t bitCount);

    ImageHandle clone() const;
    void reset() noexcept { block_ = {}; }

    bool isNull() const noexcept { return block_.empty(); }
    explicit operator bool() const noexcept { return !isNull(); }
    std::size_t size() const noexcept { return block_.size(); }
    uint8_t* data() noexcept { return block_.data(); }
    const uint8_t* data() const noexcept { return block_.data(); }

    // Header access; a block shorter than the header reads as all zeros and
    // ignores writes.
    BitmapInfoHeader header() const;
    void setHeader(const BitmapInfoHeader& header);
    int32_t width() const { return static_cast<int32_t>(field32(DibField::kWidth)); }
    int32_t height() const { return static_cast<int32_t>(field32(DibField::kHeight)); }
    uint16_t bitCount() const { return field16(DibField::kBitCount); }

    // True when the header describes a page of 1, 4, 8 or 24 bits with
    // positive sizes whose palette and rows lie inside the block. Every
    // accessor below requires it.
    bool isValidDib() const;

    uint32_t paletteEntries() const { return DibPaletteEntries(bitCount()); }
    uint8_t* palette() { return block_.data() + kDibHeaderSize; }
    const uint8_t* palette() const { return block_.data() + kDibHeaderSize; }
    std::size_t stride() const { return DibStride(width(), bitCount()); }
    std::size_t pixelOffset() const { return kDibHeaderSize + std::size_t{4} * paletteEntries(); }
    uint8_t* pixels() { return block_.data() + pixelOffset(); }
    const uint8_t* pixels() const { return block_.data() + pixelOffset(); }
    // Stored row r (0 is the bottom row of the picture).
    uint8_t* storedRow(int32_t r) { return pixels() + static_cast<std::size_t>(r) * stride(); }
    const uint8_t* storedRow(int32_t r) const { return pixels() + static_cast<std::size_t>(r) * stride(); }
    // Display row y (0 is the top row).
    uint8_t* displayRow(int32_t y) { return storedRow(height() - 1 - y); }
    const uint8_t* displayRow(int32_t y) const { return storedRow(height() - 1 - y); }

private:
    // The header's little-endian field at `offset` (a DibField), 0 for a
    // block without a header.
    uint16_t field16(std::size_t offset) const
    {
        return block_.size() < kDibHeaderSize ? 0 : le::get16(block_.data() + offset);
    }
    uint32_t field32(std::size_t offset) const
    {
        return block_.size() < kDibHeaderSize ? 0 : le::get32(block_.data() + offset);
    }

    DibBlock block_;
};
