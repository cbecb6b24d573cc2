#include "legacy_receiver.h"

#include <algorithm>
#include <array>
#include <thread>
#include <vector>

#include "greeting.h"
#include "util/byte_order.h"
#include "util/crc32_mpeg2.h"

namespace torvane::sim {
namespace {

constexpr std::size_t kBlockSize = 1024;
constexpr std::size_t kMaxLine = 256;
// How long the receiver waits for the PC inside a running command before it gives the command up.
constexpr int kPatienceMs = 3000;
constexpr std::uint8_t kBlankMarker[8] = {'B', 'L', 'A', 'N', 'K', 'P', 'C', 'K'};

std::array<std::uint8_t, 4> Be32(std::uint32_t value)
{
    std::array<std::uint8_t, 4> bytes{};
    WriteBe32(bytes.data(), value);
    return bytes;
}

// The check of a dump block header value: CRC of its four bytes, least significant first.
std::uint32_t HeaderValueCrc(std::uint32_t value)
{
    std::uint8_t bytes[4];
    WriteLe32(bytes, value);
    return Crc32Mpeg2(bytes);
}

bool IsBlank(std::span<const std::uint8_t> bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0xFF; });
}

} // namespace

LegacyReceiver::LegacyReceiver(ReceiverLine& line, ReceiverCore& core, TraceLog& trace, int generation, int burnMs)
    : m_line(line)
    , m_core(core)
    , m_trace(trace)
    , m_generation(generation)
    , m_burnMs(burnMs)
{
}

void LegacyReceiver::Serve()
{
    std::string text;
    while (!m_line.Stopping()) {
        const std::optional<std::uint8_t> byte = m_line.ReadByte(100);
        if (!byte)
            continue;
        m_line.SendByte(*byte, "echo");
        if (*byte != '\r') {
            text.push_back(static_cast<char>(*byte));
            if (text.size() > kMaxLine)
                text.clear();
            continue;
        }
        Execute(text);
        text.clear();
    }
}

void LegacyReceiver::SendLetter(char letter)
{
    m_line.SendByte(static_cast<std::uint8_t>(letter), std::string("reply ") + letter);
}

void LegacyReceiver::Execute(const std::string& text)
{
    m_trace.Line("<- command \"" + Printable(text) + "\\r\"");
    const std::optional<ReceiverCommand> command = ParseReceiverCommand(text);
    if (!command) {
        SendLetter('E');
        return;
    }
    switch (command->kind) {
    case CommandKind::Comtest:
        AnswerGreeting(m_line, m_trace, command->first, false);
        return;
    case CommandKind::VersionRaw:
        VersionRaw();
        return;
    case CommandKind::Address:
        SendLetter(m_core.SetAddress(command->first) == kReceiverOk ? 'O' : 'E');
        return;
    case CommandKind::Move:
        SendLetter(m_core.Move(command->first, command->second) == kReceiverOk ? 'O' : 'E');
        return;
    case CommandKind::TransferRaw:
        TransferRaw(command->first);
        return;
    case CommandKind::Burn:
        Burn();
        return;
    case CommandKind::Dump:
        if (!command->hasRange)
            DumpStream();
        else if (m_generation >= 32)
            DumpBlocks(command->first, command->second);
        else
            SendLetter('E');
        return;
    case CommandKind::Reboot:
        m_trace.Line("   reboot");
        m_core.Reboot();
        m_line.DiscardInput();
        return;
    default:
        // The framed commands are unknown to this command line.
        SendLetter('E');
        return;
    }
}

void LegacyReceiver::VersionRaw()
{
    const std::vector<std::uint8_t> block = m_core.InfoBlock();
    std::vector<std::uint8_t> reply;
    if (m_generation >= 33) {
        reply.push_back(0xB7);
        reply.push_back(static_cast<std::uint8_t>(m_generation));
    }
    reply.push_back(static_cast<std::uint8_t>(block.size() >> 8));
    reply.push_back(static_cast<std::uint8_t>(block.size()));
    reply.insert(reply.end(), block.begin(), block.end());
    const auto crc = Be32(Crc32Mpeg2(block));
    reply.insert(reply.end(), crc.begin(), crc.end());
    m_line.Send(reply, "version block of " + std::to_string(block.size()) + " bytes");
}

void LegacyReceiver::TransferRaw(std::uint32_t length)
{
    if (m_core.CheckTransfer(length) != kReceiverOk) {
        SendLetter('E');
        return;
    }
    SendLetter('O');
    std::vector<std::uint8_t> data;
    data.reserve(length);
    std::vector<std::uint8_t> piece;
    int errors = 0;
    while (data.size() < length && !m_line.Stopping()) {
        // The PC gives up after five refusals in a row; so does the receiver.
        if (errors > 4) {
            m_trace.Line("   transfer given up");
            return;
        }
        piece.resize(std::min<std::size_t>(kBlockSize, length - data.size()) + 4);
        const std::size_t n = piece.size() - 4;
        if (!m_line.ReadExact(piece, kPatienceMs)
            || Crc32Mpeg2(std::span(piece).first(n)) != ReadBe32(piece.data() + n)) {
            m_trace.Line("<- piece at " + std::to_string(data.size()) + " incomplete or with a bad CRC");
            m_line.DiscardInput();
            ++errors;
            SendLetter('E');
            continue;
        }
        errors = 0;
        data.insert(data.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n));
        SendLetter('O');
    }
    if (data.size() == length) {
        const ReceiverError placed = m_core.PlaceTransfer(data);
        m_trace.Line("   " + std::to_string(length) + " bytes in SDRAM" + (placed == kReceiverOk ? "" : " refused"));
    }
}

void LegacyReceiver::Burn()
{
    if (!m_core.HasSomethingToBurn()) {
        SendLetter('E');
        return;
    }
    SendLetter('O');
    const std::size_t kib = m_core.Flash().Size() / 1024;
    constexpr int kSteps = 8;
    for (int step = 1; step <= kSteps; ++step) {
        if (m_burnMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(m_burnMs / kSteps));
        const std::string report = "B" + BurnProgressDigits(kib * static_cast<std::size_t>(step) / kSteps) + "\r\n";
        m_line.Send(std::span(reinterpret_cast<const std::uint8_t*>(report.data()), report.size()),
                    "burn progress " + Printable(report));
    }
    std::string error;
    if (!m_core.Burn(error)) {
        m_trace.Line("   burn failed: " + error);
        const char failure[] = "EBURNFAIL";
        m_line.Send(std::span(reinterpret_cast<const std::uint8_t*>(failure), 9), "burn error");
        return;
    }
    SendLetter('F');
}

void LegacyReceiver::DumpStream()
{
    const std::span<const std::uint8_t> flash = m_core.Flash().Bytes();
    m_line.Send(Be32(static_cast<std::uint32_t>(flash.size())), "dump total");
    const std::optional<std::uint8_t> go = m_line.ReadByte(kPatienceMs);
    if (go != 'O') {
        m_trace.Line("   dump not started");
        return;
    }
    for (std::size_t at = 0; at < flash.size() && !m_line.Stopping(); at += kBlockSize)
        m_line.Send(flash.subspan(at, std::min(kBlockSize, flash.size() - at)), "dump stream");
    m_line.Send(Be32(Crc32Mpeg2(flash)), "dump CRC");
}

void LegacyReceiver::DumpBlocks(std::uint32_t start, std::uint32_t length)
{
    const std::optional<DumpRange> range = m_core.Dump(start, length);
    // The total goes out unless the PC named the length itself and knows the checked headers.
    if (length == 0 || m_generation <= 32) {
        // An impossible stretch is announced as a negative total, which the PC refuses.
        m_line.Send(Be32(range ? static_cast<std::uint32_t>(range->length) : 0xFFFFFFFFu), "dump total");
    }
    if (!range)
        return;
    const std::span<const std::uint8_t> flash = m_core.Flash().Bytes().subspan(range->start, range->length);
    const std::size_t blocks = (flash.size() + kBlockSize - 1) / kBlockSize;
    std::size_t index = 0;
    while (index < blocks && !m_line.Stopping()) {
        const std::optional<std::uint8_t> ask = m_line.ReadByte(kPatienceMs);
        if (!ask) {
            m_trace.Line("   dump given up at block " + std::to_string(index));
            return;
        }
        if (*ask != 'H')
            continue;
        const std::span<const std::uint8_t> block = flash.subspan(index * kBlockSize,
                                                                  std::min(kBlockSize, flash.size() - index * kBlockSize));
        std::vector<std::uint8_t> header;
        for (const std::uint32_t value : {static_cast<std::uint32_t>(index), static_cast<std::uint32_t>(block.size())}) {
            const auto bytes = Be32(value);
            header.insert(header.end(), bytes.begin(), bytes.end());
        }
        if (m_generation >= 33) {
            for (const std::uint32_t value : {static_cast<std::uint32_t>(index), static_cast<std::uint32_t>(block.size())}) {
                const auto bytes = Be32(HeaderValueCrc(value));
                header.insert(header.end(), bytes.begin(), bytes.end());
            }
        }
        // "H" again instead of "G": the PC refused the header and wants it once more.
        std::optional<std::uint8_t> go = 'H';
        while (go == 'H') {
            m_line.Send(header, "block header " + std::to_string(index));
            go = m_line.ReadByte(kPatienceMs);
        }
        if (go != 'G')
            continue;
        std::vector<std::uint8_t> body;
        if (IsBlank(block)) {
            body.assign(std::begin(kBlankMarker), std::end(kBlankMarker));
        } else {
            body.assign(block.begin(), block.end());
        }
        const auto crc = Be32(Crc32Mpeg2(body));
        body.insert(body.end(), crc.begin(), crc.end());
        m_line.Send(body, IsBlank(block) ? "blank block " + std::to_string(index) : "block " + std::to_string(index));
        std::uint8_t reply[9];
        if (!m_line.ReadExact(reply, kPatienceMs)) {
            m_trace.Line("   no reply to block " + std::to_string(index));
            continue;
        }
        const bool sound = Crc32Mpeg2(std::span<const std::uint8_t>(reply, 5)) == ReadBe32(reply + 5);
        if (sound && reply[0] == 'O' && ReadBe32(reply + 1) == index) {
            ++index;
        } else {
            m_trace.Line("<- block " + std::to_string(index) + " answered " + Printable(std::span(reply, 1)));
        }
    }
    m_trace.Line("   dump of " + std::to_string(flash.size()) + " bytes done");
}

} // namespace torvane::sim
