#include "TiffPages.h"

#include <algorithm>

namespace pictra {
namespace {

constexpr uint16_t kTagStripOffsets = 273;
constexpr uint16_t kTagFreeOffsets = 288;
constexpr uint16_t kTagPageNumber = 297;
constexpr uint16_t kTagTileOffsets = 324;
constexpr uint16_t kTagSubIfds = 330;
constexpr uint16_t kTagJpegInterchange = 513;
constexpr uint16_t kTagExifIfd = 34665;
constexpr uint16_t kTagGpsIfd = 34853;
constexpr uint16_t kTagInteropIfd = 40965;

constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;

std::size_t typeSize(uint16_t type)
{
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: case 13: return 4;
    case 5: case 10: case 12: return 8;
    default: return 0;
    }
}

// A number of n bytes (n at most 4) in the file's byte order.
uint32_t readNumber(const uint8_t* p, std::size_t n, bool little)
{
    uint32_t v = 0;
    for (std::size_t i = 0; i < n; ++i)
        v |= static_cast<uint32_t>(p[i]) << (8 * (little ? i : n - 1 - i));
    return v;
}

// Reads and writes numbers of one byte order inside one buffer, refusing
// any access outside it.
class Fields {
public:
    Fields(std::vector<uint8_t>& bytes, bool little) : bytes_(bytes), little_(little) {}

    bool fits(std::size_t at, std::size_t n) const { return at <= bytes_.size() && n <= bytes_.size() - at; }

    uint32_t get(std::size_t at, std::size_t n) const { return readNumber(bytes_.data() + at, n, little_); }

    void put(std::size_t at, std::size_t n, uint32_t v)
    {
        for (std::size_t i = 0; i < n; ++i)
            bytes_[at + i] = static_cast<uint8_t>(v >> (8 * (little_ ? i : n - 1 - i)));
    }

private:
    std::vector<uint8_t>& bytes_;
    bool little_;
};

bool isOffsetTag(uint16_t tag)
{
    return tag == kTagStripOffsets || tag == kTagTileOffsets || tag == kTagFreeOffsets || tag == kTagJpegInterchange;
}

// Moves one page's directory, found at `ifd` in `out`, by `delta` bytes:
// every out-of-line value and every data offset. Gives false for a page
// that cannot be moved this way.
bool relocate(Fields& f, std::size_t ifd, uint32_t delta, uint16_t pageIndex, uint16_t pageCount)
{
    if (!f.fits(ifd, 2))
        return false;
    const std::size_t entries = f.get(ifd, 2);
    if (!f.fits(ifd + 2, entries * 12 + 4) || f.get(ifd + 2 + entries * 12, 4) != 0)
        return false; // more than one directory
    for (std::size_t e = 0; e < entries; ++e) {
        const std::size_t at = ifd + 2 + e * 12;
        const auto tag = static_cast<uint16_t>(f.get(at, 2));
        const auto type = static_cast<uint16_t>(f.get(at + 2, 2));
        const uint32_t count = f.get(at + 4, 4);
        const std::size_t size = typeSize(type);
        if (tag == kTagSubIfds || tag == kTagExifIfd || tag == kTagGpsIfd || tag == kTagInteropIfd || size == 0)
            return false;
        const uint64_t total = uint64_t{size} * count;
        std::size_t values = at + 8;
        if (total > 4) {
            const uint64_t moved = uint64_t{f.get(at + 8, 4)} + delta;
            if (moved > UINT32_MAX || !f.fits(static_cast<std::size_t>(moved), static_cast<std::size_t>(total)))
                return false;
            f.put(at + 8, 4, static_cast<uint32_t>(moved));
            values = static_cast<std::size_t>(moved);
        }
        if (isOffsetTag(tag)) {
            if (type != kTypeLong && type != kTypeShort)
                return false;
            for (uint32_t i = 0; i < count; ++i) {
                const std::size_t v = values + i * size;
                const uint64_t moved = uint64_t{f.get(v, size)} + delta;
                if (moved > (size == 2 ? 0xFFFFu : UINT32_MAX))
                    return false;
                f.put(v, size, static_cast<uint32_t>(moved));
            }
        } else if (tag == kTagPageNumber && type == kTypeShort && count == 2) {
            f.put(values, 2, pageIndex);
            f.put(values + 2, 2, pageCount);
        }
    }
    return true;
}

} // namespace

std::optional<std::vector<uint8_t>> joinTiffPages(std::span<const std::vector<uint8_t>> pages)
{
    if (pages.empty() || pages.size() > 0xFFFF || pages.front().size() < 8)
        return std::nullopt;
    const std::vector<uint8_t>& first = pages.front();
    const bool little = first[0] == 'I' && first[1] == 'I';
    if (!little && !(first[0] == 'M' && first[1] == 'M'))
        return std::nullopt;

    std::vector<uint8_t> out(first.begin(), first.begin() + 8);
    Fields f(out, little);
    std::size_t nextPointer = 4; // where the offset of the next directory goes
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const std::vector<uint8_t>& page = pages[i];
        if (page.size() < 8 || page[0] != first[0] || page[1] != first[1])
            return std::nullopt;
        if (out.size() % 2 != 0)
            out.push_back(0); // offsets stay on word boundaries
        const uint64_t delta = out.size() - 8;
        if (delta + page.size() > UINT32_MAX)
            return std::nullopt;
        const uint32_t ifd = readNumber(page.data() + 4, 4, little);
        out.insert(out.end(), page.begin() + 8, page.end());
        if (ifd < 8 || !relocate(f, ifd + static_cast<std::size_t>(delta), static_cast<uint32_t>(delta),
                                 static_cast<uint16_t>(i), static_cast<uint16_t>(pages.size())))
            return std::nullopt;
        f.put(nextPointer, 4, static_cast<uint32_t>(ifd + delta));
        const std::size_t entries = f.get(ifd + static_cast<std::size_t>(delta), 2);
        nextPointer = ifd + static_cast<std::size_t>(delta) + 2 + entries * 12;
    }
    return out;
}

} // namespace pictra
