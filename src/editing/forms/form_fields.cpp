#include "editing/forms/form_fields.h"

#include <string>

#include "schema/parse_number.h"
#include "store/node_store.h"

namespace torvane {

std::optional<std::int32_t> ReadFormValue(const NodeStore& store, NodeKind kind, int slot, std::string_view field)
{
    const std::optional<std::string> text = store.ReadNamedText(kind, slot, field);
    if (!text)
        return std::nullopt;
    return ParseNumber(*text);
}

void WriteFormValue(NodeStore& store, NodeKind kind, int slot, std::string_view field, std::int64_t value)
{
    store.WriteNamedIfChanged(kind, slot, field, std::to_string(value));
}

} // namespace torvane
