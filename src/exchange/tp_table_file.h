#pragma once

#include <string>
#include <string_view>

#include "exchange/tp_table.h"

namespace torvane {

// The satellites.xml reader of a build that has one (it needs an XML parser, which the core does
// not carry); text is the whole file, byte-order mark included.
using SatellitesXmlReader = TableReadResult (*)(std::string_view text);

// What a build without that reader says for a satellites.xml.
inline constexpr std::string_view kNoSatellitesXmlMessage = "this build reads no satellites.xml";
// What a UTF-16 file that is no satellites.xml gets: dvbv5 tables are ASCII.
inline constexpr std::string_view kUtf16TableMessage = "UTF-16 text that is no satellites.xml";

// Reads the table file of the UTF-8 name path: satellites.xml when its first non-blank character
// is '<' (read by xmlReader, which may be null), in UTF-8 with or without a byte-order mark or in
// UTF-16 with one; else a dvbv5 initial-scan file (a UTF-8 byte-order mark skipped) named by the
// file's name. A file larger than kMaxTableBytes is refused before it is read. Errors name the
// file.
TableReadResult ReadTpTableFile(const std::string& path, SatellitesXmlReader xmlReader);

} // namespace torvane
