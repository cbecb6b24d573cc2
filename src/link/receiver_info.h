#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "database/chunk_chain.h"

namespace torvane {

inline constexpr std::size_t kChunkRecordSize = 128;
inline constexpr std::size_t kChunkTextSize = 16;
// What one information reply has room for.
inline constexpr std::size_t kMaxReceiverChunks = 15;

// One chunk of the receiver's flash as it reports it.
struct ChunkInfo {
    std::uint32_t id = 0;
    std::uint32_t length = 0;
    std::uint32_t nextOffset = 0;
    std::uint32_t crc = 0;
    // Each text stops at its terminating zero and never takes more than its 16 bytes.
    std::array<std::string, 3> texts;
};

struct ReceiverInfo {
    std::uint32_t flashSize = 0;
    std::uint32_t secondByte = 0;
    std::vector<ChunkInfo> chunks; // in the receiver's order
};

// Flash size for the first information byte; 0 for an unknown kind.
std::uint32_t FlashSizeForKind(std::uint8_t kindCode);

// Known chunk kind 1 to 4 from the top 16 bits of the id, or 0.
int KnownChunkKind(std::uint32_t chunkId);

// Parses the information block: flash kind, second byte, then 128-byte chunk records (as many as
// fit, at most 15). Chunks of known kinds 1 and 4 get the unchecked CRC mark. Nothing for a block
// shorter than its two leading bytes.
std::optional<ReceiverInfo> ParseReceiverInfo(std::span<const std::uint8_t> block);

} // namespace torvane
