#pragma once

#include <filesystem>
#include <string_view>

#include "exchange/tp_table.h"

namespace torvane {

// The satellites.xml reader of a build that has one (it needs an XML parser, which the core does
// not carry); text is the whole file.
using SatellitesXmlReader = TableReadResult (*)(std::string_view text);

// What a build without that reader says for a satellites.xml.
inline constexpr std::string_view kNoSatellitesXmlMessage = "this build reads no satellites.xml";

// Reads a table file: satellites.xml when its first non-blank character is '<' (read by
// xmlReader, which may be null), else a dvbv5 initial-scan file named by the file's name. A file
// larger than kMaxTableBytes is refused before it is read. Errors name the file.
TableReadResult ReadTpTableFile(const std::filesystem::path& path, SatellitesXmlReader xmlReader);

} // namespace torvane
