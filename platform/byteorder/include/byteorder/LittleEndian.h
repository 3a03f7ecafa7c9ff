#pragma once
// Little-endian 16- and 32-bit fields in byte buffers, as bitmap headers,
// TIFF headers, RIFF/WAV chunks, the fax archive's index and the agent
// protocol's PDUs store them: the least significant byte first, whatever
// the byte order of the machine. Each call reads or writes exactly 2 or 4
// bytes at `p`; the caller makes sure they lie inside its buffer.

#include <cstdint>

namespace le {

inline void put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void put32(uint8_t* p, uint32_t v)
{
    put16(p, static_cast<uint16_t>(v));
    put16(p + 2, static_cast<uint16_t>(v >> 16));
}

inline uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t get32(const uint8_t* p) { return get16(p) | (static_cast<uint32_t>(get16(p + 2)) << 16); }

} // namespace le
