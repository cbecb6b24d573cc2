// The packet header decoder and ReceivePacket over an in-memory line. The bytes arrive at once,
// followed by enough zero bytes that no read waits out a time-out and by a closing Status packet
// that every run must reach. Every packet received must encode and be received again unchanged.
// The line is a plain queue rather than MemoryLine: that one times every byte's arrival, and its
// search for the arrived bytes on each one-byte read took six sevenths of every run.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_target.h"
#include "link/packet.h"
#include "link/packet_layer.h"
#include "link/serial_line.h"

namespace torvane::fuzz {

std::vector<Input> Seeds()
{
    const std::vector<std::uint8_t> payload = {0x10, 0x20, 0x30, 0x40, 0x50};
    const std::vector<Packet> packets = {
        MakeCommandPacket(1, 0, "version -r\r"),
        MakeDataPacket(2, 1, 0x400, payload),
        MakeBlankPacket(3, 0, 0x800, 0x3FC),
        MakeRequestPacket(4, 2, 0x1000),
        MakeStatusPacket(5, 0, packet_status::kFinished, 0x12345678),
    };
    std::vector<Input> seeds;
    Input all;
    for (const Packet& packet : packets) {
        const Input wire = EncodePacket(packet);
        seeds.push_back(wire);
        all.insert(all.end(), wire.begin(), wire.end());
    }
    // Noise before a packet and a doubled "H" in front of its magic.
    Input noisy = {'x', 'H', 'E', 'H', 'H'};
    noisy.insert(noisy.end(), seeds[0].begin() + 1, seeds[0].end());
    seeds.push_back(noisy);
    seeds.push_back(all);
    return seeds;
}

namespace {

// A line on which everything written has arrived at once. Reading never waits: the input is padded
// so that no read asks for more than is queued.
class QueueLine final : public SerialLine {
public:
    explicit QueueLine(Input bytes) : m_bytes(std::move(bytes)) {}

    bool Open(const std::string&, const LineSettings&) override { return true; }
    using SerialLine::Open;
    void Close() override {}
    bool IsOpen() const override { return true; }
    std::size_t Write(std::span<const std::uint8_t> bytes) override
    {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return bytes.size();
    }
    std::size_t InQueue() override { return m_bytes.size() - m_read; }
    std::size_t ReadAvailable(std::span<std::uint8_t> buffer) override
    {
        const std::size_t n = std::min(buffer.size(), InQueue());
        std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_read), n, buffer.begin());
        m_read += n;
        return n;
    }
    bool PurgeInput() override
    {
        m_read = m_bytes.size();
        return true;
    }
    bool PurgeOutput() override { return true; }
    void WaitForInput(std::chrono::milliseconds) override {}

private:
    Input m_bytes;
    std::size_t m_read = 0;
};

// Sequence number of the closing packet; a packet of the input may carry it too.
constexpr std::uint32_t kClosingSequence = 0xC105ED00;
constexpr int kReceiveTimeoutMs = 1000;

// Zero bytes enough for every packet whose magic lies in the input to be read whole before the
// closing packet: its header tail and, when the header holds, its data and CRC. A magic can only be
// found within the input or at the closing packet, as the padding holds no "H".
std::size_t PaddingAfter(std::span<const std::uint8_t> input)
{
    std::size_t padding = 0;
    const auto find = [&input](auto from) {
        return std::search(from, input.end(), kPacketMagic.begin(), kPacketMagic.end());
    };
    for (auto at = find(input.begin()); at != input.end(); at = find(at + 1)) {
        const std::size_t tailStart = static_cast<std::size_t>(at - input.begin()) + kPacketMagic.size();
        std::size_t end = tailStart + kPacketHeaderTail + kPacketDataArea;
        Packet header;
        if (tailStart + kPacketHeaderTail <= input.size()) {
            end = tailStart + kPacketHeaderTail;
            if (DecodePacketHeader(input.subspan(tailStart).first<kPacketHeaderTail>(), header)
                && header.length <= kPacketMaxLength)
                end += header.WireLength() + kPacketCrcSize;
        }
        padding = std::max(padding, end > input.size() ? end - input.size() : 0);
    }
    return padding;
}

bool SamePacket(const Packet& a, const Packet& b)
{
    return a.kind == b.kind && a.blank == b.blank && a.sequence == b.sequence && a.resendCount == b.resendCount
        && a.length == b.length && std::ranges::equal(a.Bytes(), b.Bytes());
}

bool IsClosing(const Packet& packet)
{
    return packet.kind == PacketKind::Status && packet.sequence == kClosingSequence
        && packet.StatusByte() == packet_status::kAbort;
}

// The packet encoded and received on a fresh line.
void CheckRoundTrip(const Packet& received)
{
    Input wire = EncodePacket(received);
    Check(!wire.empty(), "a received packet does not encode");
    QueueLine line(std::move(wire));
    PacketLayer layer(line);
    Packet again;
    Check(layer.ReceivePacket(again, kReceiveTimeoutMs) == link_status::kSuccess, "an encoded packet is not received");
    Check(SamePacket(received, again), "a packet changes through encoding and receiving");
}

} // namespace

} // namespace torvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace torvane;
    const std::span<const std::uint8_t> bytes(data, size);

    if (size >= kPacketHeaderSize) {
        Packet decoded;
        const auto tail = bytes.subspan(kPacketMagic.size()).first<kPacketHeaderTail>();
        if (DecodePacketHeader(tail, decoded)) {
            const auto encoded = EncodePacketHeader(decoded);
            fuzz::Check(std::equal(tail.begin(), tail.end(), encoded.begin() + kPacketMagic.size()),
                        "a decoded header encodes to other bytes");
        }
    }

    fuzz::Input line(bytes.begin(), bytes.end());
    line.resize(size + fuzz::PaddingAfter(bytes), 0);
    const fuzz::Input closing = EncodePacket(
        MakeStatusPacket(fuzz::kClosingSequence, 0, packet_status::kAbort, static_cast<std::uint32_t>(size)));
    line.insert(line.end(), closing.begin(), closing.end());

    fuzz::QueueLine receiver(std::move(line));
    PacketLayer layer(receiver);
    for (;;) {
        Packet packet;
        const LinkStatus status = layer.ReceivePacket(packet, fuzz::kReceiveTimeoutMs);
        fuzz::Check(status != link_status::kNoPacket, "the closing packet was lost");
        if (status != link_status::kSuccess)
            continue;
        fuzz::Check(packet.WireLength() <= kPacketMaxLength, "a received packet is longer than the data area");
        (void)packet.Index();
        (void)packet.Payload();
        (void)packet.StatusValue();
        fuzz::CheckRoundTrip(packet);
        if (fuzz::IsClosing(packet) && packet.StatusValue() == size && receiver.InQueue() == 0)
            break;
    }
    return 0;
}
