#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string_view>

#include "link/link_callbacks.h"
#include "link/link_status.h"
#include "link/receiver_info.h"
#include "link/receiver_protocol.h"

namespace torvane {

class SerialLine;

// Blank dump block marker: "BLANKPCK" and the CRC of those eight letters.
inline constexpr std::size_t kBlankMarkerSize = 12;
inline constexpr std::size_t kLegacyBlockSize = 1024;
inline constexpr std::size_t kLegacyInfoLimit = 2048;

// The unframed byte protocol of receivers below generation 48: commands typed byte by byte and
// echoed, single-letter replies, raw blocks with CRCs. The version chooses the dump generation:
// below 32 one stream, 32 blocks with a handshake, 33 and up blocks with header CRCs.
class LegacyProtocol final : public ReceiverProtocol {
public:
    explicit LegacyProtocol(SerialLine& line);

    void SetVersion(std::uint32_t version) { m_version = version; }
    // The pause before each command (and each greeting attempt); 100 ms on a real line.
    void SetCommandPause(std::chrono::milliseconds pause) { m_pause = pause; }
    std::chrono::milliseconds CommandPause() const { return m_pause; }

    // Writes each byte and expects it echoed within the time-out: 3 write failed, 23 no echo,
    // 4 another byte came back.
    LinkStatus SendEcho(std::string_view text, int perByteTimeoutMs);

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
    LinkStatus Prelude(std::string_view command);
    // Prelude, then one reply byte: "O" is 0, another byte 10, none within the time-out 8.
    LinkStatus CommandWithReply(std::string_view command, int replyTimeoutMs);
    bool WriteAll(std::span<const std::uint8_t> bytes);
    bool WriteLetter(char letter);
    bool ReadBe32(std::uint32_t& value, int timeoutMs);
    LinkStatus DumpStream(std::span<std::uint8_t> buffer, std::uint32_t& length, const ProgressCallback& progress,
                          const CancelPredicate& cancel);
    LinkStatus DumpBlocks(std::span<std::uint8_t> buffer, std::uint32_t& length, const ProgressCallback& progress,
                          const CancelPredicate& cancel, std::uint32_t start, std::uint32_t lengthAsked);
    // Reads and drops whatever arrives until the line has been quiet for a while.
    void Drain();

    SerialLine& m_line;
    std::uint32_t m_version = 16;
    std::chrono::milliseconds m_pause{100};
};

} // namespace torvane
