#include "database/table_header.h"

#include "util/byte_order.h"

namespace torvane {

std::size_t StoredTableHeaderSize(const TableHeader& table)
{
    const std::size_t slots = table.slotCount > 0 ? static_cast<std::size_t>(table.slotCount) : 0;
    return kTableHeaderFixedBytes + table.extra.size() + 4 * slots;
}

std::vector<std::uint8_t> SerializeTableHeader(const TableHeader& table)
{
    if (table.extra.size() > 255 || table.slotCount < 0)
        return {};
    std::vector<std::uint8_t> bytes(StoredTableHeaderSize(table), 0);
    std::uint8_t* p = bytes.data();
    for (std::size_t i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(i < table.magic.size() ? table.magic[i] : 0);
        p[4 + i] = static_cast<std::uint8_t>(i < table.tag.size() ? table.tag[i] : 0);
    }
    p[8] = table.flag;
    p[9] = static_cast<std::uint8_t>(table.extra.size());
    p += 10;
    for (const std::uint8_t b : table.extra)
        *p++ = b;
    WriteLe16(p, static_cast<std::uint16_t>(table.slotCount));
    p += 2;
    for (std::size_t slot = 0; slot < static_cast<std::size_t>(table.slotCount); ++slot) {
        const std::int32_t offset = slot < table.offsets.size() ? table.offsets[slot] : -1;
        WriteLe32(p, static_cast<std::uint32_t>(offset));
        p += 4;
    }
    WriteLe32(p, table.endMarker);
    return bytes;
}

} // namespace torvane
