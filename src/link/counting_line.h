#pragma once

#include <cstdint>

#include "link/serial_line.h"

namespace torvane {

// Passes every operation to another line and counts the bytes that went out and came in, so that
// a transfer can tell its speed on the wire (framing, echoes and resends included).
class CountingLine final : public SerialLine {
public:
    explicit CountingLine(SerialLine& line) : m_line(line) {}

    bool Open(const std::string& devicePath, const LineSettings& settings) override;
    using SerialLine::Open;
    void Close() override { m_line.Close(); }
    bool IsOpen() const override { return m_line.IsOpen(); }

    std::size_t Write(std::span<const std::uint8_t> bytes) override;
    std::size_t InQueue() override { return m_line.InQueue(); }
    std::size_t ReadAvailable(std::span<std::uint8_t> buffer) override;
    bool PurgeInput() override { return m_line.PurgeInput(); }
    bool PurgeOutput() override { return m_line.PurgeOutput(); }
    void WaitForInput(std::chrono::milliseconds maxWait) override { m_line.WaitForInput(maxWait); }

    // Counted since the line was opened.
    std::uint64_t BytesWritten() const { return m_written; }
    std::uint64_t BytesRead() const { return m_read; }

private:
    SerialLine& m_line;
    std::uint64_t m_written = 0;
    std::uint64_t m_read = 0;
};

} // namespace torvane
