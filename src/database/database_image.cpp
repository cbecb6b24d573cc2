#include "database/database_image.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <new>

#include "util/byte_order.h"
#include "util/file_name.h"
#include "util/user_prompts.h"

namespace torvane {

namespace {

constexpr std::uint32_t kErasedWord = 0xFFFFFFFFu;
// Two erased words this far apart end the data, so that one 0xFFFFFFFF value inside it does not.
constexpr std::size_t kErasedProbeDistance = 60;

struct TableMessages {
    NodeKind kind;
    std::string_view tag;
    std::string_view notFound;
    std::string_view notParsed;
};

// Parsed in this order.
constexpr std::array<TableMessages, 3> kTableMessages{{
    {NodeKind::Tp, kTpTableTag, "can't seek TP header", "parse TP header error!"},
    {NodeKind::Satellite, kSatelliteTableTag, "can't seek SAT header", "parse SAT header error!"},
    {NodeKind::Program, kProgramTableTag, "can't seek PROG header", "parse PROG header error!"},
}};

} // namespace

bool DatabaseImage::AllocateRegion(std::uint32_t length)
{
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_length = 0;
    try {
        m_buffer.assign(static_cast<std::size_t>(length) + 1, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_length = length;
    return true;
}

int DatabaseImage::parserdb(const std::string& path, std::uint64_t fileOffset, std::uint32_t length,
                            UserPrompts& prompts)
{
    ClearTables();
    m_buffer.clear();
    m_length = 0;

    std::ifstream file(FileNamePath(path), std::ios::binary);
    if (!file)
        return -1;
    file.seekg(0, std::ios::end);
    const std::streamoff fileSize = file.tellg();
    if (fileSize < 0 || fileOffset > static_cast<std::uint64_t>(fileSize)
        || length > static_cast<std::uint64_t>(fileSize) - fileOffset)
        return -1;
    if (!AllocateRegion(length))
        return -1;
    file.seekg(static_cast<std::streamoff>(fileOffset));
    if (!file.read(reinterpret_cast<char*>(m_buffer.data()), static_cast<std::streamsize>(length))) {
        Clear();
        return -1;
    }
    return ParseRegion(prompts);
}

int DatabaseImage::parserdb(std::span<const std::uint8_t> region, UserPrompts& prompts)
{
    ClearTables();
    if (region.size() > UINT32_MAX || !AllocateRegion(static_cast<std::uint32_t>(region.size())))
        return -1;
    std::copy(region.begin(), region.end(), m_buffer.begin());
    return ParseRegion(prompts);
}

int DatabaseImage::ParseRegion(UserPrompts& prompts)
{
    const std::span<const std::uint8_t> region = Region();
    if (FindDataEnd(region) == 0) {
        prompts.Message("No Data!");
        return -1;
    }
    for (const TableMessages& entry : kTableMessages) {
        const std::optional<std::uint32_t> at = SeekTable(region, entry.tag);
        if (!at) {
            prompts.Message(entry.notFound);
            return -1;
        }
        if (!ParseTable(region, *at, entry.tag, *Table(entry.kind))) {
            prompts.Message(entry.notParsed);
            return -1;
        }
    }
    return 0;
}

bool DatabaseImage::create_empty_header(std::uint32_t length)
{
    ClearTables();
    for (const TableMessages& entry : kTableMessages) {
        TableHeader& table = *Table(entry.kind);
        table.magic = kTableMagic;
        table.tag = entry.tag;
        table.endMarker = kTableEndMarker;
    }
    return AllocateRegion(length);
}

void DatabaseImage::ClearTables()
{
    for (TableHeader& table : m_tables)
        table = TableHeader{};
}

void DatabaseImage::Clear()
{
    ClearTables();
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_length = 0;
}

std::uint32_t DatabaseImage::FindDataEnd(std::span<const std::uint8_t> region) const
{
    const std::size_t length = region.size();
    if (length < 4)
        return 0;
    std::size_t high = length - 4;
    std::size_t low = m_reservedSize < high ? m_reservedSize : 0;
    while (high - low > 16) {
        const std::size_t mid = (((low + high) / 2) & ~std::size_t{3}) + 4;
        const std::size_t probe = mid + kErasedProbeDistance <= length - 4 ? mid + kErasedProbeDistance : mid;
        if (ReadLe32(&region[mid]) == kErasedWord && ReadLe32(&region[probe]) == kErasedWord)
            high = mid;
        else
            low = mid;
    }
    for (std::size_t d = high + 1; d-- > 0;) {
        if (ReadLe32(&region[d]) == kTableEndMarker)
            return static_cast<std::uint32_t>((d + 7) & ~std::size_t{3});
    }
    return 0;
}

std::optional<std::uint32_t> DatabaseImage::SeekTable(std::span<const std::uint8_t> region,
                                                      std::string_view tag) const
{
    const std::uint32_t dataEnd = FindDataEnd(region);
    if (dataEnd < 12 || region.size() < 8 || tag.size() != 4)
        return std::nullopt;
    std::array<std::uint8_t, 8> pattern{};
    std::memcpy(pattern.data(), kTableMagic.data(), 4);
    std::memcpy(pattern.data() + 4, tag.data(), 4);
    const std::size_t start = std::min<std::size_t>(dataEnd - 12, region.size() - 8);
    for (std::size_t p = start + 1; p-- > 0;) {
        if (std::memcmp(&region[p], pattern.data(), pattern.size()) == 0)
            return static_cast<std::uint32_t>(p);
    }
    return std::nullopt;
}

bool DatabaseImage::ParseTable(std::span<const std::uint8_t> region, std::size_t at, std::string_view tag,
                               TableHeader& table)
{
    if (at > region.size() || tag.size() != 4)
        return false;
    const std::span<const std::uint8_t> bytes = region.subspan(at);
    if (bytes.size() < 10 || std::memcmp(bytes.data(), kTableMagic.data(), 4) != 0
        || std::memcmp(bytes.data() + 4, tag.data(), 4) != 0)
        return false;
    const std::size_t extraLength = bytes[9];
    if (bytes.size() < 12 + extraLength)
        return false;
    const std::int16_t count = static_cast<std::int16_t>(ReadLe16(&bytes[10 + extraLength]));
    if (count < 0)
        return false;
    const std::size_t offsetsAt = 12 + extraLength;
    const std::size_t markerAt = offsetsAt + 4 * static_cast<std::size_t>(count);
    if (bytes.size() < markerAt + 4 || ReadLe32(&bytes[markerAt]) != kTableEndMarker)
        return false;

    TableHeader parsed;
    parsed.magic = kTableMagic;
    parsed.tag = tag;
    parsed.flag = bytes[8];
    parsed.extra.assign(bytes.begin() + 10, bytes.begin() + 10 + static_cast<std::ptrdiff_t>(extraLength));
    parsed.liveCount = count;
    parsed.slotCount = count;
    parsed.offsets.reserve(static_cast<std::size_t>(count) + 1);
    for (std::size_t slot = 0; slot < static_cast<std::size_t>(count); ++slot) {
        const std::int32_t offset = static_cast<std::int32_t>(ReadLe32(&bytes[offsetsAt + 4 * slot]));
        if (offset < -1 || static_cast<std::int64_t>(offset) >= static_cast<std::int64_t>(region.size()))
            return false;
        parsed.offsets.push_back(offset);
    }
    parsed.offsets.push_back(-1);
    parsed.endMarker = kTableEndMarker;
    table = std::move(parsed);
    return true;
}

TableHeader* DatabaseImage::Table(NodeKind kind)
{
    const int index = static_cast<int>(kind);
    return index >= 0 && index < static_cast<int>(m_tables.size()) ? &m_tables[static_cast<std::size_t>(index)]
                                                                    : nullptr;
}

const TableHeader* DatabaseImage::Table(NodeKind kind) const
{
    return const_cast<DatabaseImage*>(this)->Table(kind);
}

std::span<std::uint8_t> DatabaseImage::Bytes(std::int64_t offset, std::size_t size)
{
    if (offset < 0 || static_cast<std::uint64_t>(offset) > m_length || size > m_length - static_cast<std::uint64_t>(offset))
        return {};
    return {m_buffer.data() + offset, size};
}

std::span<const std::uint8_t> DatabaseImage::Bytes(std::int64_t offset, std::size_t size) const
{
    return const_cast<DatabaseImage*>(this)->Bytes(offset, size);
}

} // namespace torvane
