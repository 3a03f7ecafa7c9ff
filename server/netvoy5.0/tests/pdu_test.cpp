// The wire format without sockets: block counts, header bytes, zero padding,
// received text and the GBK form of events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netvoy/EventWire.h"
#include "netvoy/Pdu.h"

using namespace Netvoy;

namespace {

std::string pattern(std::size_t length)
{
    std::string text;
    for (std::size_t i = 0; i < length; ++i)
        text += static_cast<char>('a' + i % 26);
    return text;
}

struct FrameCase {
    std::size_t payload;
    std::size_t blocks; // 0: refused
};

class NetvoyRequireFraming : public ::testing::TestWithParam<FrameCase> {};

} // namespace

TEST_P(NetvoyRequireFraming, BlockCountHeaderPayloadAndZeroPadding)
{
    const FrameCase c = GetParam();
    PduFields fields;
    fields.family = kFamilyMsu;
    fields.type = kMsuRequire;
    fields.source = NetAddr(3, 9);
    fields.dest = NetAddr(3, 9);
    const std::string payload = pattern(c.payload);

    std::vector<std::uint8_t> pdu = encodePdu(fields, kMsuPayloadOffset, payload);

    if (c.blocks == 0) {
        EXPECT_TRUE(pdu.empty()) << "a payload over 4064 bytes must be refused, not cut";
        return;
    }
    ASSERT_EQ(pdu.size(), c.blocks * 16);
    std::vector<std::uint8_t> expected(c.blocks * 16, 0);
    const std::uint8_t header[15] = {static_cast<std::uint8_t>(c.blocks), 1, 0, 0, 0, 0, 0, 0, 3, 9, 3, 9, 1, 0, 0};
    std::copy(std::begin(header), std::end(header), expected.begin());
    std::copy(payload.begin(), payload.end(), expected.begin() + 15);
    EXPECT_EQ(pdu, expected);
}

INSTANTIATE_TEST_SUITE_P(Lengths, NetvoyRequireFraming,
                         ::testing::Values(FrameCase{0, 1}, FrameCase{16, 2}, FrameCase{17, 3},
                                           FrameCase{100, 8}, FrameCase{4064, 255}, FrameCase{4065, 0},
                                           FrameCase{6000, 0}),
                         [](const auto& info) { return "payload" + std::to_string(info.param.payload); });

TEST(NetvoyPduEncoding, NmuPayloadStartsAtByte14AndFieldsAreLittleEndian)
{
    PduFields fields;
    fields.family = kFamilyNmu;
    fields.type = kNmuRpt;
    fields.word4 = 0x04030201u;
    fields.code = 0x7f;
    std::vector<std::uint8_t> pdu = encodePdu(fields, kNmuPayloadOffset, std::string("xy"));
    ASSERT_EQ(pdu.size(), 32u); // two payload bytes still take a block of their own
    EXPECT_EQ(pdu[1], 2);
    EXPECT_EQ((std::vector<std::uint8_t>(pdu.begin() + 4, pdu.begin() + 8)),
              (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(pdu[13], 0x7f);
    EXPECT_EQ(pdu[14], 'x');
    EXPECT_EQ(pdu[15], 'y');
}

TEST(NetvoyPduView, ReadsFieldsAndTextUpToZeroOrEnd)
{
    std::vector<std::uint8_t> bytes(32, 0);
    bytes[0] = 2;
    bytes[1] = 1;
    bytes[4] = 0x78;
    bytes[7] = 0x12;
    bytes[8] = 3;
    bytes[9] = 9;
    bytes[12] = 2;
    const std::string text = "a=1|";
    std::copy(text.begin(), text.end(), bytes.begin() + 15);
    PduView zeroEnded(bytes);
    EXPECT_EQ(zeroEnded.word4(), 0x12000078u);
    EXPECT_EQ(zeroEnded.source(), NetAddr(3, 9));
    EXPECT_EQ(zeroEnded.text(15), "a=1|");

    std::fill(bytes.begin() + 15, bytes.end(), 'z'); // no zero byte: the PDU's end ends the text
    EXPECT_EQ(PduView(bytes).text(15), std::string(17, 'z'));
    EXPECT_EQ(PduView(bytes).text(40), "");
}

TEST(NetvoyEventWire, WholeTextIsConvertedToAndFromGbk)
{
    CRL::EventPtr event = CRL::makeEvent();
    event->appendKV("state", "注册失败");
    event->appendKV("k", "v");
    std::optional<std::string> wire = eventToWire(*event);
    ASSERT_TRUE(wire);
    // GBK of 注册失败 is D7 A2 B2 E1 CA A7 B0 DC.
    EXPECT_EQ(*wire, "state=\xD7\xA2\xB2\xE1\xCA\xA7\xB0\xDC|k=v|");
    EXPECT_EQ(wireToText(*wire), "state=注册失败|k=v|");
    // One odd character costs only itself, both ways.
    EXPECT_EQ(wireToText("a=\xFF\xFF|"), "a=\xEF\xBF\xBD\xEF\xBF\xBD|");
    CRL::EventPtr odd = CRL::makeEvent();
    odd->appendKV("title", "wei\xC3\x9F");
    EXPECT_EQ(eventToWire(*odd), "title=wei?|");

    CRL::EventPtr bad = CRL::makeEvent();
    bad->appendKV("k", "a|b"); // a separator in a value cannot travel
    EXPECT_FALSE(eventToWire(*bad));
}
