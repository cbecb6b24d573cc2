#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "schema/node_schema.h"

namespace torvane {

class NodeStore;

// Writes the store back into the receiver's user-database format: the satellite records in tree
// order, the TP records grouped by satellite in tree order, the program records in order-number
// order (without their order numbers), then the satellite, TP and program table headers. Each
// header keeps the flag byte and extra bytes of the table it was read from.
class UserImageBuilder final {
public:
    explicit UserImageBuilder(const NodeStore& store);

    // The program records by order number, contiguous from out's start. 0, or -1 after
    // "CreateProgImage : Out of Range." (an order number not below the table's slot count or
    // beyond the region, a record that does not fit out or lies outside the region).
    int CreateProgImage(std::span<std::uint8_t> out, std::size_t& written);
    // Satellite, TP and program records one after another. 0 or -1 (with the message of the
    // piece that did not fit; silently when the tree has no "Satellite Information" item or a
    // satellite item stands for no node).
    int CreateSatTpProgImage(std::span<std::uint8_t> out);
    // A whole user-database region: the records, then the three headers. Bytes after them are
    // left as they were. 0 or -1 ("CreateUserDataImage : Out of Range" when a header does not fit).
    int CreateUserDataImage(std::span<std::uint8_t> region);
    // The header of kind's table listing the records just written, at firstOffset, firstOffset +
    // NodeSize, …; the bytes written, or 0 after "Out of Range" when out has less than one byte
    // more than the header needs.
    std::size_t WriteTableHeader(std::span<std::uint8_t> out, NodeKind kind, std::uint32_t firstOffset);

    int SatellitesWritten() const { return m_satellites; }
    int TpsWritten() const { return m_tps; }
    int ProgramsWritten() const { return m_programs; }
    // Bytes of the records written by the last CreateSatTpProgImage.
    std::size_t SatelliteBytes() const { return m_satelliteBytes; }
    std::size_t TpBytes() const { return m_tpBytes; }
    std::size_t ProgramBytes() const { return m_programBytes; }

private:
    int CountOf(NodeKind kind) const;

    const NodeStore& m_store;
    int m_satellites = 0;
    int m_tps = 0;
    int m_programs = 0;
    std::size_t m_satelliteBytes = 0;
    std::size_t m_tpBytes = 0;
    std::size_t m_programBytes = 0;
};

} // namespace torvane
