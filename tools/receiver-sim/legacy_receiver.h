#pragma once

#include <cstdint>
#include <string>

#include "receiver_command.h"
#include "receiver_core.h"
#include "receiver_line.h"
#include "trace_log.h"

namespace torvane::sim {

// The receiver of the unframed byte protocol: a command line that echoes every byte, single-letter
// replies, raw blocks checked with CRC-32/MPEG-2.
class LegacyReceiver final {
public:
    LegacyReceiver(ReceiverLine& line, ReceiverCore& core, TraceLog& trace, int generation, int burnMs);

    // Serves until the line is told to stop.
    void Serve();

private:
    void Execute(const std::string& text);
    void VersionRaw();
    void TransferRaw(std::uint32_t length);
    void Burn();
    void DumpStream();
    void DumpBlocks(std::uint32_t start, std::uint32_t length);
    void SendLetter(char letter);

    ReceiverLine& m_line;
    ReceiverCore& m_core;
    TraceLog& m_trace;
    int m_generation;
    int m_burnMs;
};

} // namespace torvane::sim
