#include "schema/name_codec.h"

#include <algorithm>

#include "text/arabic_shaping.h"
#include "text/utf_conversion.h"
#include "util/byte_order.h"

namespace torvane {

std::optional<std::string> DecodeName(std::span<const std::uint8_t> stored)
{
    if (stored.size() < 2 || stored.size() >= kDecodableNameBytes)
        return std::nullopt;
    std::u16string units;
    for (std::size_t at = 0; at < stored.size(); at += 2) {
        const std::uint8_t high = stored[at];
        const std::uint8_t low = at + 1 < stored.size() ? stored[at + 1] : 0;
        const auto unit = static_cast<char16_t>((high << 8) | low);
        if (unit == 0)
            break;
        units.push_back(unit);
    }
    // A decodable field holds at most 31 units, far below the shaping limit.
    UnshapeFromReceiver(units);
    return Utf16ToUtf8(units);
}

bool EncodeName(std::span<std::uint8_t> stored, std::string_view text)
{
    if (stored.size() < 2)
        return false;
    std::optional<std::u16string> units = Utf8ToUtf16(text.substr(0, text.find('\0')));
    if (!units || !ShapeForReceiver(*units) || units->size() > stored.size() / 2)
        return false;
    std::fill(stored.begin(), stored.end(), 0);
    for (std::size_t i = 0; i < units->size(); ++i)
        WriteBe16(&stored[2 * i], units->at(i));
    return true;
}

} // namespace torvane
