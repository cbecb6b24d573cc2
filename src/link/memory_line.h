#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "link/serial_line.h"

namespace torvane {

// Faults injected into the bytes one end writes. Drawn from a generator seeded with `seed`, so a
// run can be repeated exactly.
struct LineFaults {
    std::uint32_t seed = 1;
    double bitFlipRate = 0.0; // chance per byte that one of its bits is inverted
    double dropRate = 0.0;    // chance per byte that it is lost on the way
    double delayRate = 0.0;   // chance per write that it is held back by `delay`
    std::chrono::milliseconds delay{0};
};

// One end of an in-memory serial line. CreatePair gives two connected ends, both open; each end
// may be used from its own thread. With a line rate, every byte takes 11 bit times on the wire
// (start, 8 data bits, parity, stop) and becomes readable only when it has fully arrived.
// Bytes on the wire are kept in order, also when a write is delayed.
class MemoryLine final : public SerialLine {
public:
    static std::pair<std::unique_ptr<MemoryLine>, std::unique_ptr<MemoryLine>> CreatePair(
        std::int32_t lineRate = 0);
    ~MemoryLine() override;

    // Marks the end open and discards whatever had arrived while it was closed. Any path is
    // accepted; the path and settings are kept for inspection.
    bool Open(const std::string& devicePath, const LineSettings& settings) override;
    using SerialLine::Open;
    void Close() override;
    bool IsOpen() const override;

    std::size_t Write(std::span<const std::uint8_t> bytes) override;
    std::size_t InQueue() override;
    std::size_t ReadAvailable(std::span<std::uint8_t> buffer) override;
    // Discards the bytes that have arrived; bytes still on the wire arrive later.
    bool PurgeInput() override;
    // Takes back the bytes this end wrote that are still on the wire.
    bool PurgeOutput() override;
    // Wakes as soon as a byte arrives.
    void WaitForInput(std::chrono::milliseconds maxWait) override;

    // Faults for the bytes this end writes from now on.
    void SetFaults(const LineFaults& faults);
    const std::string& DevicePath() const { return m_devicePath; }
    const LineSettings& Settings() const { return m_settings; }
    // Bytes handed to Write on this end, before any fault.
    std::uint64_t BytesWritten() const { return m_bytesWritten.load(); }

    struct Direction;

private:
    MemoryLine(std::shared_ptr<Direction> incoming, std::shared_ptr<Direction> outgoing);

    std::shared_ptr<Direction> m_incoming;
    std::shared_ptr<Direction> m_outgoing;
    std::atomic<bool> m_open{true};
    std::atomic<std::uint64_t> m_bytesWritten{0};
    std::string m_devicePath;
    LineSettings m_settings;
};

} // namespace torvane
