#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "link/link_status.h"
#include "link/packet.h"

namespace torvane {

class SerialLine;

// Optional receiver of diagnostics: a level (0 error, 2 warning) and the finished text, such as
// "\r\n->Error:Check packet head CRC error!".
using DiagnosticSink = std::function<void(int level, std::string_view text)>;

// Sends and receives framed packets over a serial line. Either end of the line can use it; the
// sequence state (number of the current command and its resend count) is what the PC stamps on
// the packets it sends with the Send...Packet helpers.
class PacketLayer final {
public:
    explicit PacketLayer(SerialLine& line);

    void SetDiagnosticSink(DiagnosticSink sink) { m_sink = std::move(sink); }
    void Diagnose(int level, std::string_view text) const;

    // 0, or 24 / 25 / 26 when the header, the data or the data CRC was not fully written.
    // A packet whose data doesn't fit the data area is refused with 25 before anything is sent.
    LinkStatus SendPacket(const Packet& packet);
    // 0, or 27 to 31. Hunts for "HEAD" within the time-out; the rest of the header must follow
    // within 300 ms and the data with its CRC within n + 104 ms. A length that doesn't fit the
    // data area is refused with 28. Doesn't look at the sequence number.
    LinkStatus ReceivePacket(Packet& packet, int timeoutMs);

    // A new command takes the next sequence number and resend count 0; a resend keeps the
    // number and counts up (wrapping at 256).
    LinkStatus SendCommandPacket(std::string_view text, bool resend);
    LinkStatus SendDataPacket(std::uint32_t index, std::span<const std::uint8_t> bytes);
    LinkStatus SendRequestPacket(std::uint32_t index);
    LinkStatus SendStatusPacket(std::uint8_t status, std::uint32_t value);

    std::uint32_t Sequence() const { return m_sequence; }
    std::uint8_t ResendCount() const { return m_resendCount; }
    // True when the packet answers the current command.
    bool IsCurrent(const Packet& packet) const { return packet.sequence == m_sequence; }

private:
    SerialLine& m_line;
    DiagnosticSink m_sink;
    std::uint32_t m_sequence = 0;
    std::uint8_t m_resendCount = 0;
};

} // namespace torvane
