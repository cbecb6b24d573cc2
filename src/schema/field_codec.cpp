#include "schema/field_codec.h"

#include <optional>

#include "schema/name_codec.h"
#include "schema/parse_number.h"
#include "util/byte_order.h"
#include "util/user_prompts.h"

namespace torvane {

namespace {

// Where a field's bytes lie in its record.
struct FieldBytes {
    std::size_t start;
    std::size_t size;
};

std::size_t FirstBit(const TemplateField& field)
{
    return 32 * static_cast<std::size_t>(field.wordIndex) + static_cast<std::size_t>(field.bitOffset);
}

// Bits of a number field that make its value.
std::size_t NumberBits(const TemplateField& field)
{
    return field.width < 32 ? static_cast<std::size_t>(field.width) : 32;
}

int ElementCount(const TemplateField& field)
{
    return field.totalBits / field.width;
}

// The bytes the field occupies, or nothing when the layout gives it no usable place.
std::optional<FieldBytes> BytesOf(const TemplateField& field)
{
    if (field.wordIndex < 0 || field.bitOffset < 0 || field.bitOffset > 31 || field.width <= 0
        || field.totalBits < 0)
        return std::nullopt;
    const std::size_t wordStart = 4 * static_cast<std::size_t>(field.wordIndex);
    switch (field.kind) {
    case FieldKind::Number: {
        const std::size_t first = FirstBit(field);
        return FieldBytes{first / 8, (first % 8 + NumberBits(field) + 7) / 8};
    }
    case FieldKind::String:
        return FieldBytes{wordStart + (static_cast<std::size_t>(field.bitOffset) + 7) / 8,
                          static_cast<std::size_t>(field.totalBits) / 8};
    case FieldKind::Array:
        if (field.width != 8 && field.width != 16 && field.width != 32)
            return std::nullopt;
        return FieldBytes{wordStart + static_cast<std::size_t>(field.bitOffset) / 8,
                          static_cast<std::size_t>(field.totalBits) / 8};
    }
    return std::nullopt;
}

bool ElementIndexValid(const TemplateField& field, int element)
{
    return element >= 0 && element < ElementCount(field);
}

// The field's bytes inside the region, or nothing (with "Out of Range" when they lie outside).
template <typename Byte>
std::optional<std::span<Byte>> Locate(std::span<Byte> region, std::size_t recordOffset, const FieldBytes& bytes,
                                      UserPrompts& prompts)
{
    if (recordOffset > region.size() || bytes.start > region.size() - recordOffset
        || bytes.size > region.size() - recordOffset - bytes.start) {
        prompts.Message(kOutOfRangeMessage);
        return std::nullopt;
    }
    return region.subspan(recordOffset + bytes.start, bytes.size);
}

std::uint64_t ReadLeBytes(std::span<const std::uint8_t> bytes)
{
    std::uint64_t value = 0;
    for (std::size_t i = bytes.size(); i-- > 0;)
        value = (value << 8) | bytes[i];
    return value;
}

void WriteLeBytes(std::span<std::uint8_t> bytes, std::uint64_t value)
{
    for (std::uint8_t& b : bytes) {
        b = static_cast<std::uint8_t>(value);
        value >>= 8;
    }
}

std::int32_t ReadNumber(std::span<const std::uint8_t> bytes, const TemplateField& field)
{
    const std::size_t bits = NumberBits(field);
    const std::uint64_t value = (ReadLeBytes(bytes) >> (FirstBit(field) % 8)) & ((std::uint64_t{1} << bits) - 1);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

void WriteNumber(std::span<std::uint8_t> bytes, const TemplateField& field, std::uint32_t value)
{
    const std::size_t shift = FirstBit(field) % 8;
    const std::uint64_t mask = ((std::uint64_t{1} << NumberBits(field)) - 1) << shift;
    const std::uint64_t word = (ReadLeBytes(bytes) & ~mask) | ((std::uint64_t{value} << shift) & mask);
    WriteLeBytes(bytes, word);
}

std::int32_t ReadElement(std::span<const std::uint8_t> element)
{
    switch (element.size()) {
    case 1:
        return static_cast<std::int8_t>(element[0]);
    case 2:
        return static_cast<std::int16_t>(ReadLe16(element.data()));
    default:
        return static_cast<std::int32_t>(ReadLe32(element.data()));
    }
}

// The bytes ReadRecordField reads the field from.
std::optional<std::span<const std::uint8_t>> ReadableBytes(std::span<const std::uint8_t> region,
                                                           std::size_t recordOffset, const TemplateField& field,
                                                           FieldView view, int element, UserPrompts& prompts)
{
    const std::optional<FieldBytes> place = BytesOf(field);
    if (!place)
        return std::nullopt;
    if (field.kind == FieldKind::Array && view == FieldView::Position && !ElementIndexValid(field, element))
        return std::nullopt;
    return Locate(region, recordOffset, *place, prompts);
}

} // namespace

bool CanReadRecordField(std::span<const std::uint8_t> region, std::size_t recordOffset, const TemplateField& field,
                        FieldView view, int element, UserPrompts& prompts)
{
    return ReadableBytes(region, recordOffset, field, view, element, prompts).has_value();
}

bool ReadRecordField(std::span<const std::uint8_t> region, std::size_t recordOffset, const TemplateField& field,
                     FieldView view, int element, std::string& out, UserPrompts& prompts)
{
    const std::optional<std::span<const std::uint8_t>> bytes =
        ReadableBytes(region, recordOffset, field, view, element, prompts);
    if (!bytes)
        return false;
    const bool oneElement = field.kind == FieldKind::Array && view == FieldView::Position;

    switch (field.kind) {
    case FieldKind::Number:
        out = std::to_string(ReadNumber(*bytes, field));
        return true;
    case FieldKind::String:
        out = DecodeName(*bytes).value_or(std::string());
        return true;
    case FieldKind::Array:
        if (oneElement) {
            const std::size_t size = static_cast<std::size_t>(field.width) / 8;
            out = std::to_string(ReadElement(bytes->subspan(static_cast<std::size_t>(element) * size, size)));
        } else {
            std::size_t length = 0;
            while (length < bytes->size() && (*bytes)[length] != 0)
                ++length;
            out.assign(reinterpret_cast<const char*>(bytes->data()), length);
        }
        return true;
    }
    return false;
}

bool WriteRecordField(std::span<std::uint8_t> region, std::size_t recordOffset, const TemplateField& field,
                      int element, std::string_view text, UserPrompts& prompts)
{
    const std::optional<FieldBytes> place = BytesOf(field);
    if (!place)
        return false;
    if (field.kind == FieldKind::Array && !ElementIndexValid(field, element))
        return false;
    const std::optional<std::span<std::uint8_t>> bytes = Locate(region, recordOffset, *place, prompts);
    if (!bytes)
        return false;

    switch (field.kind) {
    case FieldKind::Number:
        WriteNumber(*bytes, field, static_cast<std::uint32_t>(ParseNumber(text)));
        return true;
    case FieldKind::String:
        return EncodeName(*bytes, text);
    case FieldKind::Array: {
        const std::size_t size = static_cast<std::size_t>(field.width) / 8;
        WriteLeBytes(bytes->subspan(static_cast<std::size_t>(element) * size, size),
                     static_cast<std::uint32_t>(ParseNumber(text)));
        return true;
    }
    }
    return false;
}

} // namespace torvane
