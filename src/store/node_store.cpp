#include "store/node_store.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <set>
#include <utility>

#include "database/compact_program_record.h"
#include "database/database_image.h"
#include "util/byte_order.h"
#include "util/user_prompts.h"

namespace torvane {

namespace {

constexpr int kSlotGrowth = 64;
// Every allocation reserves two bytes after the record: a program's order number, spare otherwise.
constexpr std::int64_t kSpareBytes = 2;

constexpr NodeKind kTableKinds[] = {NodeKind::Satellite, NodeKind::Tp, NodeKind::Program};

bool IsTableKind(NodeKind kind)
{
    return kind == NodeKind::Tp || kind == NodeKind::Satellite || kind == NodeKind::Program;
}

std::optional<int> ParseDecimal(const std::string& text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The programs whose value (by valueOf) is wanted, in their given order.
template <typename Programs, typename ValueOf>
std::vector<std::int32_t> ProgramsWhere(const Programs& programs, ValueOf valueOf, int wanted)
{
    std::vector<std::int32_t> found;
    for (std::int32_t slot : programs) {
        if (valueOf(slot) == wanted)
            found.push_back(slot);
    }
    return found;
}

// 0, 1, … size - 1.
std::vector<std::int32_t> AllSlots(std::size_t size)
{
    std::vector<std::int32_t> slots(size);
    for (std::size_t i = 0; i < size; ++i)
        slots[i] = static_cast<std::int32_t>(i);
    return slots;
}

std::unique_ptr<TreeNodeInfo> NewRecord(TreeKind kind, std::string label)
{
    auto info = std::make_unique<TreeNodeInfo>();
    info->treeKind = kind;
    info->label = std::move(label);
    return info;
}

} // namespace

NodeStore::NodeStore(const NodeSchema& schema, DatabaseImage& image, UserPrompts& prompts)
    : m_schema(schema), m_image(image), m_prompts(prompts), m_fields(schema, image, m_modified, prompts)
{
}

// --- Fields ------------------------------------------------------------------------------------

NodeStore::FieldRef NodeStore::Named(NodeKind kind, std::string_view name) const
{
    const int positioned = m_schema.FindField(kind, FieldView::Position, name);
    if (positioned >= 0)
        return {positioned, FieldView::Position};
    return {m_schema.FindField(kind, FieldView::Declaration, name), FieldView::Declaration};
}

NodeStore::FieldRef NodeStore::Cached(IdentifyingField field) const
{
    return {m_fields.CachedFieldIndex(field), FieldView::Position};
}

std::optional<std::string> NodeStore::ReadText(NodeKind kind, int slot, FieldRef field) const
{
    if (!field.IsValid())
        return std::nullopt;
    std::string text;
    const bool read = field.view == FieldView::Position ? m_fields.ReadField(kind, slot, field.index, text, 0)
                                                        : m_fields.ReadField(kind, slot, field.index, text);
    if (!read)
        return std::nullopt;
    return text;
}

std::optional<int> NodeStore::ReadNumber(NodeKind kind, int slot, FieldRef field) const
{
    const std::optional<std::string> text = ReadText(kind, slot, field);
    return text ? ParseDecimal(*text) : std::nullopt;
}

bool NodeStore::Write(NodeKind kind, int slot, FieldRef field, std::string_view text)
{
    return field.IsValid() && m_fields.WriteField(kind, slot, field.index, text, 0, field.view);
}

bool NodeStore::WriteNumber(NodeKind kind, int slot, FieldRef field, int value)
{
    return Write(kind, slot, field, std::to_string(value));
}

std::vector<std::optional<int>> NodeStore::ReadAll(NodeKind kind, FieldRef field) const
{
    const TableHeader* table = m_image.Table(kind);
    std::vector<std::optional<int>> values(table ? static_cast<std::size_t>(std::max<int>(table->slotCount, 0)) : 0);
    if (!field.IsValid())
        return values;
    for (std::size_t slot = 0; slot < values.size(); ++slot) {
        if (NodeOffset(kind, static_cast<int>(slot)))
            values[slot] = ReadNumber(kind, static_cast<int>(slot), field);
    }
    return values;
}

// --- Slots -------------------------------------------------------------------------------------

bool NodeStore::IsLiveNode(NodeKind kind, int slot) const
{
    return !Record(kind, slot).empty();
}

std::span<std::uint8_t> NodeStore::Record(NodeKind kind, int slot)
{
    const int size = m_schema.NodeSize(kind);
    const std::optional<std::size_t> offset = NodeOffset(kind, slot);
    if (size <= 0 || !offset)
        return {};
    return m_image.Bytes(*offset, static_cast<std::size_t>(size));
}

std::span<const std::uint8_t> NodeStore::Record(NodeKind kind, int slot) const
{
    return const_cast<NodeStore*>(this)->Record(kind, slot);
}

int NodeStore::AllocNode(NodeKind kind)
{
    TableHeader* table = IsTableKind(kind) ? m_image.Table(kind) : nullptr;
    const int size = m_schema.NodeSize(kind);
    if (!table || size <= 0 || m_image.Length() == 0 || m_freeOffset < 0)
        return -1;
    const std::int64_t need = size + kSpareBytes;
    if (m_freeOffset + need >= m_image.Length()) {
        Rearrage(false);
        if (m_freeOffset + need >= m_image.Length())
            return -1;
    }

    if (table->slotCount < 0)
        return -1;
    if (table->offsets.size() < static_cast<std::size_t>(table->slotCount))
        table->offsets.resize(static_cast<std::size_t>(table->slotCount), -1);
    // Free slots in the middle are not reused: the new node goes after the last used slot.
    int slot = table->slotCount;
    while (slot > 0 && table->offsets[static_cast<std::size_t>(slot - 1)] == -1)
        --slot;
    if (slot == table->slotCount) {
        if (table->slotCount >= kMaxTableSlots)
            return -1;
        const int grown = std::min(table->slotCount + kSlotGrowth, kMaxTableSlots);
        table->offsets.resize(static_cast<std::size_t>(grown), -1);
        table->slotCount = static_cast<std::int16_t>(grown);
    }

    table->liveCount = static_cast<std::int16_t>(std::min<int>(table->liveCount + 1, kMaxTableSlots));
    table->offsets[static_cast<std::size_t>(slot)] = m_freeOffset;
    const std::span<std::uint8_t> bytes = m_image.Bytes(m_freeOffset, static_cast<std::size_t>(need));
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
    m_freeOffset += static_cast<std::int32_t>(need);
    return slot;
}

void NodeStore::FreeNode(NodeKind kind, int slot)
{
    TableHeader* table = IsTableKind(kind) ? m_image.Table(kind) : nullptr;
    if (!table || !NodeOffset(kind, slot))
        return;
    table->offsets[static_cast<std::size_t>(slot)] = -1;
    if (table->liveCount <= 0) {
        m_prompts.Message("Record Num < 0");
        table->liveCount = 0;
        return;
    }
    --table->liveCount;
}

bool NodeStore::Rearrage(bool renumber)
{
    const std::int64_t length = m_image.Length();
    if (length == 0)
        return false;
    for (NodeKind kind : kTableKinds) {
        if (m_schema.NodeSize(kind) <= 0)
            return false;
    }

    struct Placed {
        NodeKind kind;
        int slot;
        std::int64_t offset;
    };
    std::vector<Placed> placed;
    std::vector<std::uint8_t> scratch(static_cast<std::size_t>(length), 0xFF);
    const std::span<const std::uint8_t> region = m_image.Region();
    std::int64_t packed = 0;
    std::int16_t order = 0;
    for (NodeKind kind : kTableKinds) {
        const TableHeader* table = m_image.Table(kind);
        const int nodeSize = m_schema.NodeSize(kind);
        const std::int64_t size = nodeSize + (kind == NodeKind::Program ? kSpareBytes : 0);
        for (int slot = 0; slot < table->slotCount; ++slot) {
            const std::optional<std::size_t> from = NodeOffset(kind, slot);
            if (!from)
                continue;
            // A record that runs past the region (a table that lies) cannot be packed either.
            if (packed + size > length || static_cast<std::int64_t>(*from) + size > length) {
                m_prompts.Message("Rearrage : Out of Range");
                return false;
            }
            std::memcpy(&scratch[static_cast<std::size_t>(packed)], &region[static_cast<std::size_t>(*from)],
                        static_cast<std::size_t>(size));
            if (kind == NodeKind::Program && renumber)
                WriteLe16(&scratch[static_cast<std::size_t>(packed + nodeSize)], static_cast<std::uint16_t>(order++));
            placed.push_back({kind, slot, packed});
            packed += size;
        }
    }

    for (const Placed& p : placed)
        m_image.Table(p.kind)->offsets[static_cast<std::size_t>(p.slot)] = static_cast<std::int32_t>(p.offset);
    std::copy(scratch.begin(), scratch.end(), m_image.Region().begin());
    m_freeOffset = static_cast<std::int32_t>(packed);
    return true;
}

// --- Ids ---------------------------------------------------------------------------------------

IdPool* NodeStore::Pool(NodeKind pool)
{
    switch (pool) {
    case NodeKind::Satellite:
        return &m_satIds;
    case NodeKind::Tp:
        return &m_tpIds;
    default:
        return nullptr;
    }
}

int NodeStore::AllocId(NodeKind pool)
{
    IdPool* ids = Pool(pool);
    return ids ? ids->Alloc() : IdPool::kNone;
}

void NodeStore::MarkId(NodeKind pool, int id)
{
    if (IdPool* ids = Pool(pool))
        ids->Mark(id);
}

bool NodeStore::IsIdUsed(NodeKind pool, int id) const
{
    const IdPool* ids = const_cast<NodeStore*>(this)->Pool(pool);
    return ids && ids->IsUsed(id);
}

void NodeStore::RebuildIdPools()
{
    m_satIds.Clear();
    m_tpIds.Clear();
    const TreeItem* root = m_tree.FindRoot(TreeKind::SatelliteRoot);
    if (!root)
        return;
    for (int s = 0; s < root->ChildCount(); ++s) {
        const TreeItem* satellite = root->Child(s);
        if (satellite->Info())
            m_satIds.Mark(satellite->Info()->satId);
        for (int t = 0; t < satellite->ChildCount(); ++t) {
            if (const TreeNodeInfo* tp = satellite->Child(t)->Info())
                m_tpIds.Mark(tp->tpId);
        }
    }
}

// --- Order numbers -----------------------------------------------------------------------------

std::optional<std::int16_t> NodeStore::OrderOf(int slot) const
{
    const int size = m_schema.NodeSize(NodeKind::Program);
    const std::optional<std::size_t> offset = NodeOffset(NodeKind::Program, slot);
    if (size <= 0 || !offset)
        return std::nullopt;
    const std::span<const std::uint8_t> bytes = m_image.Bytes(*offset + size, 2);
    if (bytes.empty())
        return std::nullopt;
    return static_cast<std::int16_t>(ReadLe16(bytes.data()));
}

bool NodeStore::SetOrder(int slot, std::int16_t order)
{
    const int size = m_schema.NodeSize(NodeKind::Program);
    const std::optional<std::size_t> offset = NodeOffset(NodeKind::Program, slot);
    if (size <= 0 || !offset)
        return false;
    const std::span<std::uint8_t> bytes = m_image.Bytes(*offset + size, 2);
    if (bytes.empty())
        return false;
    WriteLe16(bytes.data(), static_cast<std::uint16_t>(order));
    return true;
}

bool NodeStore::SwapOrders(int firstSlot, int secondSlot)
{
    const std::optional<std::int16_t> first = OrderOf(firstSlot);
    const std::optional<std::int16_t> second = OrderOf(secondSlot);
    if (!first || !second)
        return false;
    SetOrder(firstSlot, *second);
    SetOrder(secondSlot, *first);
    return true;
}

std::vector<std::int16_t> NodeStore::LiveOrders(std::vector<int>* slots) const
{
    // OrderOf for every slot, read straight from the table: every new program asks for this.
    std::vector<std::int16_t> orders;
    const TableHeader* table = m_image.Table(NodeKind::Program);
    const int size = m_schema.NodeSize(NodeKind::Program);
    if (size <= 0)
        return orders;
    const std::span<const std::uint8_t> region = m_image.Region();
    const int count = std::min(static_cast<int>(table->slotCount), static_cast<int>(table->offsets.size()));
    orders.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int slot = 0; slot < count; ++slot) {
        const std::int32_t offset = table->offsets[static_cast<std::size_t>(slot)];
        if (offset < 0 || static_cast<std::size_t>(offset) + static_cast<std::size_t>(size) + 2 > region.size())
            continue;
        orders.push_back(static_cast<std::int16_t>(ReadLe16(region.data() + offset + size)));
        if (slots)
            slots->push_back(slot);
    }
    return orders;
}

FreeOrder NodeStore::FirstFreeOrder() const
{
    return FindFreeOrder(LiveOrders(nullptr));
}

void NodeStore::CompactOrders()
{
    std::vector<int> slots;
    const std::vector<std::int16_t> orders = LiveOrders(&slots);
    const std::vector<std::int16_t> compacted = CompactedOrders(orders);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (compacted[i] != orders[i])
            SetOrder(slots[i], compacted[i]);
    }
}

bool NodeStore::SortByOrder(std::span<std::int32_t> slots)
{
    std::vector<std::optional<std::int16_t>> orders(slots.size());
    bool allLive = true;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        orders[i] = OrderOf(slots[i]);
        allLive = allLive && orders[i].has_value();
    }

    if (allLive) {
        // With distinct numbers the exchange sort ends fully sorted; reach that directly.
        std::vector<std::pair<std::int16_t, std::int32_t>> keyed(slots.size());
        for (std::size_t i = 0; i < slots.size(); ++i)
            keyed[i] = {*orders[i], slots[i]};
        std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        const bool distinct = std::adjacent_find(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
                                  return a.first == b.first;
                              }) == keyed.end();
        if (distinct) {
            for (std::size_t i = 0; i < slots.size(); ++i)
                slots[i] = keyed[i].second;
            return true;
        }
    }

    // The exchange sort itself, so that a failure leaves the list exactly as far as it got.
    for (std::size_t i = 0; i + 1 < slots.size(); ++i) {
        for (std::size_t j = i + 1; j < slots.size(); ++j) {
            if (!orders[i] || !orders[j])
                return false;
            if (*orders[j] == *orders[i]) {
                m_prompts.Message("Order Error!");
                return false;
            }
            if (*orders[j] < *orders[i]) {
                std::swap(slots[i], slots[j]);
                std::swap(orders[i], orders[j]);
            }
        }
    }
    return true;
}

// --- Program lists -----------------------------------------------------------------------------

ProgramList NodeStore::CollectSorted(const std::vector<std::int32_t>& slots)
{
    ProgramList list = ProgramList::Of(slots);
    SortByOrder(list.Programs());
    return list;
}

std::vector<std::int32_t> NodeStore::ProgramSlots(int satId, std::optional<int> tpId) const
{
    const FieldRef satField = Cached(IdentifyingField::ProgramSatelliteId);
    const FieldRef tpField = Cached(IdentifyingField::ProgramTpId);
    std::vector<std::int32_t> slots;
    const TableHeader* table = m_image.Table(NodeKind::Program);
    for (int slot = 0; slot < table->slotCount; ++slot) {
        if (NodeOffset(NodeKind::Program, slot) && ReadNumber(NodeKind::Program, slot, satField) == satId
            && (!tpId || ReadNumber(NodeKind::Program, slot, tpField) == *tpId))
            slots.push_back(slot);
    }
    return slots;
}

ProgramList NodeStore::BuildAllServicesList()
{
    const FieldRef audioCount = Named(NodeKind::Program, "audio_count");
    const FieldRef audioPids[] = {Named(NodeKind::Program, "Audio Pid1"), Named(NodeKind::Program, "Audio Pid2"),
                                  Named(NodeKind::Program, "Audio Pid3")};
    std::vector<std::int32_t> live;
    const TableHeader* table = m_image.Table(NodeKind::Program);
    for (int slot = 0; slot < table->slotCount; ++slot) {
        if (!NodeOffset(NodeKind::Program, slot))
            continue;
        // PIDs beyond the audio count are cleared: Pid1 only when the count is 0, Pid2 up to 1, Pid3 up to 2.
        if (const std::optional<int> count = ReadNumber(NodeKind::Program, slot, audioCount)) {
            for (int pid = 0; pid < 3; ++pid) {
                if (*count <= pid && audioPids[pid].IsValid())
                    m_fields.WriteFieldIfChanged(NodeKind::Program, slot, audioPids[pid].index, "0", 0,
                                                 audioPids[pid].view);
            }
        }
        live.push_back(slot);
    }

    CompactOrders();

    const int count = static_cast<int>(live.size());
    ProgramList list = ProgramList::WithCount(count);
    for (std::int32_t slot : live) {
        const std::optional<std::int16_t> order = OrderOf(slot);
        if (order && *order >= 0 && *order < count && list.At(*order) == -1)
            list.Set(*order, slot);
    }
    return list;
}

ProgramList NodeStore::BuildSatelliteList(int satId)
{
    return CollectSorted(ProgramSlots(satId, std::nullopt));
}

ProgramList NodeStore::BuildTpList(int tpId, const ProgramList& satelliteList)
{
    const FieldRef tpField = Cached(IdentifyingField::ProgramTpId);
    return CollectSorted(ProgramsWhere(
        satelliteList.Programs(), [&](std::int32_t slot) { return ReadNumber(NodeKind::Program, slot, tpField); },
        tpId));
}

// --- Tree --------------------------------------------------------------------------------------

TreeItem* NodeStore::EnsureRoots()
{
    if (TreeItem* root = m_tree.FindRoot(TreeKind::SatelliteRoot))
        return root;
    if (!m_tree.FindRoot(TreeKind::AllServices))
        m_tree.AddTopLevel(NewRecord(TreeKind::AllServices, std::string(kAllServicesLabel)));
    return m_tree.AddTopLevel(NewRecord(TreeKind::SatelliteRoot, std::string(kSatelliteRootLabel)));
}

void NodeStore::BuildTreeFromImage()
{
    ClearTree();
    auto allServices = NewRecord(TreeKind::AllServices, std::string(kAllServicesLabel));
    allServices->programs = BuildAllServicesList();
    m_tree.AddTopLevel(std::move(allServices));
    TreeItem* root = m_tree.AddTopLevel(NewRecord(TreeKind::SatelliteRoot, std::string(kSatelliteRootLabel)));
    RebuildIdPools();

    // Each field of every TP and program is read once, not once per satellite.
    const FieldRef satName = Cached(IdentifyingField::SatelliteName);
    const FieldRef satIdField = Cached(IdentifyingField::SatelliteId);
    const FieldRef tpIdField = Cached(IdentifyingField::TpId);
    const std::vector<std::optional<int>> tpSatIds = ReadAll(NodeKind::Tp, Cached(IdentifyingField::TpSatelliteId));
    const std::vector<std::optional<int>> programSatIds =
        ReadAll(NodeKind::Program, Cached(IdentifyingField::ProgramSatelliteId));
    const std::vector<std::optional<int>> programTpIds = ReadAll(NodeKind::Program, Cached(IdentifyingField::ProgramTpId));
    const std::vector<std::int32_t> programSlots = AllSlots(programSatIds.size());
    const auto satIdOf = [&programSatIds](std::int32_t slot) { return programSatIds[static_cast<std::size_t>(slot)]; };
    const auto tpIdOf = [&programTpIds](std::int32_t slot) { return programTpIds[static_cast<std::size_t>(slot)]; };

    // Damaged images may give two satellites one sat_id, or two TPs of a satellite one tp_id. The
    // nodes of that id go under the first of them only (ChannelTree::OwnsItsId): a node under two
    // items would be saved twice, and deleting either item would release nodes the other shows.
    std::set<int> satIdsPlaced;
    const TableHeader* satellites = m_image.Table(NodeKind::Satellite);
    for (int satSlot = 0; satSlot < satellites->slotCount; ++satSlot) {
        std::optional<std::string> name = ReadText(NodeKind::Satellite, satSlot, satName);
        if (!name)
            continue;
        const std::optional<int> satId = ReadNumber(NodeKind::Satellite, satSlot, satIdField);
        if (!satId)
            continue;
        auto satInfo = NewRecord(TreeKind::Satellite, std::move(*name));
        satInfo->satId = *satId;
        satInfo->slot = satSlot;
        const bool firstWithId = satIdsPlaced.insert(*satId).second;
        if (firstWithId)
            satInfo->programs = CollectSorted(ProgramsWhere(programSlots, satIdOf, *satId));
        TreeItem* satellite = m_tree.AddChild(root, std::move(satInfo));
        if (!firstWithId)
            continue;

        int number = 1;
        std::set<int> tpIdsPlaced;
        for (std::size_t tpSlot = 0; tpSlot < tpSatIds.size(); ++tpSlot) {
            if (tpSatIds[tpSlot] != *satId)
                continue;
            const int slot = static_cast<int>(tpSlot);
            // A TP without a readable tp_id is kept (and saved) but owns no programs.
            const int tpId = ReadNumber(NodeKind::Tp, slot, tpIdField).value_or(-1);
            TreeItem* tp = AddTpItem(satellite, slot, tpId, number++);
            if (tpIdsPlaced.insert(tpId).second) {
                m_tree.SetPrograms(tp,
                                   CollectSorted(ProgramsWhere(satellite->Info()->programs.Programs(), tpIdOf, tpId)));
            }
        }
    }
    RebuildIdPools();
}

int NodeStore::AllocRecord(NodeKind kind, std::span<const std::uint8_t> record, std::string_view failure)
{
    const int size = m_schema.NodeSize(kind);
    if (size <= 0 || record.size() < static_cast<std::size_t>(size))
        return -1;
    const int slot = AllocNode(kind);
    if (slot < 0) {
        m_prompts.Message(failure);
        return -1;
    }
    std::copy_n(record.begin(), size, Record(kind, slot).begin());
    return slot;
}

TreeItem* NodeStore::AddSatelliteRecord(std::span<const std::uint8_t> record)
{
    TreeItem* root = EnsureRoots();
    const int slot = AllocRecord(NodeKind::Satellite, record, "AllocNode for Satellite failed");
    if (slot < 0)
        return nullptr;
    const int satId = AllocId(NodeKind::Satellite);
    WriteNumber(NodeKind::Satellite, slot, Cached(IdentifyingField::SatelliteId), satId);
    std::optional<std::string> name = ReadText(NodeKind::Satellite, slot, Cached(IdentifyingField::SatelliteName));
    if (!name) {
        // No item will stand for the node: release it rather than keep a node nothing shows.
        FreeNode(NodeKind::Satellite, slot);
        return nullptr;
    }
    auto info = NewRecord(TreeKind::Satellite, std::move(*name));
    info->satId = satId;
    info->slot = slot;
    return m_tree.AddChild(root, std::move(info));
}

TreeItem* NodeStore::AddTpItem(TreeItem* satellite, int slot, int tpId, int number)
{
    const auto value = [this, slot](std::string_view name) {
        return ReadNumber(NodeKind::Tp, slot, Named(NodeKind::Tp, name)).value_or(0);
    };
    auto info = NewRecord(TreeKind::Tp, FormatTpLabel(number, value("frq"), value("pol"), value("sym")));
    info->satId = satellite->Info()->satId;
    info->tpId = tpId;
    info->slot = slot;
    return m_tree.AddChild(satellite, std::move(info));
}

TreeItem* NodeStore::AddTpRecord(TreeItem* satellite, std::span<const std::uint8_t> record)
{
    if (!satellite || !satellite->Info())
        return nullptr;
    const int slot = AllocRecord(NodeKind::Tp, record, "AllocNode for TP failed");
    if (slot < 0)
        return nullptr;
    const int tpId = AllocId(NodeKind::Tp);
    WriteNumber(NodeKind::Tp, slot, Cached(IdentifyingField::TpId), tpId);
    WriteNumber(NodeKind::Tp, slot, Cached(IdentifyingField::TpSatelliteId), satellite->Info()->satId);
    // Numbered by slot for now; the labels are renumbered once the satellite's TPs are all in.
    return AddTpItem(satellite, slot, tpId, slot);
}

int NodeStore::AddProgramRecord(TreeItem* tp, std::span<const std::uint8_t> compact,
                                std::optional<std::int16_t> order)
{
    if (!tp || !tp->Info())
        return -1;
    const CompactProgramRecord layout(m_schema);
    const int audioCount = layout.AudioCount(compact, m_prompts);
    if (audioCount < 0 || compact.size() < static_cast<std::size_t>(layout.CompactSize(audioCount)))
        return -1;
    const int slot = AllocNode(NodeKind::Program);
    if (slot < 0) {
        m_prompts.Message("AllocNode for Program failed");
        return -1;
    }
    const int taken = layout.Expand(compact, Record(NodeKind::Program, slot), m_prompts);
    SetOrder(slot, order.value_or(static_cast<std::int16_t>(slot)));
    WriteNumber(NodeKind::Program, slot, Cached(IdentifyingField::ProgramTpId), tp->Info()->tpId);
    WriteNumber(NodeKind::Program, slot, Cached(IdentifyingField::ProgramSatelliteId), tp->Info()->satId);
    m_tree.AppendProgram(tp, slot);
    return taken;
}

bool NodeStore::ContainsItem(const TreeItem* ancestor, const TreeItem* item)
{
    for (const TreeItem* at = item; at; at = at->Parent()) {
        if (at == ancestor)
            return true;
    }
    return false;
}

bool NodeStore::ShowsProgram(const TreeNodeInfo& info, std::int32_t slot) const
{
    if (!IsLiveNode(NodeKind::Program, slot)
        || ReadNumber(NodeKind::Program, slot, Cached(IdentifyingField::ProgramSatelliteId)) != info.satId)
        return false;
    return info.treeKind == TreeKind::Satellite
        || ReadNumber(NodeKind::Program, slot, Cached(IdentifyingField::ProgramTpId)) == info.tpId;
}

std::set<std::int32_t> NodeStore::ProgramsShownBesides(const TreeItem* item) const
{
    std::set<std::int32_t> shown;
    const TreeItem* root = m_tree.FindRoot(TreeKind::SatelliteRoot);
    const auto visit = [&](auto& self, const TreeItem* at) -> void {
        if (at == item)
            return;
        // An ancestor of the item lists the item's programs because they are the item's.
        if (!ContainsItem(at, item) && at->Info()) {
            for (const std::int32_t slot : at->Info()->programs.Programs()) {
                if (ShowsProgram(*at->Info(), slot))
                    shown.insert(slot);
            }
        }
        for (int i = 0; i < at->ChildCount(); ++i)
            self(self, at->Child(i));
    };
    for (int i = 0; root && i < root->ChildCount(); ++i)
        visit(visit, root->Child(i));
    return shown;
}

void NodeStore::ReleaseSubtree(TreeItem* item, const std::set<std::int32_t>& keep)
{
    for (int i = 0; i < item->ChildCount(); ++i)
        ReleaseSubtree(item->Child(i), keep);
    const TreeNodeInfo* info = item->Info();
    if (!info)
        return;
    if (info->treeKind == TreeKind::Satellite)
        FreeNode(NodeKind::Satellite, info->slot);
    else if (info->treeKind == TreeKind::Tp)
        FreeNode(NodeKind::Tp, info->slot);
    for (std::int32_t program : info->programs.Programs()) {
        if (!keep.contains(program))
            FreeNode(NodeKind::Program, program);
    }
}

void NodeStore::DeleteItem(TreeItem* item)
{
    if (!item)
        return;
    ReleaseSubtree(item, ProgramsShownBesides(item));
    m_tree.Remove(item);
}

void NodeStore::ClearTree()
{
    m_satIds.Clear();
    m_tpIds.Clear();
    m_tree.Clear();
}

// --- States ------------------------------------------------------------------------------------

namespace {

// part as a shared copy, the one of previous when equal.
template <typename Part>
std::shared_ptr<const Part> Shared(Part part, const std::shared_ptr<const Part>* previous)
{
    if (previous && *previous && **previous == part)
        return *previous;
    return std::make_shared<const Part>(std::move(part));
}

} // namespace

StoreState NodeStore::CaptureState(const StoreState* previous) const
{
    StoreState state;
    state.region = PagedBytes::Capture(m_image.Region(), previous ? &previous->region : nullptr);
    std::array<TableHeader, 3> tables;
    for (NodeKind kind : kTableKinds)
        tables[static_cast<std::size_t>(kind)] = *m_image.Table(kind);
    state.tables = Shared(std::move(tables), previous ? &previous->tables : nullptr);
    state.satIds = Shared(m_satIds, previous ? &previous->satIds : nullptr);
    state.tpIds = Shared(m_tpIds, previous ? &previous->tpIds : nullptr);
    state.tree = Shared(m_tree.Snapshot(), previous ? &previous->tree : nullptr);
    state.freeOffset = m_freeOffset;
    state.modified = m_modified;
    return state;
}

void NodeStore::RestoreState(const StoreState& state)
{
    if (m_image.Length() != state.region.Size()) {
        if (state.region.Size() == 0)
            m_image.Clear();
        else
            m_image.create_empty_header(static_cast<std::uint32_t>(state.region.Size()));
    }
    state.region.CopyTo(m_image.Region());
    for (NodeKind kind : kTableKinds)
        *m_image.Table(kind) = (*state.tables)[static_cast<std::size_t>(kind)];
    m_satIds = *state.satIds;
    m_tpIds = *state.tpIds;
    m_freeOffset = state.freeOffset;
    m_modified = state.modified;
    m_tree.Restore(*state.tree);
}

// --- Document state ----------------------------------------------------------------------------

void NodeStore::Reset()
{
    ClearTree();
    m_image.Clear();
    m_fields.ResetFieldCache();
    m_freeOffset = 0;
    m_modified = false;
}

} // namespace torvane
