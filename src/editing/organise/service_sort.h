#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace torvane {

class NodeStore;
class ServiceList;

// What the services are sorted by: the name in natural order, the service ID, the type (TV before
// radio), or the TP (satellite in the navigator's order, frequency, polarisation).
enum class SortKey { Name, ServiceId, Type, Tp };

struct SortRequest {
    SortKey key = SortKey::Name;
    bool descending = false;
};

// The word torvane-cli's edit script uses for a key ("name", "sid", "type", "tp"), and back.
std::string_view SortKeyWord(SortKey key);
std::optional<SortKey> SortKeyOfWord(std::string_view word);

// Sorts the programs of the given rows of the list (every row when rows is empty) among the list
// positions those rows hold; programs the list hides and rows not given stay where they are. The
// sort is stable, descending included: programs with equal keys keep their order. The positions
// take the programs' order numbers again in ascending order, as a move does, so the receiver shows
// the new order; two of them sharing a number give "Order Error!" and nothing changes. The rows
// are shown again and the modified flag set. False when nothing was sorted (fewer than two rows).
bool SortServices(NodeStore& store, ServiceList& list, const SortRequest& request, std::span<const int> rows);

} // namespace torvane
