#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace torvane {

// CRC-32/MPEG-2: polynomial 0x04C11DB7, initial 0xFFFFFFFF, no reflection, no final XOR.
// Used for chunk checks in flash images and for the serial packets.
inline constexpr std::uint32_t kCrc32Mpeg2Initial = 0xFFFFFFFFu;

// Continues a CRC over more bytes; start with kCrc32Mpeg2Initial.
std::uint32_t Crc32Mpeg2Update(std::uint32_t crc, std::span<const std::uint8_t> bytes);

inline std::uint32_t Crc32Mpeg2(std::span<const std::uint8_t> bytes)
{
    return Crc32Mpeg2Update(kCrc32Mpeg2Initial, bytes);
}

} // namespace torvane
