#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editing/lists/csv_services.h"
#include "editing/lists/service_matching.h"

namespace torvane {

class Document;
class NodeStore;

// A service CSV file read against the open list: each line paired with the list's service on the
// same satellite (by name), TP (kImportMatchRules) and service ID. A line that cannot be used
// (unreadable, a value the program dialog refuses, a value wider than its template field, an
// unknown satellite, TP or service, a service named twice) is an error with its line number; with
// any error nothing may be applied.
class CsvImport final {
public:
    CsvImport(const Document& document, std::string_view text);

    const std::vector<CsvError>& Errors() const { return m_errors; }
    // "Services in the file: N", "Not in the file: N" (they follow the file's services in their
    // own order).
    std::vector<std::string> SummaryLines() const;

    // Without errors: the names and list values of the file's lines written into their services,
    // and the order of the file's lines made the channel order.
    void Apply(NodeStore& store) const;

private:
    // The lines whose values do not fit their fields; true for each such line.
    std::vector<bool> CheckFieldWidths(const NodeStore& store);
    void CheckAgainstDocument(const std::vector<bool>& refused);
    // A line that makes a service with service ID 0 a TV service while its video PID is none.
    void CheckTypeChanges(const NodeStore& store);
    // The value a line gives "Service Type" when it differs from the stored one.
    static std::optional<int> ChangedType(const NodeStore& store, int slot, const CsvServiceValues& values);

    ServiceTable m_document;
    CsvServiceTable m_file;
    ServicePairing m_pairing;
    std::vector<CsvError> m_errors;
};

} // namespace torvane
