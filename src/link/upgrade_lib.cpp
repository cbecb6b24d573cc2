#include "link/upgrade_lib.h"

#include <algorithm>
#include <array>
#include <string>
#include <thread>

#include "link/external_compressor.h"
#include "util/byte_order.h"

namespace torvane {

namespace {

constexpr int kAttempts = 5;
constexpr int kGreetingAttempts = 200;
constexpr int kGreetingEchoTimeoutMs = 50;
constexpr int kGreetingReplyTimeoutMs = 200;
constexpr int kShortReplyTimeoutMs = 1000;
constexpr int kBurnReplyTimeoutMs = 2000;
constexpr int kBurnReportTimeoutMs = 10000;
constexpr int kMoveReplyTimeoutMs = 10000;
constexpr int kChunkReplyTimeoutMs = 5000;
constexpr int kPieceReplyTimeoutMs = 1500;
constexpr int kDumpReplyTimeoutMs = 2000;
constexpr int kBurnQuietReports = 5;
constexpr std::size_t kPieceSize = 1024;
constexpr std::uint32_t kProvisionalDumpTotal = 0x200000;

bool IsStatusReply(const Packet& packet)
{
    return packet.kind == PacketKind::Status && packet.length >= kStatusPacketLength;
}

// A receiver that reports a failure with the value 0 must not be taken as a success.
LinkStatus FailureValue(std::uint32_t value, LinkStatus whenZero)
{
    return value == 0 ? whenZero : value;
}

} // namespace

UpgradeLib::UpgradeLib(SerialLine& line)
    : m_line(line)
    , m_packets(line)
    , m_legacy(line)
    , m_compress(ExternalCompressor())
{
}

UpgradeLib::~UpgradeLib()
{
    CloseLink();
}

void UpgradeLib::SetProtocolVersion(std::uint32_t version)
{
    m_version = version;
    m_legacy.SetVersion(version);
}

LinkStatus UpgradeLib::OpenLink(int portNumber, const LineSettings& settings)
{
    return m_line.Open(portNumber, settings) ? link_status::kSuccess : link_status::kCannotConnect;
}

LinkStatus UpgradeLib::OpenLink(const std::string& devicePath, const LineSettings& settings)
{
    return m_line.Open(devicePath, settings) ? link_status::kSuccess : link_status::kCannotConnect;
}

LinkStatus UpgradeLib::CloseLink()
{
    m_line.Close();
    return link_status::kSuccess;
}

LinkStatus UpgradeLib::TestPort(std::uint32_t& version, const NotifyCallback& notify, const CancelPredicate& cancel)
{
    const std::string command = "comtest " + std::to_string(kGreeting.size()) + "\r";
    const std::span<const std::uint8_t> greeting(reinterpret_cast<const std::uint8_t*>(kGreeting.data()),
                                                 kGreeting.size());
    for (int attempt = 0; attempt < kGreetingAttempts; ++attempt) {
        if (IsCancelled(cancel))
            return link_status::kCancelled;
        if (notify && attempt % 5 == 0)
            notify(attempt);
        std::this_thread::sleep_for(m_legacy.CommandPause());
        m_line.Flush();
        if (m_legacy.SendEcho(command, kGreetingEchoTimeoutMs) != link_status::kSuccess) {
            // Ends whatever the receiver's command line has taken so far.
            const std::uint8_t carriageReturn = '\r';
            m_line.Write(std::span(&carriageReturn, 1));
            continue;
        }
        if (m_line.Write(greeting) != greeting.size())
            continue;
        std::array<std::uint8_t, kGreeting.size()> answer{};
        if (!m_line.ReadExact(answer, kGreetingReplyTimeoutMs))
            continue;
        if (std::equal(answer.begin(), answer.end(), greeting.begin())) {
            version = 32;
            return link_status::kSuccess;
        }
        if (std::equal(answer.begin(), answer.end(), greeting.begin(),
                       [](std::uint8_t a, std::uint8_t g) { return a == static_cast<std::uint8_t>(~g); })) {
            version = 48;
            return link_status::kSuccess;
        }
    }
    return link_status::kNotConnected;
}

void UpgradeLib::ReportRetry(int attempt, LinkStatus status, std::string_view text) const
{
    if (attempt == 0)
        ReportStatus(0, "\r\n->Error:" + LinkStatusText(status) + " in execute command:" + std::string(text) + " Retry.");
    else
        ReportStatus(0, ".");
}

LinkStatus UpgradeLib::RunCommand(std::string_view text, int timeoutMs, std::uint8_t* statusByte, bool alwaysResend)
{
    m_line.Flush();
    LinkStatus status = link_status::kSuccess;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        Packet reply;
        status = m_packets.SendCommandPacket(text, alwaysResend || attempt > 0);
        if (status == link_status::kSuccess)
            status = m_packets.ReceivePacket(reply, timeoutMs);
        if (status == link_status::kSuccess) {
            if (!IsStatusReply(reply) || reply.length != kStatusPacketLength || !m_packets.IsCurrent(reply)) {
                status = link_status::kPacketNotRecognised;
            } else {
                const std::uint8_t byte = reply.StatusByte();
                if (statusByte)
                    *statusByte = byte;
                if (byte == packet_status::kDone || byte == packet_status::kWorking
                    || byte == packet_status::kFinished) {
                    if (attempt > 0 && !alwaysResend)
                        ReportStatus(0, "OK");
                    return link_status::kSuccess;
                }
                const std::uint32_t value = reply.StatusValue();
                if (IsReceiverError(value))
                    return value;
                status = FailureValue(value, link_status::kTargetError);
            }
        }
        if (!alwaysResend)
            ReportRetry(attempt, status, text);
    }
    return status;
}

LinkStatus UpgradeLib::ExecuteCommand(std::string_view text, int timeoutMs, std::uint8_t* statusByte)
{
    return RunCommand(text, timeoutMs, statusByte, false);
}

LinkStatus UpgradeLib::RepeatCommand(std::string_view text, int timeoutMs, std::uint8_t* statusByte)
{
    return RunCommand(text, timeoutMs, statusByte, true);
}

LinkStatus UpgradeLib::ExecuteQuery(std::string_view text, int timeoutMs, std::uint8_t& statusByte, Packet& reply)
{
    m_line.Flush();
    LinkStatus status = link_status::kSuccess;
    bool asNew = true;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        Packet received;
        status = m_packets.SendCommandPacket(text, !asNew);
        asNew = false;
        if (status == link_status::kSuccess)
            status = m_packets.ReceivePacket(received, timeoutMs);
        if (status == link_status::kSuccess && m_packets.IsCurrent(received)) {
            if (received.kind == PacketKind::Data) {
                reply = received;
                if (attempt > 0)
                    ReportStatus(0, "OK");
                return link_status::kSuccess;
            }
            if (IsStatusReply(received)) {
                statusByte = received.StatusByte();
                if (statusByte == packet_status::kFinished) {
                    // Already carried out: ask again as a new command.
                    status = link_status::kCommandExecuted;
                    asNew = true;
                } else if (statusByte == packet_status::kFailed) {
                    const std::uint32_t value = received.StatusValue();
                    if (IsReceiverError(value))
                        return value;
                    status = value;
                }
            }
        }
        ReportRetry(attempt, status, text);
    }
    return status == link_status::kSuccess ? link_status::kPacketNotRecognised : status;
}

LinkStatus UpgradeLib::GetReceiverInfo(std::uint32_t& version, ReceiverInfo& info)
{
    if (!IsPacketMode())
        return m_legacy.GetReceiverInfo(version, info);
    std::uint8_t statusByte = 0;
    Packet reply;
    if (const LinkStatus status = ExecuteQuery("version\r", kShortReplyTimeoutMs, statusByte, reply);
        status != link_status::kSuccess)
        return status;
    if (reply.length < 2 * kPacketIndexSize)
        return link_status::kPacketNotRecognised;
    const std::uint32_t reported = ReadBe32(reply.data.data() + kPacketIndexSize);
    if (const LinkStatus status = ExecuteQuery("chunk\r", kChunkReplyTimeoutMs, statusByte, reply);
        status != link_status::kSuccess)
        return status;
    auto parsed = ParseReceiverInfo(reply.Payload());
    if (!parsed)
        return link_status::kPacketNotRecognised;
    info = std::move(*parsed);
    version = reported;
    return link_status::kSuccess;
}

LinkStatus UpgradeLib::SetAddress(std::uint32_t address)
{
    if (!IsPacketMode())
        return m_legacy.SetAddress(address);
    return ExecuteCommand("address " + std::to_string(address) + "\r", kShortReplyTimeoutMs);
}

LinkStatus UpgradeLib::MoveChunk(std::uint32_t chunkId, std::uint32_t size)
{
    if (!IsPacketMode())
        return m_legacy.MoveChunk(chunkId, size);
    return ExecuteCommand("move " + std::to_string(chunkId) + " " + std::to_string(size) + "\r", kMoveReplyTimeoutMs);
}

LinkStatus UpgradeLib::Reboot()
{
    if (!IsPacketMode())
        return m_legacy.Reboot();
    return ExecuteCommand("reboot\r", kShortReplyTimeoutMs);
}

LinkStatus UpgradeLib::Transfer(std::span<const std::uint8_t> data, const ProgressCallback& progress,
                                const CancelPredicate& cancel)
{
    if (!IsPacketMode())
        return m_legacy.Transfer(data, progress, cancel);

    // A compressed result that is empty or isn't smaller than the data goes as it is.
    std::vector<std::uint8_t> packed;
    const bool compressed = m_compress && !data.empty() && m_compress(data, packed, cancel) == link_status::kSuccess
        && !packed.empty() && packed.size() < data.size();
    // Nothing has been sent yet, so the receiver needs no abort.
    if (IsCancelled(cancel))
        return link_status::kCancelled;
    const std::span<const std::uint8_t> payload = compressed ? std::span<const std::uint8_t>(packed) : data;
    const std::string command = compressed
        ? "transfer -z " + std::to_string(data.size()) + " " + std::to_string(packed.size()) + "\r"
        : "transfer " + std::to_string(data.size()) + "\r";
    if (const LinkStatus status = ExecuteCommand(command, kShortReplyTimeoutMs); status != link_status::kSuccess)
        return status;
    if (payload.empty())
        return link_status::kSuccess;

    std::uint32_t index = 1;
    std::size_t sent = 0;
    int failures = 0;
    bool asking = false;
    for (;;) {
        if (IsCancelled(cancel)) {
            m_packets.SendStatusPacket(packet_status::kAbort, 0);
            return link_status::kCancelled;
        }
        if (failures > 0)
            m_line.PurgeOutput();
        const auto piece = payload.subspan(sent, std::min(kPieceSize, payload.size() - sent));
        // After a failure, first ask what the receiver has, rather than sending blindly again.
        const LinkStatus sendStatus = asking ? m_packets.SendRequestPacket(index) : m_packets.SendDataPacket(index, piece);
        if (sendStatus != link_status::kSuccess)
            return link_status::kSendPacketFailed;
        Packet reply;
        const bool answered = m_packets.ReceivePacket(reply, kPieceReplyTimeoutMs) == link_status::kSuccess
            && m_packets.IsCurrent(reply) && IsStatusReply(reply);
        const std::uint8_t byte = answered ? reply.StatusByte() : packet_status::kAbort;
        if (byte == packet_status::kDone) {
            asking = false;
            if (failures >= 3)
                failures = 0;
            if (reply.StatusValue() == index) {
                sent += piece.size();
                ++index;
                ReportProgress(progress, PercentOf(sent, payload.size()));
                if (sent == payload.size())
                    return link_status::kSuccess;
            }
            continue;
        }
        if (byte == packet_status::kFinished) {
            ReportProgress(progress, 100);
            return link_status::kSuccess;
        }
        if (byte == packet_status::kFailed && IsReceiverError(reply.StatusValue()))
            return reply.StatusValue();
        ++failures;
        asking = true;
        if (failures == 3)
            ReportStatus(2, "\r\n->Warning:download packet:" + std::to_string(index) + " Error! Retry.");
        else if (failures > 3)
            ReportStatus(2, ".");
    }
}

LinkStatus UpgradeLib::Burn(std::uint32_t flashSize, const ProgressCallback& progress)
{
    if (!IsPacketMode())
        return m_legacy.Burn(flashSize, progress);
    if (const LinkStatus status = ExecuteCommand("burn\r", kBurnReplyTimeoutMs); status != link_status::kSuccess)
        return status;
    for (;;) {
        if (const std::optional<LinkStatus> ended = WaitForBurnReports(flashSize, progress))
            return *ended;
        // The reports went quiet: ask again. A receiver that answers "still working" (2) has not
        // finished burning, so that answer sends the PC back to waiting instead of ending in success.
        std::uint8_t statusByte = 0;
        const LinkStatus status = RepeatCommand("burn\r", kBurnReplyTimeoutMs, &statusByte);
        if (status == link_status::kSuccess && statusByte == packet_status::kWorking)
            continue;
        if (status == link_status::kSuccess)
            ReportProgress(progress, 100);
        return status;
    }
}

std::optional<LinkStatus> UpgradeLib::WaitForBurnReports(std::uint32_t flashSize, const ProgressCallback& progress)
{
    int quietReports = 0;
    while (quietReports < kBurnQuietReports) {
        Packet report;
        if (m_packets.ReceivePacket(report, kBurnReportTimeoutMs) == link_status::kSuccess
            && m_packets.IsCurrent(report)) {
            if (IsStatusReply(report)) {
                switch (report.StatusByte()) {
                case packet_status::kFinished:
                    ReportProgress(progress, 100);
                    return link_status::kSuccess;
                case packet_status::kFailed:
                    return FailureValue(report.StatusValue(), link_status::kBurn);
                case packet_status::kWorking:
                    // Still burning: wait as long as it says so.
                    quietReports = 0;
                    continue;
                default:
                    break;
                }
            } else if (report.kind == PacketKind::Data && report.Payload().size() >= 1) {
                const auto payload = report.Payload();
                if (payload[0] == 'B' && flashSize > 0) {
                    const auto digits = payload.subspan(1, std::min<std::size_t>(4, payload.size() - 1));
                    ReportProgress(progress, BurnPercent(digits, flashSize));
                } else if (payload[0] == 'F') {
                    ReportProgress(progress, 100);
                    return link_status::kSuccess;
                } else if (payload[0] == 'E') {
                    return link_status::kBurn;
                }
            }
        }
        ++quietReports;
    }
    return std::nullopt;
}

LinkStatus UpgradeLib::Dump(std::span<std::uint8_t> buffer, std::uint32_t& length, const ProgressCallback& progress,
                            const CancelPredicate& cancel, std::uint32_t start, std::uint32_t lengthAsked)
{
    if (!IsPacketMode())
        return m_legacy.Dump(buffer, length, progress, cancel, start, lengthAsked);
    const std::string command = "dump " + std::to_string(start) + " " + std::to_string(lengthAsked) + "\r";
    if (const LinkStatus status = ExecuteCommand(command, kShortReplyTimeoutMs); status != link_status::kSuccess)
        return status;

    std::uint32_t total = kProvisionalDumpTotal;
    std::uint32_t received = 0;
    std::uint32_t expected = 0;
    int failures = 0;
    while (received < total) {
        if (IsCancelled(cancel)) {
            m_packets.SendStatusPacket(packet_status::kAbort, 0);
            return link_status::kCancelled;
        }
        if (failures > 0)
            m_line.PurgeOutput();
        if (m_packets.SendRequestPacket(expected) != link_status::kSuccess)
            return link_status::kSendPacketFailed;
        Packet reply;
        bool good = false;
        if (m_packets.ReceivePacket(reply, kDumpReplyTimeoutMs) == link_status::kSuccess
            && m_packets.IsCurrent(reply)) {
            if (IsStatusReply(reply)) {
                if (reply.StatusByte() == packet_status::kFailed)
                    return FailureValue(reply.StatusValue(), link_status::kDumpError);
                if (reply.StatusByte() == packet_status::kFinished)
                    return link_status::kNotDumpAll;
            } else if (reply.kind == PacketKind::Data && reply.length >= kPacketIndexSize) {
                if (expected == 0) {
                    // The first packet announces the total.
                    if (reply.Index() == 0 && reply.length >= 2 * kPacketIndexSize) {
                        total = ReadBe32(reply.data.data() + kPacketIndexSize);
                        if (total == 0)
                            return link_status::kGenericError;
                        if (total > buffer.size())
                            return link_status::kDumpLength;
                        length = total;
                        expected = 1;
                        good = true;
                    }
                } else if (reply.Index() == expected) {
                    // Never past the announced total, whatever the last packet carries.
                    const auto payload = reply.Payload();
                    const std::size_t n = std::min<std::size_t>(payload.size(), total - received);
                    std::copy_n(payload.begin(), n, buffer.begin() + received);
                    received += static_cast<std::uint32_t>(n);
                    ++expected;
                    if (failures >= 3)
                        failures = 0;
                    ReportProgress(progress, PercentOf(received, total));
                    good = true;
                }
            }
        }
        if (!good) {
            ++failures;
            if (failures == 3)
                ReportStatus(2, "\r\n->Warning:dump packet:" + std::to_string(expected) + " Error! Retry.");
            else if (failures > 3)
                ReportStatus(2, ".");
        }
    }
    return link_status::kSuccess;
}

} // namespace torvane
