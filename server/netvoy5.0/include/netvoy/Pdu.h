#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "netvoy/NetAddr.h"

// The framing of the agent protocol, free of any socket: a PDU is a whole
// number of 16-byte blocks; byte 0 holds the block count. Multi-byte fields
// are little-endian. Every PDU is built from zeroed bytes, so no byte of an
// earlier PDU can leak into a later one.
namespace Netvoy {

inline constexpr std::size_t kBlockSize = 16;
inline constexpr std::size_t kMaxBlocks = 255;
inline constexpr std::size_t kPduBufferSize = 4096;
// The longest payload that is framed; a longer one is refused, never cut.
inline constexpr std::size_t kMaxPayload = 4064;

inline constexpr std::uint8_t kFamilyMsu = 1;
inline constexpr std::uint8_t kFamilyNmu = 2;

// Msu types.
inline constexpr std::uint8_t kMsuRequire = 1;
inline constexpr std::uint8_t kMsuAns = 2;
inline constexpr std::uint8_t kMsuUsr3 = 3;
inline constexpr std::uint8_t kMsuUsr4 = 4;
inline constexpr std::uint8_t kMsuSys = 5;
inline constexpr std::uint8_t kMsuUserCmd = 6;
// A rejection and an acceptance from the server: nothing in this client
// waits for either, so both are read and dropped.
inline constexpr std::uint8_t kMsuRJT = 8;
inline constexpr std::uint8_t kMsuApt = 9;

// Codes of Msu Sys PDUs (byte 13).
inline constexpr std::uint8_t kSysStartup = 1;
inline constexpr std::uint8_t kSysShutdown = 2;
inline constexpr std::uint8_t kSysAnswer = 5;

// Nmu types.
inline constexpr std::uint8_t kNmuRpt = 1;
inline constexpr std::uint8_t kNmuBrd = 2;
inline constexpr std::uint8_t kNmuDiscon = 3;
inline constexpr std::uint8_t kNmuCmd = 4;
inline constexpr std::uint8_t kNmuAck = 5;

// Byte positions in a PDU.
inline constexpr std::size_t kCountByte = 0;
inline constexpr std::size_t kFamilyByte = 1;
inline constexpr std::size_t kWord4Byte = 4;
inline constexpr std::size_t kSourceByte = 8;
inline constexpr std::size_t kDestByte = 10;
inline constexpr std::size_t kTypeByte = 12;
inline constexpr std::size_t kCodeByte = 13;
inline constexpr std::size_t kFlagByte = 14;
// Where the payload starts: Msu types 1, 2, 6 (and the Usr replies), resp. Nmu.
inline constexpr std::size_t kMsuPayloadOffset = 15;
inline constexpr std::size_t kNmuPayloadOffset = 14;
// At most this many characters of received text are taken.
inline constexpr std::size_t kMaxReceivedText = 4095;

// Block count of a PDU with a payload of `length` bytes:
// (length >> 4) + (1 if length % 16) + 1; 0 when the payload is over kMaxPayload.
std::size_t blockCount(std::size_t payloadLength);

// The header fields and bytes 13 and 14 of a PDU.
struct PduFields {
    std::uint8_t family = 0;
    std::uint8_t type = 0;
    std::uint32_t word4 = 0;
    NetAddr source;
    NetAddr dest;
    std::uint8_t code = 0; // byte 13
    std::uint8_t flag = 0; // byte 14
};

// A whole PDU: zeroed, the fields written, the payload copied from
// `payloadOffset`. Empty when the payload is over kMaxPayload bytes.
std::vector<std::uint8_t> encodePdu(const PduFields& fields, std::size_t payloadOffset,
                                    std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> encodePdu(const PduFields& fields, std::size_t payloadOffset,
                                    std::string_view payload);

// Read access to a received PDU of `bytes.size()` bytes (a multiple of 16).
class PduView {
public:
    explicit PduView(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }
    std::uint8_t blocks() const { return byteAt(kCountByte); }
    std::uint8_t family() const { return byteAt(kFamilyByte); }
    std::uint8_t type() const { return byteAt(kTypeByte); }
    std::uint8_t code() const { return byteAt(kCodeByte); }
    std::uint8_t flag() const { return byteAt(kFlagByte); }
    std::uint32_t word4() const;
    NetAddr source() const { return NetAddr(byteAt(kSourceByte), byteAt(kSourceByte + 1)); }
    NetAddr dest() const { return NetAddr(byteAt(kDestByte), byteAt(kDestByte + 1)); }

    // The bytes from `offset` to the end of the PDU (empty past the end).
    std::span<const std::uint8_t> body(std::size_t offset) const;
    // The text from `offset`, ended by the first zero byte, the end of the
    // PDU or kMaxReceivedText characters, whichever comes first.
    std::string_view text(std::size_t offset) const;

private:
    std::uint8_t byteAt(std::size_t i) const { return i < bytes_.size() ? bytes_[i] : 0; }

    std::span<const std::uint8_t> bytes_;
};

} // namespace Netvoy
