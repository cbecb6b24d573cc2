#include "util/file_reader.h"

#include <filesystem>
#include <system_error>

#include "util/file_name.h"

namespace torvane {

bool FileReader::Open(const std::string& path)
{
    m_stream.close();
    m_size = 0;
    // Only regular files have a length to bound reads by (a folder or a device has none).
    const std::filesystem::path file = FileNamePath(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return false;
    m_stream.open(file, std::ios::binary);
    if (!m_stream.is_open())
        return false;
    m_stream.seekg(0, std::ios::end);
    const std::streamoff end = m_stream.tellg();
    if (!m_stream || end < 0) {
        m_stream.close();
        return false;
    }
    m_size = static_cast<std::uint64_t>(end);
    return true;
}

bool FileReader::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out)
{
    if (!m_stream.is_open() || offset > m_size || out.size() > m_size - offset)
        return false;
    m_stream.clear();
    m_stream.seekg(static_cast<std::streamoff>(offset));
    m_stream.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<std::size_t>(m_stream.gcount()) == out.size();
}

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path, std::uint64_t maxSize)
{
    FileReader reader;
    if (!reader.Open(path) || reader.Size() > maxSize)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(reader.Size()));
    if (!reader.ReadAt(0, bytes))
        return std::nullopt;
    return bytes;
}

} // namespace torvane
