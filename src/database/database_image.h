#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/table_header.h"
#include "schema/node_schema.h"

namespace torvane {

class UserPrompts;

// The user-database region in memory with its TP, satellite and program tables. The region holds
// the node records, then the three table headers, then erased flash (0xFF) up to its end. It is
// also the editor's working store: the node store adds records to the buffer and frees slots.
class DatabaseImage final {
public:
    // Replaces the content with the length bytes at fileOffset of the file at path and parses the
    // three tables. 0 on success, -1 on failure. A file that cannot be read (also one shorter than
    // fileOffset + length) fails without a message; a region without data or with a bad table
    // shows the system's message.
    int parserdb(const std::string& path, std::uint64_t fileOffset, std::uint32_t length, UserPrompts& prompts);
    // The same over a region already in memory.
    int parserdb(std::span<const std::uint8_t> region, UserPrompts& prompts);

    // A new region buffer of length zeroed bytes and three empty tables. False when the buffer
    // cannot be allocated.
    bool create_empty_header(std::uint32_t length);

    // Frees the tables' extra bytes and offsets and zeroes them.
    void ClearTables();
    // ClearTables, and drops the region buffer.
    void Clear();

    // The end of the used data: the end of the last end marker before the erased area, rounded up
    // to a multiple of 4; 0 when there is none. The reserved size is the search's low bound.
    std::uint32_t FindDataEnd(std::span<const std::uint8_t> region) const;
    // Offset of the header "DB@T" + tag nearest to the data end, or nothing.
    std::optional<std::uint32_t> SeekTable(std::span<const std::uint8_t> region, std::string_view tag) const;
    // Parses the header at offset at of the region into table. Fails on a wrong magic or tag, a
    // negative count, a header cut by the region end, a node offset outside the region (other
    // than -1) or a wrong end marker; table is then left as it was.
    static bool ParseTable(std::span<const std::uint8_t> region, std::size_t at, std::string_view tag,
                           TableHeader& table);

    // The table of kind 0 (TP), 1 (satellite) or 2 (program); nullptr for other kinds.
    TableHeader* Table(NodeKind kind);
    const TableHeader* Table(NodeKind kind) const;

    std::uint32_t Length() const { return m_length; }
    std::span<std::uint8_t> Region() { return {m_buffer.data(), m_length}; }
    std::span<const std::uint8_t> Region() const { return {m_buffer.data(), m_length}; }
    // The size bytes at offset of the region, or an empty span when any of them lies outside it.
    std::span<std::uint8_t> Bytes(std::int64_t offset, std::size_t size);
    std::span<const std::uint8_t> Bytes(std::int64_t offset, std::size_t size) const;

    // Bytes skipped at the start of the user-database chunk before the region begins.
    std::uint32_t ReservedSize() const { return m_reservedSize; }
    void SetReservedSize(std::uint32_t size) { m_reservedSize = size; }

private:
    bool AllocateRegion(std::uint32_t length);
    int ParseRegion(UserPrompts& prompts);

    std::array<TableHeader, 3> m_tables;  // by NodeKind: TP, satellite, program
    std::vector<std::uint8_t> m_buffer;   // m_length bytes and one spare byte
    std::uint32_t m_length = 0;
    std::uint32_t m_reservedSize = 0;
};

} // namespace torvane
