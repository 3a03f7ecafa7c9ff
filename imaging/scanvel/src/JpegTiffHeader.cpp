#include "scanvel/JpegTiffHeader.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "byteorder/LittleEndian.h"

namespace {

constexpr uint16_t kTypeAscii = 2;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;
constexpr uint16_t kTypeRational = 5;

constexpr uint16_t kTagImageWidth = 256;
constexpr uint16_t kTagImageLength = 257;
constexpr uint16_t kTagStripByteCounts = 279;
constexpr uint16_t kTagDateTime = 306;

constexpr std::size_t kDirectoryOffset = 8;
constexpr std::size_t kEntrySize = 12;
constexpr std::size_t kEntryCount = 20;
constexpr std::size_t kDateTimeOffset = 608;
constexpr std::size_t kSoftwareOffset = 628;
constexpr std::size_t kYResolutionOffset = 684;
constexpr std::size_t kXResolutionOffset = 692;
constexpr std::size_t kDescriptionOffset = 700;
constexpr std::size_t kBitsPerSampleOffset = 762;

constexpr char kSoftware[] = "Kofax standard Multi-Page TIFF Storage Filter v2.01.000";
constexpr char kDescription[] = "c:\\Program Files\\Kofax\\imgctls\\BIN\\SCN.TIF adding description";

struct Entry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    uint32_t value;
};

constexpr Entry kEntries[kEntryCount] = {
    {254, kTypeLong, 1, 0},
    {kTagImageWidth, kTypeLong, 1, 0},
    {kTagImageLength, kTypeLong, 1, 0},
    {258, kTypeShort, 3, kBitsPerSampleOffset},
    {259, kTypeShort, 1, 6},
    {262, kTypeShort, 1, 6},
    {270, kTypeAscii, sizeof kDescription, kDescriptionOffset},
    {273, kTypeLong, 1, kJpegTiffHeaderSize},
    {274, kTypeShort, 1, 1},
    {277, kTypeShort, 1, 3},
    {278, kTypeLong, 1, 1168},
    {kTagStripByteCounts, kTypeLong, 1, 0},
    {282, kTypeRational, 1, kXResolutionOffset},
    {283, kTypeRational, 1, kYResolutionOffset},
    {284, kTypeShort, 1, 2},
    {296, kTypeShort, 1, 2},
    {305, kTypeAscii, sizeof kSoftware, kSoftwareOffset},
    {kTagDateTime, kTypeAscii, 20, kDateTimeOffset},
    {513, kTypeLong, 1, kJpegTiffHeaderSize},
    {33000, kTypeShort, 1, 0},
};

using le::get16;
using le::put16;
using le::put32;

using Header = std::array<uint8_t, kJpegTiffHeaderSize>;

Header buildTemplate()
{
    Header h{};
    h[0] = 'I';
    h[1] = 'I';
    put16(&h[2], 42);
    put32(&h[4], kDirectoryOffset);
    put16(&h[kDirectoryOffset], kEntryCount);
    for (std::size_t i = 0; i < kEntryCount; ++i) {
        uint8_t* e = &h[kDirectoryOffset + 2 + i * kEntrySize];
        put16(e, kEntries[i].tag);
        put16(e + 2, kEntries[i].type);
        put32(e + 4, kEntries[i].count);
        put32(e + 8, kEntries[i].value);
    }
    // The next-directory offset at 250 and the gap up to 608 stay zero.
    std::memcpy(&h[kSoftwareOffset], kSoftware, sizeof kSoftware);
    put32(&h[kYResolutionOffset], 100);
    put32(&h[kYResolutionOffset + 4], 1);
    put32(&h[kXResolutionOffset], 100);
    put32(&h[kXResolutionOffset + 4], 1);
    std::memcpy(&h[kDescriptionOffset], kDescription, sizeof kDescription);
    for (int i = 0; i < 3; ++i)
        put16(&h[kBitsPerSampleOffset + 2 * i], 8);
    return h;
}

const Header& headerTemplate()
{
    static const Header h = buildTemplate();
    return h;
}

bool byteAt(std::span<const uint8_t> s, std::size_t pos, uint8_t& out)
{
    if (pos >= s.size())
        return false;
    out = s[pos];
    return true;
}

} // namespace

int ReadJpegSize(std::span<const uint8_t> jpeg, JpegTiffFields& fields)
{
    constexpr std::size_t kScanLimit = 2000;
    if (jpeg.size() < 2)
        return 0;
    std::size_t pos;
    if (jpeg[0] == 0xFF)
        pos = 1;
    else if (jpeg[1] == 0xD8)
        pos = 2;
    else
        return 0;

    bool afterFF = false;
    while (pos < jpeg.size()) {
        const uint8_t b = jpeg[pos];
        if (b == 0xFF) {
            afterFF = true;
            ++pos;
        } else if (b == 0xC0 && afterFF) {
            // Segment length (2 bytes), precision, height, width (big-endian).
            if (pos + 7 >= jpeg.size() || jpeg[pos + 3] != 8)
                return 0;
            fields.jpegHeight = (jpeg[pos + 4] << 8) | jpeg[pos + 5];
            fields.jpegWidth = (jpeg[pos + 6] << 8) | jpeg[pos + 7];
            pos += 8;
            afterFF = false;
        } else if (b == 0xE0 && afterFF) {
            static constexpr char kJfif[] = "JFIF";
            std::size_t next = 0;
            for (std::size_t k = 0; k < 4 && next == 0; ++k) {
                uint8_t c;
                if (byteAt(jpeg, pos + 3 + k, c) && c == static_cast<uint8_t>(kJfif[k]))
                    next = pos + 3 + k + 1;
            }
            if (next == 0)
                return 0;
            pos = next;
            afterFF = false;
        } else if (b == 0xDA && afterFF) {
            return 1;
        } else if (b == 0xC0 || b == 0xDA || b == 0xE0) {
            ++pos;
        } else {
            afterFF = false;
            ++pos;
            if (pos > kScanLimit)
                return 0;
        }
    }
    return 0;
}

void WriteJpegTiffHeader(const JpegTiffFields& fields, std::span<uint8_t, kJpegTiffHeaderSize> header)
{
    const Header& t = headerTemplate();
    std::memcpy(header.data(), t.data(), t.size());
    for (std::size_t i = 0; i < kEntryCount; ++i) {
        uint8_t* e = header.data() + kDirectoryOffset + 2 + i * kEntrySize;
        switch (get16(e)) {
        case kTagImageWidth:
            put32(e + 8, static_cast<uint32_t>(fields.jpegWidth));
            break;
        case kTagImageLength:
            put32(e + 8, static_cast<uint32_t>(fields.jpegHeight));
            break;
        case kTagStripByteCounts:
            put32(e + 8, fields.byteCount);
            break;
        case kTagDateTime:
            std::memcpy(header.data() + kDateTimeOffset, fields.dateTime.data(), kEntries[i].count);
            break;
        default:
            break;
        }
    }
}

void FormatJpegTiffDateTime(JpegTiffFields& fields)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::snprintf(fields.dateTime.data(), fields.dateTime.size(), "%4d:%02d:%02d %02d:%02d:%02d",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                  local.tm_sec);
}
