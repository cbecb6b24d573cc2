#include "document/document_capacity.h"

#include <algorithm>

#include "database/chunk_chain.h"
#include "database/compact_program_record.h"
#include "database/default_database_region.h"
#include "database/default_database_stream.h"
#include "database/table_header.h"
#include "document/document.h"
#include "store/tree_item.h"
#include "store/tree_node_info.h"
#include "util/user_prompts.h"

namespace torvane {

namespace {

// The uncompressed stream a ZUV_DVBS_V4 default database may take.
constexpr long long kCompressedStreamLimit = 0x60000;
// One byte more than the last table header takes must be left in the user database region.
constexpr long long kUserRegionSpare = 1;
constexpr long long kOffsetBytes = 4;  // a record's entry in its table header

std::string Plural(NodeKind kind, int count)
{
    const char* name = kind == NodeKind::Satellite ? "satellite" : kind == NodeKind::Tp ? "TP" : "program";
    return std::string(name) + (count == 1 ? "" : "s");
}

std::size_t Index(NodeKind kind)
{
    return static_cast<std::size_t>(kind);
}

} // namespace

DocumentCapacity::Usage DocumentCapacity::MeasureUserRegion() const
{
    const NodeStore& store = m_document.Store();
    const NodeSchema& schema = store.Schema();
    Usage usage;
    usage.capacity = static_cast<long long>(m_document.Flash().UserDatabaseRegion()->length);
    usage.satelliteCost = schema.NodeSize(NodeKind::Satellite) + kOffsetBytes;
    usage.tpCost = schema.NodeSize(NodeKind::Tp) + kOffsetBytes;
    usage.programCost = schema.NodeSize(NodeKind::Program) + kOffsetBytes;

    if (const TreeItem* root = store.Tree().FindRoot(TreeKind::SatelliteRoot)) {
        usage.counts[Index(NodeKind::Satellite)] = root->ChildCount();
        for (int i = 0; i < root->ChildCount(); ++i)
            usage.counts[Index(NodeKind::Tp)] += root->Child(i)->ChildCount();
    }
    if (const TableHeader* programs = store.Image().Table(NodeKind::Program)) {
        for (int slot = 0; slot < programs->slotCount; ++slot)
            usage.counts[Index(NodeKind::Program)] += store.NodeOffset(NodeKind::Program, slot) ? 1 : 0;
    }
    usage.used = kUserRegionSpare;
    for (NodeKind kind : {NodeKind::Satellite, NodeKind::Tp, NodeKind::Program}) {
        const TableHeader* table = store.Image().Table(kind);
        const long long records = usage.counts[Index(kind)];
        usage.used += records * schema.NodeSize(kind) + static_cast<long long>(kTableHeaderFixedBytes)
            + (table ? static_cast<long long>(table->extra.size()) : 0) + records * kOffsetBytes;
    }
    return usage;
}

DocumentCapacity::Usage DocumentCapacity::MeasureStream(long long capacity, bool withOrder, int audioCount) const
{
    const NodeStore& store = m_document.Store();
    const NodeSchema& schema = store.Schema();
    const CompactProgramRecord compact(schema);
    const long long count = static_cast<long long>(kCountBytes);
    const long long order = withOrder ? static_cast<long long>(kStreamOrderBytes) : 0;
    Usage usage;
    usage.capacity = capacity;
    usage.satelliteCost = schema.NodeSize(NodeKind::Satellite) + count;
    usage.tpCost = schema.NodeSize(NodeKind::Tp) + count;
    usage.programCost = order + compact.CompactSize(std::clamp(audioCount, 0, CompactProgramRecord::kAudioEntries));
    usage.used = (withOrder ? static_cast<long long>(kWithOrderHeaderBytes) : 0) + count;

    const TreeItem* root = store.Tree().FindRoot(TreeKind::SatelliteRoot);
    for (int i = 0; root && i < root->ChildCount(); ++i) {
        const TreeItem* satellite = root->Child(i);
        ++usage.counts[Index(NodeKind::Satellite)];
        usage.used += usage.satelliteCost;
        for (int j = 0; j < satellite->ChildCount(); ++j) {
            ++usage.counts[Index(NodeKind::Tp)];
            usage.used += usage.tpCost;
            const TreeNodeInfo* tp = satellite->Child(j)->Info();
            for (int k = 0; tp && k < tp->programs.Size(); ++k) {
                const int slot = tp->programs.At(k);
                if (slot < 0 || !store.IsLiveNode(NodeKind::Program, slot))
                    continue;
                const int audio = store.ReadNamedNumber(NodeKind::Program, slot, "audio_count").value_or(0);
                ++usage.counts[Index(NodeKind::Program)];
                usage.used += order + compact.CompactSize(std::clamp(audio, 0, CompactProgramRecord::kAudioEntries));
            }
        }
    }
    return usage;
}

std::optional<DocumentCapacity::Usage> DocumentCapacity::Measure(int audioCount) const
{
    const bool compressed = m_document.Type() == ProjectType::ZUV_DVBS_V4;
    if (!m_document.ProductImagePath().empty()) {
        if (m_document.FromUserChunk())
            return m_document.Flash().UserDatabaseRegion() ? std::optional(MeasureUserRegion()) : std::nullopt;
        // The save command writes an image's default database with order numbers.
        const std::uint32_t chunk = m_document.Chunks() ? m_document.Chunks()->defaultLength : 0;
        const long long area = chunk > kChunkHeaderSize
            ? static_cast<long long>(chunk - kChunkHeaderSize)
            : static_cast<long long>(kFixedDefaultChunkEnd - kFixedDefaultChunkOffset - kChunkHeaderSize);
        return MeasureStream(compressed ? kCompressedStreamLimit : area, true, audioCount);
    }
    if (!m_document.DefaultDatabasePath().empty()) {
        const auto file = static_cast<long long>(DefaultFileBufferSize(m_document.Type()));
        return MeasureStream(compressed ? kCompressedStreamLimit : file, m_document.WithOrder(), audioCount);
    }
    return std::nullopt;
}

long long DocumentCapacity::CostOf(const Usage& usage, NodeKind kind)
{
    return kind == NodeKind::Satellite ? usage.satelliteCost
        : kind == NodeKind::Tp         ? usage.tpCost
                                       : usage.programCost;
}

int DocumentCapacity::RoomIn(const Usage& usage, NodeKind kind) const
{
    const long long cost = CostOf(usage, kind);
    long long room = cost > 0 ? std::max(usage.capacity - usage.used, 0LL) / cost : 0;
    // A user database's tables count their records in 16 bits.
    if (m_document.FromUserChunk())
        room = std::min<long long>(room, std::max(kMaxTableSlots - usage.counts[Index(kind)], 0));
    return static_cast<int>(std::min<long long>(room, kMaxTableSlots));
}

std::optional<int> DocumentCapacity::Room(NodeKind kind, int audioCount) const
{
    return RoomAfter(kind, {}, audioCount);
}

std::optional<int> DocumentCapacity::RoomAfter(NodeKind kind, const std::array<int, kNodeKindCount>& change,
                                               int audioCount) const
{
    std::optional<Usage> usage = Measure(audioCount);
    if (!usage)
        return std::nullopt;
    usage->used += change[Index(NodeKind::Satellite)] * usage->satelliteCost
        + change[Index(NodeKind::Tp)] * usage->tpCost + change[Index(NodeKind::Program)] * usage->programCost;
    for (std::size_t i = 0; i < change.size(); ++i)
        usage->counts[i] += change[i];
    return RoomIn(*usage, kind);
}

std::optional<std::string> DocumentCapacity::Refusal(NodeKind kind, int count, int audioCount) const
{
    const std::optional<Usage> usage = Measure(audioCount);
    if (!usage)
        return std::nullopt;
    const int room = RoomIn(*usage, kind);
    if (count <= room)
        return std::nullopt;
    const int limit = usage->counts[Index(kind)] + room;
    const std::string place = m_document.FromUserChunk() ? "the user database of this image"
        : m_document.DefaultDatabasePath().empty()       ? "the default database of this image"
                                                         : "a default database file";
    const std::string wanted =
        count == 1 ? "another " + Plural(kind, 1) : std::to_string(count) + " more " + Plural(kind, count);
    return "No room for " + wanted + ": " + place + " holds at most " + std::to_string(limit) + " "
        + Plural(kind, limit) + ".";
}

bool DocumentCapacity::Admit(NodeKind kind, int count, int audioCount) const
{
    const std::optional<std::string> refusal = Refusal(kind, count, audioCount);
    if (refusal)
        m_document.Prompts().Message(*refusal);
    return !refusal;
}

} // namespace torvane
