#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// Each table of the user database ends the region with a header: "DB@T", its tag, a flag byte,
// L extra bytes, the node count N and N node offsets, then the end marker. All little-endian:
//   0 "DB@T" | 4 tag | 8 flag | 9 L | 10 extra[L] | 10+L N (int16) | 12+L offsets[N] (int32)
//   | 12+L+4N 0x12345678
inline constexpr std::string_view kTableMagic = "DB@T";
inline constexpr std::string_view kTpTableTag = "TT01";
inline constexpr std::string_view kSatelliteTableTag = "ST01";
inline constexpr std::string_view kProgramTableTag = "PT01";
inline constexpr std::uint32_t kTableEndMarker = 0x12345678u;
inline constexpr std::size_t kTableHeaderFixedBytes = 16;  // a header is 16 + L + 4N bytes
inline constexpr int kMaxTableSlots = 32767;               // the slot count is a signed 16-bit number

struct TableHeader {
    std::string magic;                // "DB@T"
    std::string tag;                  // "TT01", "ST01" or "PT01"
    std::uint8_t flag = 0;            // kept as read, written back
    std::vector<std::uint8_t> extra;  // L = extra.size(), at most 255; kept as read, written back
    std::int16_t liveCount = 0;
    std::int16_t slotCount = 0;
    std::vector<std::int32_t> offsets;  // per slot: offset of the node in the region, -1 when free
    std::uint32_t endMarker = 0;

    bool operator==(const TableHeader&) const = default;
};

// Bytes of the stored form of a header: 16 + L + 4 x slot count.
std::size_t StoredTableHeaderSize(const TableHeader& table);

// The stored form of a header listing its first slot-count offsets (slots beyond the offsets
// array are written as -1). Empty when the header cannot be stored (more than 255 extra bytes
// or a negative slot count).
std::vector<std::uint8_t> SerializeTableHeader(const TableHeader& table);

} // namespace torvane
