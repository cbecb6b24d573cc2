#include "link/packet.h"

#include <algorithm>

#include "util/byte_order.h"
#include "util/crc32_mpeg2.h"

namespace torvane {

std::span<const std::uint8_t> Packet::Bytes() const
{
    return std::span(data).first(std::min<std::size_t>(length, data.size()));
}

std::uint32_t Packet::Index() const
{
    return ReadBe32(data.data());
}

std::span<const std::uint8_t> Packet::Payload() const
{
    const auto bytes = Bytes();
    return bytes.size() > kPacketIndexSize ? bytes.subspan(kPacketIndexSize) : std::span<const std::uint8_t>();
}

std::uint32_t Packet::StatusValue() const
{
    return ReadBe32(data.data() + 1);
}

std::array<std::uint8_t, kPacketHeaderSize> EncodePacketHeader(const Packet& packet)
{
    std::array<std::uint8_t, kPacketHeaderSize> header{};
    std::copy(kPacketMagic.begin(), kPacketMagic.end(), header.begin());
    header[4] = static_cast<std::uint8_t>(packet.kind);
    header[5] = packet.blank;
    WriteBe32(&header[6], packet.sequence);
    header[10] = packet.resendCount;
    WriteBe32(&header[11], packet.length);
    WriteBe32(&header[15], Crc32Mpeg2(std::span(header).subspan(4, 11)));
    return header;
}

std::vector<std::uint8_t> EncodePacket(const Packet& packet)
{
    const std::size_t n = packet.WireLength();
    if (n > kPacketMaxLength)
        return {};
    const auto header = EncodePacketHeader(packet);
    std::vector<std::uint8_t> wire(header.begin(), header.end());
    wire.insert(wire.end(), packet.data.begin(), packet.data.begin() + static_cast<std::ptrdiff_t>(n));
    std::array<std::uint8_t, kPacketCrcSize> crc{};
    WriteBe32(crc.data(), Crc32Mpeg2(std::span(packet.data).first(n)));
    wire.insert(wire.end(), crc.begin(), crc.end());
    return wire;
}

bool DecodePacketHeader(std::span<const std::uint8_t, kPacketHeaderTail> tail, Packet& packet)
{
    if (Crc32Mpeg2(tail.first(11)) != ReadBe32(&tail[11]))
        return false;
    packet.kind = static_cast<PacketKind>(tail[0]);
    packet.blank = tail[1];
    packet.sequence = ReadBe32(&tail[2]);
    packet.resendCount = tail[6];
    packet.length = ReadBe32(&tail[7]);
    return true;
}

namespace {

Packet MakePacket(PacketKind kind, std::uint32_t sequence, std::uint8_t resendCount, std::uint32_t length)
{
    Packet packet;
    packet.kind = kind;
    packet.sequence = sequence;
    packet.resendCount = resendCount;
    packet.length = length;
    return packet;
}

} // namespace

Packet MakeCommandPacket(std::uint32_t sequence, std::uint8_t resendCount, std::string_view text)
{
    Packet packet = MakePacket(PacketKind::Command, sequence, resendCount, static_cast<std::uint32_t>(text.size()));
    std::copy_n(text.begin(), std::min(text.size(), kPacketMaxLength), packet.data.begin());
    return packet;
}

Packet MakeDataPacket(std::uint32_t sequence, std::uint8_t resendCount, std::uint32_t index,
                      std::span<const std::uint8_t> payload)
{
    Packet packet = MakePacket(PacketKind::Data, sequence, resendCount,
                               static_cast<std::uint32_t>(kPacketIndexSize + payload.size()));
    WriteBe32(packet.data.data(), index);
    std::copy_n(payload.begin(), std::min(payload.size(), kPacketMaxLength - kPacketIndexSize),
                packet.data.begin() + kPacketIndexSize);
    return packet;
}

Packet MakeBlankPacket(std::uint32_t sequence, std::uint8_t resendCount, std::uint32_t index,
                       std::uint32_t payloadLength)
{
    Packet packet = MakePacket(PacketKind::Data, sequence, resendCount,
                               static_cast<std::uint32_t>(kPacketIndexSize + payloadLength));
    packet.blank = 1;
    WriteBe32(packet.data.data(), index);
    std::fill_n(packet.data.begin() + kPacketIndexSize,
                std::min<std::size_t>(payloadLength, kPacketMaxLength - kPacketIndexSize), 0xFF);
    return packet;
}

Packet MakeRequestPacket(std::uint32_t sequence, std::uint8_t resendCount, std::uint32_t index)
{
    Packet packet = MakePacket(PacketKind::Request, sequence, resendCount, kPacketIndexSize);
    WriteBe32(packet.data.data(), index);
    return packet;
}

Packet MakeStatusPacket(std::uint32_t sequence, std::uint8_t resendCount, std::uint8_t status,
                        std::uint32_t value)
{
    Packet packet = MakePacket(PacketKind::Status, sequence, resendCount, kStatusPacketLength);
    packet.data[0] = status;
    WriteBe32(packet.data.data() + 1, value);
    return packet;
}

} // namespace torvane
