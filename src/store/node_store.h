#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/node_fields.h"
#include "schema/node_schema.h"
#include "store/channel_tree.h"
#include "store/id_pool.h"
#include "store/order_numbers.h"
#include "store/program_list.h"
#include "store/store_state.h"

namespace torvane {

class DatabaseImage;
class UserPrompts;

// The editing layer over one open database. The records live in the region buffer of the
// DatabaseImage and are read and written field by field; the store adds slot allocation, order
// numbers, the id pools, the channel tree with its program lists, and the modified flag that
// every changed write sets. The document's paths and forms belong to the Document, the current
// item and the filter to the ServiceList.
//
// In the region buffer every record takes NodeSize + 2 bytes when allocated: a program's order
// number (16-bit signed, little-endian) follows its record; satellites and TPs carry two spare
// bytes. Compaction (Rearrage) packs satellites and TPs without them.
class NodeStore final {
public:
    NodeStore(const NodeSchema& schema, DatabaseImage& image, UserPrompts& prompts);
    NodeStore(const NodeStore&) = delete;
    NodeStore& operator=(const NodeStore&) = delete;

    const NodeSchema& Schema() const { return m_schema; }
    DatabaseImage& Image() { return m_image; }
    const DatabaseImage& Image() const { return m_image; }
    NodeFields& Fields() { return m_fields; }
    const NodeFields& Fields() const { return m_fields; }
    UserPrompts& Prompts() const { return m_prompts; }

    // A node's field looked up by name (in the position table when it has a position, else among
    // the declarations), as text or as a decimal number; nothing when it cannot be read.
    std::optional<std::string> ReadNamedText(NodeKind kind, int slot, std::string_view name) const
    {
        return ReadText(kind, slot, Named(kind, name));
    }
    std::optional<int> ReadNamedNumber(NodeKind kind, int slot, std::string_view name) const
    {
        return ReadNumber(kind, slot, Named(kind, name));
    }
    // Whether kind's layout declares a field of that name.
    bool HasNamedField(NodeKind kind, std::string_view name) const { return Named(kind, name).IsValid(); }
    // The layout of the field a lookup by name finds, or nullptr.
    const TemplateField* NamedField(NodeKind kind, std::string_view name) const
    {
        const FieldRef field = Named(kind, name);
        return field.IsValid() ? m_schema.Field(kind, field.view, field.index) : nullptr;
    }
    // Writes text into a node's field looked up by name when it differs from the stored value (a
    // changed write sets the modified flag). False when there is no such field or the write fails.
    bool WriteNamedIfChanged(NodeKind kind, int slot, std::string_view name, std::string_view text)
    {
        const FieldRef field = Named(kind, name);
        return field.IsValid() && m_fields.WriteFieldIfChanged(kind, slot, field.index, text, 0, field.view);
    }

    // --- Slots -----------------------------------------------------------------------------------

    // A new slot of kind (TP, satellite or program) with a zero-filled record, appended at the free
    // offset; the slot after the last used one, the table growing by 64 slots when needed. When
    // the buffer is full one Rearrage is run first. -1 on failure.
    int AllocNode(NodeKind kind);
    // Releases a slot; unknown kinds, slots beyond the table and free slots are ignored.
    void FreeNode(NodeKind kind, int slot);
    // The region offset of a used slot's record (which may still lie partly outside the region),
    // or nothing for a free slot, a slot beyond the table or an unknown kind.
    std::optional<std::size_t> NodeOffset(NodeKind kind, int slot) const { return m_fields.RecordOffset(kind, slot); }
    // Whether (kind, slot) addresses a live node whose record lies wholly in the region.
    bool IsLiveNode(NodeKind kind, int slot) const;
    // The NodeSize bytes of a live node's record, or an empty span.
    std::span<std::uint8_t> Record(NodeKind kind, int slot);
    std::span<const std::uint8_t> Record(NodeKind kind, int slot) const;

    std::int32_t FreeOffset() const { return m_freeOffset; }
    void SetFreeOffset(std::int32_t offset) { m_freeOffset = offset; }

    // Packs the live satellites, TPs and programs (each followed by its order number) to the front
    // of the region in slot order and fills the rest with 0xFF; the free offset moves to the end of
    // the packed data. With renumber the programs get order numbers 0, 1, 2, … in slot order.
    // "Rearrage : Out of Range" and no change when the packed data would not fit.
    bool Rearrage(bool renumber);

    // --- Ids -------------------------------------------------------------------------------------

    // pool: NodeKind::Satellite for sat_id values, NodeKind::Tp for tp_id values. AllocId answers
    // IdPool::kNone when the pool is full or unknown.
    int AllocId(NodeKind pool);
    void MarkId(NodeKind pool, int id);
    bool IsIdUsed(NodeKind pool, int id) const;
    // Clears both pools and marks the ids of the satellite and TP items of the tree.
    void RebuildIdPools();

    // --- Order numbers ---------------------------------------------------------------------------

    // The order number of a live program, or nothing.
    std::optional<std::int16_t> OrderOf(int slot) const;
    bool SetOrder(int slot, std::int16_t order);
    bool SwapOrders(int firstSlot, int secondSlot);
    // The lowest unused order number (or -1) and the highest one in use, over the live programs.
    FreeOrder FirstFreeOrder() const;
    // Renumbers the live programs so that their numbers close up, keeping their relative order.
    void CompactOrders();
    // Sorts program slots by ascending order number. Two equal numbers show "Order Error!" and stop
    // the sort where it is; a slot that is no live program stops it silently. False in both cases.
    bool SortByOrder(std::span<std::int32_t> slots);

    // --- Program lists ---------------------------------------------------------------------------

    // Every live program, placed by its order number after the numbers are compacted. On the way
    // the audio PIDs beyond each program's "audio_count" are set to 0 (only where they differ).
    ProgramList BuildAllServicesList();
    // The live programs whose sat_id is satId (and whose tp_id is tpId when one is given), in slot
    // order.
    std::vector<std::int32_t> ProgramSlots(int satId, std::optional<int> tpId) const;
    // The live programs whose sat_id is satId, sorted by order number.
    ProgramList BuildSatelliteList(int satId);
    // The programs of a satellite's list whose tp_id is tpId, sorted by order number.
    ProgramList BuildTpList(int tpId, const ProgramList& satelliteList);

    // --- Tree ------------------------------------------------------------------------------------

    ChannelTree& Tree() { return m_tree; }
    const ChannelTree& Tree() const { return m_tree; }

    // After an image was parsed (and compacted): the two roots, one item per satellite and per TP
    // of it, in slot order, each with its program list. Replaces the tree. When damage gives two
    // satellites one sat_id, its TPs and programs stand under the first of them only.
    void BuildTreeFromImage();
    // Creates the "All Services" and "Satellite Information" roots when the tree has no
    // "Satellite Information" item; answers that item.
    TreeItem* EnsureRoots();

    // Default-database loading: one record at a time. The satellite and TP records are NodeSize
    // bytes; they get new ids from the pools. nullptr on failure.
    TreeItem* AddSatelliteRecord(std::span<const std::uint8_t> record);
    TreeItem* AddTpRecord(TreeItem* satellite, std::span<const std::uint8_t> record);
    // Takes the compact program record at the start of compact (see compact_program_record.h)
    // under a TP item. Its order number is order when one is given (a stream with order
    // numbers), else its new slot. Answers the bytes of the compact record, or -1 on failure
    // (compact too short, a layout the compact form does not fit, no room).
    int AddProgramRecord(TreeItem* tp, std::span<const std::uint8_t> compact, std::optional<std::int16_t> order);

    // Whether the program belongs in the list of a satellite or TP record: it is live and carries
    // the record's ids (a stale entry whose slot was released or taken since does not).
    bool ShowsProgram(const TreeNodeInfo& info, std::int32_t slot) const;
    // Deletes an item with its descendants, children first, releasing the satellite or TP node each
    // stands for and every program node of its program list, except programs that another
    // satellite or TP of the tree shows (a twin of a damaged image with the same id).
    void DeleteItem(TreeItem* item);
    // Clears both id pools and deletes every tree item (the nodes stay).
    void ClearTree();

    // --- States (undo and redo) ------------------------------------------------------------------

    // The store's content now; the parts equal to those of previous are shared with it.
    StoreState CaptureState(const StoreState* previous) const;
    // Makes the store's content that of state: the tree through ChannelTree::Restore, so that
    // its observers follow.
    void RestoreState(const StoreState& state);

    // --- Document state --------------------------------------------------------------------------

    // Back to the empty state: no region, no tree, pools cleared, not modified.
    void Reset();

    bool IsModified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }

private:
    // A field looked up by name: in the position table when it has a position, else among the
    // declarations.
    struct FieldRef {
        int index = -1;
        FieldView view = FieldView::Position;
        bool IsValid() const { return index >= 0; }
    };
    FieldRef Named(NodeKind kind, std::string_view name) const;
    FieldRef Cached(IdentifyingField field) const;
    std::optional<std::string> ReadText(NodeKind kind, int slot, FieldRef field) const;
    std::optional<int> ReadNumber(NodeKind kind, int slot, FieldRef field) const;
    bool Write(NodeKind kind, int slot, FieldRef field, std::string_view text);
    bool WriteNumber(NodeKind kind, int slot, FieldRef field, int value);
    // The number in field of every slot of kind's table (nothing for free or unreadable slots).
    std::vector<std::optional<int>> ReadAll(NodeKind kind, FieldRef field) const;

    std::vector<std::int16_t> LiveOrders(std::vector<int>* slots) const;
    ProgramList CollectSorted(const std::vector<std::int32_t>& slots);
    // A new slot of kind holding the first NodeSize bytes of record; -1 (after failure when
    // allocation fails) when record is too short or there is no room.
    int AllocRecord(NodeKind kind, std::span<const std::uint8_t> record, std::string_view failure);
    // A TP item labelled from the record's frq, pol and sym, as the last child of satellite.
    TreeItem* AddTpItem(TreeItem* satellite, int slot, int tpId, int number);
    // Whether item is ancestor or lies below it.
    static bool ContainsItem(const TreeItem* ancestor, const TreeItem* item);
    // The programs that satellites and TPs outside item's subtree, other than its ancestors, show.
    std::set<std::int32_t> ProgramsShownBesides(const TreeItem* item) const;
    void ReleaseSubtree(TreeItem* item, const std::set<std::int32_t>& keep);
    IdPool* Pool(NodeKind pool);

    const NodeSchema& m_schema;
    DatabaseImage& m_image;
    UserPrompts& m_prompts;
    bool m_modified = false;
    NodeFields m_fields;

    std::int32_t m_freeOffset = 0;
    IdPool m_satIds;
    IdPool m_tpIds;
    ChannelTree m_tree;
};

} // namespace torvane
