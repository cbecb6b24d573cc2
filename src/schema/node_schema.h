#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

class UserPrompts;

// The four record layouts; the numbers are used throughout the system.
enum class NodeKind : int { Tp = 0, Satellite = 1, Program = 2, DefaultProgram = 3 };
inline constexpr int kNodeKindCount = 4;

// The marker comment that introduces a kind's block in the template header and names its section
// in the compiled template, e.g. "/*#tp_node@*/".
std::string_view MarkerText(NodeKind kind);
// The kind whose marker is text exactly, or nothing.
std::optional<NodeKind> KindOfMarker(std::string_view text);

enum class FieldKind : std::int32_t { Number = 0, String = 1, Array = 2 };

// The two views of a kind's fields: the table by list position (kinds 0..2) and the declarations
// in header order. Kind 3 always answers with its declarations.
enum class FieldView { Position, Declaration };

struct TemplateField {
    std::string name;              // at most 255 characters
    FieldKind kind = FieldKind::Number;
    std::int32_t mask = 0;         // nonzero: never a column of the service list
    std::int32_t pos = -1;         // 1-based list position, -1 when absent
    std::int32_t width = 0;        // bits of one element
    std::int32_t totalBits = 0;    // bits in the record
    std::int32_t bitOffset = 0;    // first bit inside its first 32-bit word, 0..31
    std::int32_t wordIndex = 0;    // 32-bit word in which the field begins

    bool operator==(const TemplateField&) const = default;
};

// The layouts learnt from the template header (or read back from the compiled template).
class NodeSchema final {
public:
    // Parses a template header and replaces the layouts of all four kinds. On failure the kinds
    // replaced before the failing one stay. Malformed attributes are reported as "%s error".
    bool ParseTemplate(const std::string& path, UserPrompts& prompts);
    // The same on header text already in memory (the file's bytes).
    bool ParseTemplateText(std::string_view fileContent, UserPrompts& prompts);

    void ClearKind(NodeKind kind);
    void Clear();  // satellite, TP, program and default-program layouts, in that order

    bool HasLayout(NodeKind kind) const;

    // The usable entries of a view: up to (not including) its first empty entry.
    std::span<const TemplateField> Fields(NodeKind kind, FieldView view) const;
    // The field at index of a view, or nullptr when there is none.
    const TemplateField* Field(NodeKind kind, FieldView view, int index) const;
    // Index of the first field named exactly name (case-sensitive) before the view's first hole, or -1.
    int FindField(NodeKind kind, FieldView view, std::string_view name) const;

    // Record size in bytes: the sum of totalBits / 8 when it is a whole number of bytes, else 0.
    int NodeSize(NodeKind kind) const;
    // Entries of the position table before its first hole (kind 3: of its declarations).
    int FieldCount(NodeKind kind) const;
    // Declarations counted before parsing (kinds 0..2).
    int DeclarationCount(NodeKind kind) const;

    // The compiled template (script.ini): see node_schema.cpp for the byte layout.
    bool WriteCompiled(const std::string& path) const;
    bool ReadCompiled(const std::string& path);
    std::vector<std::uint8_t> Compile() const;                 // empty when kinds 0..2 are not all laid out
    void ReadCompiledBytes(std::span<const std::uint8_t> bytes);

private:
    struct Layout {
        std::vector<TemplateField> declarations;
        // The position table up to its first hole: entry i holds the field with pos i + 1. Entries
        // after a hole are never seen by any lookup or count, so they are not kept.
        std::vector<TemplateField> positioned;
        int declarationCount = 0;
    };

    const Layout* LayoutOf(NodeKind kind) const;
    // Stores a kind's declarations (already positioned) and derives its position table.
    void SetLayout(NodeKind kind, std::vector<TemplateField> declarations);

    std::array<Layout, kNodeKindCount> m_layouts;
};

} // namespace torvane
