#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/channel_tree_observer.h"
#include "store/tree_item.h"
#include "store/tree_item_state.h"
#include "store/tp_label.h"
#include "store/tree_node_info.h"
#include "util/observer_list.h"

namespace torvane {

inline constexpr std::string_view kAllServicesLabel = "All Services";
inline constexpr std::string_view kSatelliteRootLabel = "Satellite Information";

// The navigator's content without any widget: top-level items ("All Services", "Satellite
// Information"), satellites under the second and TPs under each satellite, each item owning its
// TreeNodeInfo. Every change of the items, their labels and their program lists goes through this
// class, and the observers are told of each change a view shows (items and labels; the program
// lists are shown by the service list, which has observers of its own).
class ChannelTree final {
public:
    ChannelTree();
    ChannelTree(const ChannelTree&) = delete;
    ChannelTree& operator=(const ChannelTree&) = delete;

    // Observers are not owned; one must be removed before it is destroyed.
    void AddObserver(ChannelTreeObserver* observer);
    void RemoveObserver(ChannelTreeObserver* observer);

    int TopLevelCount() const { return m_root.ChildCount(); }
    TreeItem* TopLevel(int n) const { return m_root.Child(n); }
    // The top-level item whose record has the tree kind, or nullptr.
    TreeItem* FindRoot(TreeKind kind) const;
    // The item whose record is record, or nullptr when no item of this tree owns it (a new record
    // a dialog fills, for instance).
    TreeItem* ItemOf(const TreeNodeInfo& record) const;

    // Appends an item as the last top-level item / the last child of parent; the record's parent
    // becomes parent (nullptr for a top-level item). nullptr when info or parent is missing.
    TreeItem* AddTopLevel(std::unique_ptr<TreeNodeInfo> info);
    TreeItem* AddChild(TreeItem* parent, std::unique_ptr<TreeNodeInfo> info);

    // Deletes the item with its descendants and their records. Releasing the nodes they stand for
    // is the store's job (NodeStore::DeleteItem).
    void Remove(TreeItem* item);
    // Deletes every item with its record.
    void Clear();

    // Exchanges two children of one parent: the sibling positions of all the parent's children are
    // renumbered 0, 1, … in their current order, the two swap positions and the children are sorted
    // by position. False when the two are not distinct siblings.
    bool ExchangeSiblings(TreeItem* first, TreeItem* second);

    // Sets the item's text (kept in its record).
    void SetLabel(TreeItem* item, std::string label);

    // Renumbers the TP labels of a satellite item: the k-th child's text from "TP" on gets
    // "[ k ]  " in front. Children whose text has no "TP" after its first character stay as they are.
    void RenumberTpLabels(TreeItem* satellite);

    // The item's program list: replaced whole, one entry set (false outside the count), an entry
    // put in at index (see ProgramList::Insert) or appended. A missing item changes nothing.
    void SetPrograms(TreeItem* item, ProgramList programs);
    bool SetProgram(TreeItem* item, int index, std::int32_t slot);
    bool InsertProgram(TreeItem* item, int index, std::int32_t slot);
    void AppendProgram(TreeItem* item, std::int32_t slot);

    // A copy of every item's record in navigator order.
    TreeState Snapshot() const;
    // Makes the tree equal to a copy, telling the observers of the smallest changes that get
    // there: satellites and TPs are recognised by their slot, other items by their kind, and an
    // item that is recognised keeps its address. Items that are not recognised are removed,
    // the others moved into place, the missing ones inserted, and changed labels told.
    void Restore(const TreeState& state);
    // The item at index of the navigator order (the index in Snapshot()), or nullptr; and back
    // (-1 for nullptr or an item of another tree).
    TreeItem* ItemAt(int index) const;
    int IndexOf(const TreeItem* item) const;

    // Whether a child of parent other than the record being edited has the candidate's label
    // (compared after trimming blanks and tabs; in TP mode only from "TP" on). An empty candidate
    // clashes with any labelled child.
    static bool HasDuplicateLabel(const TreeItem* parent, std::string_view candidate, bool tpMode,
                                  const TreeNodeInfo* editing);

    // Damaged images may give two satellites one sat_id, or two TPs of a satellite one tp_id. The
    // nodes with that id belong to the first such sibling only: true for a satellite or TP item
    // that no earlier sibling shares its id with, false for its twins.
    static bool OwnsItsId(const TreeItem* item);

private:
    // The observers' name for an item's parent: nullptr for the hidden root.
    const TreeItem* ParentForObservers(const TreeItem* parent) const;
    // Moves parent's child at from so that it stands before the child that was at destination.
    void MoveChild(TreeItem* parent, int from, int destination);
    // Puts an item at row of parent, made with its descendants from the copy's entry at.
    void InsertFromState(TreeItem* parent, int row, const TreeState& state, std::size_t at);
    // Restore's work on the children of parent; children are the entries of the copy they must
    // become.
    void RestoreChildren(TreeItem* parent, const TreeState& state, const std::vector<std::size_t>& children);
    TreeItem m_root;  // hidden; its children are the top-level items
    ObserverList<ChannelTreeObserver> m_observers;
};

} // namespace torvane
