#include "link/counting_line.h"

namespace torvane {

bool CountingLine::Open(const std::string& devicePath, const LineSettings& settings)
{
    m_written = 0;
    m_read = 0;
    return m_line.Open(devicePath, settings);
}

std::size_t CountingLine::Write(std::span<const std::uint8_t> bytes)
{
    const std::size_t written = m_line.Write(bytes);
    m_written += written;
    return written;
}

std::size_t CountingLine::ReadAvailable(std::span<std::uint8_t> buffer)
{
    const std::size_t read = m_line.ReadAvailable(buffer);
    m_read += read;
    return read;
}

} // namespace torvane
