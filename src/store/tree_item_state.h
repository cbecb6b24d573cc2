#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/program_list.h"
#include "store/tree_node_info.h"

namespace torvane {

// One item of a copy of the channel tree: its record without the parent, and how many children
// follow it. A tree is copied as its items in navigator order (each item before its children).
struct TreeItemState {
    TreeKind treeKind = TreeKind::AllServices;
    std::int32_t siblingPosition = 0;
    std::int32_t satId = 0;
    std::int32_t tpId = 0;
    std::int32_t slot = 0;
    ProgramList programs;
    std::string label;
    int childCount = 0;

    bool operator==(const TreeItemState&) const = default;
};

using TreeState = std::vector<TreeItemState>;

} // namespace torvane
