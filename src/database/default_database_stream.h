#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "database/compact_program_record.h"

namespace torvane {

class NodeSchema;
class UserPrompts;

// A default database is one stream of 16-bit little-endian counts and node records:
//
//   [with order only]  FE EF | version (3 written, at least 2 read) | total programs
//   S | S x ( satellite record | T | T x ( TP record | P | P x ( [order] compact program ) ) )
//
// A stream without order (.ddf) has no header and no order numbers. Readers tell the two apart by
// the first word alone. Satellite and TP records are NodeSize bytes; programs are in the compact
// form of compact_program_record.h.
inline constexpr std::uint16_t kWithOrderMagic = 0xEFFE;
inline constexpr std::int16_t kWrittenStreamVersion = 3;
inline constexpr std::int16_t kOldestStreamVersion = 2;
inline constexpr std::size_t kWithOrderHeaderBytes = 6;
inline constexpr std::size_t kCountBytes = 2;
inline constexpr std::size_t kStreamOrderBytes = 2;

// One record of a stream that was read; the spans point into the stream.
struct DefaultStreamProgram {
    std::int16_t order = 0;  // 0 in a stream without order
    std::span<const std::uint8_t> compact;
};

struct DefaultStreamTp {
    std::span<const std::uint8_t> record;
    std::vector<DefaultStreamProgram> programs;
};

struct DefaultStreamSatellite {
    std::span<const std::uint8_t> record;
    std::vector<DefaultStreamTp> tps;
};

struct DefaultStreamContent {
    bool withOrder = false;
    std::int16_t version = 0;        // 0 without order
    std::uint16_t declaredTotal = 0;  // the header's program total; not trusted
    std::vector<DefaultStreamSatellite> satellites;
    std::size_t length = 0;          // bytes the stream took

    int SatelliteCount() const { return static_cast<int>(satellites.size()); }
    int TpCount() const;
    int ProgramCount() const;
};

// Reads a plain stream against the layouts of schema without trusting any count: every record
// must lie wholly inside bytes. Nothing when the stream ends early, a with-order header has a
// version below 2, the layouts have no record sizes, the program layout does not have the compact
// shape, or a program's audio count lies outside 0 … 20. Bytes after the stream are ignored.
std::optional<DefaultStreamContent> ReadDefaultStream(std::span<const std::uint8_t> bytes, const NodeSchema& schema,
                                                      UserPrompts& prompts);

// Appends a stream to a fixed destination range. Every write checks the room left first, so a
// caller can stop cleanly where something does not fit; counts are reserved as placeholders and
// filled in once the records they count are written.
class DefaultStreamWriter final {
public:
    explicit DefaultStreamWriter(std::span<std::uint8_t> destination) : m_destination(destination) {}

    std::size_t Position() const { return m_position; }
    bool Fits(std::size_t bytes) const { return bytes <= m_destination.size() - m_position; }

    // Each answers false, writing nothing, when the bytes do not fit.
    bool Put16(std::uint16_t value);
    bool PutBytes(std::span<const std::uint8_t> bytes);
    // A zero word to be filled in later; its position, or nothing when it does not fit.
    std::optional<std::size_t> Reserve16();
    void Patch16(std::size_t at, std::uint16_t value);

private:
    std::span<std::uint8_t> m_destination;
    std::size_t m_position = 0;
};

} // namespace torvane
