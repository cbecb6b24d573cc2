#pragma once

#include <optional>
#include <string>
#include <vector>

#include "exchange/csv_table.h"
#include "exchange/service_table.h"

namespace torvane {

class Document;

// A channel list read from a file other than the open one: the services, or why it could not be
// read (the editor's messages were shown for a file it opens; a CSV file's unusable lines are in
// errors).
struct ListFile {
    std::optional<ServiceTable> table;
    std::vector<CsvError> errors;
};

// Reads the file of the UTF-8 name path: any file the editor opens (".bin": the chunk the "Load
// database config" question picks; ".ddf", ".df2"), with like's project type and layouts and in
// like's columns, without writing it back; or a service CSV file (".csv" in any case) as
// ReadCsvServices reads it.
ListFile ReadListFile(const std::string& path, const Document& like);

// The document's services in its list's columns.
ServiceTable ReadDocumentTable(const Document& document);

// "Can't read " and the path: a CSV file that does not read.
inline constexpr std::string_view kCantReadMessage = "Can't read ";

} // namespace torvane
