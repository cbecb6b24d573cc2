#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace torvane::sim {

inline constexpr std::size_t kChunkHeaderSize = 128;
// At most this many 128-byte chunk records fit in one information reply.
inline constexpr std::size_t kMaxInfoChunks = 15;

// One chunk of the receiver's flash, as its chain lists it.
struct FlashChunk {
    std::size_t offset = 0;   // of the chunk header
    std::uint32_t id = 0;
    std::uint32_t length = 0; // bytes after byte 16 covered by the check value
    std::uint32_t next = 0;   // offset of the next chunk from this one; 0 for the last
    std::uint32_t crc = 0;
    std::size_t extent = 0;   // bytes the chunk occupies: next, or length + 16 for the last one
};

// The receiver's flash: its bytes, the file they live in, and the chunk chain read from them.
class ReceiverFlash final {
public:
    // Loads a flash image of 512 KiB, 1 MiB or 2 MiB; nothing (and a reason) otherwise.
    static std::optional<ReceiverFlash> Load(const std::string& path, std::string& error);

    // A flash held in memory only (path empty: Save writes nothing).
    ReceiverFlash(std::vector<std::uint8_t> bytes, std::string path);

    std::size_t Size() const { return m_bytes.size(); }
    std::span<const std::uint8_t> Bytes() const { return m_bytes; }
    const std::string& Path() const { return m_path; }

    // The flash kind code the receiver reports for its size (1: 512 KiB, 3: 1 MiB, 5: 2 MiB).
    std::uint8_t KindCode() const;

    // Walks the chain from offset 0. A chunk after the first must have an identifier whose top two
    // bytes add up to FF; the walk stops at the first chunk that breaks the chain or leaves the flash.
    std::vector<FlashChunk> Chunks() const;
    std::optional<FlashChunk> FindChunk(std::uint32_t id) const;

    // The information block: flash kind code, the second byte, then each chunk's 128-byte header
    // (at most kMaxInfoChunks of them).
    std::vector<std::uint8_t> InfoBlock(std::uint8_t secondByte) const;

    // Overwrites [offset, offset + bytes) with bytes, bounded by the flash size.
    void Write(std::size_t offset, std::span<const std::uint8_t> bytes);

    // Writes the flash back to its file through a temporary file in the same folder.
    bool Save(std::string& error) const;

private:
    std::vector<std::uint8_t> m_bytes;
    std::string m_path;
};

} // namespace torvane::sim
