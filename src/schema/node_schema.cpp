#include "schema/node_schema.h"

#include <limits>

#include "schema/template_declaration.h"
#include "schema/template_text.h"
#include "util/byte_order.h"
#include "util/file_io.h"

// The compiled template (script.ini) is a run of sections, all integers little-endian:
//
//   marker length L   2 bytes, 1..1023
//   marker            L bytes, e.g. "/*#tp_node@*/", no terminator
//   field count N     2 bytes
//   N field records   name length K (2 bytes, 0..255), name (K bytes, no terminator), then seven
//                     signed 32-bit integers: kind, mask, pos, width, totalBits, bitOffset, wordIndex
//
// The sections are TP, satellite and program, then the default program when it has a layout.

namespace torvane {
namespace {

constexpr std::array<std::string_view, kNodeKindCount> kMarkers = {
    "/*#tp_node@*/", "/*#sat_node@*/", "/*#prog_node@*/", "/*#def_prog_node@*/"};
constexpr std::array<NodeKind, 3> kListedKinds = {NodeKind::Tp, NodeKind::Satellite, NodeKind::Program};
constexpr std::array<NodeKind, kNodeKindCount> kAllKinds = {
    NodeKind::Tp, NodeKind::Satellite, NodeKind::Program, NodeKind::DefaultProgram};

constexpr std::size_t kMaxMarkerLength = 1023;
constexpr std::size_t kMaxNameLength = 255;
constexpr std::size_t kMaxSectionFields = 0xFFFF;
constexpr std::size_t kFieldIntegers = 7;

void AppendLe16(std::vector<std::uint8_t>& out, std::size_t value)
{
    std::uint8_t bytes[2];
    WriteLe16(bytes, static_cast<std::uint16_t>(value));
    out.insert(out.end(), bytes, bytes + 2);
}

void AppendLe32(std::vector<std::uint8_t>& out, std::int32_t value)
{
    std::uint8_t bytes[4];
    WriteLe32(bytes, static_cast<std::uint32_t>(value));
    out.insert(out.end(), bytes, bytes + 4);
}

// Reads from the compiled bytes without ever passing their end.
class ByteReader final {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    bool AtEnd() const { return m_at >= m_bytes.size(); }

    std::optional<std::uint16_t> Le16()
    {
        if (m_bytes.size() - m_at < 2)
            return std::nullopt;
        const std::uint16_t value = ReadLe16(m_bytes.data() + m_at);
        m_at += 2;
        return value;
    }

    std::optional<std::int32_t> Le32()
    {
        if (m_bytes.size() - m_at < 4)
            return std::nullopt;
        const auto value = static_cast<std::int32_t>(ReadLe32(m_bytes.data() + m_at));
        m_at += 4;
        return value;
    }

    std::optional<std::string> Text(std::size_t length)
    {
        if (m_bytes.size() - m_at < length)
            return std::nullopt;
        std::string text(reinterpret_cast<const char*>(m_bytes.data() + m_at), length);
        m_at += length;
        return text;
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

// A record the parser could have written: anything else would send field access outside its word.
bool IsPlausibleField(const TemplateField& field)
{
    const auto kind = static_cast<std::int32_t>(field.kind);
    return kind >= 0 && kind <= 2 && field.width >= 1 && field.totalBits >= 0 && field.bitOffset >= 0
        && field.bitOffset <= 31 && field.wordIndex >= 0;
}

std::optional<TemplateField> ReadFieldRecord(ByteReader& reader)
{
    const std::optional<std::uint16_t> nameLength = reader.Le16();
    if (!nameLength || *nameLength > kMaxNameLength)
        return std::nullopt;
    std::optional<std::string> name = reader.Text(*nameLength);
    if (!name)
        return std::nullopt;
    std::array<std::int32_t, kFieldIntegers> values{};
    for (std::int32_t& value : values) {
        const std::optional<std::int32_t> read = reader.Le32();
        if (!read)
            return std::nullopt;
        value = *read;
    }
    TemplateField field;
    field.name = std::move(*name);
    field.kind = static_cast<FieldKind>(values[0]);
    field.mask = values[1];
    field.pos = values[2];
    field.width = values[3];
    field.totalBits = values[4];
    field.bitOffset = values[5];
    field.wordIndex = values[6];
    if (!IsPlausibleField(field))
        return std::nullopt;
    return field;
}

} // namespace

std::string_view MarkerText(NodeKind kind)
{
    const auto index = static_cast<std::size_t>(kind);
    return index < kMarkers.size() ? kMarkers[index] : std::string_view{};
}

std::optional<NodeKind> KindOfMarker(std::string_view text)
{
    for (NodeKind kind : kAllKinds) {
        if (MarkerText(kind) == text)
            return kind;
    }
    return std::nullopt;
}

const NodeSchema::Layout* NodeSchema::LayoutOf(NodeKind kind) const
{
    const auto index = static_cast<std::size_t>(kind);
    return index < m_layouts.size() ? &m_layouts[index] : nullptr;
}

void NodeSchema::SetLayout(NodeKind kind, std::vector<TemplateField> declarations)
{
    Layout& layout = m_layouts[static_cast<std::size_t>(kind)];
    layout = Layout{};
    layout.declarationCount = static_cast<int>(declarations.size());
    layout.declarations = std::move(declarations);
    if (kind == NodeKind::DefaultProgram)
        return;
    // A hole-free run from position 1 cannot be longer than the number of fields, so positions
    // beyond that are never part of it. The later of two fields with the same pos wins.
    const std::vector<TemplateField>& fields = layout.declarations;
    std::vector<const TemplateField*> table(fields.size(), nullptr);
    for (const TemplateField& field : fields) {
        if (field.pos >= 1 && static_cast<std::size_t>(field.pos) <= table.size())
            table[static_cast<std::size_t>(field.pos) - 1] = &field;
    }
    for (const TemplateField* entry : table) {
        if (entry == nullptr)
            break;
        layout.positioned.push_back(*entry);
    }
}

bool NodeSchema::ParseTemplate(const std::string& path, UserPrompts& prompts)
{
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
    if (!bytes)
        return false;
    return ParseTemplateText(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), prompts);
}

bool NodeSchema::ParseTemplateText(std::string_view fileContent, UserPrompts& prompts)
{
    const std::string text = CleanTemplateText(fileContent);
    // Every kind must have declarations before any kind is replaced.
    std::array<std::vector<std::string_view>, kNodeKindCount> pieces;
    for (NodeKind kind : kAllKinds) {
        pieces[static_cast<std::size_t>(kind)] = DeclarationPieces(text, MarkerText(kind));
        if (pieces[static_cast<std::size_t>(kind)].empty())
            return false;
    }
    for (NodeKind kind : kAllKinds) {
        const std::vector<std::string_view>& kindPieces = pieces[static_cast<std::size_t>(kind)];
        std::vector<TemplateField> fields;
        fields.reserve(kindPieces.size());
        // Fields follow each other bit by bit, without alignment or padding.
        std::int64_t bit = 0;
        bool positioned = false;
        for (std::string_view piece : kindPieces) {
            std::optional<TemplateField> field = ParseDeclaration(piece, prompts);
            if (!field)
                return false;
            field->wordIndex = static_cast<std::int32_t>(bit / 32);
            field->bitOffset = static_cast<std::int32_t>(bit % 32);
            bit += field->totalBits;
            if (bit > std::numeric_limits<std::int32_t>::max())
                return false;
            positioned = positioned || field->pos >= 1;
            fields.push_back(std::move(*field));
        }
        if (kind != NodeKind::DefaultProgram && !positioned)
            return false;
        SetLayout(kind, std::move(fields));
    }
    return true;
}

void NodeSchema::ClearKind(NodeKind kind)
{
    const auto index = static_cast<std::size_t>(kind);
    if (index < m_layouts.size())
        m_layouts[index] = Layout{};
}

void NodeSchema::Clear()
{
    ClearKind(NodeKind::Satellite);
    ClearKind(NodeKind::Tp);
    ClearKind(NodeKind::Program);
    ClearKind(NodeKind::DefaultProgram);
}

bool NodeSchema::HasLayout(NodeKind kind) const
{
    const Layout* layout = LayoutOf(kind);
    return layout != nullptr && !layout->declarations.empty();
}

std::span<const TemplateField> NodeSchema::Fields(NodeKind kind, FieldView view) const
{
    const Layout* layout = LayoutOf(kind);
    if (layout == nullptr)
        return {};
    if (kind == NodeKind::DefaultProgram || view == FieldView::Declaration)
        return layout->declarations;
    return layout->positioned;
}

const TemplateField* NodeSchema::Field(NodeKind kind, FieldView view, int index) const
{
    const std::span<const TemplateField> fields = Fields(kind, view);
    if (index < 0 || static_cast<std::size_t>(index) >= fields.size())
        return nullptr;
    return &fields[static_cast<std::size_t>(index)];
}

int NodeSchema::FindField(NodeKind kind, FieldView view, std::string_view name) const
{
    const std::span<const TemplateField> fields = Fields(kind, view);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name == name)
            return static_cast<int>(i);
    }
    return -1;
}

int NodeSchema::NodeSize(NodeKind kind) const
{
    const Layout* layout = LayoutOf(kind);
    if (layout == nullptr)
        return 0;
    std::int64_t bits = 0;
    for (const TemplateField& field : layout->declarations)
        bits += field.totalBits;
    if (bits % 8 != 0 || bits / 8 > std::numeric_limits<int>::max())
        return 0;
    return static_cast<int>(bits / 8);
}

int NodeSchema::FieldCount(NodeKind kind) const
{
    return static_cast<int>(Fields(kind, FieldView::Position).size());
}

int NodeSchema::DeclarationCount(NodeKind kind) const
{
    const Layout* layout = LayoutOf(kind);
    return layout == nullptr ? 0 : layout->declarationCount;
}

std::vector<std::uint8_t> NodeSchema::Compile() const
{
    for (NodeKind kind : kListedKinds) {
        if (!HasLayout(kind))
            return {};
    }
    std::vector<std::uint8_t> out;
    for (NodeKind kind : kAllKinds) {
        if (!HasLayout(kind))
            continue;
        const std::vector<TemplateField>& fields = m_layouts[static_cast<std::size_t>(kind)].declarations;
        // The count field has 16 bits; more fields cannot be written truthfully.
        if (fields.size() > kMaxSectionFields)
            return {};
        const std::string_view marker = MarkerText(kind);
        AppendLe16(out, marker.size());
        out.insert(out.end(), marker.begin(), marker.end());
        AppendLe16(out, fields.size());
        for (const TemplateField& field : fields) {
            AppendLe16(out, field.name.size());
            out.insert(out.end(), field.name.begin(), field.name.end());
            for (std::int32_t value : {static_cast<std::int32_t>(field.kind), field.mask, field.pos, field.width,
                                       field.totalBits, field.bitOffset, field.wordIndex})
                AppendLe32(out, value);
        }
    }
    return out;
}

void NodeSchema::ReadCompiledBytes(std::span<const std::uint8_t> bytes)
{
    for (NodeKind kind : kListedKinds)
        ClearKind(kind);
    ByteReader reader(bytes);
    while (!reader.AtEnd()) {
        const std::optional<std::uint16_t> markerLength = reader.Le16();
        if (!markerLength || *markerLength < 1 || *markerLength > kMaxMarkerLength)
            return;
        const std::optional<std::string> marker = reader.Text(*markerLength);
        const std::optional<std::uint16_t> count = marker ? reader.Le16() : std::nullopt;
        if (!count)
            return;
        std::vector<TemplateField> fields;
        fields.reserve(*count);
        for (std::uint16_t i = 0; i < *count; ++i) {
            std::optional<TemplateField> field = ReadFieldRecord(reader);
            if (!field)
                return;
            fields.push_back(std::move(*field));
        }
        if (const std::optional<NodeKind> kind = KindOfMarker(*marker))
            SetLayout(*kind, std::move(fields));
    }
}

bool NodeSchema::WriteCompiled(const std::string& path) const
{
    const std::vector<std::uint8_t> bytes = Compile();
    if (bytes.empty())
        return false;
    return WriteFileAtomically(path, bytes);
}

bool NodeSchema::ReadCompiled(const std::string& path)
{
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
    if (!bytes)
        return false;
    ReadCompiledBytes(*bytes);
    return true;
}

} // namespace torvane
