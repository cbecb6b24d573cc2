#include "util/crc32_mpeg2.h"

#include <array>

namespace torvane {
namespace {

// Eight tables for eight bytes at a time: kTables[0] is the byte table of the polynomial, and
// kTables[k][i] is kTables[k - 1][i] carried through one more zero byte, so that a byte followed by
// k others is looked up in kTables[k].
using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr CrcTables MakeTables()
{
    CrcTables tables{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : (c << 1);
        tables[0][i] = c;
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (std::uint32_t i = 0; i < 256; ++i)
            tables[k][i] = (tables[k - 1][i] << 8) ^ tables[0][tables[k - 1][i] >> 24];
    }
    return tables;
}

constexpr CrcTables kTables = MakeTables();

} // namespace

std::uint32_t Crc32Mpeg2Update(std::uint32_t crc, std::span<const std::uint8_t> bytes)
{
    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    for (; left >= 8; left -= 8, p += 8) {
        const std::uint32_t head = crc ^ ((std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16)
                                          | (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]});
        crc = kTables[7][head >> 24] ^ kTables[6][(head >> 16) & 0xFFu] ^ kTables[5][(head >> 8) & 0xFFu]
            ^ kTables[4][head & 0xFFu] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^ kTables[0][p[7]];
    }
    for (; left > 0; --left, ++p)
        crc = (crc << 8) ^ kTables[0][((crc >> 24) ^ *p) & 0xFFu];
    return crc;
}

} // namespace torvane
