#pragma once

#include <cstdint>
#include <span>

namespace torvane {

class NodeStore;

// Puts the programs of slots (distinct live programs) into that channel order: the order numbers
// they hold are given out again in ascending order along slots, so that the programs not named
// keep theirs and an order that is already so changes nothing. After a change the program lists
// of the tree are built again. True when an order number changed.
bool ReorderServices(NodeStore& store, std::span<const std::int32_t> slots);

} // namespace torvane
