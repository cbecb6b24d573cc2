#pragma once

#include <functional>
#include <memory>
#include <utility>

#include <QSerialPort>

#include "link/serial_line.h"

namespace torvane {

// A real serial port through QSerialPort. The port object is created by Open, on the calling
// thread, and must then be used on that thread only: the thread that runs the transfer.
class QtSerialLine final : public SerialLine {
public:
    // The port's native handle: a file descriptor, or a HANDLE on Windows.
    using NativeHandle = decltype(std::declval<const QSerialPort&>().handle());
    // Tells whether the open port's native handle is a pseudo-terminal.
    using PseudoTerminalCheck = std::function<bool(NativeHandle handle)>;

    explicit QtSerialLine(PseudoTerminalCheck isPseudoTerminal = IsPseudoTerminal);
    ~QtSerialLine() override;

    // Opens with 8 data bits and no flow control, then applies baud rate, parity and stop bits one
    // by one. A port that refuses one of them is closed again and the open fails: the receiver
    // talks only at its own settings. A pseudo-terminal (the simulator's) can't take parity, so
    // there a refused setting is left as it is. On Linux the driver's low-latency mode is asked
    // for where it has one, so that small replies are not held back; it is no condition.
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
    // True for the slave side of a pseudo-terminal, told by its device (on Linux the driver's
    // major number); false for every other handle, and always on Windows.
    static bool IsPseudoTerminal(NativeHandle handle);

private:
    // Moves what the driver has received into the port's buffer, without waiting.
    void Collect();

    PseudoTerminalCheck m_isPseudoTerminal;
    std::unique_ptr<QSerialPort> m_port;
};

} // namespace torvane
