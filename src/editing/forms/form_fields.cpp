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

std::optional<FieldRange> NumberFieldRange(const NodeStore& store, NodeKind kind, std::string_view field)
{
    const TemplateField* layout = store.NamedField(kind, field);
    if (!layout || layout->kind != FieldKind::Number || layout->width <= 0)
        return std::nullopt;
    constexpr std::int32_t kWordBits = 32;
    const int bits = layout->width < kWordBits ? layout->width : kWordBits;
    return FieldRange{0, (std::int64_t{1} << bits) - 1};
}

std::optional<std::string> FieldWidthMessage(const NodeStore& store, NodeKind kind, std::string_view field,
                                             std::string_view name, std::int64_t value)
{
    const std::optional<FieldRange> range = NumberFieldRange(store, kind, field);
    if (!range || range->Holds(value))
        return std::nullopt;
    return std::string(name) + ": [" + std::to_string(range->lowest) + ",  " + std::to_string(range->highest) + "]";
}

} // namespace torvane
