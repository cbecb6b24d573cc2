#include "link/packet_layer.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "link/serial_line.h"
#include "util/byte_order.h"
#include "util/crc32_mpeg2.h"

namespace torvane {

namespace {

constexpr int kHeaderTailTimeoutMs = 300;
constexpr int kDataTimeoutExtraMs = 104;
constexpr int kMagicByteTimeoutMs = 1;

void ReportError(const PacketLayer& layer, std::string_view what)
{
    layer.Diagnose(0, "\r\n->Error:" + std::string(what));
}

} // namespace

PacketLayer::PacketLayer(SerialLine& line)
    : m_line(line)
{
}

void PacketLayer::Diagnose(int level, std::string_view text) const
{
    if (m_sink)
        m_sink(level, text);
}

LinkStatus PacketLayer::SendPacket(const Packet& packet)
{
    const std::size_t n = packet.WireLength();
    if (n > kPacketMaxLength) {
        ReportError(*this, "Send Packet Data Error!");
        return link_status::kSendPacketData;
    }
    const auto header = EncodePacketHeader(packet);
    if (m_line.Write(header) != header.size()) {
        ReportError(*this, "Send Packet Header Error!");
        return link_status::kSendPacketHead;
    }
    const auto data = std::span(packet.data).first(n);
    if (m_line.Write(data) != n) {
        ReportError(*this, "Send Packet Data Error!");
        return link_status::kSendPacketData;
    }
    std::array<std::uint8_t, kPacketCrcSize> crc{};
    WriteBe32(crc.data(), Crc32Mpeg2(data));
    if (m_line.Write(crc) != crc.size()) {
        ReportError(*this, "Send Packet Data CRC Error!");
        return link_status::kSendPacketDataCrc;
    }
    return link_status::kSuccess;
}

LinkStatus PacketLayer::ReceivePacket(Packet& packet, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::uint8_t current = 0;
    bool found = false;
    while (!found && Clock::now() < deadline) {
        if (current != 'H') {
            if (!m_line.ReadByte(current))
                m_line.WaitForInput(std::chrono::milliseconds(1));
            continue;
        }
        // After an "H": the next three bytes must be "EAD"; a mismatching byte becomes the
        // current one, so that "HHEAD" is still found.
        found = true;
        for (std::size_t i = 1; i < kPacketMagic.size(); ++i) {
            std::uint8_t byte = 0;
            if (!m_line.ReadExact(std::span(&byte, 1), kMagicByteTimeoutMs)) {
                current = 0;
                found = false;
                break;
            }
            if (byte != kPacketMagic[i]) {
                current = byte;
                found = false;
                break;
            }
        }
    }
    if (!found)
        return link_status::kNoPacket;

    std::array<std::uint8_t, kPacketHeaderTail> tail{};
    if (!m_line.ReadExact(tail, kHeaderTailTimeoutMs)) {
        ReportError(*this, "Receive packet head error!");
        return link_status::kReceivePacketHead;
    }
    Packet received;
    if (!DecodePacketHeader(tail, received)) {
        ReportError(*this, "Check packet head CRC error!");
        return link_status::kPacketHeadCrc;
    }
    // The data and its CRC must fit the data area; a blank packet stands for at least its index.
    if (received.length > kPacketMaxLength || (received.IsBlank() && received.length < kPacketIndexSize)) {
        ReportError(*this, "Receive packet head error!");
        return link_status::kReceivePacketHead;
    }
    const std::size_t n = received.WireLength();
    const auto wire = std::span(received.data).first(n + kPacketCrcSize);
    if (!m_line.ReadExact(wire, static_cast<int>(n) + kDataTimeoutExtraMs)) {
        ReportError(*this, "Receive packet data error!");
        return link_status::kReceivePacketData;
    }
    if (Crc32Mpeg2(wire.first(n)) != ReadBe32(&wire[n])) {
        ReportError(*this, "Check packet data CRC error!");
        return link_status::kPacketDataCrc;
    }
    if (received.IsBlank())
        std::fill(received.data.begin() + kPacketIndexSize, received.data.begin() + received.length, 0xFF);
    packet = received;
    return link_status::kSuccess;
}

LinkStatus PacketLayer::SendCommandPacket(std::string_view text, bool resend)
{
    if (resend) {
        ++m_resendCount;
    } else {
        ++m_sequence;
        m_resendCount = 0;
    }
    return SendPacket(MakeCommandPacket(m_sequence, m_resendCount, text));
}

LinkStatus PacketLayer::SendDataPacket(std::uint32_t index, std::span<const std::uint8_t> bytes)
{
    return SendPacket(MakeDataPacket(m_sequence, m_resendCount, index, bytes));
}

LinkStatus PacketLayer::SendRequestPacket(std::uint32_t index)
{
    return SendPacket(MakeRequestPacket(m_sequence, m_resendCount, index));
}

LinkStatus PacketLayer::SendStatusPacket(std::uint8_t status, std::uint32_t value)
{
    return SendPacket(MakeStatusPacket(m_sequence, m_resendCount, status, value));
}

} // namespace torvane
