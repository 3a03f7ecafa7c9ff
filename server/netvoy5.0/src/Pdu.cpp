#include "netvoy/Pdu.h"

#include <algorithm>
#include <cstring>

#include "byteorder/LittleEndian.h"

namespace Netvoy {

std::size_t blockCount(std::size_t payloadLength)
{
    if (payloadLength > kMaxPayload)
        return 0;
    return (payloadLength >> 4) + (payloadLength % kBlockSize != 0 ? 1 : 0) + 1;
}

std::vector<std::uint8_t> encodePdu(const PduFields& fields, std::size_t payloadOffset,
                                    std::span<const std::uint8_t> payload)
{
    std::size_t blocks = blockCount(payload.size());
    if (blocks == 0)
        return {};
    std::vector<std::uint8_t> pdu(blocks * kBlockSize, 0);
    // The payload start lies within the first block and the count leaves one
    // spare block, so the payload always fits.
    pdu[kCountByte] = static_cast<std::uint8_t>(blocks);
    pdu[kFamilyByte] = fields.family;
    le::put32(&pdu[kWord4Byte], fields.word4);
    pdu[kSourceByte] = fields.source.GetTermType();
    pdu[kSourceByte + 1] = fields.source.GetTermNo();
    pdu[kDestByte] = fields.dest.GetTermType();
    pdu[kDestByte + 1] = fields.dest.GetTermNo();
    pdu[kTypeByte] = fields.type;
    pdu[kCodeByte] = fields.code;
    pdu[kFlagByte] = fields.flag;
    if (!payload.empty() && payloadOffset <= kBlockSize)
        std::memcpy(&pdu[payloadOffset], payload.data(), payload.size());
    return pdu;
}

std::vector<std::uint8_t> encodePdu(const PduFields& fields, std::size_t payloadOffset,
                                    std::string_view payload)
{
    return encodePdu(fields, payloadOffset,
                     std::span(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size()));
}

std::uint32_t PduView::word4() const
{
    return bytes_.size() >= kWord4Byte + 4 ? le::get32(&bytes_[kWord4Byte]) : 0;
}

std::span<const std::uint8_t> PduView::body(std::size_t offset) const
{
    if (offset >= bytes_.size())
        return {};
    return bytes_.subspan(offset);
}

std::string_view PduView::text(std::size_t offset) const
{
    std::span<const std::uint8_t> rest = body(offset);
    if (rest.empty())
        return {};
    std::size_t length = std::min(rest.size(), kMaxReceivedText);
    const auto* begin = reinterpret_cast<const char*>(rest.data());
    const void* zero = std::memchr(begin, 0, length);
    if (zero)
        length = static_cast<std::size_t>(static_cast<const char*>(zero) - begin);
    return {begin, length};
}

} // namespace Netvoy
