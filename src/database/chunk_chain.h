#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace torvane {

// A flash image is a chain of chunks. Every chunk starts with a 128-byte header whose first
// 16 bytes are four big-endian words: identifier, length (data bytes after byte 16 covered by the
// check), offset of the next chunk from this chunk's start (0 for the last) and check value (the
// CRC-32/MPEG-2 of those length bytes, or "NCRC" for none). The chunk's data begins at byte 128.
inline constexpr std::uint32_t kUserChunkId = 0x04FB0100u;
inline constexpr std::uint32_t kDefaultChunkId = 0x03FC0100u;
inline constexpr std::uint32_t kNoCheckValue = 0x4E435243u;  // "NCRC"
inline constexpr std::size_t kChunkStartSize = 16;
inline constexpr std::size_t kChunkHeaderSize = 128;
inline constexpr std::size_t kChunkCrcPiece = 1024;
// Byte 64 of the user chunk's header: reserved size in units of 65,536 bytes.
inline constexpr std::size_t kReservedSizeByte = 64;
inline constexpr std::uint64_t kReservedSizeUnit = 0x10000;
// Next-chunk offsets above this end the walk when a file is opened in the editor.
inline constexpr std::uint32_t kOpenWalkLimit = 0x200000u;

struct ChunkHeader {
    std::uint32_t identifier = 0;
    std::uint32_t length = 0;
    std::uint32_t nextOffset = 0;
    std::uint32_t checkValue = 0;

    static ChunkHeader Read(std::span<const std::uint8_t, kChunkStartSize> bytes);
    // Bytes the chunk occupies from its header: up to the next chunk, or its covered data when it
    // is the last.
    std::uint64_t Extent() const { return nextOffset != 0 ? nextOffset : std::uint64_t{length} + kChunkStartSize; }
};

// Reserved size of the user chunk from its header byte 64: 0x00..0x7F that many 65,536-byte units,
// 0xFF none. 0x80..0xFE are not defined; nothing is returned for them, so that a damaged header
// never lets the user database be written over a reserved area.
std::optional<std::uint64_t> ReservedSizeOf(std::uint8_t byte64);

enum class ChunkCheck {
    Ok,        // the CRC matched
    NoCheck,   // "NCRC": accepted without reading the data
    Bad,       // the CRC did not match, or the file does not hold the data it covers
    NotRead,   // rejected before its data was looked at
};

// Why a walk ended. Only ChainEnd is a complete chain.
enum class WalkStop {
    ChainEnd,        // a chunk with next offset 0
    CantOpen,        // the file could not be opened
    ShortHeader,     // fewer than 128 bytes left at the next chunk's offset
    BadIdentifier,   // top byte + second byte of a later chunk's identifier is not 0xFF
    NextOverLimit,   // next offset above the walk's limit
    NextTooSmall,    // nonzero next offset smaller than length + 16
    BadCheck,        // CRC mismatch or data past the end of the file
};

struct WalkedChunk {
    std::uint64_t offset = 0;  // from the start of the file
    ChunkHeader header;
    ChunkCheck check = ChunkCheck::NotRead;
};

struct ChunkWalk {
    int count = 0;                    // chunks accepted; 0 when the chain is broken
    WalkStop stop = WalkStop::CantOpen;
    std::vector<WalkedChunk> chunks;  // accepted chunks in chain order
    std::optional<WalkedChunk> rejected;  // the chunk whose header ended the walk, if one was read
    // The last user- and default-database chunks accepted; found chunks stay found whatever the
    // walk's result.
    std::optional<WalkedChunk> userChunk;
    std::optional<WalkedChunk> defaultChunk;

    bool Recognized() const { return userChunk.has_value() || defaultChunk.has_value(); }
    // File offset of the user chunk's data (128 when the image has only a default chunk).
    std::uint64_t UserDataOffset() const;
    // The user chunk's length + 16; 0 without a user chunk.
    std::uint64_t UserLength() const;
    // The default chunk's next-chunk offset; 0 without a default chunk.
    std::uint64_t DefaultChunkSize() const;
};

// Walks the chunk chain of a file image in memory, or of a file read piece by piece.
ChunkWalk WalkChunks(std::span<const std::uint8_t> file, std::optional<std::uint32_t> limit);
ChunkWalk WalkChunks(const std::string& path, std::optional<std::uint32_t> limit);

} // namespace torvane
