#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/packet.h"
#include "receiver_command.h"
#include "receiver_core.h"
#include "receiver_line.h"
#include "trace_log.h"

namespace torvane::sim {

// The receiver of the framed packet protocol. Between packets it keeps a small command line that
// knows only the greeting ("comtest N"), which every generation is greeted with.
class PacketReceiver final {
public:
    PacketReceiver(ReceiverLine& line, ReceiverCore& core, TraceLog& trace, int burnMs);

    // Serves until the line is told to stop.
    void Serve();

private:
    // The last command carried out, so that a resend of it is answered without doing it twice.
    struct LastCommand {
        std::uint32_t sequence = 0;
        std::string text;
        bool query = false;
        Packet reply;
    };
    struct TransferState {
        std::uint32_t sequence = 0;
        std::uint32_t expected = 1; // index of the next piece
        std::uint32_t wireLength = 0;
        bool compressed = false;
        std::uint32_t unpackedLength = 0;
        bool done = false;
        std::vector<std::uint8_t> data;
    };
    struct DumpState {
        std::uint32_t sequence = 0;
        DumpRange range;
    };

    void CommandLineByte(std::uint8_t byte);
    void ReadPacket();
    void Dispatch(const Packet& packet);
    void OnCommand(const Packet& packet);
    void Execute(const Packet& packet, const std::string& text, const std::optional<ReceiverCommand>& command);
    void OnData(const Packet& packet);
    void OnRequest(const Packet& packet);
    void OnTransferPiece(const Packet& packet);
    Packet FinishTransfer(const Packet& packet);
    void Burn(const Packet& packet);
    void SendPacket(const Packet& packet, const std::string& what);
    void Reply(const Packet& to, std::uint8_t status, std::uint32_t value);

    ReceiverLine& m_line;
    ReceiverCore& m_core;
    TraceLog& m_trace;
    int m_burnMs;
    std::string m_commandLine;
    std::optional<LastCommand> m_last;
    std::optional<TransferState> m_transfer;
    std::optional<DumpState> m_dump;
};

// Trace text of a packet: kind, sequence, resend count, and what it carries.
std::string DescribePacket(const Packet& packet);

} // namespace torvane::sim
