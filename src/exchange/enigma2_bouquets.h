#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/enigma2_settings.h"

namespace torvane {

// A service reference "type:flags:d0:…:d7:path[:name]" of a bouquet file (type and flags decimal,
// d0–d7 hex of any case and width, path and name percent-decoded).
struct E2Reference {
    int type = 0;
    std::uint32_t flags = 0;
    std::array<std::uint32_t, 8> d{};
    std::string path;
    std::string name;

    static constexpr std::uint32_t kDirectory = 0x7;  // directory, must descend, can descend
    static constexpr std::uint32_t kMarker = 0x40;
    static constexpr std::uint32_t kGroup = 0x80;  // alternatives

    // The service a plain DVB reference names (type 1, no directory, marker or group flag).
    std::optional<E2ServiceKey> Service() const;
    // The file of "FROM BOUQUET \"file\" ORDER BY bouquet", or of a bare file name; nothing else.
    std::optional<std::string> BouquetFile() const;
};
std::optional<E2Reference> ParseE2Reference(std::string_view text);
// The reference of a lamedb service: "1:0:19:11:3:B0:DCA0000:0:0:0:".
std::string E2ReferenceText(const E2ServiceKey& key);

// One "#SERVICE" line of a bouquet file, with its line number.
struct E2BouquetEntry {
    int line = 0;
    std::string text;  // the reference as written
    std::optional<E2Reference> reference;  // nothing when it cannot be read
};
struct E2BouquetFile {
    std::string name;  // "#NAME"
    std::vector<E2BouquetEntry> entries;
};
// Reads a bouquet file (or a root list) as Enigma2 does: "#NAME " sets the title, "#SERVICE " and
// "#SERVICE: " lines are entries, other lines are ignored, and an empty line ends the file.
// LF or CR LF; a byte order mark is skipped.
E2BouquetFile ReadE2BouquetFile(std::string_view text);

} // namespace torvane
