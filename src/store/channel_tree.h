#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "store/tree_item.h"
#include "store/tree_node_info.h"

namespace torvane {

inline constexpr std::string_view kAllServicesLabel = "All Services";
inline constexpr std::string_view kSatelliteRootLabel = "Satellite Information";

// "[ n ]  TP_f_H_s", or with V when the polarisation is non-zero.
std::string FormatTpLabel(int number, int frequency, int polarisation, int symbolRate);

// The navigator's content without any widget: top-level items ("All Services", "Satellite
// Information"), satellites under the second and TPs under each satellite, each item owning its
// TreeNodeInfo. Every structural change goes through this class.
class ChannelTree final {
public:
    ChannelTree();

    int TopLevelCount() const { return m_root.ChildCount(); }
    TreeItem* TopLevel(int n) const { return m_root.Child(n); }
    // The top-level item whose record has the tree kind, or nullptr.
    TreeItem* FindRoot(TreeKind kind) const;

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
    TreeItem m_root;  // hidden; its children are the top-level items
};

} // namespace torvane
