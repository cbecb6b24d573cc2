#include "fake_receiver.h"

#include <chrono>

#include "util/byte_order.h"

namespace torvane::test {

FakeReceiver::FakeReceiver()
    : FakeReceiver(MemoryLine::CreatePair())
{
}

FakeReceiver::FakeReceiver(std::pair<std::unique_ptr<MemoryLine>, std::unique_ptr<MemoryLine>> pair)
    : m_pcLine(std::move(pair.first))
    , m_line(std::move(pair.second))
    , m_lib(*m_pcLine)
    , m_packets(*m_line)
{
    m_lib.SetCommandPause(std::chrono::milliseconds(0));
    m_lib.SetProtocolVersion(48);
}

FakeReceiver::~FakeReceiver()
{
    Stop();
}

void FakeReceiver::Start(std::function<void(FakeReceiver&)> script)
{
    m_thread = std::thread([this, script = std::move(script)] { script(*this); });
}

void FakeReceiver::Stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

std::optional<Packet> FakeReceiver::Receive(int timeoutMs)
{
    Packet packet;
    if (m_packets.ReceivePacket(packet, timeoutMs) != link_status::kSuccess)
        return std::nullopt;
    received.push_back(packet);
    return packet;
}

void FakeReceiver::ReplyStatus(const Packet& to, std::uint8_t status, std::uint32_t value)
{
    Send(MakeStatusPacket(to.sequence, to.resendCount, status, value));
}

void FakeReceiver::ReplyData(const Packet& to, std::uint32_t index, const std::vector<std::uint8_t>& payload)
{
    Send(MakeDataPacket(to.sequence, to.resendCount, index, payload));
}

void FakeReceiver::Serve(const std::function<void(const Packet&)>& handler)
{
    while (!m_stop) {
        if (auto packet = Receive(20))
            handler(*packet);
    }
}

std::string FakeReceiver::ReadEchoedCommand(int timeoutMs)
{
    std::string command;
    std::uint8_t byte = 0;
    while (command.empty() || command.back() != '\r') {
        if (!m_line->ReadExact(std::span(&byte, 1), timeoutMs))
            return command;
        m_line->Write(std::span(&byte, 1));
        command.push_back(static_cast<char>(byte));
    }
    return command;
}

std::vector<std::uint8_t> FakeReceiver::ReadBytes(std::size_t count, int timeoutMs)
{
    std::vector<std::uint8_t> bytes(count);
    if (!m_line->ReadExact(bytes, timeoutMs))
        bytes.clear();
    return bytes;
}

void FakeReceiver::WriteText(std::string_view text)
{
    m_line->Write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::string TextOf(const Packet& packet)
{
    const auto bytes = packet.Bytes();
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> Be32Bytes(std::uint32_t value)
{
    std::vector<std::uint8_t> bytes(4);
    WriteBe32(bytes.data(), value);
    return bytes;
}

std::vector<std::uint8_t> PatternBytes(std::size_t count, unsigned seed)
{
    std::vector<std::uint8_t> bytes(count);
    unsigned state = seed;
    for (auto& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(state >> 16);
    }
    return bytes;
}

} // namespace torvane::test
