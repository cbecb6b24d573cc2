#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// The byte-order mark the CSV files start with, so that spreadsheets read them as UTF-8.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// One record of a CSV file and the line it starts on (from 1; a quoted field may span lines).
struct CsvRecord {
    int line = 0;
    std::vector<std::string> fields;

    bool operator==(const CsvRecord&) const = default;
};

// A line of a CSV file that could not be read, and why.
struct CsvError {
    int line = 0;
    std::string text;

    bool operator==(const CsvError&) const = default;
};

// A CSV file as read: its records (the header first), the separator found in the first line, and
// every line that did not read. Empty lines are skipped.
struct CsvTable {
    char separator = ',';
    std::vector<CsvRecord> records;
    std::vector<CsvError> errors;
};

inline constexpr std::string_view kUnclosedQuoteError = "a quoted field is not closed";
inline constexpr std::string_view kStrayQuoteError = "a quote inside an unquoted field";
inline constexpr std::string_view kTextAfterQuoteError = "text after the closing quote of a field";

// Reads CSV text as a spreadsheet saves it: with or without the byte-order mark, fields separated
// by commas or by semicolons (whichever the first line holds more of outside quotes), quoted or
// not ("" for a quote inside quotes), lines ended by CR LF, LF or CR. A line with a quoting fault
// is reported and left out; reading goes on with the next line.
CsvTable ReadCsv(std::string_view text);

// A field as RFC 4180 writes it: in quotes (with its quotes doubled) when it holds the separator,
// a quote, a CR or an LF, or starts or ends with a blank; else as it is.
std::string CsvField(std::string_view field, char separator = ',');
// The fields joined by the separator, ending in CR LF.
std::string CsvLine(std::span<const std::string> fields, char separator = ',');

} // namespace torvane
