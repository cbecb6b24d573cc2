#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace torvane {

// Line settings handed to Open. Data bits are always 8.
struct LineSettings {
    std::int32_t baudRate = 115200;
    int parity = 2;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 1; // 1 gives one stop bit, any other code two
};

// One serial line with blocking-with-time-out operations. Every operation on a closed line
// returns 0 / false and touches nothing. A line is used by one thread at a time; the two ends
// of a MemoryLine pair may be used from two threads.
class SerialLine {
public:
    virtual ~SerialLine() = default;

    // Opens a device by path (closing first when open). A device that refuses one of the settings
    // is not opened, except a pseudo-terminal, which can't take parity.
    virtual bool Open(const std::string& devicePath, const LineSettings& settings) = 0;
    // Port n is "COMn" on Windows and /dev/ttyS(n-1) elsewhere.
    bool Open(int portNumber, const LineSettings& settings);
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Number of bytes written; gives up after count + 100 ms and then returns 0.
    virtual std::size_t Write(std::span<const std::uint8_t> bytes) = 0;
    // Bytes waiting in the input queue.
    virtual std::size_t InQueue() = 0;
    // Reads at most what is queued and at most the buffer's size, without waiting.
    virtual std::size_t ReadAvailable(std::span<std::uint8_t> buffer) = 0;
    // True when exactly buffer.size() bytes were read before the time-out. Reads only once the
    // whole count is queued, so a partial arrival that never completes stays queued.
    bool ReadExact(std::span<std::uint8_t> buffer, int timeoutMs);
    // Reads one byte when one is queued.
    bool ReadByte(std::uint8_t& byte) { return ReadAvailable(std::span(&byte, 1)) == 1; }

    virtual bool PurgeInput() = 0;
    virtual bool PurgeOutput() = 0;
    // Discards the input queue; only when that fails purges the output queue instead.
    bool Flush();

    // Waits at most maxWait for more input. Lines that can be woken by arriving data return
    // early; the default just sleeps, which makes every waiting loop poll each millisecond.
    virtual void WaitForInput(std::chrono::milliseconds maxWait);

    static std::string DeviceNameForPort(int portNumber);
};

} // namespace torvane
