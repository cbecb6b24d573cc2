#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "editing/forms/move_information.h"
#include "editing/forms/satellite_form.h"
#include "editing/forms/tp_form.h"
#include "editing/session/context_menu.h"

namespace torvane {

class DocumentCapacity;
class NodeStore;
class TreeItem;
struct TreeNodeInfo;

// The commands of the navigator's context menu.
enum class NavigatorCommand { Edit, Add, Delete, MoveUp, MoveDown, MoveTo, UpdateTpsFromTable, AddSatelliteFromTable };

// The navigator's context menu (resource 135, popup "dump") in order, then the two table imports.
std::span<const MenuEntry<NavigatorCommand>> NavigatorContextMenu();

// What the menu looks like for the item a right click hit: none for "All Services", the reserved
// kinds and an item without a record; only Add for "Satellite Information"; for satellites and
// TPs Add greyed for a TP, Move up for the first child, Move down for the last and Move to for an
// only child. "Update TPs from Table…" is enabled on a satellite only, "Add Satellite from Table…"
// on "Satellite Information" only.
MenuState<NavigatorCommand> NavigatorContextMenuState(const TreeItem* item);

// A satellite or TP dialog the navigator opened, with the record it works on: for Add a new
// record the dialog fills (owned here until the item is made), for Edit the item's own record.
class NavigatorDialog final {
public:
    NavigatorDialog(NodeStore& store, TreeItem& item, std::unique_ptr<TreeNodeInfo> newRecord);
    ~NavigatorDialog();
    NavigatorDialog(const NavigatorDialog&) = delete;
    NavigatorDialog& operator=(const NavigatorDialog&) = delete;

    bool IsAdd() const { return m_newRecord != nullptr; }
    // The item selected for the command: the parent of a new item, or the item edited.
    TreeItem& Item() const { return m_item; }
    const TreeNodeInfo& Record() const;

    // One of the two is set.
    SatelliteForm* Satellite() const { return m_satellite.get(); }
    TpForm* Tp() const { return m_tp.get(); }

private:
    friend class NavigatorCommands;

    TreeItem& m_item;
    std::unique_ptr<TreeNodeInfo> m_newRecord;
    std::unique_ptr<SatelliteForm> m_satellite;
    std::unique_ptr<TpForm> m_tp;
};

// The navigator's commands on the channel tree: add and edit a satellite or TP through its
// dialog, delete an item with everything below it, and reorder siblings. Each sets the modified
// flag when it changed something, and only then.
class NavigatorCommands final {
public:
    explicit NavigatorCommands(NodeStore& store);
    // Adding a satellite or TP is refused, with the limit said, when the document's file can take
    // no more of them (no check without a capacity).
    void SetCapacity(const DocumentCapacity* capacity) { m_capacity = capacity; }

    // Add under the selected item: the satellite dialog (new mode) under "Satellite Information",
    // the TP dialog (new mode) under a satellite with the TP's place as provisional number;
    // nullptr for other items.
    std::unique_ptr<NavigatorDialog> BeginAdd(TreeItem* selected);
    // Edit: the satellite or TP dialog in edit mode on the item's record; nullptr for others.
    std::unique_ptr<NavigatorDialog> BeginEdit(TreeItem* selected);
    // After the dialog closed: on OK its commit; for Add the new item as the last child (none when
    // the node could not be made: the dialog said so). The item added or edited, or nullptr.
    TreeItem* Finish(NavigatorDialog& dialog);

    // Deletes the item and everything below it, releasing each satellite, TP and program node
    // once. A TP's neighbours are renumbered. The item the navigator selects next (the next
    // sibling, else the previous one, else the parent), or nullptr.
    TreeItem* Delete(TreeItem* item);

    // Exchanges the item with its previous / next sibling and renumbers the TP labels; false when
    // there is none.
    bool MoveUp(TreeItem* item);
    bool MoveDown(TreeItem* item);
    // The prompt Move Information shows, or nothing without an item that has a parent.
    std::optional<MoveInformation> BeginMoveTo(const TreeItem* item) const;
    // Moves the item to place number (1-based) among its siblings, the ones between shifting by
    // one; "Target doesn't exist!" for a number outside 1 … the number of siblings. True when the
    // item moved.
    bool MoveTo(TreeItem* item, std::uint32_t number);

private:
    // Makes the program lists of the item and its descendants hold exactly the live programs
    // that belong to them, so that a delete releases what the nodes say, never a stale slot.
    void RefreshProgramLists(TreeItem* item);
    bool Exchange(TreeItem* item, TreeItem* sibling);

    NodeStore& m_store;
    const DocumentCapacity* m_capacity = nullptr;
};

} // namespace torvane
