#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace torvane::test {

// One chunk of a generated flash image. Chunks are laid out one after the other from offset 0;
// each occupies extent bytes. By default the header is sound: length = extent − 16, next offset =
// extent (0 for the last chunk), check value = the CRC-32/MPEG-2 of the length bytes after byte 16.
// The overrides make damaged chunks; they are applied after the CRC is computed.
struct TestChunk {
    std::uint32_t identifier = 0;
    std::uint32_t extent = 0;
    bool noCheck = false;                 // check value "NCRC"
    std::uint8_t reservedByte = 0xFF;     // header byte 64
    std::vector<std::uint8_t> data{};     // placed at byte 128; the rest of the chunk is a pattern
    std::optional<std::uint32_t> length{};  // covered length (the CRC follows it)
    std::optional<std::uint32_t> nextOffset{};
    std::optional<std::uint32_t> checkValue{};
};

// The chain in a file of fileSize bytes (0xFF where no chunk lies; chunks past the end are cut).
std::vector<std::uint8_t> BuildFlashImage(const std::vector<TestChunk>& chunks, std::size_t fileSize);

// A 2 MiB image laid out like a receiver's flash:
//   0x000000  boot chunk, an identifier outside the pairing rule (the first chunk is exempt)
//   0x010000  code chunk 0x01FE0100
//   0x040000  default-database chunk 0x03FC0100, next offset 0x20000
//   0x060000  user-database chunk 0x04FB0100, NCRC, extent 0xA0080 (reserved byte 0xFF)
//   0x100080  the last chunk, 0x02FD0100, 0x40000 bytes
struct ReceiverLayout {
    static constexpr std::uint32_t kFileSize = 0x200000;
    static constexpr std::uint32_t kBootOffset = 0x000000;
    static constexpr std::uint32_t kCodeOffset = 0x010000;
    static constexpr std::uint32_t kDefaultOffset = 0x040000;
    static constexpr std::uint32_t kDefaultExtent = 0x20000;
    static constexpr std::uint32_t kUserOffset = 0x060000;
    static constexpr std::uint32_t kUserExtent = 0xA0080;
    static constexpr std::uint32_t kTailOffset = 0x100080;
};
std::vector<TestChunk> ReceiverChunks();

// Deterministic filler bytes.
std::vector<std::uint8_t> PatternBytes(std::size_t size, std::uint32_t seed);

void PutBe32(std::vector<std::uint8_t>& image, std::size_t offset, std::uint32_t value);
std::uint32_t GetBe32(std::span<const std::uint8_t> image, std::size_t offset);

} // namespace torvane::test
