#pragma once

#include <memory>
#include <string>
#include <vector>

#include "store/tree_node_info.h"

namespace torvane {

class ChannelTree;

// One item of the channel tree. Its address stays the same for its whole life, so it can serve as
// a model index's handle. Only the ChannelTree changes the structure.
class TreeItem final {
public:
    // The item's record; only the ChannelTree changes it.
    const TreeNodeInfo* Info() const { return m_info.get(); }
    const std::string& Label() const;

    // The parent item, or nullptr for a top-level item.
    TreeItem* Parent() const;
    int ChildCount() const { return static_cast<int>(m_children.size()); }
    // The n-th child (0-based), or nullptr when there is none.
    TreeItem* Child(int n) const;
    // Index among the parent's children, or among the top-level items for a top-level item.
    int Row() const;
    // Index among the parent item's children; -1 for a top-level item.
    int IndexInParent() const { return Parent() ? Row() : -1; }

private:
    friend class ChannelTree;

    std::unique_ptr<TreeNodeInfo> m_info;
    TreeItem* m_parent = nullptr;  // the tree's hidden root for a top-level item
    bool m_isHiddenRoot = false;
    std::vector<std::unique_ptr<TreeItem>> m_children;
};

} // namespace torvane
