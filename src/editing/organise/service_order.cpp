#include "editing/organise/service_order.h"

#include <algorithm>
#include <vector>

#include "store/node_store.h"
#include "store/tree_item.h"
#include "store/tree_node_info.h"

namespace torvane {
namespace {

// Every satellite's and TP's list, and that of "All Services", as a fresh open builds them.
void RebuildProgramLists(NodeStore& store)
{
    ChannelTree& tree = store.Tree();
    tree.SetPrograms(tree.FindRoot(TreeKind::AllServices), store.BuildAllServicesList());
    TreeItem* root = tree.FindRoot(TreeKind::SatelliteRoot);
    for (int s = 0; root && s < root->ChildCount(); ++s) {
        TreeItem* satellite = root->Child(s);
        tree.SetPrograms(satellite, store.BuildSatelliteList(satellite->Info()->satId));
        for (int t = 0; t < satellite->ChildCount(); ++t) {
            TreeItem* tp = satellite->Child(t);
            tree.SetPrograms(tp, store.BuildTpList(tp->Info()->tpId, satellite->Info()->programs));
        }
    }
}

} // namespace

bool ReorderServices(NodeStore& store, std::span<const std::int32_t> slots)
{
    std::vector<std::int16_t> orders;
    orders.reserve(slots.size());
    for (const std::int32_t slot : slots)
        orders.push_back(store.OrderOf(slot).value_or(0));
    std::sort(orders.begin(), orders.end());
    bool changed = false;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (store.OrderOf(slots[i]) != orders[i]) {
            store.SetOrder(slots[i], orders[i]);
            changed = true;
        }
    }
    if (changed) {
        RebuildProgramLists(store);
        store.SetModified(true);
    }
    return changed;
}

} // namespace torvane
