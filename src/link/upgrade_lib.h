#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "link/legacy_protocol.h"
#include "link/link_callbacks.h"
#include "link/link_status.h"
#include "link/packet_protocol.h"
#include "link/receiver_info.h"
#include "link/serial_line.h"

namespace torvane {

// The serial upgrade library: greets the receiver, settles its protocol generation and carries
// out the receiver commands over framed packets (generation 48) or the older byte protocol.
// Everything runs on the thread that calls it; the line is closed when the library goes.
class UpgradeLib final {
public:
    static constexpr std::string_view kGreeting = "@ZUV PROTOCOL 3.0+";

    explicit UpgradeLib(SerialLine& line);
    ~UpgradeLib();
    UpgradeLib(const UpgradeLib&) = delete;
    UpgradeLib& operator=(const UpgradeLib&) = delete;

    static std::string_view GetLibVersion() { return "3.0.0d"; }

    // 16, 32 or 48, or a legacy generation from 33 up; 48 and up speak in packets.
    void SetProtocolVersion(std::uint32_t version);
    std::uint32_t ProtocolVersion() const { return m_version; }

    void SetDiagnosticSink(DiagnosticSink sink) { m_packets.SetDiagnosticSink(std::move(sink)); }
    // The compression used by Transfer; by default the external LZMA encoder.
    void SetCompression(CompressFunction compress) { m_packets.SetCompression(std::move(compress)); }
    // The pause before each greeting attempt and legacy command; 100 ms on a real line.
    void SetCommandPause(std::chrono::milliseconds pause) { m_legacy.SetCommandPause(pause); }

    // 0, or 2 when the port can't be opened.
    LinkStatus OpenLink(int portNumber, const LineSettings& settings);
    LinkStatus OpenLink(const std::string& devicePath, const LineSettings& settings);
    LinkStatus CloseLink();

    // Greets the receiver up to 200 times: an echoed greeting is generation 32, an inverted one 48.
    // 0, 6 when cancelled, 7 when the receiver never answered.
    LinkStatus TestPort(std::uint32_t& version, const NotifyCallback& notify, const CancelPredicate& cancel);

    // The receiver commands, in the protocol of the generation set last.
    LinkStatus GetReceiverInfo(std::uint32_t& version, ReceiverInfo& info)
    {
        return m_protocol->GetReceiverInfo(version, info);
    }
    LinkStatus SetAddress(std::uint32_t address) { return m_protocol->SetAddress(address); }
    LinkStatus MoveChunk(std::uint32_t chunkId, std::uint32_t size) { return m_protocol->MoveChunk(chunkId, size); }
    LinkStatus Transfer(std::span<const std::uint8_t> data, const ProgressCallback& progress,
                        const CancelPredicate& cancel)
    {
        return m_protocol->Transfer(data, progress, cancel);
    }
    LinkStatus Burn(std::uint32_t flashSize, const ProgressCallback& progress)
    {
        return m_protocol->Burn(flashSize, progress);
    }
    LinkStatus Dump(std::span<std::uint8_t> buffer, std::uint32_t& length, const ProgressCallback& progress,
                    const CancelPredicate& cancel, std::uint32_t start, std::uint32_t lengthAsked)
    {
        return m_protocol->Dump(buffer, length, progress, cancel, start, lengthAsked);
    }
    LinkStatus Reboot() { return m_protocol->Reboot(); }

    PacketProtocol& Packets() { return m_packets; }
    LegacyProtocol& Legacy() { return m_legacy; }

private:
    SerialLine& m_line;
    PacketProtocol m_packets;
    LegacyProtocol m_legacy;
    ReceiverProtocol* m_protocol = &m_legacy;
    std::uint32_t m_version = 16;
};

} // namespace torvane
