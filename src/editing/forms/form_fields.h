#pragma once

#include <cstdint>
#include <optional>
#include <string>
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

// The values a number field of the template stores as they are: 0 … 2^width − 1, and 0 … 2^32 − 1
// for a field of 32 bits or more (a field write reads no sign: "-5" would be stored as 0).
struct FieldRange {
    std::int64_t lowest = 0;
    std::int64_t highest = 0;
    bool Holds(std::int64_t value) const { return value >= lowest && value <= highest; }
};
// The range of kind's number field of that name; nothing when the template declares no such
// number field.
std::optional<FieldRange> NumberFieldRange(const NodeStore& store, NodeKind kind, std::string_view field);
// The width check every edit of a field value makes before it writes (the dialogs, and whatever
// else sets fields as the dialogs do): nothing when value fits kind's field of that name (or the
// template does not declare it), else the refusal in the form of the dialogs' range messages,
// "Service ID: [0,  65535]", with name as the dialog calls the value.
std::optional<std::string> FieldWidthMessage(const NodeStore& store, NodeKind kind, std::string_view field,
                                             std::string_view name, std::int64_t value);

} // namespace torvane
