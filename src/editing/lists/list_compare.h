#pragma once

#include <string>
#include <vector>

#include "exchange/service_table.h"

namespace torvane {

// What differs between two channel lists A and B: services only in A, only in B, and services of
// both (paired by kMatchRules) that stand on another TP (a service found by its name may have
// moved to any TP of its satellite), whose cells differ in a column both lists have, or that
// stand elsewhere in the order. "Elsewhere" leaves out the services that merely shift because others
// moved: the largest set of paired services that keep their relative order stays, the others
// moved.
enum class DifferenceKind { OnlyInFirst, OnlyInSecond, Changed };

struct ListDifference {
    DifferenceKind kind = DifferenceKind::Changed;
    std::string satellite;
    std::string tp;         // "TP_f_H_s"
    std::string serviceId;  // empty when unknown
    std::string name;
    std::string field;   // Changed: "TP", the column's caption, or "Order"
    std::string first;   // Changed: A's value (the TP's "TP_f_H_s", the place from 1 for "Order")
    std::string second;  // Changed: B's value

    bool operator==(const ListDifference&) const = default;
};

inline constexpr std::string_view kOrderField = "Order";

// The differences grouped by satellite (orbit, then name) and TP (frequency, polarisation, symbol
// rate), then by service ID and name; a service's changes "TP" first, then in the order of A's
// columns, "Order" last.
std::vector<ListDifference> CompareLists(const ServiceTable& first, const ServiceTable& second);

// One line of the difference, tab-separated, without a line end: "only in A", satellite, TP,
// service ID, name; "only in B" likewise; "changed", satellite, TP, service ID, name, field, A's
// value, B's value.
std::string DifferenceLine(const ListDifference& difference);

} // namespace torvane
