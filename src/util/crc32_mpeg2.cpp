#include "util/crc32_mpeg2.h"

#include <array>

namespace torvane {
namespace {

constexpr std::array<std::uint32_t, 256> makeTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : (c << 1);
        table[i] = c;
    }
    return table;
}

constexpr auto kTable = makeTable();

} // namespace

std::uint32_t Crc32Mpeg2Update(std::uint32_t crc, std::span<const std::uint8_t> bytes)
{
    for (std::uint8_t b : bytes)
        crc = (crc << 8) ^ kTable[((crc >> 24) ^ b) & 0xFFu];
    return crc;
}

} // namespace torvane
