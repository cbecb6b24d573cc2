// Names as the receiver stores them: the UTF conversions, UnshapeFromReceiver over big-endian
// UTF-16 units, and DecodeName / EncodeName over a name field. Valid UTF-8 must survive UTF-16 and
// back; a decoded name is valid UTF-8; a name that went through its field once survives it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_target.h"
#include "schema/name_codec.h"
#include "text/arabic_shaping.h"
#include "text/utf_conversion.h"

namespace torvane::fuzz {

std::vector<Input> Seeds()
{
    const std::vector<std::string> names = {"Astra 19.2E", "نايل سات", "قناة 7", "لا إله", "MBC مصر 2", "سلام"};
    std::vector<Input> seeds;
    for (const std::string& name : names) {
        seeds.emplace_back(name.begin(), name.end());
        Input field(kDecodableNameBytes - 1, 0);
        if (EncodeName(field, name))
            seeds.push_back(field);
    }
    return seeds;
}

namespace {

std::u16string BigEndianUnits(std::span<const std::uint8_t> bytes)
{
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(bytes[i] << 8 | bytes[i + 1]));
    return units;
}

// The name written into a zeroed field of fieldSize bytes and read back; nothing when it does not fit.
std::optional<std::string> EncodeAndDecode(const std::string& name, std::size_t fieldSize)
{
    Input field(fieldSize, 0);
    if (!EncodeName(field, name))
        return std::nullopt;
    const std::optional<std::string> decoded = DecodeName(field);
    Check(decoded.has_value(), "an encoded name does not decode");
    return decoded;
}

} // namespace

} // namespace torvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace torvane;
    const std::span<const std::uint8_t> bytes(data, size);
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (const std::optional<std::u16string> units = Utf8ToUtf16(text))
        fuzz::Check(Utf16ToUtf8(*units) == text, "valid UTF-8 changes through UTF-16");
    fuzz::Check(Utf8ToUtf16(Utf16ToUtf8(fuzz::BigEndianUnits(bytes))).has_value(),
                "UTF-16 converts to malformed UTF-8");

    std::u16string stored = fuzz::BigEndianUnits(bytes);
    const std::u16string before = stored;
    if (!UnshapeFromReceiver(stored))
        fuzz::Check(stored == before, "a refused text was changed");

    const auto field = bytes.first(std::min(size, kDecodableNameBytes - 1));
    const std::optional<std::string> name = DecodeName(field);
    fuzz::Check(name.has_value() == (field.size() >= 2), "a name field is decoded or refused against its size");
    if (name) {
        fuzz::Check(Utf8ToUtf16(*name).has_value(), "a decoded name is not UTF-8");
        // A name may change on its way through the field twice: the first pass drops a zero-width
        // non-joiner (its letters are stored apart but read back side by side), and the second then
        // joins them, where an alef maksura before a joining letter takes the forms of yeh and reads
        // back as yeh. After that the name must stay as it is.
        std::optional<std::string> passed = fuzz::EncodeAndDecode(*name, field.size());
        for (int pass = 0; pass < 2 && passed; ++pass) {
            const std::optional<std::string> again = fuzz::EncodeAndDecode(*passed, field.size());
            if (pass == 1)
                fuzz::Check(again == passed, "an encoded name decodes to another name");
            passed = again;
        }
    }

    fuzz::Input encoded(std::max<std::size_t>(2, size), 0xAA);
    const fuzz::Input untouched = encoded;
    if (!EncodeName(encoded, text))
        fuzz::Check(encoded == untouched, "a refused name changed its field");
    return 0;
}
