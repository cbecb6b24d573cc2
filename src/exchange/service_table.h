#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/service_list.h"

namespace torvane {

class NodeStore;

// One service of a channel list as the exchange with other lists sees it: where it stands in the
// list's order, its satellite and TP, the values it is matched by, and the cells of the list's
// columns. Lists read from a CSV file know the satellite by name only (no orbit) and have no
// record (slot -1).
struct ServiceRecord {
    int slot = -1;
    int position = 0;  // in the list's channel order, from 0
    std::string satellite;
    std::optional<int> orbit;  // the satellite's sat_orbit
    int frequency = 0;
    int polarisation = 0;
    int symbolRate = 0;
    std::optional<int> serviceId;
    std::string name;
    std::optional<int> favorite;  // the raw "Favorite Group" value
    std::vector<std::string> cells;  // one per column of the table, as the service list shows it

    // "TP_11778_H_27500": the TP as the navigator labels it, without its number.
    std::string TpText() const;
};

// A TP of a list, on its satellite.
struct TpRecord {
    std::string satellite;
    std::optional<int> orbit;
    int frequency = 0;
    int polarisation = 0;
    int symbolRate = 0;
};

// The services of a list with the captions of its cells, and its TPs.
struct ServiceTable {
    std::vector<std::string> captions;  // the service list's columns without "Index"
    std::vector<ServiceRecord> services;
    std::vector<TpRecord> tps;

    // The column of a caption, or nothing.
    std::optional<std::size_t> Column(std::string_view caption) const;
};

// Every service of the store's tree in channel order (by order number, then slot), with the
// cells of the given columns ("Index" left out).
ServiceTable ReadServiceTable(const NodeStore& store, const std::vector<ServiceColumn>& columns);

// The frequency, polarisation and symbol rate of a "TP_f_H_s" / "TP_f_V_s" text; nothing for any
// other text.
struct TpValues {
    int frequency = 0;
    int polarisation = 0;
    int symbolRate = 0;
};
std::optional<TpValues> ParseTpText(std::string_view text);

} // namespace torvane
