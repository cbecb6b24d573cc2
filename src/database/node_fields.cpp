#include "database/node_fields.h"

#include "database/database_image.h"
#include "schema/field_codec.h"

namespace torvane {

namespace {

struct CachedLookUp {
    NodeKind kind;
    std::string_view name;
};

// In the order of IdentifyingField.
constexpr std::array<CachedLookUp, kIdentifyingFieldCount> kCachedLookUps{{
    {NodeKind::Satellite, "sat_id"},
    {NodeKind::Tp, "sat_id"},
    {NodeKind::Program, "sat_id"},
    {NodeKind::Tp, "tp_id"},
    {NodeKind::Program, "tp_id"},
    {NodeKind::Satellite, "satname"},
}};

bool IsTableKind(NodeKind kind)
{
    return kind == NodeKind::Tp || kind == NodeKind::Satellite || kind == NodeKind::Program;
}

} // namespace

std::size_t RecordFootprint(const NodeSchema& schema, NodeKind kind)
{
    const int size = schema.NodeSize(kind);
    if (size <= 0)
        return 0;
    return static_cast<std::size_t>(size) + (kind == NodeKind::Program ? kOrderNumberBytes : 0);
}

NodeFields::NodeFields(const NodeSchema& schema, DatabaseImage& image, bool& modified, UserPrompts& prompts)
    : m_schema(schema), m_image(image), m_modified(modified), m_prompts(prompts)
{
    ResetFieldCache();
}

const TemplateField* NodeFields::CheckedField(NodeKind kind, int fieldIndex, FieldView view) const
{
    if (!IsTableKind(kind))
        return nullptr;
    return m_schema.Field(kind, view, fieldIndex);
}

std::optional<std::size_t> NodeFields::RecordOffset(NodeKind kind, int slot) const
{
    const TableHeader* table = m_image.Table(kind);
    if (!table || slot < 0 || slot >= table->slotCount || static_cast<std::size_t>(slot) >= table->offsets.size())
        return std::nullopt;
    const std::int32_t offset = table->offsets[static_cast<std::size_t>(slot)];
    if (offset < 0)
        return std::nullopt;
    return static_cast<std::size_t>(offset);
}

bool NodeFields::Read(NodeKind kind, int slot, int fieldIndex, FieldView view, int element, std::string& out) const
{
    const TemplateField* field = CheckedField(kind, fieldIndex, view);
    const std::optional<std::size_t> offset = RecordOffset(kind, slot);
    if (!field || !offset)
        return false;
    return torvane::ReadRecordField(m_image.Region(), *offset, *field, view, element, out, m_prompts);
}

bool NodeFields::ReadField(NodeKind kind, int slot, int fieldIndex, std::string& out, int element) const
{
    return Read(kind, slot, fieldIndex, FieldView::Position, element, out);
}

bool NodeFields::ReadField(NodeKind kind, int slot, int fieldIndex, std::string& out) const
{
    return Read(kind, slot, fieldIndex, FieldView::Declaration, 0, out);
}

bool NodeFields::CanReadField(NodeKind kind, int slot, int fieldIndex, FieldView view, int element) const
{
    const TemplateField* field = CheckedField(kind, fieldIndex, view);
    const std::optional<std::size_t> offset = RecordOffset(kind, slot);
    return field && offset && CanReadRecordField(m_image.Region(), *offset, *field, view, element, m_prompts);
}

bool NodeFields::ReadRecordField(NodeKind kind, std::span<const std::uint8_t> record, int fieldIndex,
                                 std::string& out) const
{
    const TemplateField* field = CheckedField(kind, fieldIndex, FieldView::Declaration);
    if (!field)
        return false;
    return torvane::ReadRecordField(record, 0, *field, FieldView::Declaration, 0, out, m_prompts);
}

bool NodeFields::WriteField(NodeKind kind, int slot, int fieldIndex, std::string_view text, int element,
                            FieldView view)
{
    const TemplateField* field = CheckedField(kind, fieldIndex, view);
    const std::optional<std::size_t> offset = RecordOffset(kind, slot);
    if (!field || !offset)
        return false;
    return WriteRecordField(m_image.Region(), *offset, *field, element, text, m_prompts);
}

bool NodeFields::WriteFieldIfChanged(NodeKind kind, int slot, int fieldIndex, std::string_view text, int element,
                                     FieldView view)
{
    std::string current;
    if (!Read(kind, slot, fieldIndex, view, element, current))
        return false;
    if (current == text)
        return true;
    if (!WriteField(kind, slot, fieldIndex, text, element, view))
        return false;
    m_modified = true;
    return true;
}

int NodeFields::CachedFieldIndex(IdentifyingField field) const
{
    const auto entry = static_cast<std::size_t>(field);
    if (m_fieldCache[entry] < 0) {
        const CachedLookUp& lookUp = kCachedLookUps[entry];
        m_fieldCache[entry] = m_schema.FindField(lookUp.kind, FieldView::Position, lookUp.name);
    }
    return m_fieldCache[entry];
}

void NodeFields::ResetFieldCache()
{
    m_fieldCache.fill(-1);
}

} // namespace torvane
