#pragma once

#include <cstdint>
#include <string>

#include "store/program_list.h"

namespace torvane {

class TreeItem;

// What a navigator item stands for. 1 and 5 are reserved: items of those kinds get no channel
// commands.
enum class TreeKind : std::int32_t {
    AllServices = 0,
    Reserved1 = 1,
    SatelliteRoot = 2,
    Satellite = 3,
    Tp = 4,
    Reserved5 = 5,
};

// The record of one navigator item, owned by the item.
struct TreeNodeInfo {
    TreeKind treeKind = TreeKind::AllServices;
    std::int32_t siblingPosition = 0;  // sort key while siblings are reordered
    std::int32_t satId = 0;            // satellite: its own sat_id; TP: its satellite's
    std::int32_t tpId = 0;             // TP: its tp_id
    std::int32_t slot = 0;             // satellite / TP: slot in its table; roots: 0
    ProgramList programs;
    std::string label;                 // the item's text
    TreeItem* parent = nullptr;        // satellite: "Satellite Information"; TP: its satellite
};

} // namespace torvane
