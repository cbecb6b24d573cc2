#include "document/user_image_builder.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "database/database_image.h"
#include "database/table_header.h"
#include "store/node_store.h"
#include "util/user_prompts.h"

namespace torvane {

namespace {

std::string_view TagOf(NodeKind kind)
{
    switch (kind) {
    case NodeKind::Tp:
        return kTpTableTag;
    case NodeKind::Satellite:
        return kSatelliteTableTag;
    default:
        return kProgramTableTag;
    }
}

void Append(std::vector<std::uint8_t>& bytes, std::span<const std::uint8_t> record)
{
    bytes.insert(bytes.end(), record.begin(), record.end());
}

} // namespace

UserImageBuilder::UserImageBuilder(const NodeStore& store) : m_store(store)
{
}

int UserImageBuilder::CreateProgImage(std::span<std::uint8_t> out, std::size_t& written)
{
    written = 0;
    m_programs = 0;
    const int size = m_store.Schema().NodeSize(NodeKind::Program);
    const TableHeader* table = m_store.Image().Table(NodeKind::Program);
    if (size <= 0 || !table)
        return -1;
    const auto p = static_cast<std::uint64_t>(size);
    const std::uint64_t regionLength = m_store.Image().Length();

    struct Placed {
        std::uint16_t order;
        std::int32_t slot;
    };
    std::vector<Placed> programs;
    for (int slot = 0; slot < table->slotCount; ++slot) {
        if (!m_store.NodeOffset(NodeKind::Program, slot))
            continue;
        const std::optional<std::int16_t> order = m_store.OrderOf(slot);
        const auto n = static_cast<std::uint16_t>(order.value_or(-1));
        if (!order || m_store.Record(NodeKind::Program, slot).empty() || n >= table->slotCount
            || n * p > regionLength || n * p + p > out.size()) {
            m_store.Prompts().Message("CreateProgImage : Out of Range.");
            return -1;
        }
        programs.push_back({n, slot});
    }
    // Programs that share a number follow each other in slot order instead of overwriting each
    // other, so no program is lost and none is written twice.
    std::stable_sort(programs.begin(), programs.end(),
                     [](const Placed& a, const Placed& b) { return a.order < b.order; });
    if (programs.size() * p > out.size()) {
        m_store.Prompts().Message("CreateProgImage : Out of Range.");
        return -1;
    }
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const std::span<const std::uint8_t> record = m_store.Record(NodeKind::Program, programs[i].slot);
        std::copy(record.begin(), record.end(), out.begin() + static_cast<std::ptrdiff_t>(i * p));
    }
    m_programs = static_cast<int>(programs.size());
    written = programs.size() * p;
    return 0;
}

int UserImageBuilder::CreateSatTpProgImage(std::span<std::uint8_t> out)
{
    m_satellites = m_tps = m_programs = 0;
    m_satelliteBytes = m_tpBytes = m_programBytes = 0;
    const TreeItem* root = m_store.Tree().FindRoot(TreeKind::SatelliteRoot);
    const std::size_t s = static_cast<std::size_t>(std::max(m_store.Schema().NodeSize(NodeKind::Satellite), 0));
    const std::size_t t = static_cast<std::size_t>(std::max(m_store.Schema().NodeSize(NodeKind::Tp), 0));
    if (!root || s == 0 || t == 0)
        return -1;
    const std::size_t capacity = out.size();

    std::vector<std::uint8_t> satellites;
    std::vector<std::uint8_t> tps;
    for (int i = 0; i < root->ChildCount(); ++i) {
        const TreeItem* satellite = root->Child(i);
        const TreeNodeInfo* info = satellite->Info();
        if (!info || !m_store.NodeOffset(NodeKind::Satellite, info->slot))
            return -1;
        const std::span<const std::uint8_t> record = m_store.Record(NodeKind::Satellite, info->slot);
        if (record.empty() || satellites.size() + s > capacity) {
            m_store.Prompts().Message("Create Sat node : Out of Range");
            return -1;
        }
        Append(satellites, record);
        ++m_satellites;

        for (int j = 0; j < satellite->ChildCount(); ++j) {
            const TreeNodeInfo* tpInfo = satellite->Child(j)->Info();
            const std::span<const std::uint8_t> tp =
                tpInfo ? m_store.Record(NodeKind::Tp, tpInfo->slot) : std::span<const std::uint8_t>{};
            if (tp.empty() || tps.size() + t > capacity) {
                m_store.Prompts().Message("Create TP node : Out of Range");
                return -1;
            }
            Append(tps, tp);
            ++m_tps;
        }
    }

    std::vector<std::uint8_t> programs(capacity);
    std::size_t programBytes = 0;
    if (CreateProgImage(programs, programBytes) != 0)
        return -1;
    if (satellites.size() + tps.size() + programBytes > capacity) {
        m_store.Prompts().Message("CreateSatTpProgImage : Out of Range");
        return -1;
    }
    auto at = std::copy(satellites.begin(), satellites.end(), out.begin());
    at = std::copy(tps.begin(), tps.end(), at);
    std::copy_n(programs.begin(), programBytes, at);
    m_satelliteBytes = satellites.size();
    m_tpBytes = tps.size();
    m_programBytes = programBytes;
    return 0;
}

int UserImageBuilder::CreateUserDataImage(std::span<std::uint8_t> region)
{
    if (CreateSatTpProgImage(region) != 0)
        return -1;
    const struct {
        NodeKind kind;
        std::size_t firstOffset;
    } headers[] = {
        {NodeKind::Satellite, 0},
        {NodeKind::Tp, m_satelliteBytes},
        {NodeKind::Program, m_satelliteBytes + m_tpBytes},
    };
    std::size_t at = m_satelliteBytes + m_tpBytes + m_programBytes;
    for (const auto& header : headers) {
        const std::size_t written =
            at <= region.size()
                ? WriteTableHeader(region.subspan(at), header.kind, static_cast<std::uint32_t>(header.firstOffset))
                : 0;
        if (written == 0) {
            m_store.Prompts().Message("CreateUserDataImage : Out of Range");
            return -1;
        }
        at += written;
    }
    return 0;
}

int UserImageBuilder::CountOf(NodeKind kind) const
{
    switch (kind) {
    case NodeKind::Satellite:
        return m_satellites;
    case NodeKind::Tp:
        return m_tps;
    default:
        return m_programs;
    }
}

std::size_t UserImageBuilder::WriteTableHeader(std::span<std::uint8_t> out, NodeKind kind, std::uint32_t firstOffset)
{
    const TableHeader* table = m_store.Image().Table(kind);
    const int size = m_store.Schema().NodeSize(kind);
    const int count = CountOf(kind);
    if (!table || size <= 0 || count > kMaxTableSlots)
        return 0;

    TableHeader header;
    header.magic = kTableMagic;
    header.tag = TagOf(kind);
    header.flag = table->flag;
    header.extra = table->extra;
    header.liveCount = header.slotCount = static_cast<std::int16_t>(count);
    header.offsets.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        header.offsets[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(firstOffset + static_cast<std::uint32_t>(i * size));
    header.endMarker = kTableEndMarker;
    const std::vector<std::uint8_t> bytes = SerializeTableHeader(header);
    // The room asked for is one byte more than the header takes (17 + L + 4N).
    if (bytes.empty() || out.size() < bytes.size() + 1) {
        m_store.Prompts().Message("Out of Range");
        return 0;
    }
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return bytes.size();
}

} // namespace torvane
