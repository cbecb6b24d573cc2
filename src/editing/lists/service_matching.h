#pragma once

#include <optional>
#include <span>
#include <vector>

#include "exchange/service_table.h"

namespace torvane {

// How the services of two lists are paired: on the same satellite (by orbital position when both
// lists know it, else by name), on TPs of the same polarisation whose frequencies lie within
// frequencyTolerance MHz of each other; first by service ID, then, among those still unpaired, by
// service name.
struct MatchRules {
    int frequencyTolerance = 0;  // MHz
    bool samePolarisation = true;
    bool thenByName = true;
};
// Applying a reference list's order and comparing lists.
inline constexpr MatchRules kMatchRules{2, true, true};
// Importing a CSV file: its lines name services by satellite, TP and service ID only.
inline constexpr MatchRules kImportMatchRules{2, true, false};

enum class MatchKind { ById, ByName };

// For every service of one list its partner in the other list (an index into that list's
// services) and how it was found; nothing for an unpaired service.
struct ServicePairing {
    struct Partner {
        std::size_t index = 0;
        MatchKind kind = MatchKind::ById;
    };
    std::vector<std::optional<Partner>> ofFirst;
    std::vector<std::optional<Partner>> ofSecond;

    int Count(MatchKind kind) const;
};

// Whether two services stand on the same satellite and a matching TP.
bool SameTp(const ServiceRecord& a, const ServiceRecord& b, const MatchRules& rules = kMatchRules);

// Pairs the services of first and second. The services of second are taken in their order, each
// with the first unpaired service of first that matches it, so that duplicates pair off in order.
ServicePairing PairServices(std::span<const ServiceRecord> first, std::span<const ServiceRecord> second,
                            const MatchRules& rules = kMatchRules);

} // namespace torvane
