#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace torvane::test {

// Chunk identifiers of a Zuv flash image.
inline constexpr std::uint32_t kBootChunkId = 0xE3000010u;
inline constexpr std::uint32_t kCodeChunkId = 0x02FD0200u;
inline constexpr std::uint32_t kDefaultChunkId = 0x03FC0100u;
inline constexpr std::uint32_t kUserChunkId = 0x04FB0100u;
inline constexpr std::uint32_t kNoCrcMark = 0x4E435243u; // "NCRC"
inline constexpr std::size_t kChunkHeaderSize = 128;

// One chunk to lay into a test flash image: a 128-byte header followed by its data.
struct ChunkSpec {
    std::uint32_t id = 0;
    std::vector<std::uint8_t> data;          // bytes after the 128-byte header
    std::uint32_t extent = 0;                // distance to the next chunk; 0 = header + data, rounded up to 4 KiB
    bool checked = true;                     // false: the check value is "NCRC"
    std::array<std::string, 3> texts;        // the three 16-byte texts at header offsets 16, 32, 48
    std::uint8_t reservedUnits = 0xFF;       // header byte 64: reserved 64 KiB units of a user chunk
};

// Where a chunk ended up in a built image.
struct BuiltChunk {
    std::uint32_t id = 0;
    std::size_t offset = 0;      // of its header
    std::uint32_t length = 0;    // header field: bytes after byte 16 covered by the check value
    std::uint32_t next = 0;      // header field: 0 for the last chunk
    std::uint32_t crc = 0;       // header field
    std::uint32_t extent = 0;    // bytes the chunk occupies, the last one included
};

// Lays chunks back to back from offset 0 with correct headers and CRC-32/MPEG-2 check values; the
// rest of the flash is erased (FF). Made for the tests, so that no image of unknown origin is needed.
class FlashImageBuilder final {
public:
    FlashImageBuilder& AddChunk(ChunkSpec wanted);

    // The image, flashSize bytes long; empty when the chunks do not fit.
    std::vector<std::uint8_t> Build(std::size_t flashSize) const;

    // The chunks' places in the image Build returns.
    std::vector<BuiltChunk> Layout() const;

private:
    std::vector<ChunkSpec> m_chunks;
};

// Deterministic filler: bytes from a small generator, with runs of FF every so often when
// withBlankRuns is set (so that dumps meet erased stretches inside chunks too).
std::vector<std::uint8_t> PatternBytes(std::size_t count, std::uint32_t seed, bool withBlankRuns = false);

// A typical receiver image: boot, code, default-database and user-database chunks (the user chunk
// with one reserved 64 KiB unit), the rest erased. The seed varies the chunks' contents, not their
// sizes, so images of different seeds have the same layout.
FlashImageBuilder TypicalFlashImage(std::size_t userDataBytes = 0x6000, std::size_t defaultDataBytes = 0x3000,
                                    std::uint32_t seed = 0);

} // namespace torvane::test
