#include "packet_receiver.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "greeting.h"
#include "lzma_unpacker.h"
#include "util/byte_order.h"
#include "util/crc32_mpeg2.h"

namespace torvane::sim {
namespace {

constexpr std::uint32_t kProtocolVersion = 48;
constexpr std::size_t kPieceSize = 1024;
constexpr std::string_view kGreetingCommand = "comtest ";
constexpr std::size_t kMaxGreetingLine = kGreetingCommand.size() + 3;
constexpr int kHeaderWaitMs = 300;
// Failure value for a packet whose data arrived damaged ("CRC check error!"): the PC sends again.
constexpr std::uint32_t kDamagedPacket = 9;
// Failure value for a packet that fits no running command ("Packet not recognize!").
constexpr std::uint32_t kUnexpectedPacket = 32;
constexpr int kBurnSteps = 8;
constexpr int kKeepAliveMs = 1000;

bool IsQuery(CommandKind kind)
{
    return kind == CommandKind::Version || kind == CommandKind::Chunk;
}

bool IsBlank(std::span<const std::uint8_t> bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0xFF; });
}

std::string KindName(PacketKind kind)
{
    switch (kind) {
    case PacketKind::Command:
        return "Command";
    case PacketKind::Data:
        return "Data";
    case PacketKind::Request:
        return "Request";
    case PacketKind::Status:
        return "Status";
    }
    return "kind " + std::to_string(static_cast<int>(kind));
}

} // namespace

std::string DescribePacket(const Packet& packet)
{
    std::string text = KindName(packet.kind) + " seq " + std::to_string(packet.sequence) + "/"
        + std::to_string(packet.resendCount);
    switch (packet.kind) {
    case PacketKind::Command:
        text += " \"" + Printable(packet.Bytes()) + "\"";
        break;
    case PacketKind::Data:
        text += " index " + std::to_string(packet.Index()) + ", " + std::to_string(packet.Payload().size())
            + " bytes" + (packet.IsBlank() ? " blank" : "");
        break;
    case PacketKind::Request:
        text += " index " + std::to_string(packet.Index());
        break;
    case PacketKind::Status: {
        char value[16];
        std::snprintf(value, sizeof value, "0x%X", packet.StatusValue());
        text += " " + std::to_string(packet.StatusByte()) + " value " + value;
        break;
    }
    }
    return text;
}

PacketReceiver::PacketReceiver(ReceiverLine& line, ReceiverCore& core, TraceLog& trace, int burnMs)
    : m_line(line)
    , m_core(core)
    , m_trace(trace)
    , m_burnMs(burnMs)
{
}

void PacketReceiver::Serve()
{
    std::size_t matched = 0; // bytes of "HEAD" seen so far
    while (!m_line.Stopping()) {
        const std::optional<std::uint8_t> byte = m_line.ReadByte(100);
        if (!byte)
            continue;
        if (*byte == kPacketMagic[matched]) {
            if (++matched == kPacketMagic.size()) {
                matched = 0;
                ReadPacket();
            }
            continue;
        }
        // The bytes held back as a possible packet start belong to the command line after all.
        for (std::size_t i = 0; i < matched; ++i)
            CommandLineByte(kPacketMagic[i]);
        matched = *byte == kPacketMagic[0] ? 1 : 0;
        if (matched == 0)
            CommandLineByte(*byte);
    }
}

void PacketReceiver::CommandLineByte(std::uint8_t byte)
{
    if (byte == '\r') {
        m_line.SendByte(byte, "echo");
        const std::optional<ReceiverCommand> command = ParseReceiverCommand(m_commandLine);
        if (command && command->kind == CommandKind::Comtest) {
            m_trace.Line("<- command \"" + Printable(m_commandLine) + "\\r\"");
            // A greeting starts a new conversation.
            m_last.reset();
            m_transfer.reset();
            m_dump.reset();
            AnswerGreeting(m_line, m_trace, command->first, true);
        }
        m_commandLine.clear();
        return;
    }
    // Only what can still become "comtest N" is taken and echoed; other stray bytes are ignored.
    std::string candidate = m_commandLine + static_cast<char>(byte);
    const bool fits = candidate.size() <= kGreetingCommand.size()
        ? kGreetingCommand.starts_with(candidate)
        : candidate.starts_with(kGreetingCommand) && candidate.size() <= kMaxGreetingLine
            && byte >= '0' && byte <= '9';
    if (!fits) {
        m_commandLine.clear();
        return;
    }
    m_commandLine = std::move(candidate);
    m_line.SendByte(byte, "echo");
}

void PacketReceiver::ReadPacket()
{
    std::array<std::uint8_t, kPacketHeaderTail> tail{};
    Packet packet;
    if (!m_line.ReadExact(tail, kHeaderWaitMs)) {
        m_trace.Line("<- packet header incomplete");
        return;
    }
    if (!DecodePacketHeader(tail, packet)) {
        m_trace.Line("<- packet header with a bad CRC");
        return;
    }
    const std::size_t n = packet.WireLength();
    if (n > kPacketMaxLength) {
        m_trace.Line("<- packet of length " + std::to_string(packet.length) + " refused");
        return;
    }
    if (!m_line.ReadExact(std::span(packet.data).first(n + kPacketCrcSize), static_cast<int>(n) + 104)) {
        m_trace.Line("<- " + KindName(packet.kind) + " packet data incomplete");
        return;
    }
    if (Crc32Mpeg2(std::span(packet.data).first(n)) != ReadBe32(packet.data.data() + n)) {
        m_trace.Line("<- " + DescribePacket(packet) + " with a bad data CRC");
        // A damaged command or piece is asked for again; a damaged request the PC repeats anyway.
        if (packet.kind == PacketKind::Command || packet.kind == PacketKind::Data)
            Reply(packet, packet_status::kFailed, kDamagedPacket);
        return;
    }
    std::fill(packet.data.begin() + static_cast<std::ptrdiff_t>(n), packet.data.end(), 0);
    m_trace.Line("<- " + DescribePacket(packet));
    Dispatch(packet);
}

void PacketReceiver::SendPacket(const Packet& packet, const std::string& what)
{
    const std::vector<std::uint8_t> wire = EncodePacket(packet);
    m_line.Send(wire, what.empty() ? DescribePacket(packet) : what);
}

void PacketReceiver::Reply(const Packet& to, std::uint8_t status, std::uint32_t value)
{
    SendPacket(MakeStatusPacket(to.sequence, to.resendCount, status, value), {});
}

void PacketReceiver::Dispatch(const Packet& packet)
{
    switch (packet.kind) {
    case PacketKind::Command:
        OnCommand(packet);
        return;
    case PacketKind::Data:
        OnData(packet);
        return;
    case PacketKind::Request:
        OnRequest(packet);
        return;
    case PacketKind::Status:
        if (packet.StatusByte() == packet_status::kAbort) {
            m_trace.Line("   abort");
            m_transfer.reset();
            m_dump.reset();
        }
        return;
    }
}

void PacketReceiver::OnCommand(const Packet& packet)
{
    const auto bytes = packet.Bytes();
    std::string text(bytes.begin(), bytes.end());
    if (m_last && packet.resendCount > 0 && packet.sequence == m_last->sequence && text == m_last->text) {
        // A resend of what was already done: a query says so, anything else gets its answer again.
        if (m_last->query)
            Reply(packet, packet_status::kFinished, 0);
        else
            SendPacket(m_last->reply, DescribePacket(m_last->reply) + " again");
        return;
    }
    std::string line = text;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    Execute(packet, text, ParseReceiverCommand(line));
}

void PacketReceiver::Execute(const Packet& packet, const std::string& text,
                             const std::optional<ReceiverCommand>& command)
{
    m_transfer.reset();
    m_dump.reset();
    m_last = LastCommand{packet.sequence, text, command && IsQuery(command->kind), {}};
    const auto answer = [&](ReceiverError error) {
        m_last->reply = error == kReceiverOk
            ? MakeStatusPacket(packet.sequence, packet.resendCount, packet_status::kDone, 0)
            : MakeStatusPacket(packet.sequence, packet.resendCount, packet_status::kFailed, error);
        SendPacket(m_last->reply, {});
    };
    if (!command) {
        answer(kParameterError);
        return;
    }
    switch (command->kind) {
    case CommandKind::Version: {
        std::uint8_t version[4];
        WriteBe32(version, kProtocolVersion);
        SendPacket(MakeDataPacket(packet.sequence, packet.resendCount, 0, version), {});
        return;
    }
    case CommandKind::Chunk: {
        const std::vector<std::uint8_t> block = m_core.InfoBlock();
        SendPacket(MakeDataPacket(packet.sequence, packet.resendCount, 0, block),
                   "Data seq " + std::to_string(packet.sequence) + ", information of "
                       + std::to_string(block.size()) + " bytes");
        return;
    }
    case CommandKind::Address:
        answer(m_core.SetAddress(command->first));
        return;
    case CommandKind::Move:
        answer(m_core.Move(command->first, command->second));
        return;
    case CommandKind::Transfer: {
        const std::uint32_t wireLength = command->compressed ? command->second : command->first;
        // The packed bytes are held in full before unpacking: they must fit as well.
        ReceiverError check = m_core.CheckTransfer(command->first);
        if (check == kReceiverOk)
            check = m_core.CheckTransfer(wireLength);
        if (check != kReceiverOk || (command->compressed && wireLength == 0)) {
            answer(check != kReceiverOk ? check : kParameterError);
            return;
        }
        if (wireLength > 0) {
            m_transfer = TransferState{packet.sequence, 1, wireLength, command->compressed, command->first, false, {}};
            m_transfer->data.reserve(wireLength);
        }
        answer(kReceiverOk);
        return;
    }
    case CommandKind::Burn:
        if (!m_core.HasSomethingToBurn()) {
            answer(kNothingToBurn);
            return;
        }
        answer(kReceiverOk);
        Burn(packet);
        return;
    case CommandKind::Dump: {
        const std::optional<DumpRange> range = command->hasRange ? m_core.Dump(command->first, command->second)
                                                                 : m_core.Dump(0, 0);
        if (!range) {
            answer(kParameterError);
            return;
        }
        m_dump = DumpState{packet.sequence, *range};
        answer(kReceiverOk);
        return;
    }
    case CommandKind::Reboot:
        // What came before the reboot is lost; what the PC sends once it has the answer is not.
        m_trace.Line("   reboot");
        m_core.Reboot();
        m_line.DiscardInput();
        answer(kReceiverOk);
        m_last.reset();
        return;
    default:
        // The byte protocol's commands are unknown here.
        answer(kParameterError);
        return;
    }
}

void PacketReceiver::OnData(const Packet& packet)
{
    if (!m_transfer || packet.sequence != m_transfer->sequence) {
        Reply(packet, packet_status::kFailed, kUnexpectedPacket);
        return;
    }
    OnTransferPiece(packet);
}

void PacketReceiver::OnTransferPiece(const Packet& packet)
{
    TransferState& transfer = *m_transfer;
    const std::uint32_t index = packet.Index();
    if (transfer.done || index < transfer.expected) {
        Reply(packet, packet_status::kDone, index); // had it already: its reply was lost
        return;
    }
    if (index > transfer.expected) {
        Reply(packet, packet_status::kDone, transfer.expected - 1);
        return;
    }
    const std::span<const std::uint8_t> payload = packet.Payload();
    if (payload.empty() || payload.size() > transfer.wireLength - transfer.data.size()) {
        Reply(packet, packet_status::kFailed, kNotEnoughBuffer);
        m_transfer.reset();
        return;
    }
    transfer.data.insert(transfer.data.end(), payload.begin(), payload.end());
    ++transfer.expected;
    if (transfer.data.size() < transfer.wireLength) {
        Reply(packet, packet_status::kDone, index);
        return;
    }
    const Packet reply = FinishTransfer(packet);
    SendPacket(reply, {});
}

Packet PacketReceiver::FinishTransfer(const Packet& packet)
{
    TransferState& transfer = *m_transfer;
    transfer.done = true;
    std::vector<std::uint8_t> data = std::move(transfer.data);
    transfer.data.clear();
    if (transfer.compressed) {
        std::optional<std::vector<std::uint8_t>> unpacked = UnpackLzma(data, transfer.unpackedLength);
        if (!unpacked) {
            m_trace.Line("   compressed data does not unpack to " + std::to_string(transfer.unpackedLength) + " bytes");
            m_transfer.reset();
            return MakeStatusPacket(packet.sequence, packet.resendCount, packet_status::kFailed, kParameterError);
        }
        m_trace.Line("   unpacked " + std::to_string(data.size()) + " bytes to " + std::to_string(unpacked->size()));
        data = std::move(*unpacked);
    }
    const ReceiverError placed = m_core.PlaceTransfer(data);
    if (placed != kReceiverOk) {
        m_transfer.reset();
        return MakeStatusPacket(packet.sequence, packet.resendCount, packet_status::kFailed, placed);
    }
    m_trace.Line("   " + std::to_string(data.size()) + " bytes in SDRAM");
    return MakeStatusPacket(packet.sequence, packet.resendCount, packet_status::kDone, packet.Index());
}

void PacketReceiver::OnRequest(const Packet& packet)
{
    const std::uint32_t index = packet.Index();
    if (m_transfer && packet.sequence == m_transfer->sequence) {
        // What the receiver has: the asked piece, or the last one before it.
        Reply(packet, packet_status::kDone, index < m_transfer->expected ? index : m_transfer->expected - 1);
        return;
    }
    if (!m_dump || packet.sequence != m_dump->sequence) {
        m_trace.Line("   request outside a dump or transfer ignored");
        return;
    }
    const DumpRange& range = m_dump->range;
    if (index == 0) {
        std::uint8_t total[4];
        WriteBe32(total, static_cast<std::uint32_t>(range.length));
        SendPacket(MakeDataPacket(packet.sequence, packet.resendCount, 0, total), {});
        return;
    }
    const std::size_t at = (static_cast<std::size_t>(index) - 1) * kPieceSize;
    if (at >= range.length) {
        Reply(packet, packet_status::kFailed, kParameterError);
        return;
    }
    const std::span<const std::uint8_t> piece
        = m_core.Flash().Bytes().subspan(range.start + at, std::min(kPieceSize, range.length - at));
    if (IsBlank(piece)) {
        SendPacket(MakeBlankPacket(packet.sequence, packet.resendCount, index, static_cast<std::uint32_t>(piece.size())),
                   {});
    } else {
        SendPacket(MakeDataPacket(packet.sequence, packet.resendCount, index, piece), {});
    }
}

void PacketReceiver::Burn(const Packet& packet)
{
    const auto keepAlive = [&] {
        SendPacket(MakeStatusPacket(packet.sequence, packet.resendCount, packet_status::kWorking, 0), {});
    };
    const std::size_t kib = m_core.Flash().Size() / 1024;
    for (int step = 1; step <= kBurnSteps && !m_line.Stopping(); ++step) {
        // Erasing and writing a sector takes a while; the PC is kept waiting with "still working".
        int left = m_burnMs / kBurnSteps;
        keepAlive();
        while (left > 0) {
            const int slice = std::min(left, kKeepAliveMs);
            std::this_thread::sleep_for(std::chrono::milliseconds(slice));
            left -= slice;
            if (left > 0)
                keepAlive();
        }
        const std::string report = "B" + BurnProgressDigits(kib * static_cast<std::size_t>(step) / kBurnSteps);
        SendPacket(MakeDataPacket(packet.sequence, packet.resendCount, 0,
                                  std::span(reinterpret_cast<const std::uint8_t*>(report.data()), report.size())),
                   std::string("Data seq ") + std::to_string(packet.sequence) + " progress " + report);
    }
    std::string error;
    if (!m_core.Burn(error)) {
        m_trace.Line("   burn failed: " + error);
        const std::uint8_t failure[] = {'E'};
        SendPacket(MakeDataPacket(packet.sequence, packet.resendCount, 0, failure), {});
        m_last->reply = MakeStatusPacket(packet.sequence, packet.resendCount, packet_status::kFailed, kNothingToBurn);
        return;
    }
    m_trace.Line("   burnt");
    m_last->reply = MakeStatusPacket(packet.sequence, packet.resendCount, packet_status::kFinished, 0);
    SendPacket(m_last->reply, {});
}

} // namespace torvane::sim
