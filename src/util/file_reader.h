#pragma once

#include <cstdint>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace torvane {

// Reads a file by offset with every read bounded by the file's length, so that callers walking
// outside data never read past its end.
class FileReader final {
public:
    // path is UTF-8.
    bool Open(const std::string& path);
    bool IsOpen() const { return m_stream.is_open(); }
    std::uint64_t Size() const { return m_size; }

    // Fills out from offset; false when the file does not hold all of it.
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out);

private:
    std::ifstream m_stream;
    std::uint64_t m_size = 0;
};

// The largest file the editor reads whole (flash images are a few MiB); anything larger is refused
// rather than exhausting memory.
inline constexpr std::uint64_t kMaxWholeFileSize = 256u * 1024u * 1024u;

// The whole file, or nothing when it cannot be opened, read, or is larger than maxSize.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path,
                                                       std::uint64_t maxSize = kMaxWholeFileSize);

} // namespace torvane
