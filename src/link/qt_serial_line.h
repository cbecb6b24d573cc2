#pragma once

#include <memory>

#include <QSerialPort>

#include "link/serial_line.h"

namespace torvane {

// A real serial port through QSerialPort. The port object is created by Open, on the calling
// thread, and must then be used on that thread only: the thread that runs the transfer.
class QtSerialLine final : public SerialLine {
public:
    QtSerialLine();
    ~QtSerialLine() override;

    // Opens with 8 data bits and no flow control, then applies baud rate, parity and stop bits one
    // by one; a setting the device refuses (a pseudo-terminal refuses parity) is left as it is.
    bool Open(const std::string& devicePath, const LineSettings& settings) override;
    using SerialLine::Open;
    void Close() override;
    bool IsOpen() const override;

    std::size_t Write(std::span<const std::uint8_t> bytes) override;
    std::size_t InQueue() override;
    std::size_t ReadAvailable(std::span<std::uint8_t> buffer) override;
    bool PurgeInput() override;
    bool PurgeOutput() override;
    // Wakes as soon as input arrives.
    void WaitForInput(std::chrono::milliseconds maxWait) override;

    // 0 none, 1 odd, 2 even, 3 mark, 4 space; another code gives none.
    static QSerialPort::Parity ParityFor(int parityCode);
    // 1 gives one stop bit, every other code two.
    static QSerialPort::StopBits StopBitsFor(int stopBitCode);

private:
    // Moves what the driver has received into the port's buffer, without waiting.
    void Collect();

    std::unique_ptr<QSerialPort> m_port;
};

} // namespace torvane
