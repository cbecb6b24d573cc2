#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "schema/node_schema.h"

namespace torvane {

class UserPrompts;

// One field of a node record read or written as text. A record is a run of 32-bit little-endian
// words; a field begins at bit bitOffset (bit 0 the least significant) of word wordIndex.
//
// Numbers: the width bits at that place, read across into the next word when they run past bit
// 31; a field of 32 bits or more reads its first 32 bits as a signed number, a narrower one as an
// unsigned number. Writing changes only those bits.
// Strings: totalBits / 8 bytes from byte 4 x wordIndex + ceil(bitOffset / 8), see name_codec.h.
// Arrays: elements of 8, 16 or 32 bits, little-endian signed, from byte 4 x wordIndex +
// bitOffset / 8. In the position view an array reads one element as a number; in the declaration
// view it reads its bytes as they are (up to the first zero byte). Writes always set one element.
//
// The record lies at recordOffset of region. Before anything is read or written, the field's bytes
// are checked against the region: if one lies at or beyond its end, "Out of Range" is shown and
// the access fails. Other bad input (a field the layout cannot hold, an element index outside the
// array) fails without a message.

inline constexpr std::string_view kOutOfRangeMessage = "Out of Range";

bool ReadRecordField(std::span<const std::uint8_t> region, std::size_t recordOffset, const TemplateField& field,
                     FieldView view, int element, std::string& out, UserPrompts& prompts);
// Whether ReadRecordField would read the field, with the same checks and message, but nothing
// decoded.
bool CanReadRecordField(std::span<const std::uint8_t> region, std::size_t recordOffset, const TemplateField& field,
                        FieldView view, int element, UserPrompts& prompts);

bool WriteRecordField(std::span<std::uint8_t> region, std::size_t recordOffset, const TemplateField& field,
                      int element, std::string_view text, UserPrompts& prompts);

} // namespace torvane
