#include "database/default_database_stream.h"

#include <algorithm>

#include "schema/node_schema.h"
#include "util/byte_order.h"

namespace torvane {
namespace {

// Hands out the stream piece by piece; a piece that runs past the end stops the reading for good.
class StreamCursor final {
public:
    explicit StreamCursor(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::optional<std::uint16_t> Word()
    {
        const std::span<const std::uint8_t> piece = Take(2);
        if (piece.empty())
            return std::nullopt;
        return ReadLe16(piece.data());
    }

    // The next size bytes, or an empty span when fewer are left.
    std::span<const std::uint8_t> Take(std::size_t size)
    {
        if (size == 0 || size > m_bytes.size() - m_position)
            return {};
        const std::span<const std::uint8_t> piece = m_bytes.subspan(m_position, size);
        m_position += size;
        return piece;
    }

    std::span<const std::uint8_t> Rest() const { return m_bytes.subspan(m_position); }
    std::size_t Position() const { return m_position; }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_position = 0;
};

} // namespace

int DefaultStreamContent::TpCount() const
{
    int count = 0;
    for (const DefaultStreamSatellite& satellite : satellites)
        count += static_cast<int>(satellite.tps.size());
    return count;
}

int DefaultStreamContent::ProgramCount() const
{
    int count = 0;
    for (const DefaultStreamSatellite& satellite : satellites) {
        for (const DefaultStreamTp& tp : satellite.tps)
            count += static_cast<int>(tp.programs.size());
    }
    return count;
}

std::optional<DefaultStreamContent> ReadDefaultStream(std::span<const std::uint8_t> bytes, const NodeSchema& schema,
                                                      UserPrompts& prompts)
{
    const int satelliteSize = schema.NodeSize(NodeKind::Satellite);
    const int tpSize = schema.NodeSize(NodeKind::Tp);
    const CompactProgramRecord programLayout(schema);
    if (satelliteSize <= 0 || tpSize <= 0 || !programLayout.IsValid())
        return std::nullopt;

    DefaultStreamContent content;
    StreamCursor cursor(bytes);
    const std::optional<std::uint16_t> first = cursor.Word();
    if (!first)
        return std::nullopt;
    if (*first == kWithOrderMagic) {
        const std::optional<std::uint16_t> version = cursor.Word();
        const std::optional<std::uint16_t> total = cursor.Word();
        if (!version || !total || static_cast<std::int16_t>(*version) < kOldestStreamVersion)
            return std::nullopt;
        content.withOrder = true;
        content.version = static_cast<std::int16_t>(*version);
        content.declaredTotal = *total;
    } else {
        cursor = StreamCursor(bytes);
    }

    const std::optional<std::uint16_t> satelliteCount = cursor.Word();
    if (!satelliteCount)
        return std::nullopt;
    // Nothing is reserved from the counts: they may lie, the data decides how much is taken.
    for (unsigned s = 0; s < *satelliteCount; ++s) {
        DefaultStreamSatellite satellite;
        satellite.record = cursor.Take(static_cast<std::size_t>(satelliteSize));
        const std::optional<std::uint16_t> tpCount = cursor.Word();
        if (satellite.record.empty() || !tpCount)
            return std::nullopt;
        for (unsigned t = 0; t < *tpCount; ++t) {
            DefaultStreamTp tp;
            tp.record = cursor.Take(static_cast<std::size_t>(tpSize));
            const std::optional<std::uint16_t> programCount = cursor.Word();
            if (tp.record.empty() || !programCount)
                return std::nullopt;
            for (unsigned p = 0; p < *programCount; ++p) {
                DefaultStreamProgram program;
                if (content.withOrder) {
                    const std::optional<std::uint16_t> order = cursor.Word();
                    if (!order)
                        return std::nullopt;
                    program.order = static_cast<std::int16_t>(*order);
                }
                const int audioCount = programLayout.AudioCount(cursor.Rest(), prompts);
                if (audioCount < 0)
                    return std::nullopt;
                program.compact = cursor.Take(static_cast<std::size_t>(programLayout.CompactSize(audioCount)));
                if (program.compact.empty())
                    return std::nullopt;
                tp.programs.push_back(program);
            }
            satellite.tps.push_back(std::move(tp));
        }
        content.satellites.push_back(std::move(satellite));
    }
    content.length = cursor.Position();
    return content;
}

bool DefaultStreamWriter::Put16(std::uint16_t value)
{
    if (!Fits(2))
        return false;
    WriteLe16(m_destination.data() + m_position, value);
    m_position += 2;
    return true;
}

bool DefaultStreamWriter::PutBytes(std::span<const std::uint8_t> bytes)
{
    if (!Fits(bytes.size()))
        return false;
    std::copy(bytes.begin(), bytes.end(), m_destination.begin() + static_cast<std::ptrdiff_t>(m_position));
    m_position += bytes.size();
    return true;
}

std::optional<std::size_t> DefaultStreamWriter::Reserve16()
{
    const std::size_t at = m_position;
    if (!Put16(0))
        return std::nullopt;
    return at;
}

void DefaultStreamWriter::Patch16(std::size_t at, std::uint16_t value)
{
    if (at <= m_position && m_position - at >= 2)
        WriteLe16(m_destination.data() + at, value);
}

} // namespace torvane
