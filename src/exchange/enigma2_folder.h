#pragma once

#include <cstddef>
#include <filesystem>

#include "exchange/enigma2_settings.h"
#include "exchange/tp_table_file.h"

namespace torvane {

// The largest file of a settings folder read; a larger one is refused unread.
inline constexpr std::size_t kMaxE2FileBytes = 16u * 1024u * 1024u;

// Reads a settings folder: "lamedb" (else "lamedb5"), the bouquets of "bouquets.tv" then
// "bouquets.radio" with the files they name (looked for in "alternatives/", "bouquets/", then the
// folder), and satellites.xml when the folder has one and the build a reader for it. Markers
// carry no service, alternatives give their first entry found, sub-bouquets add their entries
// to the bouquet that names them; entries lamedb lacks and missing files are listed, never
// guessed. A file that cannot be used fails the whole folder with the file and line.
E2Settings ReadE2Folder(const std::filesystem::path& folder, SatellitesXmlReader xmlReader);

} // namespace torvane
