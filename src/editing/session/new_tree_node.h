#pragma once

#include <optional>
#include <string_view>

#include "schema/node_schema.h"

namespace torvane {

class NodeStore;

// A satellite or TP node made for a new navigator item: its slot and its new id.
struct NewTreeNode {
    int slot = -1;
    int id = 0;
};

// Allocates a node of kind (satellite or TP) and takes a new id from its pool. When either runs
// out, the user is told failureMessage, nothing stays allocated and nothing is answered, so that
// no item is made that stands for no node.
std::optional<NewTreeNode> AllocTreeNode(NodeStore& store, NodeKind kind, std::string_view failureMessage);

} // namespace torvane
