#include "link/serial_line.h"

#include <algorithm>
#include <thread>

namespace torvane {

bool SerialLine::Open(int portNumber, const LineSettings& settings)
{
    return Open(DeviceNameForPort(portNumber), settings);
}

bool SerialLine::ReadExact(std::span<std::uint8_t> buffer, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::size_t count = buffer.size();
    if (count > 0 && !IsOpen())
        return false;
    // The queue is looked at once more after the deadline, so that bytes that arrived while this
    // thread was not running still count.
    for (;;) {
        if (InQueue() >= count)
            return ReadAvailable(buffer) == count;
        const auto now = Clock::now();
        if (now >= deadline)
            return false;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        WaitForInput(std::min(left, std::chrono::milliseconds(1)));
    }
}

bool SerialLine::Flush()
{
    return PurgeInput() || PurgeOutput();
}

void SerialLine::WaitForInput(std::chrono::milliseconds maxWait)
{
    std::this_thread::sleep_for(maxWait);
}

std::string SerialLine::DeviceNameForPort(int portNumber)
{
#ifdef _WIN32
    return "COM" + std::to_string(portNumber);
#else
    return "/dev/ttyS" + std::to_string(portNumber - 1);
#endif
}

} // namespace torvane
