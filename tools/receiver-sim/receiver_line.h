#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string_view>

#include "fault_injector.h"
#include "trace_log.h"

namespace torvane {
class SerialLine;
}

namespace torvane::sim {

// The receiver's end of the serial line: reads with time-outs that give up early when the simulator
// is told to stop, and sends every reply through the fault injector and the optional line-rate pace.
class ReceiverLine final {
public:
    // bitsPerSecond 0: no pacing (the line itself may model the rate).
    ReceiverLine(SerialLine& line, FaultInjector& faults, TraceLog& trace, const std::atomic<bool>& stop,
                 std::uint32_t bitsPerSecond);

    bool Stopping() const { return m_stop.load(std::memory_order_relaxed); }

    // One byte within timeoutMs; nothing on time-out or stop.
    std::optional<std::uint8_t> ReadByte(int timeoutMs);
    // Exactly out.size() bytes within timeoutMs; false otherwise, and what did arrive stays to be read.
    bool ReadExact(std::span<std::uint8_t> out, int timeoutMs);
    // Drops whatever has arrived and not been read.
    void DiscardInput();

    // Sends one reply; what names it in the trace.
    void Send(std::span<const std::uint8_t> bytes, std::string_view what);
    void SendByte(std::uint8_t byte, std::string_view what);

private:
    bool Fill();
    void WriteRaw(std::span<const std::uint8_t> bytes);

    SerialLine& m_line;
    FaultInjector& m_faults;
    TraceLog& m_trace;
    const std::atomic<bool>& m_stop;
    std::uint32_t m_bitsPerSecond;
    std::deque<std::uint8_t> m_pending;
    std::chrono::steady_clock::time_point m_lineFreeAt{};
};

} // namespace torvane::sim
