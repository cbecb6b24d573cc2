#include "link/legacy_protocol.h"

#include <algorithm>
#include <array>
#include <string>
#include <thread>
#include <vector>

#include "link/serial_line.h"
#include "util/byte_order.h"
#include "util/crc32_mpeg2.h"

namespace torvane {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kEchoTimeoutMs = 200;
constexpr int kReplyTimeoutMs = 1000;
constexpr int kMoveReplyTimeoutMs = 10000;
constexpr int kPieceReplyTimeoutMs = 10000;
constexpr int kBurnReportTimeoutMs = 30000;
constexpr int kStreamByteTimeoutMs = 500;
constexpr int kMaxPieceErrors = 4;
constexpr std::array<std::uint8_t, 8> kBlankLetters{'B', 'L', 'A', 'N', 'K', 'P', 'C', 'K'};

// CRC of a 32-bit number's bytes taken least significant first, as the receiver checks its
// block headers.
std::uint32_t CrcOfLe32(std::uint32_t value)
{
    std::array<std::uint8_t, 4> bytes{};
    WriteLe32(bytes.data(), value);
    return Crc32Mpeg2(bytes);
}

} // namespace

LegacyProtocol::LegacyProtocol(SerialLine& line)
    : m_line(line)
{
}

bool LegacyProtocol::WriteAll(std::span<const std::uint8_t> bytes)
{
    return m_line.Write(bytes) == bytes.size();
}

bool LegacyProtocol::WriteLetter(char letter)
{
    const auto byte = static_cast<std::uint8_t>(letter);
    return WriteAll(std::span(&byte, 1));
}

bool LegacyProtocol::ReadBe32(std::uint32_t& value, int timeoutMs)
{
    std::array<std::uint8_t, 4> bytes{};
    if (!m_line.ReadExact(bytes, timeoutMs))
        return false;
    value = torvane::ReadBe32(bytes.data());
    return true;
}

void LegacyProtocol::Drain()
{
    constexpr auto kQuiet = std::chrono::milliseconds(50);
    constexpr auto kLongest = std::chrono::milliseconds(3000);
    const auto start = Clock::now();
    auto lastByte = start;
    std::array<std::uint8_t, 256> scrap{};
    while (Clock::now() - lastByte < kQuiet && Clock::now() - start < kLongest) {
        if (m_line.ReadAvailable(scrap) > 0)
            lastByte = Clock::now();
        else
            m_line.WaitForInput(std::chrono::milliseconds(1));
    }
}

LinkStatus LegacyProtocol::SendEcho(std::string_view text, int perByteTimeoutMs)
{
    for (char c : text) {
        const auto sent = static_cast<std::uint8_t>(c);
        if (m_line.Write(std::span(&sent, 1)) != 1)
            return link_status::kSendData;
        std::uint8_t echoed = 0;
        if (!m_line.ReadExact(std::span(&echoed, 1), perByteTimeoutMs))
            return link_status::kReadData;
        if (echoed != sent)
            return link_status::kEchoMismatch;
    }
    return link_status::kSuccess;
}

LinkStatus LegacyProtocol::Prelude(std::string_view command)
{
    std::this_thread::sleep_for(m_pause);
    m_line.Flush();
    return SendEcho(command, kEchoTimeoutMs) == link_status::kSuccess ? link_status::kSuccess
                                                                      : link_status::kSendCommand;
}

LinkStatus LegacyProtocol::CommandWithReply(std::string_view command, int replyTimeoutMs)
{
    if (const LinkStatus status = Prelude(command); status != link_status::kSuccess)
        return status;
    std::uint8_t reply = 0;
    if (!m_line.ReadExact(std::span(&reply, 1), replyTimeoutMs))
        return link_status::kReadTimeout;
    return reply == 'O' ? link_status::kSuccess : link_status::kTargetError;
}

LinkStatus LegacyProtocol::GetReceiverInfo(std::uint32_t& version, ReceiverInfo& info)
{
    if (const LinkStatus status = Prelude("version -r\r"); status != link_status::kSuccess)
        return status;
    std::array<std::uint8_t, 2> word{};
    if (!m_line.ReadExact(word, 1000))
        return link_status::kReadTimeout;
    std::uint32_t reported = 0;
    std::size_t blockLength = ReadBe16(word.data());
    // A first word from B721 up carries the version; the block length follows.
    if (blockLength >= 0xB721) {
        reported = static_cast<std::uint32_t>(blockLength - 0xB700);
        if (!m_line.ReadExact(word, 100))
            return link_status::kReadTimeout;
        blockLength = ReadBe16(word.data());
    }
    if (blockLength > kLegacyInfoLimit)
        return link_status::kNotRecognised;
    std::vector<std::uint8_t> block(blockLength);
    std::uint32_t crc = 0;
    if (!m_line.ReadExact(block, 5000) || !ReadBe32(crc, 100))
        return link_status::kReadTimeout;
    if (Crc32Mpeg2(block) != crc)
        return link_status::kReadData;
    auto parsed = ParseReceiverInfo(block);
    if (!parsed)
        return link_status::kNotRecognised;
    info = std::move(*parsed);
    version = reported;
    return link_status::kSuccess;
}

LinkStatus LegacyProtocol::SetAddress(std::uint32_t address)
{
    return CommandWithReply("address " + std::to_string(address) + "\r", kReplyTimeoutMs);
}

LinkStatus LegacyProtocol::MoveChunk(std::uint32_t chunkId, std::uint32_t size)
{
    return CommandWithReply("move " + std::to_string(chunkId) + " " + std::to_string(size) + "\r",
                            kMoveReplyTimeoutMs);
}

LinkStatus LegacyProtocol::Transfer(std::span<const std::uint8_t> data, const ProgressCallback& progress,
                                    const CancelPredicate& cancel)
{
    const std::string command = "transferraw " + std::to_string(data.size()) + "\r";
    if (const LinkStatus status = CommandWithReply(command, kReplyTimeoutMs); status != link_status::kSuccess)
        return status;
    std::size_t sent = 0;
    int errors = 0;
    while (sent < data.size()) {
        if (errors > kMaxPieceErrors)
            return link_status::kOverrunRetries;
        if (IsCancelled(cancel))
            return link_status::kCancelled;
        const auto piece = data.subspan(sent, std::min(kLegacyBlockSize, data.size() - sent));
        std::array<std::uint8_t, 4> crc{};
        WriteBe32(crc.data(), Crc32Mpeg2(piece));
        if (!WriteAll(piece) || !WriteAll(crc))
            return link_status::kSendData;
        std::uint8_t reply = 0;
        if (!m_line.ReadExact(std::span(&reply, 1), kPieceReplyTimeoutMs))
            return link_status::kReadTimeout;
        if (reply == 'O') {
            errors = 0;
            sent += piece.size();
            ReportProgress(progress, PercentOf(sent, data.size()));
        } else if (reply == 'E') {
            ++errors;
        } else {
            return link_status::kNotRecognised;
        }
    }
    return errors > kMaxPieceErrors ? link_status::kOverrunRetries : link_status::kSuccess;
}

LinkStatus LegacyProtocol::Burn(std::uint32_t flashSize, const ProgressCallback& progress)
{
    if (const LinkStatus status = CommandWithReply("burn\r", kReplyTimeoutMs); status != link_status::kSuccess)
        return status;
    for (;;) {
        std::uint8_t report = 0;
        if (!m_line.ReadExact(std::span(&report, 1), kBurnReportTimeoutMs))
            return link_status::kReadTimeout;
        if (report == 'B') {
            std::array<std::uint8_t, 6> rest{};
            if (!m_line.ReadExact(rest, 1000))
                return link_status::kReadTimeout;
            // A receiver without a known flash size gets no percentage.
            if (flashSize > 0)
                ReportProgress(progress, BurnPercent(std::span(rest).first(4), flashSize));
        } else if (report == 'F') {
            ReportProgress(progress, 100);
            return link_status::kSuccess;
        } else if (report == 'E') {
            std::array<std::uint8_t, 8> rest{};
            return m_line.ReadExact(rest, 1000) ? link_status::kBurn : link_status::kReadTimeout;
        }
    }
}

LinkStatus LegacyProtocol::Dump(std::span<std::uint8_t> buffer, std::uint32_t& length,
                                const ProgressCallback& progress, const CancelPredicate& cancel,
                                std::uint32_t start, std::uint32_t lengthAsked)
{
    if (m_version < 32)
        return DumpStream(buffer, length, progress, cancel);
    return DumpBlocks(buffer, length, progress, cancel, start, lengthAsked);
}

LinkStatus LegacyProtocol::DumpStream(std::span<std::uint8_t> buffer, std::uint32_t& length,
                                      const ProgressCallback& progress, const CancelPredicate& cancel)
{
    if (const LinkStatus status = Prelude("dump\r"); status != link_status::kSuccess)
        return status;
    std::uint32_t total = 0;
    if (!ReadBe32(total, 1000))
        return link_status::kReadTimeout;
    if ((total & 0x80000000u) != 0 || total > buffer.size())
        return link_status::kDumpLength;
    length = total;
    if (!WriteLetter('O'))
        return link_status::kTargetError;
    std::size_t received = 0;
    while (received < total) {
        if (IsCancelled(cancel))
            return link_status::kCancelled;
        const auto rest = buffer.subspan(received, total - received);
        std::size_t n = m_line.ReadAvailable(rest);
        if (n == 0) {
            if (!m_line.ReadExact(rest.first(1), kStreamByteTimeoutMs))
                return link_status::kReadTimeout;
            n = 1;
        }
        // Progress after every 1024th byte and after the last one.
        for (std::size_t j = received; j < received + n; ++j) {
            if (j % kLegacyBlockSize == 0 || j + 1 == total)
                ReportProgress(progress, PercentOf(j + 1, total));
        }
        received += n;
    }
    std::uint32_t crc = 0;
    // Receivers that send no CRC after the stream are taken at their word.
    if (!ReadBe32(crc, 1000))
        return link_status::kSuccess;
    return crc == Crc32Mpeg2(buffer.first(total)) ? link_status::kSuccess : link_status::kReadData;
}

LinkStatus LegacyProtocol::DumpBlocks(std::span<std::uint8_t> buffer, std::uint32_t& length,
                                      const ProgressCallback& progress, const CancelPredicate& cancel,
                                      std::uint32_t start, std::uint32_t lengthAsked)
{
    const std::string command = "dump " + std::to_string(start) + " " + std::to_string(lengthAsked) + "\r";
    if (const LinkStatus status = Prelude(command); status != link_status::kSuccess)
        return status;
    std::uint32_t total = lengthAsked;
    if ((total == 0 || m_version <= 32) && !ReadBe32(total, 1000))
        return link_status::kReadTimeout;
    if ((total & 0x80000000u) != 0 || total > buffer.size())
        return link_status::kDumpLength;
    length = total;

    // A block stored twice (its "O" was lost and it came again) counts once.
    std::vector<bool> stored((total + kLegacyBlockSize - 1) / kLegacyBlockSize, false);
    std::uint64_t received = 0;
    while (received < total) {
        if (IsCancelled(cancel))
            return link_status::kCancelled;
        if (!WriteLetter('H'))
            return link_status::kSendData;
        std::uint32_t index = 0;
        std::uint32_t size = 0;
        if (!ReadBe32(index, 1000) || !ReadBe32(size, 1000))
            return link_status::kReadTimeout;
        if (m_version >= 33) {
            std::uint32_t indexCrc = 0;
            std::uint32_t sizeCrc = 0;
            if (!ReadBe32(indexCrc, 1000) || !ReadBe32(sizeCrc, 2000))
                return link_status::kReadTimeout;
            if (indexCrc != CrcOfLe32(index) || sizeCrc != CrcOfLe32(size)) {
                // Ask again; the loop asks once more, as receivers of this generation expect.
                if (!WriteLetter('H'))
                    return link_status::kSendData;
                continue;
            }
        }
        if (!WriteLetter('G'))
            return link_status::kSendData;

        const std::uint64_t place = std::uint64_t{index} * kLegacyBlockSize;
        const bool inPlace = size > 0 && size <= kLegacyBlockSize && place + size <= total;
        bool good = false;
        std::array<std::uint8_t, kBlankMarkerSize> head{};
        if (m_line.ReadExact(head, 1000)) {
            const auto letters = std::span(head).first(kBlankLetters.size());
            if (std::equal(letters.begin(), letters.end(), kBlankLetters.begin())) {
                good = inPlace && torvane::ReadBe32(&head[8]) == Crc32Mpeg2(letters);
                if (good)
                    std::fill_n(buffer.begin() + static_cast<std::ptrdiff_t>(place), size, 0xFF);
            } else if (inPlace && size >= kBlankMarkerSize) {
                std::vector<std::uint8_t> block(head.begin(), head.end());
                block.resize(size);
                std::uint32_t crc = 0;
                good = m_line.ReadExact(std::span(block).subspan(kBlankMarkerSize), 2000) && ReadBe32(crc, 1000)
                    && crc == Crc32Mpeg2(block);
                if (good)
                    std::copy(block.begin(), block.end(), buffer.begin() + static_cast<std::ptrdiff_t>(place));
            }
        }
        if (good) {
            if (!stored[index]) {
                stored[index] = true;
                received += size;
            }
            ReportProgress(progress, PercentOf(received, total));
        } else {
            // Whatever is left of the broken block must not be taken for the next header.
            Drain();
        }
        std::array<std::uint8_t, 9> reply{};
        reply[0] = good ? 'O' : 'E';
        WriteBe32(&reply[1], index);
        WriteBe32(&reply[5], Crc32Mpeg2(std::span(reply).first(5)));
        if (!WriteAll(reply))
            return link_status::kSendData;
    }
    return link_status::kSuccess;
}

LinkStatus LegacyProtocol::Reboot()
{
    m_line.Flush();
    return SendEcho("reboot\r", kEchoTimeoutMs) == link_status::kSuccess ? link_status::kSuccess
                                                                         : link_status::kSendCommand;
}

} // namespace torvane
