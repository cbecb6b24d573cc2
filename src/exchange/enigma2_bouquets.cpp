#include "exchange/enigma2_bouquets.h"

#include <charconv>
#include <cstdio>

#include "exchange/enigma2_lamedb.h"

namespace torvane {

namespace {

constexpr std::string_view kFromBouquet = "FROM BOUQUET \"";
constexpr std::size_t kNumberFields = 10;

// "%3a" and the like back into their bytes; a '%' without two hex digits stays.
std::string PercentDecoded(std::string_view text)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::optional<std::uint32_t> byte =
            text[i] == '%' && i + 2 < text.size() ? ParseE2Hex(text.substr(i + 1, 2)) : std::nullopt;
        if (byte) {
            decoded += static_cast<char>(*byte);
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

std::optional<std::uint32_t> ParseDecimal(std::string_view text)
{
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && ptr == end ? std::optional<std::uint32_t>(value) : std::nullopt;
}

} // namespace

std::optional<E2ServiceKey> E2Reference::Service() const
{
    if (type != 1 || (flags & (kDirectory | kMarker | kGroup)) != 0 || !path.empty())
        return std::nullopt;
    return E2ServiceKey{{d[4], d[2], d[3]}, d[1], static_cast<int>(d[0])};
}

std::optional<std::string> E2Reference::BouquetFile() const
{
    if (path.starts_with(kFromBouquet)) {
        const std::size_t close = path.find('"', kFromBouquet.size());
        if (close == std::string::npos || close == kFromBouquet.size())
            return std::nullopt;
        return path.substr(kFromBouquet.size(), close - kFromBouquet.size());
    }
    if (path.empty() || path.find_first_of(" \"/") != std::string::npos)
        return std::nullopt;
    return path;
}

std::optional<E2Reference> ParseE2Reference(std::string_view text)
{
    E2Reference reference;
    std::size_t start = 0;
    for (std::size_t field = 0; field < kNumberFields; ++field) {
        const std::size_t colon = text.find(':', start);
        if (colon == std::string_view::npos)
            return std::nullopt;
        const std::string_view part = text.substr(start, colon - start);
        start = colon + 1;
        const std::optional<std::uint32_t> value = field < 2 ? ParseDecimal(part) : ParseE2Hex(part);
        if (!value)
            return std::nullopt;
        if (field == 0)
            reference.type = static_cast<int>(*value & 0x7FFFFFFF);
        else if (field == 1)
            reference.flags = *value;
        else
            reference.d[field - 2] = *value;
    }
    const std::size_t colon = text.find(':', start);
    reference.path = PercentDecoded(text.substr(start, colon - start));
    if (colon != std::string_view::npos)
        reference.name = PercentDecoded(text.substr(colon + 1));
    return reference;
}

std::string E2ReferenceText(const E2ServiceKey& key)
{
    char text[64];
    std::snprintf(text, sizeof text, "1:0:%X:%X:%X:%X:%X:0:0:0:", static_cast<unsigned>(key.type), key.sid,
                  key.tp.tsid, key.tp.onid, key.tp.ns);
    return text;
}

E2BouquetFile ReadE2BouquetFile(std::string_view text)
{
    E2BouquetFile file;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    int number = 0;
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t end = text.find('\n', position);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(position, end - position);
        position = end + 1;
        ++number;
        if (line.empty())
            break;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.starts_with("#NAME ")) {
            file.name = std::string(line.substr(6));
        } else if (line.starts_with("#SERVICE ") || line.starts_with("#SERVICE: ")) {
            const std::string_view reference = line.substr(line[8] == ':' ? 10 : 9);
            file.entries.push_back({number, std::string(reference), ParseE2Reference(reference)});
        }
    }
    return file;
}

} // namespace torvane
