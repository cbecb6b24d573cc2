#pragma once

#include <string>
#include <vector>

#include "editing/lists/service_matching.h"
#include "exchange/service_table.h"

namespace torvane {

class NodeStore;

// What applying a reference list's order brings along besides the order.
struct ApplyOrderOptions {
    bool copyFavorites = false;
    bool copyNames = false;
};

// What a reference list's order does to the open list, told before it is applied.
struct ApplyOrderSummary {
    int matchedById = 0;
    int matchedByName = 0;
    int notInReference = 0;
    // The reference's services the open list lacks ("satellite  TP  name"); they are not added.
    std::vector<std::string> onlyInReference;

    // "Matched by service ID: N", "Matched by name: N", "Not in the reference: N", "Only in the
    // reference: N" and after it the services only in the reference, one a line, indented.
    std::vector<std::string> Lines() const;
};

// The open list's services paired with those of a reference list (kMatchRules). Applying it gives
// the paired services the reference's order, the others following in their own order, and with
// the options the reference's favourite groups and names.
class ApplyOrderPlan final {
public:
    ApplyOrderPlan(ServiceTable document, ServiceTable reference);

    const ApplyOrderSummary& Summary() const { return m_summary; }

    // Changes the store whose services the document table was read from (a changed write sets
    // its modified flag).
    void Apply(NodeStore& store, const ApplyOrderOptions& options) const;

private:
    ServiceTable m_document;
    ServiceTable m_reference;
    ServicePairing m_pairing;
    ApplyOrderSummary m_summary;
};

} // namespace torvane
