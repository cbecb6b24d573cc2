#include "link/packet.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "util/crc32_mpeg2.h"

namespace torvane {
namespace {

std::vector<std::uint8_t> Be32(std::uint32_t v)
{
    return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

void Append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& bytes)
{
    to.insert(to.end(), bytes.begin(), bytes.end());
}

// Wire bytes put together field by field, as a receiver would expect them.
std::vector<std::uint8_t> Wire(std::uint8_t kind, std::uint8_t blank, std::uint32_t sequence, std::uint8_t resend,
                               std::uint32_t length, const std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> fields{kind, blank};
    Append(fields, Be32(sequence));
    fields.push_back(resend);
    Append(fields, Be32(length));
    std::vector<std::uint8_t> wire{'H', 'E', 'A', 'D'};
    Append(wire, fields);
    Append(wire, Be32(Crc32Mpeg2(fields)));
    Append(wire, data);
    Append(wire, Be32(Crc32Mpeg2(data)));
    return wire;
}

struct EncodeCase {
    const char* name;
    Packet packet;
    std::vector<std::uint8_t> expected;
};

class PacketEncode : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(PacketEncode, WireBytes)
{
    EXPECT_EQ(EncodePacket(GetParam().packet), GetParam().expected);
}

const std::vector<std::uint8_t> kChunk{'c', 'h', 'u', 'n', 'k', '\r'};

INSTANTIATE_TEST_SUITE_P(
    Kinds, PacketEncode,
    ::testing::Values(
        EncodeCase{"ChunkCommandHasLengthSixWithoutZero", MakeCommandPacket(0x01020304, 7, "chunk\r"),
                   Wire(0, 0, 0x01020304, 7, 6, kChunk)},
        EncodeCase{"DataCarriesIndexThenPayload",
                   MakeDataPacket(9, 0, 0xA0B0C0D0, std::vector<std::uint8_t>{1, 2, 3}),
                   Wire(1, 0, 9, 0, 7, {0xA0, 0xB0, 0xC0, 0xD0, 1, 2, 3})},
        EncodeCase{"RequestIsTheIndex", MakeRequestPacket(2, 255, 3), Wire(2, 0, 2, 255, 4, {0, 0, 0, 3})},
        EncodeCase{"StatusIsByteAndValue", MakeStatusPacket(5, 1, 4, 0x10003),
                   Wire(3, 0, 5, 1, 5, {4, 0, 1, 0, 3})},
        EncodeCase{"BlankCarriesOnlyItsIndex", MakeBlankPacket(6, 0, 12, 1024),
                   Wire(1, 1, 6, 0, 1028, {0, 0, 0, 12})},
        EncodeCase{"EmptyDataStillHasCrcOfNothing", MakeCommandPacket(1, 0, ""), Wire(0, 0, 1, 0, 0, {})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Packet, CrcOfNothingIsAllOnes)
{
    const auto wire = EncodePacket(MakeCommandPacket(1, 0, ""));
    ASSERT_EQ(wire.size(), kPacketHeaderSize + 4);
    EXPECT_EQ(std::vector<std::uint8_t>(wire.end() - 4, wire.end()), Be32(0xFFFFFFFFu));
}

TEST(Packet, TooLongForTheDataAreaIsNotEncoded)
{
    const std::vector<std::uint8_t> payload(kPacketMaxLength - kPacketIndexSize + 1, 0x55);
    const Packet packet = MakeDataPacket(1, 0, 1, payload);
    EXPECT_EQ(packet.length, kPacketMaxLength + 1);
    EXPECT_TRUE(EncodePacket(packet).empty());
    const std::vector<std::uint8_t> fits(kPacketMaxLength - kPacketIndexSize, 0x55);
    EXPECT_EQ(EncodePacket(MakeDataPacket(1, 0, 1, fits)).size(), kPacketHeaderSize + kPacketDataArea);
}

TEST(Packet, HeaderRoundTrip)
{
    Packet sent = MakeBlankPacket(0xDEADBEEF, 200, 77, 1024);
    const auto header = EncodePacketHeader(sent);
    Packet got;
    ASSERT_TRUE(DecodePacketHeader(std::span(header).subspan<4, kPacketHeaderTail>(), got));
    EXPECT_EQ(got.kind, PacketKind::Data);
    EXPECT_EQ(got.blank, 1);
    EXPECT_EQ(got.sequence, 0xDEADBEEFu);
    EXPECT_EQ(got.resendCount, 200);
    EXPECT_EQ(got.length, 1028u);
}

TEST(Packet, AnyDamagedHeaderByteIsRejected)
{
    const auto header = EncodePacketHeader(MakeStatusPacket(3, 0, 0, 1));
    for (std::size_t at = 4; at < kPacketHeaderSize; ++at) {
        auto damaged = header;
        damaged[at] ^= 0x01;
        Packet got;
        got.sequence = 99;
        EXPECT_FALSE(DecodePacketHeader(std::span(damaged).subspan<4, kPacketHeaderTail>(), got)) << at;
        EXPECT_EQ(got.sequence, 99u) << at;
    }
}

} // namespace
} // namespace torvane
