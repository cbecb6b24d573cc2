#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/memory_line.h"
#include "link/packet_layer.h"
#include "link/upgrade_lib.h"

namespace torvane::test {

// A scripted receiver on the far end of an in-memory line, for driving UpgradeLib one step at a
// time. The script runs on its own thread; Stop() tells open-ended scripts to finish.
class FakeReceiver final {
public:
    FakeReceiver();
    ~FakeReceiver();

    UpgradeLib& Lib() { return m_lib; }
    MemoryLine& PcLine() { return *m_pcLine; }
    MemoryLine& Line() { return *m_line; }

    void Start(std::function<void(FakeReceiver&)> script);
    void Stop();
    bool Stopping() const { return m_stop; }

    // Packet helpers. Every packet received is kept in `received`.
    std::optional<Packet> Receive(int timeoutMs = 3000);
    void Send(const Packet& packet) { m_packets.SendPacket(packet); }
    void ReplyStatus(const Packet& to, std::uint8_t status, std::uint32_t value);
    void ReplyData(const Packet& to, std::uint32_t index, const std::vector<std::uint8_t>& payload);
    // Calls `handler` for each packet until Stop().
    void Serve(const std::function<void(const Packet&)>& handler);

    // Byte helpers for the legacy protocol.
    std::string ReadEchoedCommand(int timeoutMs = 3000); // echoes each byte up to "\r"
    std::vector<std::uint8_t> ReadBytes(std::size_t count, int timeoutMs = 3000);
    void WriteBytes(const std::vector<std::uint8_t>& bytes) { m_line->Write(bytes); }
    void WriteText(std::string_view text);

    std::vector<Packet> received;

private:
    explicit FakeReceiver(std::pair<std::unique_ptr<MemoryLine>, std::unique_ptr<MemoryLine>> pair);

    std::unique_ptr<MemoryLine> m_pcLine;
    std::unique_ptr<MemoryLine> m_line;
    UpgradeLib m_lib;
    PacketLayer m_packets;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

std::string TextOf(const Packet& packet);
std::vector<std::uint8_t> Be32Bytes(std::uint32_t value);
std::vector<std::uint8_t> PatternBytes(std::size_t count, unsigned seed = 1);

} // namespace torvane::test
