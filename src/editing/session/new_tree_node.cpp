#include "editing/session/new_tree_node.h"

#include "store/id_pool.h"
#include "store/node_store.h"
#include "util/user_prompts.h"

namespace torvane {

std::optional<NewTreeNode> AllocTreeNode(NodeStore& store, NodeKind kind, std::string_view failureMessage)
{
    const int slot = store.AllocNode(kind);
    const int id = slot >= 0 ? store.AllocId(kind) : IdPool::kNone;
    if (id == IdPool::kNone) {
        store.FreeNode(kind, slot);
        store.Prompts().Message(failureMessage);
        return std::nullopt;
    }
    return NewTreeNode{slot, id};
}

} // namespace torvane
