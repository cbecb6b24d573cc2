#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "schema/node_schema.h"

namespace torvane {

class DatabaseImage;
class UserPrompts;

// The identifying fields whose indexes are cached.
enum class IdentifyingField {
    SatelliteId,         // satellite "sat_id"
    TpSatelliteId,       // TP "sat_id"
    ProgramSatelliteId,  // program "sat_id"
    TpId,                // TP "tp_id"
    ProgramTpId,         // program "tp_id"
    SatelliteName,       // satellite "satname"
};
inline constexpr std::size_t kIdentifyingFieldCount = 6;

// In memory a program record is followed by its 16-bit order number (little-endian, signed);
// the stored region has none.
inline constexpr std::size_t kOrderNumberBytes = 2;

// Bytes a record of kind takes in the region buffer: NodeSize, and for programs the order number
// after it. 0 when the kind has no usable layout.
std::size_t RecordFootprint(const NodeSchema& schema, NodeKind kind);

// Every read and write of a satellite, TP or program field: by kind, slot in the kind's table and
// field index in a view of the layout, values as text. An accessor fails without touching anything
// when the kind is not TP, satellite or program, the index gives no field, the slot is -1, not
// below the slot count or deleted, or an array element index is outside the array; a field outside
// the region shows "Out of Range".
class NodeFields final {
public:
    // modified is the document's flag: a changed write through WriteFieldIfChanged sets it.
    NodeFields(const NodeSchema& schema, DatabaseImage& image, bool& modified, UserPrompts& prompts);

    // Position view; an array field reads its element at index element.
    bool ReadField(NodeKind kind, int slot, int fieldIndex, std::string& out, int element) const;
    // Declaration view; an array field reads its bytes as a text.
    bool ReadField(NodeKind kind, int slot, int fieldIndex, std::string& out) const;
    // Whether ReadField in view would read the field (the same checks and message), without
    // decoding it.
    bool CanReadField(NodeKind kind, int slot, int fieldIndex, FieldView view, int element = 0) const;
    // Declaration view on a record held outside the region (such as one of a default database
    // being built); its bytes are bounded by record.
    bool ReadRecordField(NodeKind kind, std::span<const std::uint8_t> record, int fieldIndex, std::string& out) const;

    bool WriteField(NodeKind kind, int slot, int fieldIndex, std::string_view text, int element, FieldView view);
    // Writes only when text differs from the value read in the same view; a changed, successful
    // write sets the modified flag. An unchanged text is success.
    bool WriteFieldIfChanged(NodeKind kind, int slot, int fieldIndex, std::string_view text, int element,
                             FieldView view);

    // The index of an identifying field in its kind's position table, looked up by name on first
    // use and kept until ResetFieldCache (called whenever a database is opened). -1 when the layout
    // lacks the field.
    int CachedFieldIndex(IdentifyingField field) const;
    void ResetFieldCache();

    // The region offset of the record in a used slot, or nothing for an unknown kind, a slot
    // outside the table or a deleted slot. The record itself may still run past the region.
    std::optional<std::size_t> RecordOffset(NodeKind kind, int slot) const;

private:
    const TemplateField* CheckedField(NodeKind kind, int fieldIndex, FieldView view) const;
    bool Read(NodeKind kind, int slot, int fieldIndex, FieldView view, int element, std::string& out) const;

    const NodeSchema& m_schema;
    DatabaseImage& m_image;
    bool& m_modified;
    UserPrompts& m_prompts;
    mutable std::array<int, kIdentifyingFieldCount> m_fieldCache;
};

} // namespace torvane
