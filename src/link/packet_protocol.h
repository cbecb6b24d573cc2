#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "link/packet_layer.h"
#include "link/receiver_protocol.h"

namespace torvane {

class SerialLine;

// Turns transfer data into what goes over the line compressed; a non-zero status means "send
// it as it is", unless the cancel predicate says the user stopped the transfer meanwhile.
using CompressFunction = std::function<LinkStatus(std::span<const std::uint8_t> data,
                                                  std::vector<std::uint8_t>& compressed,
                                                  const CancelPredicate& cancel)>;

// The receiver commands of generation 48 and up: text commands in Command packets, answered by
// Status or Data packets, with retries; transfers and dumps in numbered 1 KiB pieces.
class PacketProtocol final : public ReceiverProtocol {
public:
    explicit PacketProtocol(SerialLine& line);

    void SetDiagnosticSink(DiagnosticSink sink) { m_packets.SetDiagnosticSink(std::move(sink)); }
    // The compression used by Transfer; by default the external LZMA encoder.
    void SetCompression(CompressFunction compress) { m_compress = std::move(compress); }

    // A command answered by a Status packet, up to five attempts; receiver errors (0x10000 and
    // up) end it at once.
    LinkStatus ExecuteCommand(std::string_view text, int timeoutMs, std::uint8_t* statusByte = nullptr);
    // Like ExecuteCommand, but every attempt resends the current command; no diagnostics.
    LinkStatus RepeatCommand(std::string_view text, int timeoutMs, std::uint8_t* statusByte = nullptr);
    // A command answered by a Data packet, which is left in `reply` (index included).
    LinkStatus ExecuteQuery(std::string_view text, int timeoutMs, std::uint8_t& statusByte, Packet& reply);

    LinkStatus GetReceiverInfo(std::uint32_t& version, ReceiverInfo& info) override;
    LinkStatus SetAddress(std::uint32_t address) override;
    LinkStatus MoveChunk(std::uint32_t chunkId, std::uint32_t size) override;
    LinkStatus Transfer(std::span<const std::uint8_t> data, const ProgressCallback& progress,
                        const CancelPredicate& cancel) override;
    LinkStatus Burn(std::uint32_t flashSize, const ProgressCallback& progress) override;
    LinkStatus Dump(std::span<std::uint8_t> buffer, std::uint32_t& length, const ProgressCallback& progress,
                    const CancelPredicate& cancel, std::uint32_t start, std::uint32_t lengthAsked) override;
    LinkStatus Reboot() override;

private:
    LinkStatus RunCommand(std::string_view text, int timeoutMs, std::uint8_t* statusByte, bool alwaysResend);
    // Reports a failed attempt: the full text after the first, a dot after later ones.
    void ReportRetry(int attempt, LinkStatus status, std::string_view text) const;
    void ReportStatus(int level, std::string_view text) const { m_packets.Diagnose(level, text); }
    // Follows the burn reports until one ends the burn (its status) or five in a row say nothing
    // final (nothing).
    std::optional<LinkStatus> WaitForBurnReports(std::uint32_t flashSize, const ProgressCallback& progress);

    SerialLine& m_line;
    PacketLayer m_packets;
    CompressFunction m_compress;
};

} // namespace torvane
