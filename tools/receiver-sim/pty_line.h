#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "link/serial_line.h"

namespace torvane::sim {

// The master side of a pseudo-terminal as a serial line. The PC side opens the slave device by
// its path as it would a serial port. The simulator keeps a slave descriptor of its own open, so
// the line stays usable while no PC has it open.
class PtyLine final : public SerialLine {
public:
    // A new raw pseudo-terminal; nothing (and a reason) when the system refuses one.
    static std::unique_ptr<PtyLine> Create(std::string& error);
    ~PtyLine() override;
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    const std::string& SlavePath() const { return m_slavePath; }

    // The master is open from creation; Open only tells whether it still is.
    bool Open(const std::string& devicePath, const LineSettings& settings) override;
    using SerialLine::Open;
    void Close() override;
    bool IsOpen() const override { return m_master >= 0; }

    std::size_t Write(std::span<const std::uint8_t> bytes) override;
    std::size_t InQueue() override;
    std::size_t ReadAvailable(std::span<std::uint8_t> buffer) override;
    bool PurgeInput() override;
    bool PurgeOutput() override;
    void WaitForInput(std::chrono::milliseconds maxWait) override;

private:
    PtyLine(int master, int slave, std::string slavePath);

    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

} // namespace torvane::sim
