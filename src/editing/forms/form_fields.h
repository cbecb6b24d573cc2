#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "schema/node_schema.h"

namespace torvane {

class NodeStore;

// A node field as the dialogs read it: its text looked up by name, read as a number (decimal or
// "0x…"); nothing when the field cannot be read.
std::optional<std::int32_t> ReadFormValue(const NodeStore& store, NodeKind kind, int slot, std::string_view field);
// What a dialog's commit writes: the number into the node field of that name through
// write-if-changed (nothing for a field the template does not declare).
void WriteFormValue(NodeStore& store, NodeKind kind, int slot, std::string_view field, std::int64_t value);

} // namespace torvane
