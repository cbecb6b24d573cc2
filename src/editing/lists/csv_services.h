#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "exchange/csv_table.h"
#include "exchange/service_table.h"

namespace torvane {

// The values a line of a service CSV file brings into a list, each only when the file has its
// column: the name, and the values of the program dialog's lists.
struct CsvServiceValues {
    std::optional<std::string> name;
    // (program field, value) of "Service Type", "Favorite Group", "Scramble" and "Factory".
    std::vector<std::pair<std::string_view, int>> numbers;
};

// A service CSV file read into a table: per service its line, the record it names (satellite by
// name, TP, service ID, name, favourite group, cells by the file's captions) and the values it
// brings. Every line that cannot be used is in errors with its line number.
struct CsvServiceTable {
    ServiceTable table;
    std::vector<int> lines;
    std::vector<CsvServiceValues> values;
    std::vector<CsvError> errors;
};

// Reads a CSV file as BuildServiceCsv writes it or a spreadsheet saves it. The header names the
// columns: "Satellite", "TP" and "Service ID" are needed, "Service Name", "Service Type",
// "Favorite Group", "Scramble" and "Factory" are taken when present, any other column is kept
// as cells only; a caption the header repeats is refused. Values are checked as the program dialog
// checks them: a name is not empty, holds no control character (U+0000 to U+001F, U+007F) and takes
// at most 17 characters; the lists' values are the texts their rows show, an empty cell keeping
// the stored value.
CsvServiceTable ReadCsvServices(std::string_view text);

// "line N: text".
std::string CsvErrorText(const CsvError& error);

// The most unusable lines a refusal lists.
inline constexpr std::size_t kListedErrorLimit = 20;

// What a refusal lists of a file's unusable lines: the first kListedErrorLimit as CsvErrorText
// has them, then "and N more lines" for the rest.
std::vector<std::string> CsvErrorLines(const std::vector<CsvError>& errors);

} // namespace torvane
