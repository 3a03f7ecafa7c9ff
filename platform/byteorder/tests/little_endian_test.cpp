// Little-endian fields: the bytes written and read back, least significant
// first, every bit of the value kept (no sign carried from a high byte).
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "byteorder/LittleEndian.h"

TEST(LittleEndian, SixteenBitFields)
{
    struct Case {
        uint16_t value;
        uint8_t bytes[2];
    } const cases[] = {
        {0x0000, {0x00, 0x00}}, {0x0001, {0x01, 0x00}}, {0x0100, {0x00, 0x01}},
        {0x1234, {0x34, 0x12}}, {0x8000, {0x00, 0x80}}, {0xFFFF, {0xFF, 0xFF}},
    };
    for (const Case& c : cases) {
        uint8_t written[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        le::put16(written + 1, c.value);
        EXPECT_EQ(written[0], 0xAA) << c.value;
        EXPECT_EQ(written[1], c.bytes[0]) << c.value;
        EXPECT_EQ(written[2], c.bytes[1]) << c.value;
        EXPECT_EQ(written[3], 0xAA) << c.value;
        EXPECT_EQ(le::get16(c.bytes), c.value);
    }
}

TEST(LittleEndian, ThirtyTwoBitFields)
{
    struct Case {
        uint32_t value;
        uint8_t bytes[4];
    } const cases[] = {
        {0x00000000, {0x00, 0x00, 0x00, 0x00}}, {0x00000028, {0x28, 0x00, 0x00, 0x00}},
        {0x12345678, {0x78, 0x56, 0x34, 0x12}}, {0x80000000, {0x00, 0x00, 0x00, 0x80}},
        {0x00FF00FF, {0xFF, 0x00, 0xFF, 0x00}}, {0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> written(6, 0xAA);
        le::put32(written.data() + 1, c.value);
        EXPECT_EQ(written, (std::vector<uint8_t>{0xAA, c.bytes[0], c.bytes[1], c.bytes[2], c.bytes[3], 0xAA}))
            << std::hex << c.value;
        EXPECT_EQ(le::get32(c.bytes), c.value) << std::hex << c.value;
    }
}
