#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "exchange/enigma2_settings.h"

namespace torvane {

// Reads a lamedb: the header "eDVB services /N/" chooses the grammar (5 the one-line records of
// lamedb5, 3 "s" lines without flags, every other value version 4). CR LF line ends, a byte order
// mark and lines longer than Enigma2 reads are accepted; a record that breaks the grammar fails
// the whole file ("line N: …"), so that nothing is half read. A missing "end" after the services
// is taken as the end of the file.
E2Lamedb ReadLamedb(std::string_view text);

// The name without the emphasis pairs C2 86 and C2 87.
std::string WithoutEmphasis(std::string_view name);

// A hex number of at most eight digits, any case; nothing for anything else.
std::optional<std::uint32_t> ParseE2Hex(std::string_view text);

} // namespace torvane
