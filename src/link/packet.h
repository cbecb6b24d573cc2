#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace torvane {

enum class PacketKind : std::uint8_t { Command = 0, Data = 1, Request = 2, Status = 3 };

// Status bytes carried by Status packets.
namespace packet_status {
inline constexpr std::uint8_t kDone = 0;
inline constexpr std::uint8_t kFailed = 1;
inline constexpr std::uint8_t kWorking = 2;
inline constexpr std::uint8_t kFinished = 3;
inline constexpr std::uint8_t kAbort = 4;
} // namespace packet_status

inline constexpr std::size_t kPacketHeaderSize = 19; // "HEAD", 11 header bytes, header CRC
inline constexpr std::size_t kPacketHeaderTail = 15; // what follows "HEAD"
inline constexpr std::size_t kPacketCrcSize = 4;
inline constexpr std::size_t kPacketDataArea = 2048; // data followed by its CRC
inline constexpr std::size_t kPacketMaxLength = kPacketDataArea - kPacketCrcSize;
inline constexpr std::size_t kPacketIndexSize = 4;
inline constexpr std::size_t kStatusPacketLength = 5;
inline constexpr std::array<std::uint8_t, 4> kPacketMagic{'H', 'E', 'A', 'D'};

// One framed packet. All numbers travel big-endian. A blank packet (Data with the blank flag)
// carries only its 4-byte index on the wire and stands for `length` bytes: the index, then FF.
struct Packet {
    PacketKind kind = PacketKind::Command;
    std::uint8_t blank = 0;
    std::uint32_t sequence = 0;
    std::uint8_t resendCount = 0;
    std::uint32_t length = 0;
    std::array<std::uint8_t, kPacketDataArea> data{};

    bool IsBlank() const { return kind == PacketKind::Data && blank != 0; }
    // Number of data bytes on the wire: the length, or 4 for a blank packet.
    std::size_t WireLength() const { return IsBlank() ? kPacketIndexSize : length; }
    // The data bytes in memory, bounded by the data area.
    std::span<const std::uint8_t> Bytes() const;
    // Big-endian number in data bytes 0 to 3 (the index of Data and Request packets).
    std::uint32_t Index() const;
    // The payload of a Data packet: the bytes after the index (empty when there are none).
    std::span<const std::uint8_t> Payload() const;
    // Status byte and value of a Status packet.
    std::uint8_t StatusByte() const { return data[0]; }
    std::uint32_t StatusValue() const;
};

// Header as it goes on the wire, header CRC included.
std::array<std::uint8_t, kPacketHeaderSize> EncodePacketHeader(const Packet& packet);

// The whole packet as it goes on the wire: header, data, data CRC. Empty when the wire length
// doesn't fit the data area.
std::vector<std::uint8_t> EncodePacket(const Packet& packet);

// Fills kind, blank flag, sequence, resend count and length from the 15 header bytes after
// "HEAD". False when the header CRC doesn't match; the packet is then untouched.
bool DecodePacketHeader(std::span<const std::uint8_t, kPacketHeaderTail> tail, Packet& packet);

// Packet builders for both ends of the line. Lengths are set to the true length, so that a
// payload too large for the data area is refused when the packet is sent.
Packet MakeCommandPacket(std::uint32_t sequence, std::uint8_t resendCount, std::string_view text);
Packet MakeDataPacket(std::uint32_t sequence, std::uint8_t resendCount, std::uint32_t index,
                      std::span<const std::uint8_t> payload);
// A blank packet for `payloadLength` bytes of FF after the index.
Packet MakeBlankPacket(std::uint32_t sequence, std::uint8_t resendCount, std::uint32_t index,
                       std::uint32_t payloadLength);
Packet MakeRequestPacket(std::uint32_t sequence, std::uint8_t resendCount, std::uint32_t index);
Packet MakeStatusPacket(std::uint32_t sequence, std::uint8_t resendCount, std::uint8_t status,
                        std::uint32_t value);

} // namespace torvane
