#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/legacy_protocol.h"
#include "link/link_callbacks.h"
#include "link/link_status.h"
#include "link/packet_layer.h"
#include "link/receiver_info.h"
#include "link/serial_line.h"

namespace torvane {

// Turns transfer data into what goes over the line compressed; a non-zero status means "send
// it as it is", unless the cancel predicate says the user stopped the transfer meanwhile.
using CompressFunction = std::function<LinkStatus(std::span<const std::uint8_t> data,
                                                  std::vector<std::uint8_t>& compressed,
                                                  const CancelPredicate& cancel)>;

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
    void SetCompression(CompressFunction compress) { m_compress = std::move(compress); }
    // The pause before each greeting attempt and legacy command; 100 ms on a real line.
    void SetCommandPause(std::chrono::milliseconds pause) { m_legacy.SetCommandPause(pause); }

    // 0, or 2 when the port can't be opened.
    LinkStatus OpenLink(int portNumber, const LineSettings& settings);
    LinkStatus OpenLink(const std::string& devicePath, const LineSettings& settings);
    LinkStatus CloseLink();

    // Greets the receiver up to 200 times: an echoed greeting is generation 32, an inverted one 48.
    // 0, 6 when cancelled, 7 when the receiver never answered.
    LinkStatus TestPort(std::uint32_t& version, const NotifyCallback& notify, const CancelPredicate& cancel);

    // A command answered by a Status packet, up to five attempts; receiver errors (0x10000 and
    // up) end it at once.
    LinkStatus ExecuteCommand(std::string_view text, int timeoutMs, std::uint8_t* statusByte = nullptr);
    // Like ExecuteCommand, but every attempt resends the current command; no diagnostics.
    LinkStatus RepeatCommand(std::string_view text, int timeoutMs, std::uint8_t* statusByte = nullptr);
    // A command answered by a Data packet, which is left in `reply` (index included).
    LinkStatus ExecuteQuery(std::string_view text, int timeoutMs, std::uint8_t& statusByte, Packet& reply);

    LinkStatus GetReceiverInfo(std::uint32_t& version, ReceiverInfo& info);
    LinkStatus SetAddress(std::uint32_t address);
    LinkStatus MoveChunk(std::uint32_t chunkId, std::uint32_t size);
    LinkStatus Transfer(std::span<const std::uint8_t> data, const ProgressCallback& progress,
                        const CancelPredicate& cancel);
    LinkStatus Burn(std::uint32_t flashSize, const ProgressCallback& progress);
    // Fills the buffer from its start and sets `length` to the total the receiver announced; a
    // total larger than the buffer is refused with 14.
    LinkStatus Dump(std::span<std::uint8_t> buffer, std::uint32_t& length, const ProgressCallback& progress,
                    const CancelPredicate& cancel, std::uint32_t start, std::uint32_t lengthAsked);
    LinkStatus Reboot();

    LegacyProtocol& Legacy() { return m_legacy; }

private:
    bool IsPacketMode() const { return m_version >= 48; }
    LinkStatus RunCommand(std::string_view text, int timeoutMs, std::uint8_t* statusByte, bool alwaysResend);
    // Reports a failed attempt: the full text after the first, a dot after later ones.
    void ReportRetry(int attempt, LinkStatus status, std::string_view text) const;
    void ReportStatus(int level, std::string_view text) const { m_packets.Diagnose(level, text); }
    // Follows the burn reports until one ends the burn (its status) or five in a row say nothing
    // final (nothing).
    std::optional<LinkStatus> WaitForBurnReports(std::uint32_t flashSize, const ProgressCallback& progress);

    SerialLine& m_line;
    PacketLayer m_packets;
    LegacyProtocol m_legacy;
    CompressFunction m_compress;
    std::uint32_t m_version = 16;
};

} // namespace torvane
