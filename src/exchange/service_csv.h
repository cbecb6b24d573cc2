#pragma once

#include <string>
#include <string_view>

#include "exchange/service_table.h"

namespace torvane {

class ServiceList;

// The fixed columns in front of the list's columns in a service CSV file.
inline constexpr std::string_view kCsvOrderCaption = "Order";
inline constexpr std::string_view kCsvSatelliteCaption = "Satellite";
inline constexpr std::string_view kCsvTpCaption = "TP";

// A channel list as a spreadsheet reads it: the byte-order mark, a header line ("Order",
// "Satellite", "TP", then the captions of the list's columns), then one line per service in
// channel order (its 1-based place, its satellite's name, its TP as "TP_f_H_s", its cells), every
// field quoted as RFC 4180 has it and every line ending in CR LF.
std::string BuildServiceCsv(const ServiceTable& table);

// Writes every service of the list's store, with the list's columns, to the file of the UTF-8 name
// path, replacing the file only once it is written whole. "Can't write " and the path when it
// cannot be written.
bool ExportServiceCsv(const ServiceList& list, const std::string& path);

} // namespace torvane
